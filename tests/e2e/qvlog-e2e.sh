#!/usr/bin/env bash
# qvlog against a real qvsim over loopback TCP: every command, files compared
# byte for byte, and each exit status. Usage: qvlog-e2e.sh QVSIM QVLOG [RUNNER]
# (RUNNER runs QVLOG, e.g. the Wine runner for the Windows build).
set -uo pipefail
qvsim=$1 qvlog=$2 runner=${3:-}
work=$(mktemp -d)
pids=()
failures=0
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# start_sim NAME ARGS...: a qvsim on a free port; sets $port.
start_sim() {
  local name=$1; shift
  "$qvsim" --listen 127.0.0.1:0 "$@" >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
  for _ in $(seq 200); do [ -s "$work/$name.out" ] && break; sleep 0.02; done
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/$name.out")
  [ -n "$port" ] || { echo "qvsim $name did not start"; exit 1; }
}

# run EXPECTED_STATUS ARGS...: qvlog with its output in $work/out, $work/err.
run() {
  local expected=$1; shift
  (cd "$work" && $runner "$qvlog" "$@" >"$work/out" 2>"$work/err")
  local status=$?
  # The Windows build writes its texts in the ANSI code page, 932.
  if [ -n "$runner" ] && iconv -f CP932 -t UTF-8 "$work/err" >"$work/err.utf8" 2>/dev/null; then
    mv "$work/err.utf8" "$work/err"
  fi
  [ "$status" -eq "$expected" ] || fail "qvlog $* exited $status, expected $expected: $(tr -d '\r' <"$work/err" | tail -3)"
}

catalogue="3,4,3000"
"$qvsim" --generate "$catalogue" --dump "$work/expected" || exit 1
start_sim main --generate "$catalogue"
tcp="--tcp 127.0.0.1:$port"

# list: three runs of four files, in catalogue order.
run 0 $tcp list --json
runs=$(tr -d '\r' <"$work/out" | grep -o '"files":4' | wc -l)
[ "$runs" -eq 3 ] || fail "list --json showed $runs runs of 4 files: $(cat "$work/out")"

# Selected files of the earliest run, byte for byte.
first=$(ls "$work/expected" | head -1)
run 0 $tcp download --files 0,2 --out "$work/selected"
for n in 00000000 00000002; do
  cmp -s "$work/expected/$first/$n.csv" "$work/selected/${first}_$n.csv" || fail "file $n of $first differs"
done
[ "$(ls "$work/selected" | wc -l)" -eq 2 ] || fail "download --files 0,2 wrote $(ls "$work/selected")"

# Every file of every run; then again, skipping what exists.
run 0 $tcp download --all-runs --out "$work/all"
for run_dir in "$work/expected"/*/; do
  stamp=$(basename "$run_dir")
  for f in "$run_dir"*.csv; do
    cmp -s "$f" "$work/all/${stamp}_$(basename "$f")" || fail "--all-runs: ${stamp}_$(basename "$f") differs"
  done
done
[ "$(ls "$work/all" | wc -l)" -eq 12 ] || fail "--all-runs wrote $(ls "$work/all" | wc -l) files"
run 0 $tcp download --all-runs --out "$work/all" --skip-existing --json
tr -d '\r' <"$work/out" | grep -q '"files":\[\]' || fail "--skip-existing downloaded again: $(cat "$work/out")"
[ "$(tr -d '\r' <"$work/out" | grep -o '_0000000[0-3].csv' | wc -l)" -eq 12 ] || fail "--skip-existing did not name the 12 skipped files"

# Settings: a size below the range is clamped as the dialog's edit does.
run 0 $tcp settings set --collect off --size-kb 5
grep -q "clamped to 10" "$work/err" || fail "settings set did not say it clamped: $(cat "$work/err")"
run 0 $tcp settings get --json
tr -d '\r' <"$work/out" | grep -q '"collect":false,"sizeBytes":10240' || fail "settings get: $(cat "$work/out")"

# Exit statuses.
run 2 $tcp download --bogus
grep -q "unknown option --bogus" "$work/err" || fail "usage error not explained: $(cat "$work/err")"
start_sim nosd --generate "$catalogue" --sd-missing
run 1 --tcp "127.0.0.1:$port" list
grep -q "本体にSDカードが挿入されていません。" "$work/err" || fail "no SD card message: $(cat "$work/err")"
start_sim slow --generate "$catalogue" --reply-delay 4000
run 3 --tcp "127.0.0.1:$port" list
grep -q "応答がありません。" "$work/err" || fail "no-response message: $(cat "$work/err")"
touch "$work/not-a-folder"
run 4 $tcp download --files 1 --out "$work/not-a-folder/logs"
grep -q "ログファイルが作成できませんでした。" "$work/err" || fail "file-creation message: $(cat "$work/err")"

# Ctrl-C during a slow download: the abort goes out, the partial file is set aside and named.
if [ -z "$runner" ]; then
  start_sim paced --generate 1,1,200000 --baud 57600
  (cd "$work" && exec "$qvlog" --tcp "127.0.0.1:$port" download --all --out "$work/aborted" >"$work/out" 2>"$work/err") &
  client=$!
  sleep 2
  kill -INT "$client"
  wait "$client"
  status=$?
  [ "$status" -eq 5 ] || fail "Ctrl-C exited $status, expected 5: $(tail -3 "$work/err")"
  cut="$work/aborted/20240507_090500_00000000.csv"
  grep -q "partial file left: .*20240507_090500_00000000.csv.partial" "$work/err" || fail "partial file not named: $(cat "$work/err")"
  # Set aside under a name no finished file has, so --skip-existing fetches it again.
  [ ! -e "$cut" ] || fail "the file cut short still has a finished file's name"
  size=$(stat -c %s "$cut.partial" 2>/dev/null || echo 0)
  [ "$size" -gt 0 ] && [ "$size" -lt 200000 ] || fail "partial file holds $size bytes"
  grep -q "中断しました。" "$work/err" || fail "abort message missing: $(cat "$work/err")"
fi

[ "$failures" -eq 0 ] && echo "qvlog end to end: all passed"
exit $((failures > 0))
