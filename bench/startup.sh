#!/bin/sh
# Start-up time and memory of QEL beside xcalc and the floor (a bare Xlib
# window with one Xft font), on a private Xvfb and a private session bus (as
# on a desktop where no screen reader is enabled), in a UTF-8 locale; with a
# breakdown of each start. The floor and the tracer are built with the bench,
# beside the program in bench/.
# Usage: bench/startup.sh [QEL_PROGRAM] [RUNS] [BASELINE_QEL_PROGRAM]
#   (display from QEL_BENCH_DISPLAY, default :63; locale from
#   QEL_BENCH_LOCALE, default C.UTF-8)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qel=${1:-$here/../build/linux/qel}
runs=${2:-20}
baseline=${3:+--baseline $3}
display=${QEL_BENCH_DISPLAY:-:63}
locale=${QEL_BENCH_LOCALE:-C.UTF-8}
bench=$(dirname "$qel")/bench

[ -x "$qel" ] || { echo "startup.sh: no program at $qel" >&2; exit 2; }
command -v xcalc >/dev/null || { echo "startup.sh: xcalc missing (Debian x11-apps)" >&2; exit 2; }
[ -x "$bench/startup_floor" ] && [ -f "$bench/startup_trace.so" ] ||
  { echo "startup.sh: no floor and tracer in $bench (build with QEL_BUILD_BENCH=ON)" >&2; exit 2; }

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true' EXIT INT TERM

# GSETTINGS_BACKEND=memory: the accessibility bus launcher must not save
# "accessibility on" into the user's settings.
GSETTINGS_BACKEND=memory dbus-run-session -- /usr/bin/python3 "$here/startup.py" \
  --display "$display" --qel "$qel" --runs "$runs" $baseline \
  --floor "$bench/startup_floor" --trace "$bench/startup_trace.so" --locale "$locale"
