#!/usr/bin/env bash
# Screenshots of qvlogdl.exe under Wine on a private Xvfb display.
#   screenshot.sh        into build/shots/: the main dialog in its USB and Wi-Fi
#                        views, the log-settings dialog, and template 129 as it
#                        stands in the resources (samples and both connection
#                        views on top of each other)
#   screenshot.sh guide  the pictures of the user guides, into docs/images/: the
#                        real dialog in a fresh Wine prefix, connected to qvsim,
#                        each picture cropped to its window (make guide-pictures)
# Needs the windows preset built (qvlogdl.exe, qv_shot_helper.exe, the
# stand-in ftd2xx.dll) and, for the guide, the native qvsim.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
mode=${1:-shots}
bin=$root/build/windows/bin
for exe in qvlogdl.exe qv_shot_helper.exe ftd2xx-e2e/ftd2xx.dll; do
  [ -f "$bin/$exe" ] || { echo "screenshot: $bin/$exe missing; build the windows preset" >&2; exit 1; }
done
wine=$root/cmake/wine-run
helper() { "$wine" "$bin/qv_shot_helper.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# The dialogs' "MS Shell Dlg" is "MS UI Gothic" on Japanese Windows, a
# proportional face. Left to itself Wine stands in the fixed-pitch IPA
# Gothic, whose wider glyphs clip most labels; IPA P Gothic is the closer match.
replace_dialog_font() {
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic /f \
    >/dev/null 2>&1 </dev/null
}

source "$root/tests/support/qvsim.sh"
pids=()
work=$(mktemp -d)
cleanup() {
  stop_qvsims
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

start_display() {
  local fifo=$work/display number=
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  pids+=($!)
  read -r number <"$fifo" || true
  [ -n "$number" ] || { echo "screenshot: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$number"
}

developer_shots() {
  local shots=$root/build/shots
  mkdir -p "$shots/run"
  export WINEPREFIX=$root/build/wineprefix
  "$wine" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true   # creates the prefix on first use
  replace_dialog_font
  start_display
  winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
  local qvlogdl shot_helper
  qvlogdl=$(winpath "$bin/qvlogdl.exe")
  shot_helper=$(winpath "$bin/qv_shot_helper.exe")
  # Everything runs on one Wine desktop, which draws the caption bars that a
  # bare X server without a window manager would not.
  on_desktop() { (cd "$shots/run" && "$wine" explorer /desktop=qv,1024x768 "$@" >/dev/null 2>&1 &); }
  shot() { sleep "$2"; import -window root "$shots/$1.png"; echo "screenshot: $shots/$1.png"; }

  on_desktop "$qvlogdl"
  shot main-usb 5
  on_desktop "$shot_helper" click 1002
  shot main-wifi 2
  on_desktop "$shot_helper" log-settings 560 60
  shot log-settings 3
  on_desktop "$shot_helper" close
  sleep 2
  on_desktop "$shot_helper" template 0 0
  shot template-129 3
  on_desktop "$shot_helper" close
  sleep 2
}

# ---- the guides' pictures ----

# The caption buttons are drawn from the Marlett font, which Debian keeps in
# fonts-wine; without it the close box shows a letter r. Only the guide's
# prefix gets it, from the package fetched into build/, so the tests' Wine
# stays as it is.
add_marlett() {
  local deb
  deb=$(ls "$root"/build/fonts-wine_*.deb 2>/dev/null | head -1 || true)
  if [ -z "$deb" ]; then
    (cd "$root/build" && apt-get download fonts-wine >/dev/null 2>&1) || true
    deb=$(ls "$root"/build/fonts-wine_*.deb 2>/dev/null | head -1 || true)
  fi
  if [ -z "$deb" ]; then
    echo "screenshot: fonts-wine could not be fetched; caption buttons show letters" >&2
    return
  fi
  dpkg-deb -x "$deb" "$work/fonts-wine"
  cp "$work/fonts-wine/usr/share/wine/fonts/marlett.ttf" "$WINEPREFIX/drive_c/windows/Fonts/"
}

# start_dialog SETTINGS: qvlogdl.exe from its folder C:\QV500, with setting.ini
# holding the given [connection] lines and a save folder C:\QV500\logs.
start_dialog() {
  printf '[connection]\r\n%s[log]\r\npath=C:\\QV500\\logs\r\n[window]\r\nmainPosition=24,24,0,0,normal\r\n' \
    "$1" >"$folder/setting.ini"
  (cd "$folder" && exec "$wine" qvlogdl.exe >"$work/dialog.out" 2>&1 </dev/null) &
  dialog_pid=$!
  pids+=($dialog_pid)
  helper geometry main >/dev/null || { echo "screenshot: no dialog: $(cat "$work/dialog.out")" >&2; exit 1; }
  sleep 1
}

stop_dialog() {
  helper close >/dev/null
  wait "$dialog_pid" || true
}

step() { helper "$@" >/dev/null || { echo "screenshot: qv_shot_helper $* failed" >&2; exit 1; }; }

# guide_shot NAME main|popup|both: docs/images/NAME.png, cropped to that window
# (both: the dialog with its message box),
# in 256 colours (a dialog has fewer) to keep the repository small.
guide_shot() {
  local geometry
  geometry=$(helper geometry "$2")
  [ -n "$geometry" ] || { echo "screenshot: no $2 window for $1" >&2; exit 1; }
  sleep 0.7
  import -window root -crop "$geometry" +repage "$work/$1.png"
  convert "$work/$1.png" -strip -define png:compression-level=9 "PNG8:$images/$1.png"
  echo "screenshot: $images/$1.png ($geometry)"
}

guide_pictures() {
  images=$root/docs/images
  qvsim=$root/build/native/bin/qvsim
  [ -x "$qvsim" ] || { echo "screenshot: $qvsim missing; build the native preset" >&2; exit 1; }
  mkdir -p "$images"
  rm -f "$images"/*.png

  # A prefix of its own, made afresh: nothing of an earlier run shows.
  export WINEPREFIX=$root/build/guide-wineprefix
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  "$wine" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
  replace_dialog_font
  # Every program of this prefix on one virtual desktop, which draws caption
  # bars: the helper then runs in the foreground and reports on stdout.
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 </dev/null
  add_marlett
  # Nothing of the set-up may outlive it: a desktop begun without a display
  # would take the dialog's windows where no screenshot sees them.
  /usr/lib/wine/wineserver -w
  start_display

  # The user's folder: the program, setting.ini, the logs; and one
  # instrument on USB, as the FTDI driver reports a QV-520.
  folder=$WINEPREFIX/drive_c/QV500
  mkdir -p "$folder/logs"
  cp "$bin/qvlogdl.exe" "$bin/ftd2xx-e2e/ftd2xx.dll" "$folder/"

  start_dialog $'method=USB\r\ncom=8\r\n'
  guide_shot main-usb main
  step click 1002
  guide_shot main-wifi main
  stop_dialog

  # An instrument on the simulator's default port, paced like a serial
  # line so that a download can be caught on its way.
  start_qvsim paced "$qvsim" --listen 127.0.0.1:10101 --generate 2,3,60000 --baud 115200
  start_dialog $'method=WIFI\r\nhost=127.0.0.1\r\ndService=10101\r\n'
  step click 1004
  step wait-catalogue
  step select 0 2
  guide_shot catalogue main
  step click 1013
  step wait-idle
  guide_shot download-done main
  step click 1026
  step wait-popup
  guide_shot log-settings popup
  step dismiss
  step click 1021
  step click 1013
  step wait-progress 40
  guide_shot downloading main
  step click 1014
  step wait-popup
  guide_shot aborted both
  step dismiss
  step click 1003
  stop_dialog

  # Two messages as they come: nobody listening, and no SD card.
  start_dialog $'method=WIFI\r\nhost=127.0.0.1\r\ndService=9\r\n'
  step click 1004
  step wait-popup
  guide_shot message-no-response popup
  step dismiss
  stop_dialog
  start_qvsim nosd "$qvsim" --listen 127.0.0.1:0 --sd-missing
  start_dialog $'method=WIFI\r\nhost=127.0.0.1\r\ndService='"$port"$'\r\n'
  step click 1004
  step wait-popup
  guide_shot message-no-sd popup
  step dismiss
  stop_dialog
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  du -ch "$images"/*.png | tail -1
}

case $mode in
  shots) developer_shots ;;
  guide) guide_pictures ;;
  *) echo "usage: screenshot.sh [guide]" >&2; exit 2 ;;
esac
