#!/usr/bin/env bash
# qvlog against a real qvsim over loopback TCP: every command, files compared
# byte for byte, each exit status with its message and its JSON (read with
# jq), retries through a connection that closes, and under Wine a Japanese
# folder name, UTF-8 text and the console. Usage: qvlog-e2e.sh QVSIM QVLOG
# [RUNNER] (RUNNER runs QVLOG, e.g. the Wine runner for the Windows build).
set -uo pipefail
qvsim=$1 qvlog=$2 runner=${3:-}
source "$(dirname "${BASH_SOURCE[0]}")/../support/qvsim.sh"
work=$(mktemp -d)
failures=0
cleanup() {
  stop_qvsims
  wait 2>/dev/null
  umount "$work/full" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# start_sim NAME ARGS...: a qvsim on a free port; sets $port.
start_sim() { start_qvsim "$1" "$qvsim" --listen 127.0.0.1:0 "${@:2}" || exit 1; }

# run EXPECTED_STATUS ARGS...: qvlog in $work with its output in $work/out,
# $work/err (UTF-8 on every platform).
run() {
  local expected=$1; shift
  (cd "$work" && if [ -z "$runner" ]; then export LC_ALL=C; fi && $runner "$qvlog" "$@" >"$work/out" 2>"$work/err")
  local status=$?
  tr -d '\r' <"$work/err" >"$work/err.lf" && mv "$work/err.lf" "$work/err"
  [ "$status" -eq "$expected" ] || fail "qvlog $* exited $status, expected $expected: $(tail -3 "$work/err")"
}

# json FILTER: the filter over the one JSON document on stdout.
json() {
  [ "$(jq -s length <"$work/out" 2>/dev/null)" = 1 ] || { fail "stdout is not one JSON document: $(head -c 300 "$work/out")"; return; }
  jq -r "$1" <"$work/out"
}

# expect_json FILTER VALUE
expect_json() {
  local got
  got=$(json "$1")
  [ "$got" = "$2" ] || fail "$1 is '$got', expected '$2' ($(head -c 400 "$work/out"))"
}

expect_err() { grep -qF -- "$1" "$work/err" || fail "stderr lacks '$1': $(cat "$work/err")"; }
# expect_say ENGLISH JAPANESE: qvlog's own words in the locale it runs in
# (English here, Japanese under the Wine runner's locale).
expect_say() { if [ -n "$runner" ]; then expect_err "$2"; else expect_err "$1"; fi; }

# same_files DIR: every file of the catalogue in DIR, byte for byte.
same_files() {
  local count=0
  for run_dir in "$work/expected"/*/; do
    stamp=$(basename "$run_dir")
    for f in "$run_dir"*.csv; do
      cmp -s "$f" "$1/${stamp}_$(basename "$f")" || fail "${stamp}_$(basename "$f") in $1 differs"
      count=$((count + 1))
    done
  done
  [ "$(ls "$1" | wc -l)" -eq "$count" ] || fail "$1 holds $(ls "$1")"
}

catalogue="3,4,3000"
"$qvsim" --generate "$catalogue" --dump "$work/expected" || exit 1
start_sim main --generate "$catalogue"
tcp="--tcp 127.0.0.1:$port"

# list: three runs of four files, in catalogue order; a host name serves too.
run 0 --tcp "localhost:$port" list --json
expect_json '[.runs[].files] | join(",")' "4,4,4"
expect_json '.runs[1].time' "14:30:15"

# Selected files of the earliest run, byte for byte; a relative --out comes
# back absolute.
first=$(ls "$work/expected" | head -1)
run 0 $tcp download --files 0,2 --out selected --json
for n in 00000000 00000002; do
  cmp -s "$work/expected/$first/$n.csv" "$work/selected/${first}_$n.csv" || fail "file $n of $first differs"
done
[ "$(ls "$work/selected" | wc -l)" -eq 2 ] || fail "download --files 0,2 wrote $(ls "$work/selected")"
expect_json '.files | length' 2
case "$(json '.files[0].path')" in
  *[/\\]selected[/\\]"${first}_00000000.csv") case "$(json '.files[0].path')" in /*|?:\\*) ;; *) fail "path not absolute: $(json '.files[0].path')";; esac ;;
  *) fail "path of the first file: $(json '.files[0].path')" ;;
esac
expect_json '.files[0].size' 3000

# Every file of every run; then again, skipping what exists.
run 0 $tcp download --all-runs --out "$work/all"
same_files "$work/all"
run 0 $tcp download --all-runs --out "$work/all" --skip-existing --json
expect_json '.files | length' 0
expect_json '.skipped | length' 12

# A connection that closes every 40 frames: qvlog connects again and goes on.
start_sim closing --generate "$catalogue" --close-after 40
run 0 --tcp "127.0.0.1:$port" download --all-runs --out "$work/closing" --json
same_files "$work/closing"
[ "$(json '.attempts | length')" -ge 1 ] || fail "no retry was reported: $(cat "$work/out")"
expect_json '.attempts[0].error.cause' "connection lost"
expect_say "trying again in 1 s" "1秒後にやり直します"

# Input checks: exit 2, with the reason, in JSON too.
run 2 $tcp settings set --size-kb 5 --json
expect_json '.error.cause' usage
expect_say "from 10 to 204800" "10から204800"
run 2 $tcp download --date 2024/05/07 --out "$work/ambiguous"
expect_err "09:05:00, 14:30:15"
run 2 $tcp download --bogus --json
expect_json '.exit' 2
expect_say "unknown option --bogus" "不明なオプション --bogus"

# Settings, read back.
run 0 $tcp settings set --collect off --size-kb 10 --json
expect_json '.settings.sizeKb' 10
run 0 $tcp settings get --json
expect_json '[.settings.collect, .settings.sizeBytes] | map(tostring) | join(" ")' "false 10240"

# Exit statuses, each with its message and its JSON.
start_sim nosd --generate "$catalogue" --sd-missing
nosd=$port
run 1 --tcp "127.0.0.1:$nosd" list --json
expect_err "本体にSDカードが挿入されていません。"
expect_json '[.ok, .error.message] | map(tostring) | join(" ")' "false 8"
# The settings need no SD card: the dialog's user reaches them after message 8.
run 0 --tcp "127.0.0.1:$nosd" settings set --collect on --size-kb 20 --json
expect_json '[.settings.collect, .settings.sizeKb] | map(tostring) | join(" ")' "true 20"
start_sim slow --generate "$catalogue" --reply-delay 4000
run 3 --tcp "127.0.0.1:$port" list --retries 0 --json
expect_err "応答がありません。"
expect_json '.error.cause' "no response"
closed=$port
kill "$qvsim_pid"; wait "$qvsim_pid" 2>/dev/null
run 3 --tcp "127.0.0.1:$closed" list --json
expect_json '.error.cause' "connection refused"
expect_say "connection refused" "接続が拒否されました"
touch "$work/not-a-folder"
run 4 $tcp download --files 1 --out "$work/not-a-folder/logs" --json
expect_json '[.error.message, .error.cause] | map(tostring) | join(" ")' "3 not a folder"
expect_err "ログファイルが作成できませんでした。"

# A disk that fills up, and one that takes nothing: the file and the
# system's reason. Needs a small file system of its own, so root only.
if [ -z "$runner" ] && [ "$(id -u)" = 0 ] && mkdir -p "$work/full" &&
   mount -t tmpfs -o size=16k tmpfs "$work/full" 2>/dev/null; then
  run 4 $tcp download --all-runs --out "$work/full" --json
  expect_json '[.error.message, .error.cause] | map(tostring) | join(" ")' "3 disk full"
  expect_err "cannot write $work/full/"
  [ "$(json '.files | length')" -lt 12 ] || fail "all 12 files fitted into 16 KB"
  mount -o remount,ro "$work/full"
  run 4 $tcp download --all-runs --out "$work/full/more" --json
  expect_json '.error.cause' "read-only file system"
  umount "$work/full"
fi

# Ctrl-C during a slow download: the abort goes out, the partial file is left
# as NAME.partial and named.
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
  expect_err "partial file left: $cut.partial"
  [ ! -e "$cut" ] || fail "the file cut short has a finished file's name"
  size=$(stat -c %s "$cut.partial" 2>/dev/null || echo 0)
  [ "$size" -gt 0 ] && [ "$size" -lt 200000 ] || fail "partial file holds $size bytes"
  expect_err "中断しました。"
fi

# Windows: a Japanese folder name is one folder to qvlog and to the dialog;
# texts reach a pipe as UTF-8 and a console as wide characters.
if [ -n "$runner" ]; then
  run 0 $tcp download --all-runs --out "$work/ログ/データ" --json
  same_files "$work/ログ/データ"
  case "$(json '.files[0].path')" in *ログ\\データ\\*) ;; *) fail "JSON path: $(json '.files[0].path')" ;; esac
  [ "$(json '.files[0].size')" = 3000 ] || fail "size of a file in a Japanese folder: $(json '.files[0].size')"
  run 0 $tcp download --all-runs --out "$work/ログ/データ" --skip-existing --json
  expect_json '.skipped | length' 12
  expect_json '.files | length' 0
  # A name code page 932 cannot hold is refused, not turned into another.
  run 4 $tcp download --files 0 --out "$work/café" --json
  expect_json '.error.cause' "folder name not in code page 932"
  [ ! -e "$work/caf?" ] || fail "a look-alike folder was written"
  # The Japanese locale's own words, as UTF-8.
  run 2 $tcp download --date 2024/05/07
  expect_err "ログが2件あります"
  # Outside a Japanese locale: English, with the catalogue's Japanese beside it.
  (cd "$work" && LC_ALL=C $runner "$qvlog" --tcp "127.0.0.1:$nosd" list >"$work/out" 2>"$work/err")
  grep -qF "No SD card is inserted in the instrument." "$work/err" || fail "English locale: $(cat "$work/err")"
  grep -qF "本体にSDカードが挿入されていません。" "$work/err" || fail "English locale, catalogue text: $(cat "$work/err")"
  # A console gets wide characters: the terminal shows the Japanese whole.
  if command -v script >/dev/null; then
    script -qec "cd '$work' && $runner '$qvlog' --tcp 127.0.0.1:$port settings set --size-kb 5" /dev/null \
      >"$work/console" 2>&1
    grep -qF "10から204800" "$work/console" || fail "console text: $(cat "$work/console")"
  fi
fi

# sync: a fleet of two with Japanese names and folder (the fleet file in code
# page 932 under Wine, as Notepad writes it there), every file byte for byte;
# a second sync moves nothing; an instrument switched off makes exit status 6.
"$qvsim" --instruments 2 --generate 1,2,3000 --dump "$work/fleet-expected" || exit 1
start_sim fleet --instruments 2 --generate 1,2,3000
printf '[fleet]\nout = 計測器群\n[恒温槽-1]\ntcp = 127.0.0.1:%s\n[炉-2]\ntcp = 127.0.0.1:%s ; 二台目\n' \
  "$port" "$((port + 1))" >"$work/fleet.utf8"
if [ -n "$runner" ]; then iconv -f UTF-8 -t CP932 "$work/fleet.utf8" >"$work/fleet.ini"; else cp "$work/fleet.utf8" "$work/fleet.ini"; fi
run 0 sync --json
expect_json '[.instruments[].outcome] | join(",")' "complete,complete"
expect_json '.totals.files' 4
for k in 1 2; do
  name=$( [ "$k" = 1 ] && echo 恒温槽-1 || echo 炉-2 )
  for run_dir in "$work/fleet-expected/$k"/*/; do
    for f in "$run_dir"*.csv; do
      cmp -s "$f" "$work/計測器群/$name/$(basename "$run_dir")_$(basename "$f")" || fail "sync: $name/$(basename "$f") differs"
    done
  done
done
run 0 sync --json
expect_json '.totals.files' 0
printf '[off]\ntcp = 127.0.0.1:1\n' >>"$work/fleet.ini"
run 6 sync --only off
expect_say "connection refused" "接続が拒否されました"
# On a terminal: a status line per instrument redrawn in place, no line per file.
if [ -z "$runner" ] && command -v script >/dev/null; then
  rm -rf "$work/計測器群"
  script -qec "cd '$work' && LC_ALL=C '$qvlog' sync --only 恒温槽-1,炉-2" /dev/null >"$work/console" 2>&1
  grep -q $'\e\\[K' "$work/console" || fail "sync on a terminal drew no status lines: $(cat "$work/console")"
  grep -qE '^.?炉-2 +complete' <(tr '\r' '\n' <"$work/console") || fail "no final status line: $(cat "$work/console")"
  ! grep -q ' done ' "$work/console" || fail "sync on a terminal wrote a line per file"
fi

[ "$failures" -eq 0 ] && echo "qvlog end to end: all passed"
exit $((failures > 0))
