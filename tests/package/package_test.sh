#!/usr/bin/env bash
# The Debian package, as a sysop gets it: built with CPack from this build and held to lintian;
# unpacked, mkgame lays out a game directory and the game plays a local caller from the
# installed paths, as an unprivileged user. As root it is also installed with dpkg, in a mount
# namespace of its own whose /etc, /usr, /var and /run are layers over the machine's (the
# machine is left as it was): the user, the group, the game directory and the nightly timer
# are there, a new player plays and a night runs, and installing it again upgrades the played
# game, its players intact and the sysop's changed screen kept; a sysop in the group vornhold
# sees the player and checks the game. Usage: package_test.sh BUILD_DIR
set -euo pipefail

fail() {
    echo "package test: $*" >&2
    exit 1
}

# The local node 1 of the game directory in the working directory: the probe answered, the
# title key, Q in the title menu, the credits key. Runs the game as "$@".
play_title() {
    local output
    output=$(printf '\033[1;2R\rq\r' | timeout 20 "$@") || fail "the installed game ended with $?"
    # The title menu, then the closing banner (which colours the first letter of each word apart).
    [[ "$output" == *"Step into the snows"* && "$output" == *erminated* ]] ||
        fail "the installed game did not play to its end: $output"
}

# Plays the game that "$@" runs as a dialogue: each STEP before the "--" is TEXT=KEYS, the keys
# (printf %b escapes) typed once TEXT has come (colours left out). Fails on a prompt that does
# not come within 20 seconds or on a game that does not end with 0.
converse() {
    local steps=()
    while [ "$1" != -- ]; do
        steps+=("$1")
        shift
    done
    shift
    coproc GAME {
        set -o pipefail
        timeout 60 "$@" 2>&1 | perl -e 'while (sysread(STDIN, $b, 65536)) {
            $b =~ s/\e\[[0-9;?]*[A-Za-z]//g; syswrite(STDOUT, $b) }'
    }
    local pid=$GAME_PID out=${GAME[0]} in=${GAME[1]} seen="" chunk text deadline
    for step in "${steps[@]}"; do
        text=${step%%=*}
        deadline=$((SECONDS + 20))
        while [[ "$seen" != *"$text"* ]]; do
            [ $SECONDS -lt $deadline ] || fail "the game did not say \"$text\": ${seen: -800}"
            chunk=""
            IFS= read -r -t 0.2 -N 65536 -u "$out" chunk || true
            seen+=$chunk
        done
        seen=""
        printf '%b' "${step#*=}" >&"$in"
    done
    cat <&"$out" >/dev/null
    wait "$pid" || fail "the game ended with $?"
}

# A new caller in the local node 1 of the game directory in the working directory: he opens an
# account, makes the human character NAME, and leaves from the map. Runs the game as "$@".
play_new_player() {
    local name=$1
    shift
    converse '=\033[1;2R' 'Damn Key=\r' 'Step into the snows=s' "User name:=$name's caller\r" \
        'create an account?=y' 'Enter a password to use:=pw\r' 'password a second time:=pw\r' \
        "Newcomer's Guide=\r" "character name?=$name\r" 'race of your character?=1\r' \
        'Choose a Sub-Race:=1\r' 'must be activated=\r' 'No skills=\r' 'disadvantages...=\r' \
        'No Disadvantages, for now!=\r' 'sex of your character?=m' 'Are they ok?=y' \
        'Choose your alignement=1aq' 'Before whom do you kneel?=a' 'read the news?=n' \
        'Go in the forest=q' 'Step into the snows=q' 'Damn Key=\r' -- "$@"
}

# Inside the namespace: installs the package in the layers, plays, upgrades.
installed() {
    local deb=$1 layers=$2
    for dir in etc usr var; do
        mkdir -p "$layers/$dir/upper" "$layers/$dir/work"
        mount -t overlay overlay \
            -o "lowerdir=/$dir,upperdir=$layers/$dir/upper,workdir=$layers/$dir/work" "/$dir"
    done
    # No systemd to talk to, whatever the machine runs.
    mount -t tmpfs tmpfs /run
    dpkg --purge vornhold >/dev/null 2>&1 || true
    rm -rf /var/games/vornhold
    dpkg -i "$deb" >"$layers/install.log" 2>&1 || fail "dpkg -i failed: $(cat "$layers/install.log")"

    local game=/var/games/vornhold
    [ "$(getent passwd vornhold | cut -d: -f7)" = /usr/sbin/nologin ] || fail "no user vornhold"
    [ "$(stat -c '%U:%G %a' "$game")" = "vornhold:vornhold 2770" ] ||
        fail "the game directory is $(stat -c '%U:%G %a' "$game")"
    for file in rooms.dat vorn0.dat ansi/title.ans installed.sum; do
        [ -f "$game/$file" ] || fail "the postinst's game directory lacks $file"
    done
    [ -L /etc/systemd/system/timers.target.wants/vornhold-maint.timer ] ||
        fail "the nightly timer is not enabled"
    for file in /etc/cron.d/vornhold /etc/logrotate.d/vornhold /lib/systemd/system/vornhold.socket; do
        [ -f "$file" ] || fail "$file is not installed"
    done
    if command -v systemd-analyze >/dev/null; then
        (cd /lib/systemd/system && systemd-analyze verify vornhold-maint.timer \
            vornhold-maint.service vornhold.socket vornhold@1.service) ||
            fail "systemd-analyze verify finds fault with the units"
    fi

    # A caller plays and a night runs, as the game's user in its directory.
    local as_game=(setpriv --reuid=vornhold --regid=vornhold --init-groups)
    cd "$game"
    play_new_player Ferro "${as_game[@]}" /usr/games/vornhold-game 1
    "${as_game[@]}" /usr/games/vornhold-maint >/dev/null || fail "the night ended with $?"
    local played
    played=$(sha256sum users.dat user2.dat users.idx nights.dat ranking.txt)
    # The sysop's own title screen, and a help topic lost.
    echo "The sysop's title" >ansi/title.ans
    local lost
    lost=$(ls help | head -1)
    rm "help/$lost"

    dpkg -i "$deb" >"$layers/upgrade.log" 2>&1 || fail "the upgrade failed: $(cat "$layers/upgrade.log")"
    grep -q "kept     ansi/title.ans: changed here" "$layers/upgrade.log" ||
        fail "the upgrade does not say it kept the changed screen: $(cat "$layers/upgrade.log")"
    [ "$(cat ansi/title.ans)" = "The sysop's title" ] || fail "the upgrade replaced the changed screen"
    [ -f "help/$lost" ] || fail "the upgrade did not bring back help/$lost"
    [ "$(sha256sum users.dat user2.dat users.idx nights.dat ranking.txt)" = "$played" ] ||
        fail "the upgrade changed the players or the night"
    local open
    open=$(find "$game" -perm /o=rwx)
    [ -z "$open" ] || fail "others may read or enter: $open"
    play_title "${as_game[@]}" /usr/games/vornhold-game 1

    # A sysop in the group, not the game's user, sees the player and finds the game clean.
    adduser --quiet --disabled-password --gecos "" sysop >/dev/null
    adduser --quiet sysop vornhold >/dev/null
    local as_sysop=(setpriv --reuid=sysop --regid=sysop --init-groups)
    [[ "$("${as_sysop[@]}" /usr/games/vornhold-setup --show player Ferro)" == *"level=1"* ]] ||
        fail "the sysop's player editor does not show Ferro"
    "${as_sysop[@]}" /usr/games/vornhold-checkgame >/dev/null ||
        fail "the sysop's checker does not find the upgraded game clean"
}

if [ "${1:-}" = --installed ]; then
    installed "$2" "$3"
    exit 0
fi

build=$1
work=$(mktemp -d /tmp/vorn-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >/dev/null
deb=$(ls "$work"/out/vornhold_*.deb)

depends=$(dpkg-deb -f "$deb" Depends)
for needed in adduser init-system-helpers libc6 libstdc++6 libncursesw6; do
    [[ ",$depends" == *", $needed"* || "$depends" == "$needed"* ]] || fail "Depends lacks $needed: $depends"
done
# At lintian's usual level: neither errors nor warnings.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"

dpkg -x "$deb" "$work/root"
for file in usr/games/vornhold-game usr/games/vornhold-setup usr/games/vornhold-maint \
    usr/games/vornhold-mkgame usr/games/vornhold-nodes usr/games/vornhold-checkgame \
    usr/share/games/vornhold/world/rooms.dat; do
    [ -e "$work/root/$file" ] || fail "$file is not in the package"
done

# The game refuses root: as root, everything below runs as nobody.
as_player=()
if [ "$(id -u)" -eq 0 ]; then
    as_player=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    mkdir "$work/game"
    chown nobody:nogroup "$work/game"
fi
"${as_player[@]}" "$work/root/usr/games/vornhold-mkgame" "$work/game" >/dev/null
for file in vorn0.dat vorn1.dat rooms.dat ansi/title.ans lockfile.lck; do
    [ -e "$work/game/$file" ] || fail "mkgame left out $file"
done
(cd "$work/game" && play_title "${as_player[@]}" "$work/root/usr/games/vornhold-game" 1)
# The sysop's checker finds the new game directory clean.
(cd "$work/game" && "$work/root/usr/games/vornhold-checkgame" >/dev/null) ||
    fail "the installed checker does not find a new game clean"

if [ "$(id -u)" -eq 0 ] && unshare --mount true 2>/dev/null; then
    mkdir "$work/layers"
    unshare --mount --propagation private bash "$0" --installed "$deb" "$work/layers" ||
        fail "the installed package failed"
    echo "package test: $(basename "$deb") is lintian clean, installs, plays and upgrades"
else
    echo "package test: $(basename "$deb") is lintian clean and plays (installing it needs root" \
        "and mount namespaces)"
fi
