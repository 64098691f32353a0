#!/usr/bin/env bash
# The play command: installs what is missing, builds, lays out a demo game directory with a local
# node 1 (unless it exists) and starts `game 1` there in this terminal. As root the game runs as
# the unprivileged user nobody, since it refuses to run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/scripts/packages.sh
vorn_install_packages

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build -j"$(nproc)" game setup maint mkgame >/dev/null

if [ "$(id -u)" -eq 0 ]; then
    demo=${VORN_DEMO_DIR:-/var/tmp/vornhold-demo}
else
    demo=${VORN_DEMO_DIR:-$HOME/vornhold-demo}
fi

[ -d "$demo" ] || build/bin/mkgame "$demo"
# The game binary sits in the game directory, where the unprivileged user can run it.
install -m 0755 build/bin/game "$demo/game"

cd "$demo"
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$demo"
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups ./game 1
fi
exec ./game 1
