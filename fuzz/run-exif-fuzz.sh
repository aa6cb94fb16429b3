#!/usr/bin/env bash
# Builds the EXIF date fuzz target in build-fuzz, seeds a corpus from the sample photos
# (their first 128 KiB: nothing later is read) and fuzzes for SECONDS (default 600).
# Crashing inputs land in build-fuzz/findings/. FUZZ_TARGET picks the target
# (exif_date_fuzz, or exif_date_diff_fuzz for the comparison with libexif's defaults).
# Usage: [FUZZ_TARGET=...] fuzz/run-exif-fuzz.sh [SECONDS] [SAMPLES_DIR] [libFuzzer options...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
samples=${2:-../shared/testdata/exif}
shift $(($# < 2 ? $# : 2))
target=${FUZZ_TARGET:-exif_date_fuzz}
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANE_FUZZ=ON -DORVANE_BUILD_GUI=OFF -DORVANE_BUILD_TESTS=OFF >/dev/null
fi
cmake --build build-fuzz --target "$target"
mkdir -p "build-fuzz/corpus-$target" build-fuzz/seeds build-fuzz/findings
if [ -d "$samples" ]; then
  find "$samples" -type f ! -name '*.tsv' ! -name '*.md' -print0 |
    while IFS= read -r -d '' f; do
      head -c 131072 "$f" >"build-fuzz/seeds/$(echo "$f" | md5sum | cut -c1-16)"
    done
fi
find tests/dates/data/exif-fuzz -type f ! -name README.md -exec cp {} build-fuzz/seeds/ \;
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"build-fuzz/bin/$target" "build-fuzz/corpus-$target" build-fuzz/seeds \
  -max_len=131072 -timeout=10 -rss_limit_mb=2048 -max_total_time="$seconds" \
  -artifact_prefix=build-fuzz/findings/ -use_value_profile=1 -print_final_stats=1 "$@"
