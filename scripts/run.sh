#!/usr/bin/env bash
# Sets up, builds and opens QEL.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || SUDO=sudo
SUDO=${SUDO:-} bash scripts/setup.sh build
cmake --preset linux -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_BENCH=OFF >/dev/null
cmake --build --preset linux
exec build/linux/qel
