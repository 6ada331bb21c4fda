#!/bin/sh
# Paste of 1,000, 30,000 and 1,000,000 digits: time to settled fields and memory.
# Usage: bench/paste.sh [QEL_PROGRAM] [DIGITS,...]   (display from QEL_BENCH_DISPLAY, default :62)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qel=${1:-$here/../build/linux/qel}
digits=${2:-1000,30000,1000000}
display=${QEL_BENCH_DISPLAY:-:62}

[ -x "$qel" ] || { echo "paste.sh: no program at $qel" >&2; exit 2; }
for tool in xclip xdotool; do
  command -v $tool >/dev/null || { echo "paste.sh: $tool missing" >&2; exit 2; }
done

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true' EXIT INT TERM

python3 "$here/paste.py" --display "$display" --qel "$qel" --digits "$digits" ${QEL_BENCH_TIMEOUT:+--timeout $QEL_BENCH_TIMEOUT}
