#!/usr/bin/env bash
# Builds both release artefacts into build/release/ (or $QEL_RELEASE_DIR):
#   qel_<version>_<arch>.deb   from the linux preset, through CPack
#   qel-<version>-win32.zip    QEL.EXE from the windows preset, with LEGGIMI.txt
# Each preset is configured in its own tree under the release folder, so the
# day-to-day builds in build/linux and build/windows are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || SUDO=sudo
SUDO=${SUDO:-} bash scripts/setup.sh all

release=${QEL_RELEASE_DIR:-build/release}
mkdir -p "$release"
release=$(cd "$release" && pwd)
umask 022  # CPack keeps the permissions it finds; Debian wants 755/644

# Debian's hardening flags for the package's program.
if command -v dpkg-buildflags >/dev/null; then
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  export CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
fi
cmake --preset linux -B "$release/linux" -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_BENCH=OFF \
      -DQEL_PACKAGE_DIR="$release"
cmake --build "$release/linux" -j2
(cd "$release/linux" && cpack -G DEB)
unset CXXFLAGS LDFLAGS DEB_BUILD_MAINT_OPTIONS

cmake --preset windows -B "$release/windows" -DQEL_PACKAGE_DIR="$release"
cmake --build "$release/windows" -j2 --target qel_zip

rm -rf "$release/_CPack_Packages"
echo "Release artefacts in $release:"
ls -l "$release"/*.deb "$release"/*.zip
