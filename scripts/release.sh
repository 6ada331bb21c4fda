#!/usr/bin/env bash
# Builds the release artefacts into build/release/ (or $QEL_RELEASE_DIR):
#   qel_<version>_<arch>.deb   from the linux preset, through CPack
#   qel-<version>-win32.zip    QEL.EXE from the windows preset, with LEGGIMI.txt
#   qel-<version>-web.zip      the page from the web preset, to serve as it is
#   SHA256SUMS                 of those three
# Each preset is configured in its own tree under the release folder, so the
# day-to-day builds in build/linux, build/windows and build/web are left alone.
# One commit gives the same bytes on every run: every time stamp is
# SOURCE_DATE_EPOCH, by default the last commit's time.
#
# release.sh --check builds the release twice, in build/release-check-1 and
# build/release-check-second, and compares every artefact byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --check ]; then
  exec bash tests/packaging_test.sh reproducible "$PWD" "$PWD/build/release-check-1" "$PWD/build/release-check-second"
fi
[ "$(id -u)" = 0 ] || SUDO=sudo
SUDO=${SUDO:-} bash scripts/setup.sh release

release=${QEL_RELEASE_DIR:-build/release}
mkdir -p "$release"
release=$(cd "$release" && pwd)
rm -f "$release"/qel_*.deb "$release"/qel-*.zip "$release/SHA256SUMS"
umask 022      # CPack keeps the permissions it finds; Debian wants 755/644
export LC_ALL=C  # one sort order for the checksums' list
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    { echo "release: not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH
[ -z "$(git status --porcelain --untracked-files=no 2>/dev/null)" ] ||
  echo "release: the work tree has uncommitted changes: these artefacts are not the last commit's"

# Debian's hardening flags for the package's program. They map this folder to
# "." in debug data; the build folder (generated sources, the compiler's
# working directory) needs a map of its own, given last so that it wins,
# or the build ID, hashed before the debug data is stripped, changes with it.
cxxflags="" ldflags=""
if command -v dpkg-buildflags >/dev/null; then
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  ldflags=$(dpkg-buildflags --get LDFLAGS)
fi
cxxflags+=" -ffile-prefix-map=$release/linux=build"
# Given on the command line: flags from the environment only seed a new cache.
cmake --preset linux -B "$release/linux" -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_BENCH=OFF \
      -DQEL_PACKAGE_DIR="$release" -DCMAKE_CXX_FLAGS="$cxxflags" \
      -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
cmake --build "$release/linux" -j2
(cd "$release/linux" && cpack -G DEB)
unset DEB_BUILD_MAINT_OPTIONS
rm -rf "$release/_CPack_Packages"

cmake --preset windows -B "$release/windows" -DQEL_PACKAGE_DIR="$release"
cmake --build "$release/windows" -j2 --target qel_zip

cmake --preset web -B "$release/web"
cmake --build "$release/web" -j2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/web/CMakeCache.txt")
python3 packaging/make_zip.py "$release/qel-$version-web.zip" "$release/web/site"

(cd "$release" && sha256sum qel_*.deb qel-*.zip >SHA256SUMS)
echo "Release artefacts in $release (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH):"
cat "$release/SHA256SUMS"
