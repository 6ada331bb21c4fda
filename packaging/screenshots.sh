#!/bin/sh
# The README's screenshots: the main dialog after 255 has been typed into
# the decimal field, and the About box. Runs the Linux program on a private
# Xvfb with no window manager, so the windows come without decorations.
# CTest runs it too, into the build tree, so that every test run leaves
# pictures of both dialogs to look at.
#
# usage: packaging/screenshots.sh [QEL_BINARY [DISPLAY [OUTPUT_DIR [XFT_DPI [APPEARANCE]]]]]
#   defaults: build/linux/qel, the first free display from :90, docs, none, none
# With XFT_DPI the desktop announces that scale (Xft.dpi, as scaling
# desktops do), and the pictures are named qel-main-XFT_DPI.png and so on.
# With APPEARANCE, dark or high-contrast, a private session bus carries a
# settings portal that says so, and the names end in -APPEARANCE. Without
# it, QEL gets no session bus: the pictures show the default look.
# Needs Xvfb, xdotool, ImageMagick (import, convert); for XFT_DPI, xrdb; for
# APPEARANCE, dbus-daemon and /usr/bin/python3 with dbus-python.
set -eu

qel=${1:-build/linux/qel}
display=${2:-}
if [ -z "$display" ]; then
  n=90
  while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  display=":$n"
fi
out=${3:-docs}
dpi=${4:-}
appearance=${5:-}
suffix=${dpi:+-$dpi}${appearance:+-$appearance}
mkdir -p "$out"

xvfb=
app=
bus=
portal=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$portal" ] && kill "$portal" 2>/dev/null
  [ -n "$bus" ] && kill "$bus" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  return 0
}
trap cleanup EXIT INT TERM

Xvfb "$display" -screen 0 640x480x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY="$display"

# Polls for up to five seconds.
wait_for() {
  tries=50
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    if [ "$tries" -eq 0 ]; then
      echo "$0: timed out waiting for: $*" >&2
      exit 1
    fi
    sleep 0.1
  done
}

# Without metadata, so an unchanged dialog gives an unchanged file.
capture() {
  import -window "$1" "$2.tmp.png"
  convert "$2.tmp.png" -strip -define png:exclude-chunks=date,time "PNG24:$2"
  rm -f "$2.tmp.png"
}

portal_owns_its_name() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Desktop | grep -q true
}

unset DBUS_SESSION_BUS_ADDRESS
case "$appearance" in
  "") ;;
  dark) portal_options="--color-scheme 1" ;;
  high-contrast) portal_options="--contrast 1" ;;
  *) echo "$0: appearance is dark or high-contrast, not $appearance" >&2; exit 2 ;;
esac
if [ -n "$appearance" ]; then
  bus_lines=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  DBUS_SESSION_BUS_ADDRESS=$(echo "$bus_lines" | sed -n 1p)
  bus=$(echo "$bus_lines" | sed -n 2p)
  export DBUS_SESSION_BUS_ADDRESS
  # shellcheck disable=SC2086
  /usr/bin/python3 "$(dirname "$0")/../tests/colours/settings_portal.py" $portal_options &
  portal=$!
  wait_for portal_owns_its_name
fi

wait_for xdotool getdisplaygeometry
[ -z "$dpi" ] || echo "Xft.dpi: $dpi" | xrdb -nocpp -merge
"$qel" &
app=$!
wait_for xdotool search --onlyvisible --name '^QEL $'
main=$(xdotool search --onlyvisible --name '^QEL $' | head -n 1)

xdotool windowfocus --sync "$main"
xdotool key --delay 50 End BackSpace
xdotool type --delay 50 255
sleep 0.3  # the converted fields are drawn
capture "$main" "$out/qel-main$suffix.png"

# ABOUT has no tab stop, so it is clicked: its centre lies at 92.5 x 24 of
# the dialog's 101 x 49 units.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH * 925 / 1010)) $((HEIGHT * 24 / 49)) click 1
wait_for xdotool search --onlyvisible --name '^About \.\.\.$'
about=$(xdotool search --onlyvisible --name '^About \.\.\.$' | head -n 1)
sleep 0.3
capture "$about" "$out/qel-about$suffix.png"

echo "screenshots in $out: qel-main$suffix.png qel-about$suffix.png"
