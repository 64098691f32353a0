# The demo game directory of tools/play.sh and tools/serve.sh: builds the programs, lays out the
# directory with mkgame (only what it lacks; nothing of a game in play is replaced) and puts the
# game binary in it. Sets `demo` to its path. As root the directory belongs to nobody, who runs
# the game, since the game refuses root.
# Sourced after tools/scripts/packages.sh, from the top of the repository.

vorn_prepare_demo() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    ninja -C build -j"$(nproc)" game setup maint mkgame >/dev/null

    if [ "$(id -u)" -eq 0 ]; then
        demo=${VORN_DEMO_DIR:-/var/tmp/vornhold-demo}
    else
        demo=${VORN_DEMO_DIR:-$HOME/vornhold-demo}
    fi
    build/bin/mkgame "$demo" >/dev/null
    # The game binary sits in the game directory, where the unprivileged user can run it.
    install -m 0755 build/bin/game "$demo/game"
    if [ "$(id -u)" -eq 0 ]; then
        chown -R nobody:nogroup "$demo"
    fi
}
