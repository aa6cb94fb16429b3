#!/usr/bin/env bash
# Runs every test: the layer check of the includes, the full build's tests, then the core
# tests built with AddressSanitizer and UndefinedBehaviorSanitizer in a second build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test
scripts/check-layers.sh
scripts/build.sh build
scripts/build.sh build-sanitize -DORVANE_SANITIZE=ON -DORVANE_BUILD_GUI=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build && ctest --output-on-failure -j"$(nproc)")
(cd build-sanitize && ctest --output-on-failure -j"$(nproc)")
