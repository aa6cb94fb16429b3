#!/usr/bin/env bash
# Configures (once) and builds a build tree incrementally.
# Usage: build.sh BUILD_DIR [--target NAME] [cmake options...]
# With --target only NAME and what it needs is built (scripts/run.sh builds the program alone).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
targets=()
if [ "${1:-}" = "--target" ]; then
  targets=(--target "$2")
  shift 2
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
fi
# The progress lines are dropped; with pipefail a failed build fails the script.
cmake --build "$dir" "${targets[@]}" -- -j"$(nproc)" | { grep -v '^\[' || true; }
