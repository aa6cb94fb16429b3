#!/usr/bin/env bash
# Installs the Debian packages that building and testing Orvane need, only when one is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkgconf git
  qt6-base-dev libpcre2-dev libexif-dev libexiv2-dev nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev
  libheif-dev libhowardhinnant-date-dev libsqlite3-dev libxxhash-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth dbus python3 python3-dbus python3-gi imagemagick
  locales tzdata strace desktop-file-utils appstream ca-certificates
  e2fsprogs mount exfatprogs exfat-fuse
  libgphoto2-dev libudev-dev
)
# The benchmarks also need the corpus generator's tools and a peer to compare with.
if [ "${1:-}" = "--bench" ]; then
  packages+=(libimage-exiftool-perl imagemagick python3 gphoto2)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A non-English locale lets the tests check month names in the user's language.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if [ -f /etc/locale.gen ]; then
    "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    "${sudo_cmd[@]}" locale-gen >/dev/null || true
  fi
fi
