#!/usr/bin/env bash
# Fails, naming the file and line, when a source file includes from a layer above its own,
# or when a file outside the Qt folders includes Qt.
#
# Layers, low to high: base < platform < naming < selection, merge, prefs < report < app < cli,
# ui.
# Folders of one rank may include each other. Only platform/qt/ and ui/ may include Qt
# (Widgets included): the core library links no GUI.
set -euo pipefail
cd "$(dirname "$0")/../src"

rank() {
    case "$1" in
    base) echo 0 ;;
    platform) echo 1 ;;
    naming) echo 2 ;;
    selection | merge | prefs) echo 3 ;;
    report) echo 4 ;;
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
        fi
    done <"$file"
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.h.in' \) -printf '%P\0' | sort -z)

if [ "$failures" -gt 0 ]; then
    echo "$failures include(s) break the layer order (see DEVELOPERS.md)." >&2
    exit 1
fi
echo "Layers: every include points down."
