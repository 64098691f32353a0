#!/usr/bin/env bash
# The stand-alone telnet game on this machine: installs what building needs when it is missing,
# builds, lays out the demo game directory of tools/play.sh and serves it with socat on
# localhost, port 2323 (or VORN_PORT). Every connection starts `game DAEMON`, which takes the
# first free node, so callers from several terminals (`telnet localhost 2323`) play at once.
# Ctrl-C stops it in order: no new callers, then each game is told to end (SIGTERM), saves its
# player and leaves the node table.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/scripts/packages.sh
. tools/scripts/demo.sh
vorn_install_packages $VORN_BUILD_PACKAGES
vorn_prepare_demo

port=${VORN_PORT:-2323}
cd "$demo"
# "nofork" hands each connection itself to the game, which then sees a TCP socket and speaks
# telnet; as root every game runs as nobody. The server has a session of its own, so the
# terminal's Ctrl-C reaches this script alone and never the games.
user=""
[ "$(id -u)" -eq 0 ] && user=",su=nobody"
setsid socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork" "EXEC:./game DAEMON,nofork$user" &
server=$!

# Whether a process is gone (a game its stopped server has not reaped yet counts as gone).
gone() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
    [[ "$state" == Z* ]]
}

stop() {
    trap '' INT TERM
    echo
    echo "== Stopping: no new callers; each game saves its player and ends"
    kill -STOP "$server" 2>/dev/null || true
    local games
    games=$(pgrep -P "$server" || true)
    for game in $games; do
        kill -TERM "$game" 2>/dev/null || true
        # A game ends within a second of the signal; one that does not is killed after ten.
        for _ in $(seq 100); do
            gone "$game" && break
            sleep 0.1
        done
        gone "$game" || kill -KILL "$game" 2>/dev/null || true
    done
    kill -TERM "$server" 2>/dev/null || true
    kill -CONT "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    echo "== Stopped"
    exit 0
}
trap stop INT TERM

# Told once the server listens (a listening socket of the port in the system's table).
listening() {
    grep -q "^ *[0-9]*: 0100007F:$(printf '%04X' "$port") 00000000:0000 0A" /proc/net/tcp
}
for _ in $(seq 100); do
    listening && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
done
echo "Vornhold is listening: telnet localhost $port (from as many terminals as you like)."
echo "Game directory $demo; Ctrl-C stops the server."
status=0
wait "$server" || status=$?
echo "The server ended (exit code $status): is port $port taken?" >&2
exit "$status"
