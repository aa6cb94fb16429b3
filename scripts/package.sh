#!/usr/bin/env bash
# Builds Orvane for release in build-package/ and makes the Debian package
# build-package/orvane_VERSION_ARCH.deb with CPack, then checks it with lintian.
# Install it with: sudo apt install ./build-package/orvane_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --package
dir=build-package
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# Debian's hardening flags, as a package built by the distribution gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr "${launcher[@]}" \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" -- -j"$(nproc)" | { grep -v '^\[' || true; }
(cd "$dir" && cpack -G DEB >/dev/null)
package=$(ls "$dir"/orvane_*.deb)
echo "Package: $package"
# Errors fail the script; the warnings kept are explained in packaging/README.md.
lintian --fail-on error "$package"
