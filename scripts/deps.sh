#!/usr/bin/env bash
# Installs the Debian packages Orvane needs, only when one is missing.
# Usage: deps.sh            what building and running the program needs (scripts/run.sh)
#        deps.sh --test     also what the tests need (scripts/test.sh)
#        deps.sh --package  also what making and checking the Debian package needs
#        deps.sh --bench    also the benchmarks' corpus generator and peer
set -euo pipefail

# Kept to what the program itself needs, so that a first run installs little.
packages=(
  build-essential cmake ninja-build pkgconf git
  qt6-base-dev qt6-tools-dev qt6-translations-l10n libpcre2-dev libexif-dev libexiv2-dev nlohmann-json3-dev libcli11-dev
  libheif-dev libhowardhinnant-date-dev libsqlite3-dev libxxhash-dev libgphoto2-dev libudev-dev
  libffmpegthumbnailer-dev libavutil-dev zlib1g-dev
  locales
)
test_packages=(
  libgtest-dev libgmock-dev clang libclang-rt-14-dev clang-format scdoc
  xvfb xauth dbus python3 python3-dbus python3-gi imagemagick
  tzdata strace desktop-file-utils appstream ca-certificates
  e2fsprogs mount exfatprogs exfat-fuse
)
package_packages=(scdoc dpkg-dev lintian desktop-file-utils appstream man-db)
bench_packages=(libimage-exiftool-perl imagemagick python3 gphoto2 rsync)

for mode in "$@"; do
  case "$mode" in
  --test) packages+=("${test_packages[@]}") ;;
  --package) packages+=("${package_packages[@]}") ;;
  --bench) packages+=("${test_packages[@]}" "${bench_packages[@]}") ;;
  *)
    echo "usage: deps.sh [--test] [--package] [--bench]" >&2
    exit 2
    ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Non-English locales let the tests check month names and the window in the user's language, and
# that dates read from files do not depend on the user's locale (Turkish cases its I apart).
for wanted in de_DE tr_TR; do
  if ! locale -a 2>/dev/null | grep -qi "^${wanted}.utf8$"; then
    if [ -f /etc/locale.gen ]; then
      "${sudo_cmd[@]}" sed -i "s/^# *\\(${wanted}.UTF-8 UTF-8\\)/\\1/" /etc/locale.gen
      "${sudo_cmd[@]}" locale-gen >/dev/null || true
    fi
  fi
done
