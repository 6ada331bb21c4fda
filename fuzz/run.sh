#!/bin/sh
# Builds the core's fuzz target (the fuzz preset, clang) and runs it for a
# bounded time. Usage: fuzz/run.sh [SECONDS]   (default 60)
# New inputs go to build/fuzz/corpus; the seeds in fuzz/corpus stay as they
# are. A failing input is left in build/fuzz as crash-*, and the exit status
# is not 0.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=build/fuzz/corpus
mkdir -p "$work"
# -max_len: a field holds 28 characters at most, but the validators must
# stand far longer texts, and a run of steps needs room.
exec build/fuzz/fuzz/core_fuzz -max_total_time="$seconds" -max_len=400 -timeout=5 \
  -print_final_stats=1 -artifact_prefix=build/fuzz/ "$work" fuzz/corpus
