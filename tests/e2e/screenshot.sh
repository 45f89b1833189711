#!/usr/bin/env bash
# Screenshots of qvlogdl.exe under Wine on a private Xvfb display, into
# build/shots/: the main dialog in its USB and Wi-Fi views, the log-settings
# dialog, and template 129 as it stands in the resources (samples and both
# connection views on top of each other). Needs the windows preset built.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
bin=$root/build/windows/bin
for exe in qvlogdl.exe qv_shot_helper.exe; do
  [ -f "$bin/$exe" ] || { echo "screenshot: $bin/$exe missing; build the windows preset" >&2; exit 1; }
done
shots=$root/build/shots
mkdir -p "$shots/run"
export WINEPREFIX=$root/build/wineprefix
wine=$root/cmake/wine-run
"$wine" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true   # creates the prefix on first use
# The dialogs' "MS Shell Dlg" is "MS UI Gothic" on Japanese Windows, a
# proportional face. Left to itself Wine stands in the fixed-pitch IPA
# Gothic, whose wider glyphs clip most labels; IPA P Gothic is the closer match.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic /f \
  >/dev/null 2>&1 </dev/null

fifo=$(mktemp -u) && mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r number <"$fifo" || true
rm -f "$fifo"
[ -n "$number" ] || { echo "screenshot: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
trap 'kill $xvfb 2>/dev/null || true' EXIT

winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
qvlogdl=$(winpath "$bin/qvlogdl.exe")
helper=$(winpath "$bin/qv_shot_helper.exe")

# Everything runs on one Wine desktop, which draws the caption bars that a
# bare X server without a window manager would not.
on_desktop() { (cd "$shots/run" && "$wine" explorer /desktop=qv,1024x768 "$@" >/dev/null 2>&1 &); }
shot() { sleep "$2"; import -window root "$shots/$1.png"; echo "screenshot: $shots/$1.png"; }

on_desktop "$qvlogdl"
shot main-usb 5
on_desktop "$helper" click 1002
shot main-wifi 2
on_desktop "$helper" log-settings 560 60
shot log-settings 3
on_desktop "$helper" close
sleep 2
on_desktop "$helper" template 0 0
shot template-129 3
on_desktop "$helper" close
sleep 2
