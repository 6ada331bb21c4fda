#!/usr/bin/env bash
# Installs what QEL needs on Debian: `setup.sh build` for building and
# running it, `setup.sh web` for building the web page, `setup.sh release`
# for the release artefacts, `setup.sh all` (the default) for the whole test
# suite, the Windows build under Wine, the web page in Chromium and Firefox,
# and the release. Safe to run again.
set -euo pipefail

build_packages=(cmake make g++ clang llvm libfltk1.3-dev libx11-dev libxtst-dev
                pkg-config libdbus-1-dev libatk1.0-dev libatk-bridge2.0-dev)
test_packages=(libgtest-dev libbenchmark-dev libclang-rt-dev valgrind xvfb xdotool xclip x11-utils x11-apps
               x11-xserver-utils imagemagick icoutils file python3 g++-mingw-w64-i686 binutils-mingw-w64-i686
               g++-mingw-w64-x86-64
               desktop-file-utils appstream lintian dpkg-dev locales
               python3-pyatspi python3-gi python3-dbus at-spi2-core dbus-daemon)
wine_packages=(wine wine32:i386 wine64)
web_packages=(cmake make emscripten icoutils imagemagick python3)
release_packages=(g++-mingw-w64-i686 binutils-mingw-w64-i686 dpkg-dev file)
browser_packages=(chromium chromium-driver python3-selenium firefox-esr)
# Node's own packages bring npm with node; Debian's keep it apart.
command -v npm >/dev/null || browser_packages+=(npm)

case "${1:-all}" in
  web) packages=("${web_packages[@]}") ;;
  release) packages=("${build_packages[@]}" "${web_packages[@]}" "${release_packages[@]}") ;;
  *) packages=("${build_packages[@]}") ;;
esac
if [ "${1:-all}" = all ]; then
  packages+=("${test_packages[@]}" "${wine_packages[@]}" "${web_packages[@]}" "${browser_packages[@]}")
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    ${SUDO:-} dpkg --add-architecture i386
  fi
fi

# A mirror caught in the middle of a sync fails an update now and then: try
# again, and go on with the lists there are if it still fails.
update_package_lists() {
  for attempt in 1 2 3; do
    ${SUDO:-} apt-get update -qq && return
    echo "setup: apt-get update failed (attempt $attempt)"
    sleep 10
  done
}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  update_package_lists
  DEBIAN_FRONTEND=noninteractive ${SUDO:-} apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Orca, the screen reader the accessibility test listens to, without the
# speech and braille services it recommends: it writes what it would say
# into its debug file.
if [ "${1:-all}" = all ] && ! dpkg-query -W -f='${Status}' orca 2>/dev/null | grep -q "ok installed"; then
  update_package_lists
  DEBIAN_FRONTEND=noninteractive ${SUDO:-} apt-get install -y -qq --no-install-recommends orca >/dev/null
fi

# The behaviour scenarios start every build in an Italian locale, which the
# edit controls' context menus follow (Wine's as well, if glibc has it).
if [ "${1:-all}" = all ] && ! locale -a 2>/dev/null | grep -qix 'it_IT.utf-\?8'; then
  ${SUDO:-} sed -i 's/^# *\(it_IT.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  ${SUDO:-} locale-gen >/dev/null
fi

# Firefox has no driver program in Debian: the tests reach it through
# puppeteer-core from npm, at the version package-lock.json pins.
if [ "${1:-all}" = all ]; then
  npm ci --prefix "$(dirname "$0")/../tests/web" --no-audit --no-fund --loglevel=error ||
    echo "setup: no puppeteer-core from npm: the tests leave Firefox out"
fi
