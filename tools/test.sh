#!/usr/bin/env bash
# The test command: installs what building and testing need when it is missing, checks the
# formatting, builds the Release and the sanitizer builds and runs every test in both; the
# sanitizer build's tests include a bounded run of each fuzz target.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/scripts/packages.sh
vorn_install_packages $VORN_BUILD_PACKAGES $VORN_TEST_PACKAGES

jobs=$(nproc)
fuzz_seconds=${VORN_FUZZ_SECONDS:-20}

echo "== Formatting"
git ls-files -- 'src/*.cpp' 'src/*.hpp' 'tests/*.cpp' 'tests/*.hpp' 'tools/*.cpp' 'tools/*.hpp' \
    'fuzz/*.cpp' 'bench/*.cpp' 2>/dev/null | xargs -r clang-format --dry-run --Werror

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=ON -DVORN_BENCH=ON >/dev/null
ninja -C build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
echo "   (each fuzz target runs ${fuzz_seconds}s as one of its tests)"
CC=clang CXX=clang++ cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVORN_SANITIZE=ON -DVORN_FUZZ=ON -DVORN_FUZZ_SECONDS="$fuzz_seconds" >/dev/null
ninja -C build-san -j"$jobs"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-san && ctest --output-on-failure -j"$jobs")

echo "All tests passed."
