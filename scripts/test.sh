#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite:
#  - the Linux build: core, resources, behaviour scenarios on Xvfb, memcheck,
#    packaging, the Windows program's file and scenarios under Wine, and the
#    web page's scenarios in headless Chromium and Firefox;
#  - the release built twice in two folders, every artefact compared byte
#    for byte (scripts/release.sh --check, a few minutes);
#  - the core and behaviour tests again under AddressSanitizer and UBSan;
#  - before those, a minute of fuzzing the core.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || SUDO=sudo
SUDO=${SUDO:-} bash scripts/setup.sh all

# QEL.EXE is a 32-bit program. Where 32-bit Wine is not installed, or cannot
# start, the scenarios run the 64-bit build of the same source under wine64.
# Which of the two, is found by trying: the 32-bit loader of glibc, which
# 32-bit Wine brings, starts on any kernel that runs 32-bit programs.
cmake --preset windows >/dev/null
cmake --build --preset windows
wine_exe=$PWD/build/windows/QEL.EXE
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "test: Wine runs QEL.EXE under 32-bit Wine"
else
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
    why="32-bit Wine (wine32:i386) is not installed"
  elif ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    why="this kernel runs no 32-bit programs"
  else
    why="32-bit Wine is installed but does not start ($(/usr/lib/wine/wine --version 2>&1 | head -1))"
  fi
  echo "test: $why; Wine runs the 64-bit twin of QEL.EXE under wine64"
  cmake --preset windows-x64 >/dev/null
  cmake --build --preset windows-x64
  wine_exe=$PWD/build/windows-x64/QEL.EXE
fi

cmake --preset web >/dev/null
cmake --build --preset web

bash fuzz/run.sh 60

cmake --preset linux -DQEL_BUILD_TESTS=ON -DQEL_BUILD_BENCH=ON \
      -DQEL_WINDOWS_EXE="$PWD/build/windows/QEL.EXE" -DQEL_WINE_EXE="$wine_exe" \
      -DQEL_WEB_SITE="$PWD/build/web/site" >/dev/null
cmake --build --preset linux
ctest --preset linux

bash scripts/release.sh --check

cmake --preset sanitize -DQEL_BUILD_TESTS=ON >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize -E 'packaging|valgrind|windows|wine|icon'
