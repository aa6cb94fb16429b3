#!/usr/bin/env bash
# Builds the fuzz target of the other photo and video readers in build-fuzz, seeds a corpus
# from the sample files (their first 256 KiB) and fuzzes for SECONDS (default 600) with one
# job. The corpus it keeps grows in build-fuzz/formats-corpus; crashing inputs land in
# build-fuzz/formats-findings/.
# Usage: fuzz/run-formats-fuzz.sh [SECONDS] [SAMPLES_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
samples=${2:-../shared/testdata/formats}
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANE_FUZZ=ON -DORVANE_BUILD_GUI=OFF -DORVANE_BUILD_TESTS=OFF >/dev/null
fi
cmake --build build-fuzz --target formats_date_fuzz
mkdir -p build-fuzz/formats-corpus build-fuzz/formats-seeds build-fuzz/formats-findings
if [ -d "$samples" ]; then
  find "$samples" -type f ! -name '*.tsv' ! -name '*.md' -print0 |
    while IFS= read -r -d '' f; do
      head -c 262144 "$f" >"build-fuzz/formats-seeds/$(echo "$f" | md5sum | cut -c1-16)"
    done
fi
find fuzz/formats-corpus tests/dates/data/formats-fuzz -type f -exec cp {} build-fuzz/formats-seeds/ \; 2>/dev/null || true
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build-fuzz/bin/formats_date_fuzz build-fuzz/formats-corpus build-fuzz/formats-seeds \
  -max_len=262144 -timeout=10 -rss_limit_mb=2048 -max_total_time="$seconds" \
  -artifact_prefix=build-fuzz/formats-findings/ -print_final_stats=1
