#!/usr/bin/env bash
# Benchmark of the preview: building and opening the plan of the 10,000-file corpus against
# the command line's dry run, and scrolling the tree. Turns the bench targets on in build/,
# builds, and runs offscreen. Arguments go to orvane_preview_bench (--corpus DIR, --runs R,
# --screenshot FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test
cmake -S . -B build -G Ninja -DORVANE_BUILD_BENCH=ON >/dev/null
scripts/build.sh build
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export TZ=${TZ:-UTC}
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi
exec build/bin/orvane_preview_bench "$@"
