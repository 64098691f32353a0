#!/usr/bin/env bash
# The Debian package, as a sysop gets it: built with CPack from this build, unpacked into a
# temporary root, then mkgame lays out a game directory and the game plays a local caller from
# the installed paths, as an unprivileged user. Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/vorn-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >/dev/null
deb=$(ls "$work"/out/vornhold_*.deb)

fail() {
    echo "package test: $*" >&2
    exit 1
}

depends=$(dpkg-deb -f "$deb" Depends)
for needed in adduser libc6 libstdc++6 libncursesw6; do
    [[ ",$depends" == *", $needed"* || "$depends" == "$needed"* ]] || fail "Depends lacks $needed: $depends"
done
dpkg-deb -e "$deb" "$work/control"
sh -n "$work/control/postinst" || fail "postinst does not parse"

dpkg -x "$deb" "$work/root"
for file in usr/bin/vornhold-game usr/bin/vornhold-setup usr/bin/vornhold-maint \
    usr/bin/vornhold-mkgame usr/bin/vornhold-nodes usr/bin/vornhold-checkgame \
    usr/lib/systemd/system/vornhold.socket \
    usr/lib/systemd/system/vornhold@.service usr/share/vornhold/world/rooms.dat; do
    [ -e "$work/root/$file" ] || fail "$file is not in the package"
done

# The game refuses root: as root, everything below runs as nobody.
as_player=()
if [ "$(id -u)" -eq 0 ]; then
    as_player=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    mkdir "$work/game"
    chown nobody:nogroup "$work/game"
fi
"${as_player[@]}" "$work/root/usr/bin/vornhold-mkgame" "$work/game" >/dev/null
for file in vorn0.dat vorn1.dat rooms.dat ansi/title.ans lockfile.lck; do
    [ -e "$work/game/$file" ] || fail "mkgame left out $file"
done

# Node 1 is a local node: the probe answered, the title key, Q in the title menu, the credits key.
output=$(cd "$work/game" &&
    printf '\033[1;2R\rq\r' | timeout 20 "${as_player[@]}" "$work/root/usr/bin/vornhold-game" 1) ||
    fail "the installed game ended with $?"
# The title menu, then the closing banner (which colours the first letter of each word apart).
[[ "$output" == *"Step into the snows"* && "$output" == *erminated* ]] ||
    fail "the installed game did not play to its end: $output"
# The sysop's checker finds the new game directory clean.
(cd "$work/game" && "$work/root/usr/bin/vornhold-checkgame" >/dev/null) ||
    fail "the installed checker does not find a new game clean"
echo "package test: $(basename "$deb") installs, lays out a game and plays"
