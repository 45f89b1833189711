#!/usr/bin/env bash
# Download rate of qvlog against the native qvsim, in one table: qvlog with
# --paced (the dialog's cadence, a parser pass every 10 ms) and qvlog as it
# is (a pass as soon as bytes arrive), against what the instrument allows.
#   TCP over loopback, natively and qvlog.exe under Wine, with qvsim waiting
#   --turnaround 0, 2, 5, 8, 11 and 15 ms before each data block: the limit
#   is 1024 B per turnaround (at 0 the rate stands alone).
#   A pseudo-terminal at 115200 baud: the limit is the line, 1036 bytes of
#   10 bits per 1024 payload bytes (the block's frame and its
#   acknowledgement), 11.39 KB/s. qvsim paces only its own output, so the
#   acknowledgement's 6 bytes cross at once and a rate may reach 100.6 %.
# KB is 1000 bytes. A rate is the file's size over the time of the download
# less the time of a `list` against the same simulator (start, connection
# and catalogue, which both do). Every file is compared with qvsim's --dump.
# Below the table: qvlog's CPU time while connected and idle (a reply that
# takes 2 s) and its peak memory, natively, both ways.
# Needs the native preset built, and the windows preset for the Wine rows.
# Not part of `make test`; takes about 20 minutes.
#   bench/download.sh [--size BYTES] [--serial-size BYTES] [tcp] [wine] [serial]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

size=3000000
serial_size=3000000
turnarounds=(0 2 5 8 11 15)
legs=()
while [ $# -gt 0 ]; do
  case $1 in
    --size) size=$2; shift 2 ;;
    --serial-size) serial_size=$2; shift 2 ;;
    tcp|wine|serial) legs+=("$1"); shift ;;
    *) echo "usage: bench/download.sh [--size BYTES] [--serial-size BYTES] [tcp] [wine] [serial]" >&2
       exit 2 ;;
  esac
done
[ ${#legs[@]} -gt 0 ] || legs=(tcp wine serial)

qvsim=$root/build/native/bin/qvsim
qvlog=$root/build/native/bin/qvlog
qvlog_exe=$root/build/windows/bin/qvlog.exe
for program in "$qvsim" "$qvlog"; do
  [ -x "$program" ] || { echo "bench: $program is missing: build the native preset" >&2; exit 1; }
done

source tests/support/qvsim.sh
work=$(mktemp -d)
trap 'stop_qvsims; rm -rf "$work"' EXIT

# start_sim ARGS...: a fresh qvsim, the last one ended; sets $port over TCP.
start_sim() {
  stop_qvsims
  start_qvsim sim "$qvsim" "$@" || exit 1
}
stop_sim() { stop_qvsims; }

expected_for() {  # expected_for SIZE: qvsim's own copy of the one file
  local dir=$work/expected-$1
  [ -d "$dir" ] || "$qvsim" --generate "1,1,$1" --dump "$dir" >/dev/null
  ls "$dir"/*/00000000.csv
}

seconds_of() {  # seconds_of COMMAND...: wall time of a qvlog run in $work
  local started ended
  started=$(date +%s.%N)
  (cd "$work" && "$@" >"$work/out.txt" 2>"$work/err.txt" </dev/null) ||
    { echo "bench: $* failed: $(tr -d '\r' <"$work/err.txt" | tail -3)" >&2; return 1; }
  ended=$(date +%s.%N)
  awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.6f", b - a }'
}

# rate FILE_SIZE COMMAND...: downloads the one file with COMMAND, checks it
# and prints the rate in KB/s.
rate() {
  local bytes=$1; shift
  local expected name listed downloaded
  expected=$(expected_for "$bytes")
  name=$(basename "$(dirname "$expected")")_00000000.csv
  rm -rf "$work/out"
  listed=$(seconds_of "$@" list) || return 1
  downloaded=$(seconds_of "$@" download --all --out out) || return 1
  cmp -s "$expected" "$work/out/$name" || { echo "bench: the file differs from the simulator's" >&2; return 1; }
  awk -v n="$bytes" -v a="$listed" -v b="$downloaded" 'BEGIN { printf "%.1f", n / (b - a) / 1000 }'
}

cell() {  # cell RATE LIMIT: the rate and its share of the limit
  if [ -z "$2" ]; then printf '%10s %7s' "$1" ""
  else awk -v r="$1" -v l="$2" 'BEGIN { printf "%10s %6.1f%%", r, 100 * r / l }'; fi
}

row() {  # row LINK TURNAROUND LIMIT COMMAND...
  local link=$1 turnaround=$2 limit=$3; shift 3
  local paced woken
  paced=$(rate "$size_now" "$@" --paced)
  woken=$(rate "$size_now" "$@")
  printf '%-24s %6s  %s  %s  %10s\n' "$link" "$turnaround" "$(cell "$paced" "$limit")" \
    "$(cell "$woken" "$limit")" "${limit:--}"
}

printf 'Download rate in KB/s (1000 bytes), one file of %d bytes per run (pty: %d)\n' "$size" "$serial_size"
printf '%-24s %6s  %17s  %17s  %10s\n' "link" "turn" "qvlog --paced" "qvlog" "limit"
for leg in "${legs[@]}"; do
  case $leg in
    tcp|wine)
      if [ "$leg" = wine ]; then
        [ -f "$qvlog_exe" ] || { echo "bench: $qvlog_exe is missing: build the windows preset" >&2; exit 1; }
        export WINEPREFIX=$root/build/wineprefix
        # One wineserver for the whole leg, so each run starts in 0.1 s
        # (started as scripts/test-all starts it, away from our output).
        /usr/lib/wine/wineserver -k 2>/dev/null || true
        "$root/cmake/wine-run" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
        /usr/lib/wine/wineserver -w
        /usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
        "$root/cmake/wine-run" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
        client=("$root/cmake/wine-run" "$qvlog_exe")
        label="qvlog.exe, Wine, TCP"
      else
        client=("$qvlog")
        label="TCP loopback"
      fi
      size_now=$size
      for t in "${turnarounds[@]}"; do
        start_sim --listen 127.0.0.1:0 --generate "1,1,$size" --turnaround "$t"
        limit=
        [ "$t" -gt 0 ] && limit=$(awk -v t="$t" 'BEGIN { printf "%.1f", 1024 / t }')
        row "$label" "$t ms" "$limit" "${client[@]}" --tcp "127.0.0.1:$port"
      done
      [ "$leg" = wine ] && /usr/lib/wine/wineserver -k 2>/dev/null || true
      ;;
    serial)
      size_now=$serial_size
      start_sim --pty "$work/pty" --baud 115200 --generate "1,1,$serial_size"
      row "pty, 115200 baud" "0 ms" "11.39" "$qvlog" --serial "$work/pty"
      ;;
  esac
done
stop_sim

# Connected and idle: a list whose every reply takes 2 s, nearly all of it
# spent waiting; then the peak memory of a download.
echo
for mode in --paced ""; do
  start_sim --listen 127.0.0.1:0 --generate 1,1,1000 --reply-delay 2000
  (cd "$work" && /usr/bin/time -f '%e %U %S' -o "$work/time.txt" "$qvlog" --tcp "127.0.0.1:$port" \
     $mode list >/dev/null 2>&1 </dev/null) || true
  read -r wall user system <"$work/time.txt"
  start_sim --listen 127.0.0.1:0 --generate "1,1,$size"
  (cd "$work" && /usr/bin/time -f '%M' -o "$work/time.txt" "$qvlog" --tcp "127.0.0.1:$port" $mode \
     download --all --out peak >/dev/null 2>&1 </dev/null) || true
  awk -v m="qvlog${mode:+ $mode}" -v w="$wall" -v u="$user" -v s="$system" -v p="$(cat "$work/time.txt")" \
    'BEGIN { printf "%-14s connected and idle: %.0f ms CPU in %.1f s (%.2f %%); peak memory %d kB\n",
             m, (u + s) * 1000, w, 100 * (u + s) / w, p }'
done
stop_sim
