#include "tools/qvlog/Texts.h"

#include <cctype>
#include <cstdlib>
#include <iterator>

#include "tools/qvlog/Platform.h"
#include "tools/qvlog/SyncTexts.h"
#include "ui/controls/MessageCatalogue.h"

namespace {

// u8 literals stay UTF-8 where narrow literals are compiled to code page 932.
const TextLine TEXTS[] = {
    {Text::USAGE,
     "usage: qvlog [--tcp HOST[:PORT] | --serial PORT] [--paced] COMMAND [OPTIONS]\n"
     "       qvlog --version | --help\n"
     "  devices                        list instruments found on USB (no connection needed)\n"
     "  list                           every date, its start times and each run's file count\n"
     "  download [--date YYYY/MM/DD] [--time HH:MM:SS] [--files LIST | --all] [--all-runs]\n"
     "           [--out DIR] [--skip-existing]\n"
     "  settings get\n"
     "  settings set [--collect on|off] [--size-kb 10..204800]\n"
     "  sync [--fleet FILE] [--only NAME,...] [--jobs N]\n"
     "                                 what is new on every instrument of the fleet file (fleet.ini)\n"
     "Every command takes --json (one JSON document on stdout) and --retries N (default 2:\n"
     "after no response, a lost connection or a transfer error, connect again and go on).\n"
     "Without --tcp or --serial the connection comes from setting.ini in the current folder.\n"
     "--tcp takes a host name or an IPv4 address, port 10101 by default; --files takes\n"
     "numbers and ranges (0,2,5-7).\n"
     "qvlog handles each frame as it arrives; --paced looks at the line every 10 ms, as the\n"
     "dialog does (slower: at most one 1024-byte block per 10 ms).\n"
     "Exit status: 0 every file complete, 1 instrument or transfer error, 2 usage,\n"
     "3 no connection or no response, 4 file not written, 5 aborted; sync: 0 every\n"
     "instrument complete, 6 one or more not (its cause is in the table), 2 usage or fleet file.\n",
     u8"使い方: qvlog [--tcp ホスト[:ポート] | --serial ポート] [--paced] コマンド [オプション]\n"
     u8"       qvlog --version | --help\n"
     u8"  devices                        USBで見つかった計測器の一覧 (接続しません)\n"
     u8"  list                           日付ごとの開始時刻と各ログのファイル数\n"
     u8"  download [--date YYYY/MM/DD] [--time HH:MM:SS] [--files 番号 | --all] [--all-runs]\n"
     u8"           [--out フォルダ] [--skip-existing]\n"
     u8"  settings get\n"
     u8"  settings set [--collect on|off] [--size-kb 10..204800]\n"
     u8"  sync [--fleet ファイル] [--only 名前,...] [--jobs N]\n"
     u8"                                 フリートファイル (fleet.ini) の全計測器から新しいファイルを取得\n"
     u8"どのコマンドも --json (標準出力にJSONを1つ) と --retries N (既定 2: 応答なし、\n"
     u8"接続切れ、転送エラーの後に接続し直して続けます) を受け付けます。\n"
     u8"--tcp も --serial もなければ、現在のフォルダの setting.ini の接続先を使います。\n"
     u8"--tcp はホスト名かIPv4アドレス (ポートの既定は10101)、--files は番号と範囲 (0,2,5-7)。\n"
     u8"qvlog は届いたフレームをすぐに処理します。--paced はダイアログと同じく10ミリ秒ごとに\n"
     u8"回線を見ます (遅くなります: 10ミリ秒に1024バイトのブロック1つまで)。\n"
     u8"終了コード: 0 全ファイル完了、1 計測器または転送のエラー、2 使い方の誤り、\n"
     u8"3 接続できない・応答なし、4 ファイルを書けない、5 中断。sync: 0 全計測器完了、\n"
     u8"6 完了していない計測器あり (原因は表に)、2 使い方またはフリートファイルの誤り。\n"},
    {Text::NEEDS_VALUE, "{1} needs a value", u8"{1} には値が必要です"},
    {Text::TCP_PORT, "--tcp: the port must be a number from 1 to 65535: {1}",
     u8"--tcp: ポートは1から65535の数です: {1}"},
    {Text::TCP_HOST, "--tcp needs a host: --tcp HOST[:PORT]", u8"--tcp にはホストが必要です: --tcp ホスト[:ポート]"},
    {Text::DATE_FORMAT, "--date takes YYYY/MM/DD: {1}", u8"--date は YYYY/MM/DD の形です: {1}"},
    {Text::TIME_FORMAT, "--time takes HH:MM:SS: {1}", u8"--time は HH:MM:SS の形です: {1}"},
    {Text::FILES_FORMAT, "--files takes file numbers and ranges such as 0,2,5-7: {1}",
     u8"--files はファイル番号と範囲 (例 0,2,5-7) です: {1}"},
    {Text::COLLECT_FORMAT, "--collect takes on or off: {1}", u8"--collect は on か off です: {1}"},
    {Text::SIZE_RANGE, "--size-kb takes a number of kilobytes from 10 to 204800: {1}",
     u8"--size-kb は10から204800までのキロバイト数です: {1}"},
    {Text::RETRIES_FORMAT, "--retries takes a number from 0 to 100: {1}", u8"--retries は0から100までの数です: {1}"},
    {Text::UNKNOWN_OPTION, "unknown option {1}", u8"不明なオプション {1}"},
    {Text::SETTINGS_SUBCOMMAND, "settings takes get or set", u8"settings の後には get か set が必要です"},
    {Text::UNKNOWN_COMMAND, "unknown command {1}", u8"不明なコマンド {1}"},
    {Text::UNEXPECTED_ARGUMENT, "unexpected argument {1}", u8"余分な引数 {1}"},
    {Text::NO_COMMAND, "no command given", u8"コマンドがありません"},
    {Text::FILES_AND_ALL, "--files and --all exclude each other", u8"--files と --all は同時に使えません"},
    {Text::ALL_RUNS_ALONE, "--all-runs takes every file of every run: no --date, --time or --files with it",
     u8"--all-runs は全ログの全ファイルを取ります: --date、--time、--files とは使えません"},
    {Text::SET_NEEDS_CHANGE, "settings set needs --collect or --size-kb",
     u8"settings set には --collect か --size-kb が必要です"},
    {Text::SERIAL_NAME, "--serial: not a serial port here: {1}",
     u8"--serial: このシステムのシリアルポート名ではありません: {1}"},
    {Text::HOST_NOT_FOUND, "cannot find the host {1}", u8"ホスト {1} が見つかりません"},
    {Text::SETTINGS_HOST, "setting.ini: the host is neither an address nor a known name: {1}",
     u8"setting.ini: ホストがアドレスでも既知の名前でもありません: {1}"},
    {Text::NO_USB_INSTRUMENT, "no instrument found on USB; name one with --serial or --tcp",
     u8"USBに計測器が見つかりません。--serial か --tcp で指定してください"},
    {Text::NO_USB_DEVICES, "no instrument found on USB", u8"USBに計測器が見つかりません"},
    {Text::NO_RUNS, "the instrument holds no log runs", u8"計測器にログがありません"},
    {Text::NO_RUN_ON_DATE, "no log run on {1}", u8"{1} のログはありません"},
    {Text::NO_RUN_AT, "no log run at {1} {2}", u8"{1} {2} のログはありません"},
    {Text::SEVERAL_RUNS, "{1} has {2} log runs; choose one with --time: {3}",
     u8"{1} にはログが{2}件あります。--time で選んでください: {3}"},
    {Text::FILE_NOT_IN_RUN, "file {1} is not in the run (it has {2} files)",
     u8"ファイル {1} はこのログにありません (ファイル数 {2})"},
    {Text::RUN_LINE, "{1} {2} {3} files", u8"{1} {2} {3} ファイル"},
    {Text::ENTRY_OUT_OF_RANGE,
     "the instrument lists {1}{2}, which the dialog would ask for as another run: not fetched",
     u8"計測器の一覧にある {1}{2} は、ダイアログが別のログとして問い合わせるため取得していません"},
    {Text::AND_MORE, " (and {1} more)", u8" (ほか {1} 件)"},
    {Text::RECORD_CUT,
     "a list of dates or start times from the instrument ended part-way through an entry ({1} lost): "
     "runs may be missing",
     u8"計測器からの日付または開始時刻の一覧が項目の途中で終わりました (失われた項目 {1}): "
     u8"取得していないログがあるかもしれません"},
    {Text::CONNECT_FAILED, "cannot connect to {1}: {2}", u8"{1} に接続できません: {2}"},
    {Text::NOT_ACCEPTED, "the instrument did not accept the connection", u8"計測器が接続を受け付けませんでした"},
    {Text::CONNECTION_LOST, "connection lost: {1}", u8"接続が切れました: {1}"},
    {Text::LOST_BY_PEER, "the instrument closed the connection or the device went away",
     u8"計測器が接続を閉じたか、デバイスがなくなりました"},
    {Text::NOTHING_CAME, "the instrument stopped sending: nothing came for {1} s",
     u8"計測器からの送信が止まりました: {1}秒間何も届きません"},
    {Text::SIZE_MISMATCH, "{1}: received {2} bytes, the instrument announced {3}",
     u8"{1}: 受信 {2} バイト、計測器の通知したサイズは {3} バイトです"},
    {Text::SIZE_EXCEEDED, "{1}: more bytes came than the {2} the instrument announced",
     u8"{1}: 計測器の通知したサイズ {2} バイトより多くのデータが届きました"},
    {Text::RUN_CUT_SHORT, "the download stopped before its last file, at {1}",
     u8"最後のファイルより前でダウンロードが止まりました ({1})"},
    {Text::BLOCK_REFUSED, "a data block was refused during {1}", u8"{1} の転送中にデータブロックを拒否しました"},
    {Text::REPLY_STATUS, "the instrument answered status {1}", u8"計測器はステータス {1} を返しました"},
    {Text::INTERRUPTED, "interrupted", u8"中断されました"},
    {Text::CANNOT_WRITE, "cannot write {1}: {2}", u8"{1} に書き込めません: {2}"},
    {Text::FOLDER_NOT_CP932,
     "the folder name has characters that code page 932, in which the dialog names its files, cannot hold: {1}",
     u8"フォルダ名にコードページ932 (ダイアログがファイル名に使う文字コード) で表せない文字があります: {1}"},
    {Text::FOLDER_TOO_LONG, "the folder path is longer than the dialog's 255 bytes: {1}",
     u8"フォルダのパスがダイアログの上限 255 バイトより長いです: {1}"},
    {Text::PARTIAL_LEFT, "partial file left: {1}", u8"途中までのファイルが残っています: {1}"},
    {Text::SKIPPED_EXISTS, "{1} skipped (exists)", u8"{1} はあるので飛ばしました"},
    {Text::SKIPPED_SAME_SIZE, "{1} skipped (exists, and the instrument holds the same {2} bytes)",
     u8"{1} は計測器上と同じ {2} バイトなので飛ばしました"},
    {Text::FETCHED_AGAIN, "{1} fetched again: the instrument holds {2} bytes, the folder had {3}",
     u8"{1} を取り直しました: 計測器上は {2} バイト、フォルダにあったのは {3} バイトです"},
    {Text::EMPTY_FILE, "{1} is empty on the instrument: written as an empty file",
     u8"{1} は計測器上で空です: 空のファイルとして書きました"},
    {Text::FILE_DONE, "{1} done {2} bytes in {3} s", u8"{1} 完了 {2} バイト {3} 秒"},
    {Text::FILE_PARTIAL, "{1} partial {2} bytes in {3} s", u8"{1} 途中まで {2} バイト {3} 秒"},
    {Text::RETRYING, "attempt {1} failed ({2}); trying again in {3} s",
     u8"{1}回目が失敗しました ({2})。{3}秒後にやり直します"},
    {Text::DOWNLOAD_SUMMARY, "{1} files fetched, {2} already complete, {3} .partial files left",
     u8"取得 {1} ファイル、取得済み {2} ファイル、途中まで (.partial) {3} ファイル"},
    {Text::FRAME_NEVER_COMPLETED, "the instrument kept sending, but its last {1} bytes never made a whole frame",
     u8"計測器からデータは届きましたが、最後の {1} バイトはフレームとして完結しませんでした"},
    {Text::SETTINGS_SHOWN, "collect {1}\nsize {2} KB ({3} bytes)\n", u8"収集 {1}\nサイズ {2} KB ({3} バイト)\n"},
    {Text::SETTINGS_SET, "collect {1}\nsize {2} KB\n", u8"収集 {1}\nサイズ {2} KB\n"},
    {Text::COLLECT_ON, "on", u8"オン"},
    {Text::COLLECT_OFF, "off", u8"オフ"},
};

static_assert(std::size(TEXTS) + std::size(SYNC_TEXTS) == static_cast<size_t>(Text::COUNT), "every text has a line");

// The dialog's catalogue messages in English, by their numbers.
const struct {
    int message;
    const char* english;
} CATALOGUE_ENGLISH[] = {
    {MSG_UNSUPPORTED, "The instrument does not support downloading log files."},
    {MSG_NO_RESPONSE, "No response. Disconnected from the instrument."},
    {MSG_TRANSFER_ERROR, "An error occurred during the data transfer."},
    {MSG_FILE_NOT_CREATED, "The log file could not be created."},
    {MSG_SETTINGS_READ_FAILED, "Reading the settings failed."},
    {MSG_SETTINGS_WRITE_FAILED, "Changing the settings failed."},
    {MSG_UNKNOWN_ERROR, "An unknown error occurred."},
    {MSG_ABORTED, "Aborted."},
    {MSG_NO_SD_CARD, "No SD card is inserted in the instrument."},
};

template <size_t N>
const TextLine* Find(const TextLine (&table)[N], Text text) {
    for (const TextLine& line : table)
        if (line.id == text) return &line;
    return nullptr;
}

const char* Lookup(Language language, Text text) {
    const TextLine* line = Find(TEXTS, text);
    if (line == nullptr) line = Find(SYNC_TEXTS, text);
    if (line == nullptr) return "";
    return language == Language::JAPANESE ? line->japanese : line->english;
}
}  // namespace

std::string Say(Language language, Text text, std::initializer_list<std::string> args) {
    const std::string pattern = Lookup(language, text);
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 2 < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[i + 1])) &&
            pattern[i + 2] == '}') {
            const size_t n = static_cast<size_t>(pattern[i + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            i += 2;
            continue;
        }
        out += pattern[i];
    }
    return out;
}

const char* CatalogueEnglish(int number) {
    for (const auto& entry : CATALOGUE_ENGLISH)
        if (entry.message == number) return entry.english;
    return CatalogueEnglish(MSG_UNKNOWN_ERROR);  // as the dialog shows an unknown number
}

Language LanguageOfLocaleName(const std::string& name) {
    auto lower = [&](size_t i) { return static_cast<char>(std::tolower(static_cast<unsigned char>(name[i]))); };
    if (name.size() >= 2 && lower(0) == 'j' && lower(1) == 'a' &&
        (name.size() == 2 || !std::isalpha(static_cast<unsigned char>(name[2])) || name.compare(0, 8, "Japanese") == 0))
        return Language::JAPANESE;
    return Language::ENGLISH;
}

Language DetectLanguage() {
    // A locale named in the environment (a POSIX shell, Wine) speaks first.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != 0) return LanguageOfLocaleName(value);
    }
    return UserInterfaceLanguage();
}
