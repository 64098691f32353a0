# Installs the Debian packages the build and the tests need, when any is missing: dpkg-dev and
# file for the Debian package (CPack's dependency list), socat and telnet for the stand-alone
# telnet game of tools/serve.sh. Sourced by tools/play.sh, tools/serve.sh and tools/test.sh.

VORN_PACKAGES="build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
libgtest-dev libgmock-dev libbenchmark-dev libvterm-dev libtomlplusplus-dev libncurses-dev
util-linux passwd dpkg-dev file socat telnet"

vorn_install_packages() {
    local missing=""
    for p in $VORN_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then sudo="sudo"; else
            echo "Please install as root:$missing" >&2
            return 1
        fi
    fi
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
}
