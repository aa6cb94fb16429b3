#!/usr/bin/env bash
# Benchmark of the desktop application's run control against the command line: turns the
# bench targets on in the build tree build/, builds, and runs the benchmark offscreen. Arguments go to orvane_gui_bench
# (--entries N, --runs R, --work DIR, --screenshots DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test
cmake -S . -B build -G Ninja -DORVANE_BUILD_BENCH=ON >/dev/null
scripts/build.sh build
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
fi
exec build/bin/orvane_gui_bench "$@"
