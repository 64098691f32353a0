#!/usr/bin/env bash
# The stand-alone telnet game on this machine: installs what is missing, builds, lays out the
# demo game directory of tools/play.sh and serves it with socat on localhost, port 2323 (or
# VORN_PORT). Every connection starts `game DAEMON`, which takes the first free node, so callers
# from several terminals (`telnet localhost 2323`) play at once. Ctrl-C stops it.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/scripts/packages.sh
. tools/scripts/demo.sh
vorn_install_packages
vorn_prepare_demo

port=${VORN_PORT:-2323}
cd "$demo"
echo "Vornhold is listening: telnet localhost $port (from as many terminals as you like)."
echo "Game directory $demo; Ctrl-C stops the server."
# "nofork" hands each connection itself to the game, which then sees a TCP socket and speaks
# telnet; as root every game runs as nobody.
user=""
[ "$(id -u)" -eq 0 ] && user=",su=nobody"
exec socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork" "EXEC:./game DAEMON,nofork$user"
