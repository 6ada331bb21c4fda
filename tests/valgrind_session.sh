#!/bin/bash
# A short session of the Linux qel under memcheck, on a private Xvfb, with
# real keys and clicks from xdotool: typing in each field, refused keys,
# Tab, the About box, Esc. Fails if memcheck reports an error that
# tests/valgrind.supp does not explain, or if the fields do not show what
# the keys made of them (so that a session that went astray is not taken
# for a clean one).
# Usage: tests/valgrind_session.sh QEL_PROGRAM
# More memcheck options may come in $QEL_VALGRIND_OPTIONS (-v lists the
# suppressions used).
# The display is $QEL_TEST_DISPLAY if set, else a free one that Xvfb picks.
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 QEL_PROGRAM" >&2; exit 2; }
qel=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb=
qel_pid=
step="start-up"

cleanup() {
  local status=$?
  if [ -n "$qel_pid" ]; then kill "$qel_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
  exit $status
}
trap cleanup EXIT

fail() {
  echo "valgrind_session: $step: $*" >&2
  [ -s "$work/memcheck.log" ] && cat "$work/memcheck.log" >&2
  exit 1
}

# Polls COMMAND until it succeeds, for up to SECONDS: valgrind makes every
# reaction of the program many times slower, and by how much varies.
wait_until() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ $tries -gt 0 ] || return 1
    sleep 0.1
  done
}

# -noreset: by default Xvfb resets when its last client leaves, here the
# xprop that probes it, and the reset drops a client whose connection it has
# not yet answered (memcheck's qel, seen failing as "Can't open display").
start_display() {
  if [ -n "${QEL_TEST_DISPLAY:-}" ]; then
    DISPLAY=$QEL_TEST_DISPLAY
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
  else
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    wait_until 10 test -s "$work/display" || fail "Xvfb did not start"
    DISPLAY=:$(head -n 1 "$work/display")
  fi
  export DISPLAY
  wait_until 10 xprop -root || fail "no X server on $DISPLAY"
}

window_named() { xdotool search --onlyvisible --name "$1" | head -n 1 | grep .; }

fields_are() {
  [ "$(xprop -id "$main" _QEL_CONTROL_TEXTS)" = \
    "_QEL_CONTROL_TEXTS(UTF8_STRING) = \"101\\t$1\\n102\\t$2\\n103\\t$3\\n104\\tABOUT\\n\"" ]
}

expect_fields() {
  wait_until 20 fields_are "$@" ||
    fail "fields $(xprop -id "$main" _QEL_CONTROL_TEXTS), expected $1 $2 $3"
}

# Keys typed one by one; a refused one is taken back before the next arrives.
type_keys() { step="typing '$1'"; xdotool type --delay 80 "$1"; }
press() { step="key $1"; xdotool key "$1"; }

click_about() {
  step="ABOUT"
  eval "$(xdotool getwindowgeometry --shell "$main")"
  # The button's middle, from its place in the template (86,2 13x44 of 101x49).
  xdotool mousemove --window "$main" $((WIDTH * 185 / 202)) $((HEIGHT * 24 / 49)) click 1
}

start_display
valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
  --show-leak-kinds=definite,possible --errors-for-leak-kinds=definite,possible \
  --track-origins=yes --num-callers=40 --suppressions="$here/valgrind.supp" \
  --gen-suppressions=all --log-file="$work/memcheck.log" ${QEL_VALGRIND_OPTIONS:-} "$qel" &
qel_pid=$!

main=$(wait_until 60 window_named '^QEL $' && window_named '^QEL $') || fail "no main dialog"
xdotool windowfocus --sync "$main"
expect_fields 0 0 0

type_keys 123g;  expect_fields 123 7B 173      # the whole "0" was selected
press BackSpace; expect_fields 12 C 14
press Tab; type_keys ffx; expect_fields 255 FF 377
press Tab; type_keys 178; expect_fields 15 F 17
press Home; press Delete; expect_fields 7 7 7

click_about
about=$(wait_until 20 window_named '^About \.\.\.$' && window_named '^About \.\.\.$') || fail "no About box"
press Escape
wait_until 20 sh -c "! xdotool search --onlyvisible --name '^About \\.\\.\\.\$' | grep -q ." ||
  fail "the About box did not close"
unset about

press Escape
step="exit"
for _ in $(seq 300); do kill -0 "$qel_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$qel_pid" 2>/dev/null && fail "still running after Esc"
status=0
wait "$qel_pid" || status=$?
qel_pid=
[ $status -eq 99 ] && fail "memcheck found errors"
[ $status -eq 0 ] || fail "exit status $status"
grep -q "ERROR SUMMARY: 0 errors" "$work/memcheck.log" || fail "memcheck found errors"
grep -e "ERROR SUMMARY" -e "used_suppression" "$work/memcheck.log" | sed -E 's/^(==|--)[0-9]+(==|--) */valgrind_session: /'
