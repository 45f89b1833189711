#!/usr/bin/env bash
# qvlogdl.exe end to end under Wine: starts the simulators it talks to
# (native, on loopback TCP and on a pseudo-terminal mapped as COM port COM),
# dumps the catalogue they serve, and runs the Windows driver on an X display.
#   qvlogdl-e2e.sh SOURCE_DIR QVSIM DRIVER_EXE QVLOGDL_EXE FTDI_DIR COM [gtest arguments]
set -uo pipefail
source_dir=$1 qvsim=$2 driver=$3 qvlogdl=$4 ftdi=$5 com=$6
shift 6
wine_run=$source_dir/cmake/wine-run
export WINEPREFIX=${WINEPREFIX:-$source_dir/build/wineprefix}
[ -x "$qvsim" ] || { echo "qvlogdl-e2e: $qvsim is missing: build the native preset first"; exit 1; }

catalogue=2,3,5000
source "$source_dir/tests/support/qvsim.sh"
work=$(mktemp -d)
trap 'stop_qvsims; rm -rf "$work"' EXIT

# start_tcp NAME ARGS...: a qvsim on a free loopback port; sets $port.
start_tcp() {
  start_qvsim "$1" "$qvsim" --listen 127.0.0.1:0 --record "$work/$1.trace" "${@:2}" || exit 1
}

"$qvsim" --generate "$catalogue" --dump "$work/expected" >/dev/null || exit 1
start_tcp main --generate "$catalogue"
tcp_port=$port
start_tcp nosd --generate "$catalogue" --sd-missing
nosd_port=$port

# The prefix (and its dosdevices folder) exists after Wine's first start.
[ -d "$WINEPREFIX/dosdevices" ] || "$wine_run" cmd.exe /c exit >/dev/null 2>&1 </dev/null
start_qvsim pty "$qvsim" --pty "$WINEPREFIX/dosdevices/com$com" --record "$work/pty.trace" \
  --generate "$catalogue" || exit 1
echo "qvsim: TCP 127.0.0.1:$tcp_port, without SD card 127.0.0.1:$nosd_port, COM$com -> $pty"

mkdir "$work/cases"
mapfile -t win < <("$wine_run" winepath -w "$qvlogdl" "$work/cases" "$work/expected" "$ftdi" \
                    2>/dev/null </dev/null | tr -d '\r')
[ "${#win[@]}" -eq 4 ] || { echo "winepath gave: ${win[*]}"; exit 1; }

"$source_dir/tests/ui/win32/with-display" "$wine_run" "$driver" \
  --qvlogdl "${win[0]}" --work "${win[1]}" --expected "${win[2]}" --ftdi "${win[3]}" \
  --tcp-port "$tcp_port" --no-sd-port "$nosd_port" --com "$com" "$@" </dev/null
status=$?
if [ $status -ne 0 ]; then
  for trace in "$work"/*.trace; do
    echo "--- last frames of $(basename "$trace")"
    tail -8 "$trace" | cut -c1-120
  done
fi
exit $status
