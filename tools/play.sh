#!/usr/bin/env bash
# The play command: installs what building needs when it is missing, builds, lays out a demo game
# directory with a local node 1 and starts `game 1` there in this terminal. As root the game runs
# as the unprivileged user nobody, since it refuses to run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/scripts/packages.sh
. tools/scripts/demo.sh
vorn_install_packages $VORN_BUILD_PACKAGES
vorn_prepare_demo

cd "$demo"
if [ "$(id -u)" -eq 0 ]; then
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups ./game 1
fi
exec ./game 1
