#!/usr/bin/env bash
# Configures (once) and builds a build tree incrementally.
# Usage: build.sh BUILD_DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
fi
# The progress lines are dropped; with pipefail a failed build fails the script.
cmake --build "$dir" -- -j"$(nproc)" | { grep -v '^\[' || true; }
