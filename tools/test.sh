#!/usr/bin/env bash
# The test command: installs what is missing, checks the formatting, builds the Release and the
# sanitizer builds, runs every test in both, and runs each fuzz target for a bounded time.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/scripts/packages.sh
vorn_install_packages

jobs=$(nproc)
fuzz_seconds=${VORN_FUZZ_SECONDS:-20}

echo "== Formatting"
git ls-files -- 'src/*.cpp' 'src/*.hpp' 'tests/*.cpp' 'tests/*.hpp' 'tools/*.cpp' 'tools/*.hpp' \
    'fuzz/*.cpp' 'bench/*.cpp' 2>/dev/null | xargs -r clang-format --dry-run --Werror

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
CC=clang CXX=clang++ cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVORN_SANITIZE=ON -DVORN_FUZZ=ON >/dev/null
ninja -C build-san -j"$jobs"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-san && ctest --output-on-failure -j"$jobs")

echo "== Fuzzing (${fuzz_seconds}s per target)"
shopt -s nullglob
for fuzzer in build-san/bin/*_fuzzer; do
    name=$(basename "$fuzzer")
    corpus="build-san/fuzz-corpus/$name"
    mkdir -p "$corpus"
    seeds="fuzz/corpus/$name"
    [ -d "$seeds" ] || seeds=""
    echo "-- $name"
    ASAN_OPTIONS=detect_leaks=1 "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
        -print_final_stats=0 "$corpus" $seeds 2>&1 | tail -n 3
done

echo "All tests passed."
