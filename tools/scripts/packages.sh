# The Debian packages the scripts need, installed when any is missing. Building and playing
# (tools/play.sh, tools/serve.sh) take the compiler, CMake, Ninja, the three libraries the programs
# use, and socat, telnet and procps for the telnet game. The test command (tools/test.sh) adds
# clang with its sanitizer run-time, clang-format, the test and benchmark libraries, libvterm,
# and what the package test uses: dpkg-dev and file for CPack, lintian, adduser and
# init-system-helpers for installing the package; and binkd, the mailer the league test runs.
# Sourced by tools/play.sh, tools/serve.sh and tools/test.sh.

VORN_BUILD_PACKAGES="build-essential cmake ninja-build pkg-config libtomlplusplus-dev
libncurses-dev nettle-dev util-linux passwd procps socat telnet"
VORN_TEST_PACKAGES="clang libclang-rt-14-dev clang-format libgtest-dev libgmock-dev
libbenchmark-dev libvterm-dev dpkg-dev file lintian adduser init-system-helpers binkd"

# Installs those of the named packages that are missing.
vorn_install_packages() {
    local missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "== Installing the Debian packages this needs:$missing"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then sudo="sudo"; else
            echo "Please install as root:$missing" >&2
            return 1
        fi
    fi
    # shellcheck disable=SC2086 # one word per package
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
}
