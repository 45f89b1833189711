#include "tools/qvlog/Outcome.h"

#include "ui/controls/MessageCatalogue.h"

namespace {

struct CauseRow {
    Cause cause;
    Outcome exit;
    bool retryable;
    int message;      // the catalogue message the dialog shows for it
    const char* key;  // and its English words, unless `english` gives others
    const char* japanese;
    const char* english = nullptr;
};

constexpr Outcome INSTRUMENT = Outcome::INSTRUMENT_ERROR;
constexpr Outcome FILE = Outcome::FILE_ERROR;
constexpr Outcome LINE = Outcome::NO_RESPONSE;
constexpr int NONE = -1;

// u8 literals stay UTF-8 where narrow literals are compiled to code page 932.
const CauseRow CAUSES[] = {
    {Cause::NONE, Outcome::OK, false, NONE, "", u8""},
    {Cause::USAGE, Outcome::USAGE, false, NONE, "usage", u8"使い方の誤り"},
    {Cause::CONNECTION_REFUSED, LINE, false, NONE, "connection refused", u8"接続が拒否されました"},
    {Cause::NO_ROUTE, LINE, false, NONE, "no route", u8"経路がありません"},
    {Cause::CONNECT_TIMED_OUT, LINE, false, NONE, "connection timed out", u8"接続がタイムアウトしました"},
    {Cause::NO_SUCH_DEVICE, LINE, false, NONE, "no such device", u8"デバイスがありません"},
    {Cause::PORT_IN_USE, LINE, false, NONE, "port in use by another program", u8"ポートは他のプログラムが使用中です"},
    {Cause::PORT_ACCESS_DENIED, LINE, false, NONE, "permission denied", u8"アクセスが拒否されました"},
    {Cause::NOT_A_PORT, LINE, false, NONE, "not a serial port", u8"シリアルポートではありません"},
    {Cause::PORT_SETUP_FAILED, LINE, false, NONE, "the port's line settings could not be applied",
     u8"ポートの通信設定ができませんでした"},
    {Cause::CHANNEL_NOT_OPENED, LINE, false, NONE, "could not open the channel", u8"通信路を開けませんでした"},
    {Cause::UNKNOWN_HOST, LINE, false, NONE, "unknown host", u8"ホストが見つかりません"},
    {Cause::NOT_ACCEPTED, INSTRUMENT, false, NONE, "connection not accepted", u8"接続を受け付けませんでした"},
    {Cause::NO_RESPONSE, LINE, true, MSG_NO_RESPONSE, "no response", u8"応答がありません"},
    {Cause::CONNECTION_LOST, LINE, true, MSG_NO_RESPONSE, "connection lost", u8"接続が切れました"},
    {Cause::TRANSFER_ERROR, INSTRUMENT, true, MSG_TRANSFER_ERROR, "transfer error", u8"転送エラー"},
    {Cause::SIZE_MISMATCH, INSTRUMENT, true, MSG_TRANSFER_ERROR, "size mismatch", u8"サイズが通知と違います"},
    {Cause::RUN_CUT_SHORT, INSTRUMENT, true, MSG_TRANSFER_ERROR, "run cut short",
     u8"最後のファイルより前で止まりました"},
    {Cause::BLOCK_REFUSED, INSTRUMENT, true, MSG_TRANSFER_ERROR, "block refused", u8"データブロックを拒否しました"},
    {Cause::NOT_SUPPORTED, INSTRUMENT, false, MSG_UNSUPPORTED, "not supported", u8"計測器が対応していません"},
    {Cause::NO_SD_CARD, INSTRUMENT, false, MSG_NO_SD_CARD, "no SD card", u8"SDカードがありません"},
    {Cause::SETTINGS_NOT_READ, INSTRUMENT, false, MSG_SETTINGS_READ_FAILED, "settings not read", u8"設定を読めません"},
    {Cause::SETTING_REFUSED, INSTRUMENT, false, MSG_SETTINGS_WRITE_FAILED, "setting refused", u8"設定を拒否されました"},
    {Cause::UNKNOWN_ERROR, INSTRUMENT, false, MSG_UNKNOWN_ERROR, "unknown error", u8"不明なエラー"},
    {Cause::RUN_NOT_FOUND, INSTRUMENT, false, NONE, "run not found", u8"ログが見つかりません"},
    {Cause::FILE_NOT_FOUND, INSTRUMENT, false, NONE, "file not found", u8"ファイルが見つかりません"},
    {Cause::CATALOGUE_ENTRY, INSTRUMENT, false, NONE, "catalogue entry out of range", u8"一覧の項目が範囲外です"},
    {Cause::CATALOGUE_CUT, INSTRUMENT, false, NONE, "catalogue record cut short", u8"一覧の項目が途中で切れました"},
    {Cause::FILE_NOT_WRITTEN, FILE, false, MSG_FILE_NOT_CREATED, "file not written", u8"ファイルを書けません"},
    {Cause::NO_FOLDER, FILE, false, MSG_FILE_NOT_CREATED, "no such folder", u8"フォルダがありません"},
    {Cause::NOT_A_FOLDER, FILE, false, MSG_FILE_NOT_CREATED, "not a folder", u8"フォルダではありません"},
    {Cause::PERMISSION_DENIED, FILE, false, MSG_FILE_NOT_CREATED, "permission denied", u8"アクセスが拒否されました"},
    {Cause::DISK_FULL, FILE, false, MSG_FILE_NOT_CREATED, "disk full", u8"ディスクがいっぱいです"},
    {Cause::READ_ONLY, FILE, false, MSG_FILE_NOT_CREATED, "read-only file system", u8"読み取り専用です"},
    {Cause::PATH_TOO_LONG, FILE, false, MSG_FILE_NOT_CREATED, "path too long", u8"パスが長すぎます"},
    {Cause::FOLDER_NOT_CP932, FILE, false, MSG_FILE_NOT_CREATED, "folder name not in code page 932",
     u8"フォルダ名をコードページ932で表せません"},
    {Cause::IN_USE_BY_DOWNLOAD, FILE, false, MSG_FILE_NOT_CREATED, "in use by another download",
     u8"別のダウンロードが使用中です"},
    {Cause::NAME_NOT_REPLACEABLE, FILE, false, MSG_FILE_NOT_CREATED, "cannot replace the existing file",
     u8"既存のファイルを置き換えられません (読み取り専用、フォルダ、または他のプログラムが開いています)",
     "the existing file cannot be replaced (read-only, a folder, or open in another program)"},
    {Cause::NOT_RENAMED, FILE, false, MSG_FILE_NOT_CREATED, "not renamed",
     u8"完成したファイルに名前を付けられませんでした", "the finished file could not take its name"},
    {Cause::WRITE_FAILED, FILE, false, MSG_FILE_NOT_CREATED, "write failed",
     u8"書き込みに失敗しました", "the write failed"},
    {Cause::INSTRUMENT_BUSY, INSTRUMENT, false, NONE, "busy", u8"別の同期が実行中"},
    {Cause::ABORTED, Outcome::ABORTED, false, MSG_ABORTED, "aborted", u8"中断"},
};

static_assert(sizeof CAUSES / sizeof CAUSES[0] == static_cast<size_t>(Cause::COUNT), "every cause has a row");

const CauseRow& Row(Cause cause) {
    for (const CauseRow& row : CAUSES)
        if (row.cause == cause) return row;
    return CAUSES[0];
}

}  // namespace

bool Failure::Retryable() const { return Row(cause).retryable; }

Failure Fail(Cause cause, std::string detail) {
    const CauseRow& row = Row(cause);
    Failure f;
    f.exit = row.exit;
    f.cause = cause;
    f.message = row.message;
    f.detail = std::move(detail);
    return f;
}

Failure Interrupted(Language language) {
    Failure f = Fail(Cause::ABORTED, Say(language, Text::INTERRUPTED));
    f.message = -1;  // the user's own stop: the dialog showed nothing
    return f;
}

const char* CauseKey(Cause cause) { return Row(cause).key; }

std::string SayCause(Language language, Cause cause) {
    const CauseRow& row = Row(cause);
    if (language == Language::JAPANESE) return row.japanese;
    return row.english != nullptr ? row.english : row.key;
}

std::string CauseInLine(Language language, Cause cause) {
    // English keeps the key: it is what scripts and the JSON know.
    return language == Language::ENGLISH ? CauseKey(cause) : Row(cause).japanese;
}

Cause CauseOfChannel(ChannelCause cause) {
    switch (cause) {
    case ChannelCause::REFUSED: return Cause::CONNECTION_REFUSED;
    case ChannelCause::UNREACHABLE: return Cause::NO_ROUTE;
    case ChannelCause::TIMED_OUT: return Cause::CONNECT_TIMED_OUT;
    case ChannelCause::NO_DEVICE: return Cause::NO_SUCH_DEVICE;
    case ChannelCause::IN_USE: return Cause::PORT_IN_USE;
    case ChannelCause::ACCESS_DENIED: return Cause::PORT_ACCESS_DENIED;
    case ChannelCause::NOT_A_PORT: return Cause::NOT_A_PORT;
    case ChannelCause::SETUP_FAILED: return Cause::PORT_SETUP_FAILED;
    default: return Cause::CHANNEL_NOT_OPENED;
    }
}
