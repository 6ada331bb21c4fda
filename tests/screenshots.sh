#!/bin/sh
# Screenshots of the main dialog and of the About box, for looking at the
# layout by eye. Runs the Linux program on a private Xvfb, with no window
# manager, so the windows are captured without decorations.
#
# usage: tests/screenshots.sh QEL_BINARY DISPLAY OUTPUT_DIR
#   e.g. tests/screenshots.sh build/linux/qel :61 build/linux/screenshots
# Writes main.png, about.png and screen.png (both windows as they stand).
# Needs Xvfb, xdotool and ImageMagick's import.
set -eu

if [ $# -ne 3 ]; then
  echo "usage: $0 QEL_BINARY DISPLAY OUTPUT_DIR" >&2
  exit 2
fi
qel=$1
display=$2
out=$3
mkdir -p "$out"

xvfb=
app=
cleanup() {
  for pid in $app $xvfb; do
    kill "$pid" 2>/dev/null || true  # the program may be gone already
  done
}
trap cleanup EXIT INT TERM

Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
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

window_named() {
  xdotool search --onlyvisible --name "$1" | head -n 1
}

wait_for xdotool getdisplaygeometry
"$qel" &
app=$!
wait_for xdotool search --onlyvisible --name '^QEL $'
main=$(window_named '^QEL $')
sleep 0.3  # the first expose
import -window "$main" "$out/main.png"

# ABOUT has no tab stop, so it is clicked: its centre lies at 92.5 x 24 of
# the dialog's 101 x 49 units.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH * 925 / 1010)) $((HEIGHT * 24 / 49)) click 1
wait_for xdotool search --onlyvisible --name '^About \.\.\.$'
about=$(window_named '^About \.\.\.$')
sleep 0.3
import -window "$about" "$out/about.png"
import -window root "$out/screen.png"

# Esc closes it again, and the main dialog carries on.
xdotool windowfocus --sync "$about" key Escape
wait_for sh -c "! xdotool search --onlyvisible --name '^About \\.\\.\\.\$'"
echo "screenshots in $out"
