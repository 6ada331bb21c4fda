#!/usr/bin/env bash
# Installs what QEL needs on Debian: `setup.sh build` for building and
# running it, `setup.sh web` for building the web page, `setup.sh release`
# for the release artefacts, `setup.sh all` (the default) for the whole test
# suite, the Windows build under Wine, the web page in Chromium and Firefox,
# and the release. Safe to run again.
#
# What the suite can do without comes after the rest, each part on its own:
# 32-bit Wine, Orca, Firefox and WebKit. A part the archive cannot give
# right now is named in one line, and its tests skip or fall back.
set -euo pipefail

build_packages=(cmake make g++ clang llvm libfltk1.3-dev libx11-dev libxtst-dev libxft-dev
                pkg-config libdbus-1-dev libatk1.0-dev libatk-bridge2.0-dev)
test_packages=(libgtest-dev libbenchmark-dev libclang-rt-dev valgrind xvfb xdotool xclip x11-utils x11-apps x11-xkb-utils
               x11-xserver-utils imagemagick icoutils file python3 g++-mingw-w64-i686 binutils-mingw-w64-i686
               g++-mingw-w64-x86-64
               desktop-file-utils appstream lintian dpkg-dev locales
               python3-pyatspi python3-gi python3-dbus at-spi2-core dbus-daemon
               dbus-x11)
# wine64 runs the 64-bit twin of QEL.EXE where 32-bit Wine cannot.
wine_packages=(wine wine64)
web_packages=(cmake make emscripten icoutils imagemagick python3)
release_packages=(g++-mingw-w64-i686 binutils-mingw-w64-i686 dpkg-dev file)
browser_packages=(chromium chromium-driver python3-selenium)
firefox_packages=(firefox-esr)
# Node's own packages bring npm with node; Debian's keep it apart.
command -v npm >/dev/null || firefox_packages+=(npm)

case "${1:-all}" in
  web) packages=("${web_packages[@]}") ;;
  release) packages=("${build_packages[@]}" "${web_packages[@]}" "${release_packages[@]}") ;;
  *) packages=("${build_packages[@]}") ;;
esac
if [ "${1:-all}" = all ]; then
  packages+=("${test_packages[@]}" "${wine_packages[@]}" "${web_packages[@]}" "${browser_packages[@]}")
  # Before the first update, so that one update brings 32-bit Wine's lists too.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    ${SUDO:-} dpkg --add-architecture i386
  fi
fi

# A mirror caught in the middle of a sync fails an update now and then: try
# again, and go on with the lists there are if it still fails. Once a run.
lists_updated=
update_package_lists() {
  [ -z "$lists_updated" ] || return 0
  lists_updated=yes
  for attempt in 1 2 3; do
    ${SUDO:-} apt-get update -qq && return
    echo "setup: apt-get update failed (attempt $attempt)"
    [ "$attempt" = 3 ] || sleep 10
  done
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive ${SUDO:-} apt-get install -y -qq "$@"
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  update_package_lists
  if ! apt_install "${missing[@]}" >/dev/null; then
    echo "setup: cannot go on without ${missing[*]}, which apt-get could not install" >&2
    exit 1
  fi
fi

# The last error line of a log, for a one-line reason.
last_error() {
  { grep -E '^(E:|npm ERR!|npm error)' "$1" || tail -1 "$1"; } | tail -1 | sed -E 's/^(E: |npm ERR! |npm error )//'
}

# install_optional WHAT_THE_TESTS_DO_WITHOUT [APT_OPTION...] PACKAGE...
# Fails, having said so in one line, if the packages cannot be had.
install_optional() {
  local without=$1 wanted=() argument log
  shift
  for argument; do
    [[ $argument == -* ]] || installed "$argument" || wanted+=("$argument")
  done
  [ ${#wanted[@]} -gt 0 ] || return 0
  update_package_lists
  log=$(mktemp)
  if ! apt_install "$@" >"$log" 2>&1; then
    echo "setup: no ${wanted[*]} ($(last_error "$log")): $without"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

[ "${1:-all}" = all ] || exit 0

install_optional "Wine runs the 64-bit twin of QEL.EXE instead" wine32:i386 || true

# Orca, the screen reader the accessibility test listens to, without the
# speech and braille services it recommends: it writes what it would say
# into its debug file.
install_optional "the accessibility test skips Orca" --no-install-recommends orca || true

# Firefox has no driver program in Debian: the tests reach it through
# puppeteer-core from npm, at the version package-lock.json pins.
if install_optional "the page's tests skip Firefox" "${firefox_packages[@]}"; then
  log=$(mktemp)
  npm ci --prefix "$(dirname "$0")/../tests/web" --no-audit --no-fund --loglevel=error >"$log" 2>&1 ||
    echo "setup: no puppeteer-core from npm ($(last_error "$log")): the page's tests skip Firefox"
  rm -f "$log"
fi

# WebKit's driver, without what WebKit recommends: its desktop portal would
# answer on the colours test's private session bus, where none must be.
install_optional "the page's tests skip WebKit" --no-install-recommends webkit2gtk-driver || true

# The behaviour scenarios start every build in an Italian locale, which the
# edit controls' context menus follow (Wine's as well, if glibc has it).
if ! locale -a 2>/dev/null | grep -qix 'it_IT.utf-\?8'; then
  ${SUDO:-} sed -i 's/^# *\(it_IT.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  ${SUDO:-} locale-gen >/dev/null
fi
