#!/bin/sh
# The long soak of the random-sequence harness (tests/sequences/): COUNT random sequences of
# real runs (default 10000, about three hours here), each checked against the invariants after
# every step; failures print their seed and a shortened step list to reproduce them.
#
#   bench/soak_sequences.sh [COUNT] [--first-seed N] [--verbose]
#
# The binary is build/bin/orvane unless ORVANE_BINARY names another.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
count=${ORVANE_SOAK:-10000}
case "$1" in
[0-9]*) count=$1; shift ;;
esac
ORVANE_SOAK=$count exec python3 "$root/tests/sequences/run_sequences.py" \
  "${ORVANE_BINARY:-$root/build/bin/orvane}" "$@"
