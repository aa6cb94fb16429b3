#!/usr/bin/env bash
# Fails, naming the file and line, when a source file includes from a layer above its own,
# when a file outside the Qt folders includes Qt, or a file outside its folder includes a
# device library.
#
# Layers, low to high: base < platform < dates, naming < selection, merge, prefs, cameras <
# history, report < app < cli, ui. Folders of one rank may include each other. Only
# platform/qt/ and ui/ may include Qt (Widgets included): the core library links no GUI. Only
# platform/gphoto/ includes libgphoto2 and only platform/udev/ libudev: the rest reach devices
# through platform/'s interfaces.
set -euo pipefail
cd "$(dirname "$0")/../src"

rank() {
    case "$1" in
    base) echo 0 ;;
    platform) echo 1 ;;
    dates | naming) echo 2 ;;
    selection | merge | prefs | cameras) echo 3 ;;
    history | report) echo 4 ;;
    app) echo 5 ;;
    cli | ui) echo 6 ;;
    *) echo "" ;;
    esac
}

failures=0
while IFS= read -r -d '' file; do
    folder=${file%%/*}
    own=$(rank "$folder")
    [ -n "$own" ] || continue
    qtAllowed=0
    case "$file" in
    platform/qt/* | ui/*) qtAllowed=1 ;;
    esac
    gphotoAllowed=0
    udevAllowed=0
    case "$file" in
    platform/gphoto/*) gphotoAllowed=1 ;;
    platform/udev/*) udevAllowed=1 ;;
    esac
    line=0
    while IFS= read -r text; do
        line=$((line + 1))
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z]+)/ ]]; then
            target=${BASH_REMATCH[1]}
            theirs=$(rank "$target")
            if [ -n "$theirs" ] && [ "$theirs" -gt "$own" ]; then
                echo "src/$file:$line: $folder/ includes from $target/, a higher layer: $text"
                failures=$((failures + 1))
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<Q ]] && [ $qtAllowed -eq 0 ]; then
            echo "src/$file:$line: only platform/qt/ and ui/ may include Qt: $text"
            failures=$((failures + 1))
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<gphoto2/ ]] && [ $gphotoAllowed -eq 0 ]; then
            echo "src/$file:$line: only platform/gphoto/ may include libgphoto2: $text"
            failures=$((failures + 1))
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<libudev\.h ]] && [ $udevAllowed -eq 0 ]; then
            echo "src/$file:$line: only platform/udev/ may include libudev: $text"
            failures=$((failures + 1))
        fi
    done <"$file"
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.h.in' \) -printf '%P\0' | sort -z)

if [ "$failures" -gt 0 ]; then
    echo "$failures include(s) break the layer order (see DEVELOPERS.md)." >&2
    exit 1
fi
echo "Layers: every include points down."
