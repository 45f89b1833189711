// The words of qvlog sync and of its fleet file, in English and in Japanese.
#pragma once

#include "tools/qvlog/Texts.h"

// u8 literals stay UTF-8 where narrow literals are compiled to code page 932.
inline const TextLine SYNC_TEXTS[] = {
    {Text::JOBS_FORMAT, "--jobs takes a number from 1 to 64: {1}", u8"--jobs は1から64までの数です: {1}"},
    {Text::SYNC_ALONE, "sync takes its instruments, connections and folders from the fleet file: no --tcp, --serial, "
     "--out, --date, --time, --files, --all, --all-runs or --skip-existing with it",
     u8"sync は計測器・接続先・フォルダをフリートファイルから取ります: --tcp、--serial、--out、--date、--time、"
     u8"--files、--all、--all-runs、--skip-existing とは使えません"},
    {Text::SYNC_OPTIONS, "--fleet, --only and --jobs go with sync alone", u8"--fleet、--only、--jobs は sync 専用です"},
    {Text::SYNC_BUSY, "another sync is working in {1}: left alone", u8"別の同期が {1} で実行中です: 触れずにおきます"},
    {Text::SYNC_WAITING, "waiting", u8"待機中"},
    {Text::SYNC_RUNNING, "{1} files, {2}, {3}/s", u8"{1} ファイル、{2}、{3}/秒"},
    {Text::SYNC_COMPLETE, "complete", u8"完了"},
    {Text::SYNC_NOT_COMPLETE, "NOT COMPLETE", u8"未完了"},
    {Text::SYNC_COLUMN_INSTRUMENT, "instrument", u8"計測器"},
    {Text::SYNC_COLUMN_FILES, "new files", u8"新しいファイル"},
    {Text::SYNC_COLUMN_BYTES, "bytes", u8"バイト"},
    {Text::SYNC_COLUMN_TIME, "time", u8"時間"},
    {Text::SYNC_COLUMN_OUTCOME, "outcome", u8"結果"},
    {Text::SYNC_ENDED, "{1}: {2} new files, {3} in {4}", u8"{1}: 新しいファイル {2}、{3}、{4}"},
    {Text::SYNC_TOTALS, "{1} of {2} instruments complete; {3} new files, {4}",
     u8"{2} 台中 {1} 台完了、新しいファイル {3}、{4}"},
    // The fleet file.
    {Text::FLEET_NOT_FOUND, "no such file", u8"ファイルがありません"},
    {Text::FLEET_CANNOT_READ, "cannot be read", u8"読めません"},
    {Text::FLEET_TOO_BIG, "larger than {1} bytes: not a fleet file", u8"{1}バイトを超えています: フリートファイルではありません"},
    {Text::FLEET_NOT_TEXT, "neither UTF-8 nor Shift_JIS text", u8"UTF-8でもShift_JISでもありません"},
    {Text::FLEET_NO_INSTRUMENT, "lists no instrument: add a [NAME] section with tcp = HOST[:PORT] or serial = PORT",
     u8"計測器がありません: [名前] のセクションに tcp = ホスト[:ポート] か serial = ポート を書いてください"},
    {Text::FLEET_LINE_TOO_LONG, "line longer than {1} bytes", u8"行が{1}バイトを超えています"},
    {Text::FLEET_CONTROL_CHARACTER, "holds a control character", u8"制御文字があります"},
    {Text::FLEET_NOT_UNDERSTOOD, "neither [NAME] nor KEY = VALUE: {1}", u8"[名前] でも キー = 値 でもありません: {1}"},
    {Text::FLEET_KEY_BEFORE_SECTION, "{1} comes before any [section]", u8"{1} がどのセクションよりも前にあります"},
    {Text::FLEET_UNKNOWN_KEY, "[{1}] takes {2}, not {3}", u8"[{1}] のキーは {2} です ({3} は使えません)"},
    {Text::FLEET_KEY_TWICE, "{1} given twice in [{2}]", u8"[{2}] に {1} が2回あります"},
    {Text::FLEET_SECTION_TWICE, "[{1}] given twice (first on line {2})", u8"[{1}] が2回あります (最初は{2}行目)"},
    {Text::FLEET_NOT_A_FOLDER_NAME,
     "[{1}] cannot name a folder: no \\ / : * ? \" < > | or control characters, no dot or space at the end, "
     "not . .. CON NUL COM1 and the like",
     u8"[{1}] はフォルダ名になりません: \\ / : * ? \" < > | と制御文字、末尾の . と空白、. .. CON NUL COM1 "
     u8"などは使えません"},
    {Text::FLEET_NO_TRANSPORT, "[{1}] has neither tcp = HOST[:PORT] nor serial = PORT",
     u8"[{1}] に tcp = ホスト[:ポート] も serial = ポート もありません"},
    {Text::FLEET_BOTH_TRANSPORTS, "[{1}] has both tcp and serial: keep one",
     u8"[{1}] に tcp と serial の両方があります: どちらか1つにしてください"},
    {Text::FLEET_NEEDS_VALUE, "{1} needs a value", u8"{1} には値が必要です"},
    {Text::FLEET_TCP_HOST, "tcp needs a host: tcp = HOST[:PORT]", u8"tcp にはホストが必要です: tcp = ホスト[:ポート]"},
    {Text::FLEET_TCP_PORT, "tcp: the port must be a number from 1 to {2}: {1}", u8"tcp: ポートは1から{2}の数です: {1}"},
    {Text::FLEET_JOBS, "jobs must be a number from 1 to {2}: {1}", u8"jobs は1から{2}の数です: {1}"},
    {Text::FLEET_SAME_FOLDER, "[{1}] and [{2}] (line {3}) share the folder {4}",
     u8"[{1}] と [{2}] ({3}行目) のフォルダが同じです: {4}"},
    {Text::FLEET_NOT_IN_FLEET, "--only: the fleet file lists no instrument [{1}]",
     u8"--only: フリートファイルに計測器 [{1}] はありません"},
};
