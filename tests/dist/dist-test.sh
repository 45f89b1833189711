#!/usr/bin/env bash
# The release zip as a lab PC gets it: unpacked into an empty folder, checked
# (contents, checksums, UTF-8 names, the guides' pages and their links,
# imports of system DLLs only), and run from there in a Wine prefix of its
# own, as on a PC that never saw the build: qvlog.exe and qvsim.exe tell their
# version and download from each other, also through the nightly batch file
# under cmd, and qvlogdl.exe downloads a run through its dialog against qvsim.
#   dist-test.sh SOURCE_DIR ZIP VERSION QVSIM DRIVER_EXE FTDI_DIR COM OBJDUMP
set -uo pipefail
source_dir=$1 zip=$2 version=$3 qvsim=$4 driver=$5 ftdi=$6 com=$7 objdump=$8
readme_ja=はじめにお読みください.txt
wine_run=$source_dir/cmake/wine-run
export LC_ALL=C.UTF-8

source "$source_dir/tests/support/qvsim.sh"
work=$(mktemp -d)
export WINEPREFIX=$work/prefix
cleanup() {
  stop_qvsims
  /usr/lib/wine/wineserver -k 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$zip" ] || { echo "FAIL: $zip is missing (make dist writes it)"; exit 1; }
unpacked=$work/unpacked
mkdir "$unpacked"
unzip -q "$zip" -d "$unpacked" || { echo "FAIL: unzip $zip"; exit 1; }

# Exactly the release's files, no test programs and no stand-in DLLs.
pages=(docs/ja/guide.html docs/ja/schedule.html docs/en/guide.html docs/en/schedule.html)
expected=$( (printf '%s\n' README-en.txt SHA256SUMS qvlog.exe qvlogdl.exe qvsim.exe "$readme_ja" \
               qvlog-nightly.cmd qvsim-slow.cmd fleet-example.ini "${pages[@]}"
             cd "$source_dir" && ls docs/images/*.png) | sort)
got=$(cd "$unpacked" && find . -type f -printf '%P\n' | sort)
[ "$got" = "$expected" ] || fail "the zip holds:
$got
expected:
$expected"

# Every file but SHA256SUMS itself is summed, and every sum holds.
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
summed=$(cut -c67- "$unpacked/SHA256SUMS" | sort)
[ "$summed" = "$(grep -vx SHA256SUMS <<<"$expected")" ] || fail "SHA256SUMS names: $summed"

# Windows reads a name as UTF-8 only when its entry carries flag bit 11;
# without it Explorer shows the Japanese name garbled.
utf8_names=0
while read -r offset; do
  flags=$(od -An -tu2 -j $((offset + 8)) -N2 "$zip" | tr -d ' ')
  length=$(od -An -tu2 -j $((offset + 28)) -N2 "$zip" | tr -d ' ')
  name=$(dd if="$zip" bs=1 skip=$((offset + 46)) count="$length" status=none)
  if [ "$name" = "$readme_ja" ]; then
    [ $((flags & 0x800)) -ne 0 ] && utf8_names=$((utf8_names + 1))
  fi
done < <(LC_ALL=C grep -obUaP '\x50\x4b\x01\x02' "$zip" | cut -d: -f1)
[ "$utf8_names" -eq 1 ] || fail "$readme_ja is not marked as a UTF-8 name in the zip"

# The texts for users: Notepad's UTF-8 with a byte-order mark, Windows line
# ends, and the release's version in their first line.
for text in "$readme_ja" README-en.txt; do
  [ "$(head -c3 "$unpacked/$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$text has no byte-order mark"
  grep -q $'[^\r]$' "$unpacked/$text" && fail "$text has lines without CR LF"
  head -1 "$unpacked/$text" | grep -qF "$version" || fail "$text does not name version $version"
done
[ "$(head -c3 "$unpacked/fleet-example.ini" | od -An -tx1 | tr -d ' ')" = efbbbf ] \
  || fail "fleet-example.ini has no byte-order mark"
grep -q $'[^\r]$' "$unpacked/fleet-example.ini" && fail "fleet-example.ini has lines without CR LF"

# The batch files: Windows line ends, and nothing but ASCII, so that they read
# the same in whatever encoding an editor saves them (a byte-order mark too).
for batch in qvlog-nightly.cmd qvsim-slow.cmd; do
  grep -q $'[^\r]$' "$unpacked/$batch" && fail "$batch has lines without CR LF"
  LC_ALL=C grep -qP '[^\x00-\x7F]' "$unpacked/$batch" && fail "$batch holds more than ASCII"
done

# The guides' pages: every picture they show is in the zip, and every link
# inside them leads to a file of the zip and, with a #fragment, to an id there.
links=0
for page in "${pages[@]}"; do
  while read -r target; do
    links=$((links + 1))
    file=${target%%#*} fragment=
    [[ $target == *#* ]] && fragment=${target#*#}
    resolved=$unpacked/$page
    [ -n "$file" ] && resolved=$(dirname "$unpacked/$page")/$file
    if [ ! -f "$resolved" ]; then
      fail "$page: $target leads to no file of the zip"
    elif [ -n "$fragment" ] && ! grep -qF "id=\"$fragment\"" "$resolved"; then
      fail "$page: $target leads to no such id"
    fi
  done < <(grep -oP '(href|src)="\K(?![a-z]+:)[^"]*' "$unpacked/$page")
done
[ "$links" -ge 100 ] || fail "only $links links and pictures in the pages"

# A lab PC has the system's DLLs and nothing else; the FTDI library is
# loaded by name at run time, never imported.
system_dlls=(advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
             oleaut32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll version.dll winmm.dll ws2_32.dll)
is_system_dll() {
  local known
  for known in "${system_dlls[@]}"; do [ "$1" = "$known" ] && return 0; done
  [[ "$1" == api-ms-win-* ]]
}
for exe in qvlogdl.exe qvlog.exe qvsim.exe; do
  imports=$("$objdump" -p "$unpacked/$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || fail "$exe: no import table read"
  for dll in $imports; do
    is_system_dll "$dll" || fail "$exe imports $dll, not a system DLL"
  done
done

# A prefix of its own: nothing of the build's prefix or its registry helps.
"$wine_run" cmd.exe /c exit >/dev/null 2>&1 </dev/null
for tool in qvlog qvsim; do
  said=$("$wine_run" "$unpacked/$tool.exe" --version 2>&1 </dev/null | tr -d '\r')
  status=$?
  [ $status -eq 0 ] && [ "$said" = "$tool $version" ] || fail "$tool.exe --version said \"$said\" (status $status)"
done

# qvlog.exe fetches a run from qvsim.exe, both from the folder, both under Wine.
catalogue=2,3,5000
"$qvsim" --generate "$catalogue" --dump "$work/expected" >/dev/null || { echo "FAIL: $qvsim --dump"; exit 1; }
if ! start_qvsim sim "$wine_run" "$unpacked/qvsim.exe" --generate "$catalogue" --listen 127.0.0.1:0; then
  fail "qvsim.exe did not start"
else
  first=$(ls "$work/expected" | head -1)
  run_date=${first:0:4}/${first:4:2}/${first:6:2} run_time=${first:9:2}:${first:11:2}:${first:13:2}
  mkdir "$work/pulled"
  (cd "$work/pulled" && "$wine_run" "$unpacked/qvlog.exe" --tcp "127.0.0.1:$port" download \
     --date "$run_date" --time "$run_time" --out . >"$work/qvlog.out" 2>&1 </dev/null) \
    || fail "qvlog.exe download: $(tr -d '\r' <"$work/qvlog.out" | iconv -f CP932 -t UTF-8 | tail -3)"
  for f in "$work/expected/$first"/*.csv; do
    cmp -s "$f" "$work/pulled/${first}_$(basename "$f")" || fail "qvlog.exe: ${first}_$(basename "$f") differs"
  done

  # The nightly batch file as the schedule pages set it up, a Japanese save
  # folder on the task's command line: as shipped, and saved again by an
  # editor that adds a byte-order mark, in a folder with a Japanese name; on
  # a Japanese Windows, whose code page holds the names.
  mkdir "$work/夜間" && cp "$unpacked/qvlog.exe" "$work/夜間/"
  { printf '\xef\xbb\xbf'; cat "$unpacked/qvlog-nightly.cmd"; } >"$work/夜間/qvlog-nightly.cmd"
  saved=0
  for batch in "$unpacked/qvlog-nightly.cmd" "$work/夜間/qvlog-nightly.cmd"; do
    saved=$((saved + 1)) out="$work/計測 ログ$saved"
    LC_ALL=ja_JP.UTF-8 "$wine_run" cmd.exe /c "Z:${batch//\//\\}" --tcp "127.0.0.1:$port" --out "Z:${out//\//\\}" \
      >/dev/null 2>&1 </dev/null || fail "$batch ended with status $?: $(cat "$(dirname "$batch")/last-run.log")"
    for f in "$work/expected"/*/*.csv; do
      run=$(basename "$(dirname "$f")")
      cmp -s "$f" "$out/${run}_$(basename "$f")" || fail "$batch: ${run}_$(basename "$f") is not in $out as sent"
    done
  done
fi

# The example fleet file as shipped, its three ports moved to where one
# qvsim.exe of three instruments listens: a sync of all three, under Wine.
if start_qvsim fleet "$wine_run" "$unpacked/qvsim.exe" --instruments 3 --generate 1,2,3000 --listen 127.0.0.1:0; then
  mkdir "$work/fleet"
  sed -e "s/127\.0\.0\.1:10101/127.0.0.1:$port/" -e "s/127\.0\.0\.1:10102/127.0.0.1:$((port + 1))/" \
      -e "s/127\.0\.0\.1:10103/127.0.0.1:$((port + 2))/" "$unpacked/fleet-example.ini" >"$work/fleet/fleet-example.ini"
  [ "$(grep -c "127\.0\.0\.1:$port\|127\.0\.0\.1:$((port + 1))\|127\.0\.0\.1:$((port + 2))" "$work/fleet/fleet-example.ini")" -eq 3 ] \
    || fail "fleet-example.ini does not name three instruments on 127.0.0.1:10101 to 10103"
  (cd "$work/fleet" && "$wine_run" "$unpacked/qvlog.exe" sync --fleet fleet-example.ini >"$work/fleet.out" 2>&1 </dev/null) \
    || fail "qvlog.exe sync --fleet fleet-example.ini: $(tr -d "\r" <"$work/fleet.out" | tail -8)"
  pulled=$(find "$work/fleet/logs" -name '*.csv' -size 3000c 2>/dev/null | wc -l)
  [ "$pulled" -eq 6 ] || fail "the example fleet's sync left $pulled whole files, not 6"
else
  fail "qvsim.exe --instruments 3 did not start"
fi

# The dialog from the unpacked folder, through the end-to-end driver.
bash "$source_dir/tests/e2e/qvlogdl-e2e.sh" "$source_dir" "$qvsim" "$driver" "$unpacked/qvlogdl.exe" \
  "$ftdi" "$com" --gtest_filter=QvlogdlTest.DownloadsEveryFileOfBothRunsOverWifi \
  || fail "qvlogdl.exe from the zip did not download the runs"

[ $failures -eq 0 ] && echo "dist: $(basename "$zip") unpacked, checked and run"
exit $((failures > 0))
