# Sourced by the scripts that start qvsim: one way to start it and learn
# where it listens, and one way to end every qvsim they started. Needs
# $work, a scratch folder.
qvsim_pids=()

# first_line FILE PATTERN: waits up to 10 s for a line of FILE that matches
# the sed PATTERN and prints its first group. Carriage returns (qvsim.exe
# under Wine) are dropped.
first_line() {
  local found=
  for _ in $(seq 500); do
    found=$(tr -d '\r' <"$1" 2>/dev/null | sed -n "s/$2/\1/p" | head -1)
    [ -n "$found" ] && break
    sleep 0.02
  done
  echo "$found"
}

# start_qvsim NAME COMMAND...: runs COMMAND (qvsim with --listen or --pty, or
# a runner and qvsim.exe) in the background, its output in $work/NAME.out,
# and waits for its first line: sets $port or $pty, and $qvsim_pid. Fails
# with the output on stderr when no such line came.
start_qvsim() {
  local name=$1 line
  shift
  "$@" >"$work/$name.out" 2>&1 </dev/null &
  qvsim_pid=$!
  qvsim_pids+=("$qvsim_pid")
  line=$(first_line "$work/$name.out" '^\(listening on 127\.0\.0\.1:[0-9]*\|serial on .*\)$')
  port=$(sed -n 's/^listening on 127\.0\.0\.1://p' <<<"$line")
  pty=$(sed -n 's/^serial on //p' <<<"$line")
  [ -n "$line" ] || { echo "qvsim $name did not start: $(cat "$work/$name.out")" >&2; return 1; }
}

# stop_qvsims: ends every qvsim started here and waits for it.
stop_qvsims() {
  local p
  for p in "${qvsim_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${qvsim_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  qvsim_pids=()
}
