#!/bin/sh
# Builds the fuzz targets (the fuzz preset, clang), the core's and the edit
# control's, and runs them for a bounded time, two thirds of
# it the core's. Usage: fuzz/run.sh [SECONDS]   (default 60)
# New inputs go to build/fuzz/corpus and build/fuzz/edit-corpus; the seeds
# in fuzz/corpus stay as they are. A failing input is left in build/fuzz as
# crash-*, and the exit status is not 0.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=build/fuzz/corpus
mkdir -p "$work" build/fuzz/edit-corpus
# -max_len: a field holds 28 characters at most, but the validators must
# stand far longer texts, and a run of steps needs room.
build/fuzz/fuzz/core_fuzz -max_total_time=$((seconds * 2 / 3)) -max_len=400 -timeout=5 \
  -print_final_stats=1 -artifact_prefix=build/fuzz/ "$work" fuzz/corpus
exec build/fuzz/fuzz/edit_fuzz -max_total_time=$((seconds - seconds * 2 / 3)) -max_len=400 -timeout=5 \
  -print_final_stats=1 -artifact_prefix=build/fuzz/ build/fuzz/edit-corpus
