#!/usr/bin/env bash
# Runs every fuzz target for a long while (default 600 s each), the frame
# target with inputs large enough for frames that announce 65535 bytes.
# Builds the fuzz preset first. New inputs collect in build/fuzz/corpus;
# a failing input lands in build/fuzz/ as crash-* and stops that target.
# Usage: fuzz/run-long.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
corpus=build/fuzz/corpus
status=0
run() {
  local name=$1; shift
  echo "== $name, $seconds s"
  if ! "build/fuzz/bin/$name" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix=build/fuzz/ "$@" 2>"build/fuzz/$name.log"; then
    status=1
    echo "FAILED: see build/fuzz/$name.log"
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "build/fuzz/$name.log"
}
run fuzz_frame_link -max_len=70000 "$corpus/fuzz_frame_link" "$corpus/frame_seeds"
run fuzz_ini_file -max_len=8192 "$corpus/fuzz_ini_file" fuzz/corpus/ini
run fuzz_window_position -max_len=256 "$corpus/fuzz_window_position" fuzz/corpus/position
exit $status
