#!/usr/bin/env bash
# Download rate of one log file (10 MB unless --size says otherwise) from the
# native qvsim, three ways:
#   tcp     qvlog over loopback TCP
#   wine    the Windows build's qvlog.exe under Wine over loopback TCP
#   serial  qvlog over a pseudo-terminal that qvsim paces at 115200 baud
# Each rate is shown beside the ceiling of the stop-and-wait protocol, where
# every 1024-byte block waits for its acknowledgement and the link's parser
# looks at the line every 10 ms:
#   TCP:    one block per parser pass, 1024 B / 10 ms = 102.4 KB/s
#   serial: the block's frame and its acknowledgement, 1030 + 6 bytes of 10
#           bits at 115200 baud, plus half a pass on average = 10.8 KB/s
# KB is 1000 bytes. The rate is the file's size over the transfer time that
# qvlog reports for it; every file is compared with the simulator's own.
# Needs the native and windows presets built. Not part of `make test`.
#   bench/download.sh [--size BYTES] [tcp] [wine] [serial]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

size=10485760
legs=()
while [ $# -gt 0 ]; do
  case $1 in
    --size) size=$2; shift 2 ;;
    tcp|wine|serial) legs+=("$1"); shift ;;
    *) echo "usage: bench/download.sh [--size BYTES] [tcp] [wine] [serial]" >&2; exit 2 ;;
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

"$qvsim" --generate "1,1,$size" --dump "$work/expected" >/dev/null
expected=$(ls "$work"/expected/*/00000000.csv)
name=$(basename "$(dirname "$expected")")_00000000.csv

printf 'one file of %d bytes\n' "$size"
printf '%-34s %10s %8s %12s %8s\n' "" "seconds" "KB/s" "ceiling KB/s" "ratio"

# measure LABEL CEILING_BYTES_PER_SECOND OUT_FOLDER COMMAND...: runs the
# download in $work, checks the file and prints its rate.
measure() {
  local label=$1 ceiling=$2 out=$3; shift 3
  local started ended seconds
  started=$(date +%s.%N)
  # English, whose "done" line the figure below is read from.
  if ! (cd "$work" && LC_ALL=C "$@" download --all --out "$out" >"$work/out.txt" 2>"$work/err.txt" </dev/null); then
    echo "$label: qvlog failed: $(tr -d '\r' <"$work/err.txt" | tail -3)"
    return 1
  fi
  ended=$(date +%s.%N)
  cmp -s "$expected" "$work/$out/$name" || { echo "$label: the file differs from the simulator's"; return 1; }
  # qvlog's own figure leaves out the program's start and the catalogue.
  seconds=$(tr -d '\r' <"$work/err.txt" | sed -n "s/^$name done $size bytes in \([0-9.]*\) s$/\1/p" | tail -1)
  [ -n "$seconds" ] || seconds=$(awk -v a="$started" -v b="$ended" 'BEGIN { print b - a }')
  awk -v label="$label" -v size="$size" -v seconds="$seconds" -v ceiling="$ceiling" 'BEGIN {
    rate = size / seconds / 1000; top = ceiling / 1000;
    printf "%-34s %10.1f %8.1f %12.1f %7.1f%%\n", label, seconds, rate, top, 100 * rate / top }'
}

tcp_port=
start_tcp() {
  start_qvsim tcp "$qvsim" --listen 127.0.0.1:0 --generate "1,1,$size"
  tcp_port=$port
}

tcp_ceiling=102400
serial_ceiling=$(awk 'BEGIN { print 1024 / ((1030 + 6) * 10 / 115200 + 0.005) }')

for leg in "${legs[@]}"; do
  case $leg in
    tcp)
      [ -n "$tcp_port" ] || start_tcp
      measure "qvlog, TCP" "$tcp_ceiling" tcp "$qvlog" --tcp "127.0.0.1:$tcp_port"
      ;;
    wine)
      [ -f "$qvlog_exe" ] || { echo "bench: $qvlog_exe is missing: build the windows preset" >&2; exit 1; }
      [ -n "$tcp_port" ] || start_tcp
      export WINEPREFIX=$root/build/wineprefix
      "$root/cmake/wine-run" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
      measure "qvlog.exe under Wine, TCP" "$tcp_ceiling" wine "$root/cmake/wine-run" "$qvlog_exe" \
        --tcp "127.0.0.1:$tcp_port"
      ;;
    serial)
      start_qvsim pty "$qvsim" --pty "$work/pty" --baud 115200 --generate "1,1,$size"
      measure "qvlog, pty at 115200 baud" "$serial_ceiling" serial "$qvlog" --serial "$work/pty"
      ;;
  esac
done
