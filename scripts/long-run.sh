#!/usr/bin/env bash
# The long download, not part of make test: qvlog pulls about 100 MB (1000
# files of 100000 bytes) over loopback TCP from a qvsim that puts noise
# before every frame; then a share of that with frames written in small
# pieces as well (--split paces qvsim's output at some 16 kB/s, so all
# 100 MB of it would take close to two hours); then a smaller share with
# dropped frames too, retried with --skip-existing until everything is
# there. Every file is compared byte for byte with qvsim's dump; files, MB,
# time, peak memory and mismatches are printed. Last, the bad peers of
# bad_peer_test for minutes each, when that test is in BIN_DIR.
#
# Usage: scripts/long-run.sh [BIN_DIR]   (default build/native/bin)
# Sizes: LONG_CATALOGUE (10,100,100000), SPLIT_CATALOGUE (1,50,100000),
# DROP_CATALOGUE (1,40,30000), DROP_EVERY (97), DROP_TRIES (10),
# BAD_PEER_SECONDS (60).
set -uo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/native/bin}")
long_catalogue=${LONG_CATALOGUE:-10,100,100000}
split_catalogue=${SPLIT_CATALOGUE:-1,50,100000}
drop_catalogue=${DROP_CATALOGUE:-1,40,30000}
drop_every=${DROP_EVERY:-97}
drop_tries=${DROP_TRIES:-10}
bad_peer_seconds=${BAD_PEER_SECONDS:-60}
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)"; exit 1; }
source tests/support/qvsim.sh
work=$(mktemp -d)
trap 'stop_qvsims; rm -rf "$work"' EXIT

# start_sim ARGS...: a qvsim on a free port in place of the last one; sets $port.
start_sim() {
  stop_qvsims
  start_qvsim sim "$bin/qvsim" --listen 127.0.0.1:0 "$@" || exit 1
}

# compare DUMP GOT: prints "files bytes mismatches missing partial".
compare() {
  local dump=$1 got=$2 files=0 bytes=0 bad=0 missing=0
  for run_dir in "$dump"/*/; do
    local stamp; stamp=$(basename "$run_dir")
    for f in "$run_dir"*.csv; do
      local mine="$got/${stamp}_$(basename "$f")"
      if [ ! -e "$mine" ]; then missing=$((missing + 1))
      elif cmp -s "$f" "$mine"; then files=$((files + 1)); bytes=$((bytes + $(stat -c %s "$mine")))
      else bad=$((bad + 1)); echo "  mismatch: $mine" >&2
      fi
    done
  done
  echo "$files $bytes $bad $missing $(find "$got" -name '*.partial' | wc -l)"
}

# report LABEL TIMEFILE SECONDS DUMP GOT
report() {
  local peak; peak=$(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$2" | sort -n | tail -1)
  read -r files bytes bad missing partial < <(compare "$4" "$5")
  printf '%s: %d files, %.1f MB, %d s, peak memory %s kB, %d mismatches, %d missing, %d set aside as partial\n' \
    "$1" "$files" "$(awk -v b="$bytes" 'BEGIN { print b / 1000000 }')" "$3" "${peak:-?}" "$bad" "$missing" "$partial"
  [ "$bad" -eq 0 ] && [ "$missing" -eq 0 ]
}

status=0

# one LABEL CATALOGUE FAULTS...: one qvlog run over a fresh qvsim.
one() {
  local label=$1 catalogue=$2; shift 2
  echo "== $catalogue with $*"
  rm -rf "$work/dump" "$work/got"
  "$bin/qvsim" --generate "$catalogue" --dump "$work/dump" || exit 1
  start_sim --generate "$catalogue" "$@"
  local start; start=$(date +%s)
  /usr/bin/time -v -o "$work/time" "$bin/qvlog" --tcp "127.0.0.1:$port" download --all-runs --out "$work/got" \
    >/dev/null 2>"$work/qvlog.err"
  echo "qvlog exit status $?"
  report "$label" "$work/time" $(($(date +%s) - start)) "$work/dump" "$work/got" || status=1
}

one "noise" "$long_catalogue" --noise
one "noise and split" "$split_catalogue" --noise --split

echo "== $drop_catalogue with --noise --split --drop-every $drop_every, up to $drop_tries tries"
rm -rf "$work/dump" "$work/got"
"$bin/qvsim" --generate "$drop_catalogue" --dump "$work/dump" || exit 1
start_sim --generate "$drop_catalogue" --noise --split --drop-every "$drop_every"
start=$(date +%s)
: >"$work/time2"
for try in $(seq "$drop_tries"); do
  /usr/bin/time -v -a -o "$work/time2" "$bin/qvlog" --tcp "127.0.0.1:$port" download --all-runs \
    --skip-existing --out "$work/got" >/dev/null 2>"$work/qvlog2.err"
  code=$?
  echo "try $try: exit status $code $(grep -a '^qvlog:' "$work/qvlog2.err" | tr '\n' ' ')"
  [ "$code" -eq 0 ] && break
done
report "dropped frames" "$work/time2" $(($(date +%s) - start)) "$work/dump" "$work/got" || status=1

if [ -x "$bin/bad_peer_test" ]; then
  echo "== bad peers, $bad_peer_seconds s of flood each"
  BAD_PEER_SECONDS=$bad_peer_seconds /usr/bin/time -v -o "$work/time3" "$bin/bad_peer_test" >"$work/bad.out" 2>&1
  code=$?
  grep -E '^\[  (PASSED|FAILED) ' "$work/bad.out"
  echo "bad peers: exit status $code, peak memory $(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$work/time3") kB"
  [ "$code" -eq 0 ] || status=1
fi
exit $status
