#!/usr/bin/env bash
# The main job. With no arguments and a display (DISPLAY or WAYLAND_DISPLAY set): opens the
# Orvane window. With no arguments and no display: organises the bundled sample files into a
# new folder under the temporary folder and prints the report. With arguments: runs orvane
# with them (for example `organize SOURCE... DEST`).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# Only the program: the tests are built by scripts/test.sh.
scripts/build.sh build --target orvane
orvane=$PWD/build/bin/orvane

if [ $# -gt 0 ]; then
  exec "$orvane" "$@"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$orvane"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-demo-XXXXXX")
cp -a resources/samples "$work/Camera import"
rm -f "$work/Camera import/README.md"
# A checkout gives every file the time of the checkout; give the files without EXIF dates
# times of their own so that the demonstration shows several date folders.
touch -d '2021-06-05 10:00' "$work/Camera import/card/screenshot.png"
touch -d '2022-11-20 18:30' "$work/Camera import/notes/trip notes.txt"
mkdir "$work/Organized"
export ORVANE_CONFIG_DIR="$work/settings"
export ORVANE_STATE_DIR="$work/runs"
echo "Organising the sample files of '$work/Camera import' into '$work/Organized':"
status=0
"$orvane" organize --quiet --levels 3 --format '%Y/%m/%d' "$work/Camera import" "$work/Organized" || status=$?
echo
echo "The organised tree:"
(cd "$work/Organized" && find . -mindepth 1 | sort | sed 's|^\./|  |')
exit "$status"
