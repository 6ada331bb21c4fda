#!/usr/bin/env bash
# Unpacks the release artefacts and checks what a desktop, or Windows, finds
# in them. Exit 77 (skipped) where a tool or the Windows build is missing.
#   packaging_test.sh deb LINUX_BUILD_DIR APP_ID
#   packaging_test.sh zip QEL_EXE_OR_WINDOWS_BUILD_DIR PACKAGING_DIR
#   packaging_test.sh reproducible SOURCE_DIR RELEASE_DIR_1 RELEASE_DIR_2
set -uo pipefail

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
  done
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check_deb() {
  local build_dir=$1 app_id=$2
  need_tools cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli icotool identify convert compare
  (umask 022 && cpack --config "$build_dir/CPackConfig.cmake" -B "$scratch/out") \
    >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack"; return; }
  local deb
  deb=$(echo "$scratch"/out/qel_*.deb)
  [[ -f $deb ]] || { fail "no .deb written"; return; }

  dpkg-deb -I "$deb" >"$scratch/control" || fail "dpkg-deb -I cannot read $deb"
  local field
  for field in 'Package: qel' 'Section: utils' 'Maintainer: ' 'Depends: .*libfltk' 'Description: .'; do
    grep -q "^ *$field" "$scratch/control" || fail "control has no '$field'"
  done

  local root=$scratch/root
  dpkg-deb -x "$deb" "$root"
  local path
  for path in usr/bin/qel \
              "usr/share/applications/$app_id.desktop" \
              "usr/share/icons/hicolor/32x32/apps/$app_id.png" \
              "usr/share/icons/hicolor/256x256/apps/$app_id.png" \
              "usr/share/metainfo/$app_id.metainfo.xml" \
              usr/share/man/man1/qel.1.gz \
              usr/share/doc/qel/copyright \
              usr/share/doc/qel/changelog.gz; do
    [[ -f $root/$path ]] || fail "missing /$path"
  done
  [[ -x $root/usr/bin/qel ]] || fail "/usr/bin/qel is not executable"
  # The accessibility plug-in, where the build made one: where the program
  # looks for it, and what it links declared.
  if [[ -f $build_dir/qel-accessibility.so ]]; then
    [[ -f $root/usr/lib/qel/plugins/qel-accessibility.so ]] || fail "missing /usr/lib/qel/plugins/qel-accessibility.so"
    grep -q '^ *Depends: .*libatk-bridge' "$scratch/control" || fail "Depends lacks libatk-bridge"
  fi

  # The entry must start what the package installs, under the icon it installs.
  local desktop=$root/usr/share/applications/$app_id.desktop
  grep -qx 'Exec=qel' "$desktop" || fail "desktop entry does not run qel"
  grep -qx "Icon=$app_id" "$desktop" || fail "desktop entry does not name icon $app_id"
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" \
    || fail "appstreamcli validate"
  # Across the tree: the metainfo's launchable is the entry installed beside it.
  appstreamcli validate-tree --no-net "$root/usr" || fail "appstreamcli validate-tree"

  # The icon sizes must be what their folders say, for the icon theme.
  local size got
  for size in 32 256; do
    got=$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
    [[ $got == "${size}x${size}" ]] || fail "${size}x${size} icon is $got"
  done
  # Scaled without smoothing: taking every eighth pixel gives back the 32x32.
  local icons=$root/usr/share/icons/hicolor
  convert "$icons/256x256/apps/$app_id.png" -sample 32x32 "$scratch/sampled.png"
  got=$(compare -metric AE "$icons/32x32/apps/$app_id.png" "$scratch/sampled.png" null: 2>&1)
  [[ $got == 0 ]] || fail "256x256 icon is not the 32x32 one enlarged: $got pixels differ"
}

# The program itself, or the one in a build folder.
find_windows_exe() {
  if [[ -f $1 ]]; then
    echo "$1"
  else
    find "$1" -maxdepth 2 -iname qel.exe -type f -print -quit 2>/dev/null
  fi
}

check_zip() {
  local exe_or_build_dir=$1 packaging_dir=$2
  need_tools cmake file
  local exe
  exe=$(find_windows_exe "$exe_or_build_dir")
  [[ -n $exe ]] || skip "no QEL.EXE at $exe_or_build_dir: build the windows preset first"
  local zip=$scratch/qel-win32.zip
  cmake -DQEL_EXE="$exe" -DREADME="$packaging_dir/LEGGIMI.txt" -DOUTPUT="$zip" \
        -P "$packaging_dir/WindowsZip.cmake" >/dev/null || { fail "WindowsZip.cmake"; return; }

  mkdir "$scratch/unzipped"
  (cd "$scratch/unzipped" && cmake -E tar xf "$zip") || { fail "cannot unpack the zip"; return; }
  local listing
  listing=$(cd "$scratch/unzipped" && find . -mindepth 1 | sort | tr '\n' ' ')
  [[ $listing == "./LEGGIMI.txt ./QEL.EXE " ]] || fail "zip holds '$listing'"
  file "$scratch/unzipped/QEL.EXE" | grep -q 'PE32 executable (GUI)' \
    || fail "QEL.EXE is not a Windows GUI program: $(file -b "$scratch/unzipped/QEL.EXE")"
  grep -q $'\r$' "$scratch/unzipped/LEGGIMI.txt" || fail "LEGGIMI.txt lacks CRLF line ends"
}

# The release built twice from one source, in two folders, minutes apart and
# in two time zones: every artefact the same bytes, and SHA256SUMS true.
check_reproducible() {
  local source_dir=$1 first=$2 second=$3
  need_tools sha256sum cmp
  rm -rf "$first" "$second"
  mkdir -p "$(dirname "$first")" "$(dirname "$second")"
  QEL_RELEASE_DIR=$first TZ=UTC0 bash "$source_dir/scripts/release.sh" >"$first.log" 2>&1 ||
    { tail -40 "$first.log"; fail "release into $first"; return; }
  QEL_RELEASE_DIR=$second TZ=NZST-12 bash "$source_dir/scripts/release.sh" >"$second.log" 2>&1 ||
    { tail -40 "$second.log"; fail "release into $second"; return; }
  local names name
  names=$(cd "$first" && ls qel_*.deb qel-*-win32.zip qel-*-web.zip SHA256SUMS) ||
    { fail "artefacts missing in $first"; return; }
  [[ $names == "$(cd "$second" && ls qel_*.deb qel-*.zip SHA256SUMS)" ]] || fail "the two releases hold other files"
  for name in $names; do
    cmp "$first/$name" "$second/$name" || {
      fail "$name differs between the two builds"
      command -v diffoscope >/dev/null && diffoscope "$first/$name" "$second/$name" | head -60
    }
  done
  [[ $(wc -l <"$first/SHA256SUMS") == 3 ]] || fail "SHA256SUMS does not list the three artefacts"
  (cd "$first" && sha256sum -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS"
  cat "$first/SHA256SUMS"
}

case ${1:-} in
  deb) check_deb "$2" "$3" ;;
  zip) check_zip "$2" "$3" ;;
  reproducible) check_reproducible "$2" "$3" "$4" ;;
  *) echo "usage: $0 deb LINUX_BUILD_DIR APP_ID | zip QEL_EXE_OR_WINDOWS_BUILD_DIR PACKAGING_DIR" \
          "| reproducible SOURCE_DIR RELEASE_DIR_1 RELEASE_DIR_2" >&2; exit 2 ;;
esac

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
