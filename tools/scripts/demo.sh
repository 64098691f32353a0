# The demo game directory of tools/play.sh and tools/serve.sh: builds the programs, lays out the
# directory with mkgame (only what it lacks; nothing of a game in play is replaced) and puts the
# game binary in it. Sets `demo` to its path. As root the directory belongs to nobody, who runs
# the game, since the game refuses root. VORN_BUILD_DIR names a build to take the programs from
# as they are (build/ and a build of its own otherwise).
# Sourced after tools/scripts/packages.sh, from the top of the repository.

vorn_prepare_demo() {
    local build=${VORN_BUILD_DIR:-}
    if [ -z "$build" ]; then
        build=build
        # A new build leaves out the tests and benchmarks, whose libraries only the test
        # command installs; a build that is there keeps its settings.
        if [ ! -f build/CMakeCache.txt ]; then
            echo "== Configuring the build in build/"
            cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF \
                -DVORN_BENCH=OFF >/dev/null
        fi
        echo "== Building game, setup, maint and mkgame in build/ (a few minutes the first time)"
        ninja -C build -j"$(nproc)" game setup maint mkgame
    fi

    if [ "$(id -u)" -eq 0 ]; then
        demo=${VORN_DEMO_DIR:-/var/tmp/vornhold-demo}
    else
        demo=${VORN_DEMO_DIR:-$HOME/vornhold-demo}
    fi
    echo "== Laying out the game directory $demo"
    "$build/bin/mkgame" "$demo" >/dev/null
    # The game binary sits in the game directory, where the unprivileged user can run it.
    install -m 0755 "$build/bin/game" "$demo/game"
    if [ "$(id -u)" -eq 0 ]; then
        chown -R nobody:nogroup "$demo"
    fi
}
