#!/usr/bin/env bash
# `qvlog sync` against a fleet played by one qvsim, over TCP loopback:
#   parallel  16 instruments, 1 MB each (2 runs of 2 files of 250000 bytes),
#             --turnaround 5: the sync of all 16 with 16 jobs against the
#             sync of instrument 1 alone (--only) from the same qvsim; the
#             ratio of their wall times is 1 when the jobs do not hold each
#             other up.
#   many      64 instruments, 2 runs of 2 files of 20000 bytes each,
#             --turnaround 5, 64 jobs: the exit status, qvlog's peak threads,
#             descriptors and resident memory, and what it still holds once
#             every job has ended (its report's write is held back by a full
#             pipe until it has been looked at).
#   again     the parallel fleet synced twice in a row: the second sync's
#             wall time and the file data it moved (the data blocks in
#             qvsim's --record trace, growth checks included).
# A wall time is the whole qvlog run: start, connections, catalogues, files.
# Every file is compared with qvsim's --dump, and a run that leaves one out,
# differs or ends with another exit status than 0 fails the bench; so does a
# thread or descriptor of a job still held once the jobs have ended.
# Needs the native preset built (or --bin DIR). Not part of `make test`;
# takes about a minute.
#   bench/sync.sh [--bin DIR] [--repeat N] [parallel] [many] [again]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bin=$root/build/native/bin
repeat=3
legs=()
while [ $# -gt 0 ]; do
  case $1 in
    --bin) bin=$(cd "$2" && pwd); shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    parallel|many|again) legs+=("$1"); shift ;;
    *) echo "usage: bench/sync.sh [--bin DIR] [--repeat N] [parallel] [many] [again]" >&2
       exit 2 ;;
  esac
done
[ ${#legs[@]} -gt 0 ] || legs=(parallel many again)

qvsim=$bin/qvsim
qvlog=$bin/qvlog
for program in "$qvsim" "$qvlog"; do
  [ -x "$program" ] || { echo "bench: $program is missing: build the native preset" >&2; exit 1; }
done

source tests/support/qvsim.sh
work=$(mktemp -d)
trap 'stop_qvsims; exec 3>&- 4<&- 2>/dev/null || true; rm -rf "$work"' EXIT

fail() { echo "bench: $*" >&2; exit 1; }

# start_fleet COUNT ARGS...: a fresh qvsim of COUNT instruments, the last one
# ended; sets $port, instrument 1's.
start_fleet() {
  local count=$1; shift
  stop_qvsims
  start_qvsim fleet "$qvsim" --listen 127.0.0.1:0 --instruments "$count" "$@" || exit 1
}

# write_fleet FILE OUT COUNT JOBS: instruments qv01... on $port and after.
write_fleet() {
  local k
  printf '[fleet]\nout = %s\njobs = %d\n' "$2" "$4" >"$1"
  for ((k = 1; k <= $3; k++)); do
    printf '[qv%02d]\ntcp = 127.0.0.1:%d\n' "$k" $((port + k - 1)) >>"$1"
  done
}

# expected_for COUNT GENERATE: qvsim's own copy of the fleet's files.
expected_for() {
  local dir=$work/expected-$1-$2
  [ -d "$dir" ] || "$qvsim" --instruments "$1" --generate "$2" --dump "$dir" >/dev/null
  echo "$dir"
}

# check_files EXPECTED OUT INSTRUMENTS...: each instrument K's folder holds
# exactly EXPECTED/K's files, byte for byte, and nothing half-done.
check_files() {
  local expected=$1 out=$2 k name run file wanted=0 held
  shift 2
  for k in "$@"; do
    name=$(printf 'qv%02d' "$k")
    for run in "$expected/$k"/*/; do
      for file in "$run"*; do
        cmp -s "$file" "$out/$name/$(basename "$run")_$(basename "$file")" ||
          fail "$name: $(basename "$run")/$(basename "$file") is missing or differs"
        wanted=$((wanted + 1))
      done
    done
  done
  held=$(find "$out" -type f ! -name .qvlog-sync.lock | wc -l)
  [ "$held" -eq "$wanted" ] || fail "$out holds $held files, not $wanted"
}

# seconds_of DIR COMMAND...: wall time of a run that must exit 0, its JSON
# in DIR/out.json.
seconds_of() {
  local dir=$1 started ended
  shift
  started=$(date +%s.%N)
  (cd "$dir" && "$@" >"$dir/out.json" 2>"$dir/err.txt" </dev/null) ||
    fail "$* failed: $(tail -3 "$dir/err.txt")"
  ended=$(date +%s.%N)
  awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.3f", b - a }'
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# trace_bytes FILE FROM: the data blocks of files qvsim sent from line FROM
# of its --record trace on, and their payload bytes.
trace_bytes() {
  tail -n +"$2" "$1" | awk '
    function hex(s,   i, n) { n = 0; for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1; return n }
    { for (i = 1; i < NF && $i != "->"; i++) ; }
    $i == "->" && $(i + 1) == "AA" && $(i + 2) == "88" && int(hex($(i + 3)) / 16) % 4 == 2 {
      blocks++; bytes += hex($(i + 4)) * 256 + hex($(i + 5))
    }
    END { printf "%d %d", blocks, bytes }'
}

parallel_generate=2,2,250000
many_generate=2,2,20000

for leg in "${legs[@]}"; do
  case $leg in
    parallel)
      expected=$(expected_for 16 "$parallel_generate")
      start_fleet 16 --generate "$parallel_generate" --turnaround 5
      alone=() together=() ratios=()
      for ((r = 1; r <= repeat; r++)); do
        dir=$work/parallel-$r
        mkdir -p "$dir"
        write_fleet "$dir/one.ini" one 16 16
        write_fleet "$dir/all.ini" all 16 16
        one=$(seconds_of "$dir" "$qvlog" sync --fleet one.ini --only qv01 --json)
        check_files "$expected" "$dir/one" 1
        all=$(seconds_of "$dir" "$qvlog" sync --fleet all.ini --json)
        check_files "$expected" "$dir/all" $(seq 16)
        alone+=("$one"); together+=("$all")
        ratios+=("$(awk -v a="$one" -v b="$all" 'BEGIN { printf "%.3f", b / a }')")
        rm -rf "$dir"
      done
      printf 'parallel: 16 x 1 MB at 5 ms, 16 jobs: %s s; qv01 alone: %s s; ratio %s (median %s, goal <= 1.15)\n' \
        "${together[*]}" "${alone[*]}" "${ratios[*]}" "$(median "${ratios[@]}")"
      ;;
    many)
      expected=$(expected_for 64 "$many_generate")
      start_fleet 64 --generate "$many_generate" --turnaround 5
      dir=$work/many
      mkdir -p "$dir"
      write_fleet "$dir/fleet.ini" out 64 64
      # A full pipe on stdout holds the report's write back: by then every
      # job has been joined, and what qvlog holds is what a sync leaves over.
      mkfifo "$dir/report"
      exec 3<>"$dir/report"
      timeout 2 dd if=/dev/zero of=/dev/fd/3 bs=4096 count=16 2>/dev/null || true
      started=$(date +%s.%N)
      (cd "$dir" && exec /usr/bin/time -f %M -o "$dir/time.txt" "$qvlog" sync --fleet fleet.ini --json \
         >"$dir/report" 2>"$dir/err.txt" </dev/null 3>&-) &
      timer=$!
      pid=
      for _ in $(seq 500); do
        read -r pid _ <"/proc/$timer/task/$timer/children" 2>/dev/null || true
        [ -n "$pid" ] && break
        sleep 0.002
      done
      [ -n "$pid" ] || fail "qvlog did not start"
      peak_threads=0 peak_fds=0 end_threads=- end_fds=- end_hwm=-
      # A sync of 64 small catalogues takes about a second: two minutes
      # means qvlog hangs, or is held back somewhere this loop cannot tell.
      give_up=$((SECONDS + 120))
      while [ -d "/proc/$pid" ]; do
        [ "$SECONDS" -lt "$give_up" ] || { kill "$pid"; fail "qvlog still runs after two minutes"; }
        threads=0 hwm=
        while read -r key value _; do
          case $key in Threads:) threads=$value ;; VmHWM:) hwm=$value ;; esac
        done <"/proc/$pid/status" 2>/dev/null || break
        fds=(/proc/"$pid"/fd/*)
        [ "$threads" -gt "$peak_threads" ] && peak_threads=$threads
        [ "${#fds[@]}" -gt "$peak_fds" ] && peak_fds=${#fds[@]}
        wchan=
        read -r wchan <"/proc/$pid/wchan" 2>/dev/null || true
        if [[ $wchan == *pipe_write* ]]; then
          end_threads=$threads end_fds=${#fds[@]} end_hwm=$hwm
          for fd in "${fds[@]}"; do echo "${fd##*/} -> $(readlink "$fd")"; done >"$dir/fds.txt"
          break
        fi
        sleep 0.003
      done
      # A reader of its own, so that the pipe never lacks one while qvlog
      # writes; it reaches the end once qvlog and time have let go.
      exec 4<"$dir/report" 3>&-
      cat <&4 >"$dir/raw.json"
      exec 4<&-
      status=0
      wait "$timer" || status=$?
      ended=$(date +%s.%N)
      tr -d '\0' <"$dir/raw.json" >"$dir/out.json"
      [ "$status" -eq 0 ] || fail "64 instruments: exit $status: $(tail -3 "$dir/err.txt")"
      check_files "$expected" "$dir/out" $(seq 64)
      printf 'many: 64 instruments, 64 jobs: exit 0, every file whole, %.2f s; peak %d threads, %d descriptors, %s kB resident (VmHWM %s kB)\n' \
        "$(awk -v a="$started" -v b="$ended" 'BEGIN { print b - a }')" "$peak_threads" "$peak_fds" \
        "$(cat "$dir/time.txt")" "$end_hwm"
      # What a program started the same way holds from the start (time's -o
      # file, and whatever this shell was given) is not qvlog's.
      (cd "$dir" && exec /usr/bin/time -o "$dir/probe.time" sh -c 'ls /proc/$$/fd' >"$dir/probe.txt" \
         2>/dev/null </dev/null 3>&-)
      left=$(awk 'NR == FNR { given[$1] = 1; next } !($1 in given) { printf " %s", $0 }' \
               "$dir/probe.txt" "$dir/fds.txt")
      printf '      once every job had ended: %s threads, %s descriptors (%s given at start); beyond those:%s\n' \
        "$end_threads" "$end_fds" "$(wc -l <"$dir/probe.txt")" "${left:- none}"
      [ "$end_threads" != - ] || fail "qvlog ended before its report's write was seen held back"
      if [ "$end_threads" -ne 1 ] || [ -n "$left" ]; then fail "qvlog still held threads or descriptors of its jobs"; fi
      rm -rf "$dir"
      ;;
    again)
      expected=$(expected_for 16 "$parallel_generate")
      start_fleet 16 --generate "$parallel_generate" --turnaround 5 --record "$work/trace.txt"
      dir=$work/again
      mkdir -p "$dir"
      write_fleet "$dir/fleet.ini" out 16 16
      first=$(seconds_of "$dir" "$qvlog" sync --fleet fleet.ini --json)
      check_files "$expected" "$dir/out" $(seq 16)
      read -r first_blocks first_bytes <<<"$(trace_bytes "$work/trace.txt" 1)"
      from=$(($(wc -l <"$work/trace.txt") + 1))
      second=$(seconds_of "$dir" "$qvlog" sync --fleet fleet.ini --json)
      check_files "$expected" "$dir/out" $(seq 16)
      read -r blocks bytes <<<"$(trace_bytes "$work/trace.txt" "$from")"
      reported=$(sed -n 's/.*"totals":{.*"bytes":\([0-9]*\).*/\1/p' "$dir/out.json")
      printf 'again: first sync %s s, %d blocks, %d bytes; second sync %s s, %d blocks, %d bytes (JSON totals.bytes %s)\n' \
        "$first" "$first_blocks" "$first_bytes" "$second" "$blocks" "$bytes" "$reported"
      rm -rf "$dir"
      ;;
  esac
done
stop_qvsims
