#include "tools/qvlog/Outcome.h"

#include "ui/controls/MessageCatalogue.h"

namespace {

struct CauseRow {
    Cause cause;
    const char* key;
    const char* english;  // null: the key says it
    const char* japanese;
    Outcome exit;
    bool retryable;
    int message;
};

constexpr Outcome INSTRUMENT = Outcome::INSTRUMENT_ERROR;
constexpr Outcome FILE = Outcome::FILE_ERROR;
constexpr Outcome LINE = Outcome::NO_RESPONSE;
constexpr int NONE = -1;

// u8 literals stay UTF-8 where narrow literals are compiled to code page 932.
const CauseRow CAUSES[] = {
    {Cause::NONE, "", nullptr, u8"", Outcome::OK, false, NONE},
    {Cause::USAGE, "usage", nullptr, u8"使い方の誤り", Outcome::USAGE, false, NONE},
    {Cause::CONNECTION_REFUSED, "connection refused", nullptr, u8"接続が拒否されました", LINE, false, NONE},
    {Cause::NO_ROUTE, "no route", nullptr, u8"経路がありません", LINE, false, NONE},
    {Cause::CONNECT_TIMED_OUT, "connection timed out", nullptr, u8"接続がタイムアウトしました", LINE, false, NONE},
    {Cause::NO_SUCH_DEVICE, "no such device", nullptr, u8"デバイスがありません", LINE, false, NONE},
    {Cause::PORT_IN_USE, "port in use by another program", nullptr, u8"ポートは他のプログラムが使用中です", LINE,
     false, NONE},
    {Cause::PORT_ACCESS_DENIED, "permission denied", nullptr, u8"アクセスが拒否されました", LINE, false, NONE},
    {Cause::NOT_A_PORT, "not a serial port", nullptr, u8"シリアルポートではありません", LINE, false, NONE},
    {Cause::PORT_SETUP_FAILED, "the port's line settings could not be applied", nullptr,
     u8"ポートの通信設定ができませんでした", LINE, false, NONE},
    {Cause::CHANNEL_NOT_OPENED, "could not open the channel", nullptr, u8"通信路を開けませんでした", LINE, false,
     NONE},
    {Cause::UNKNOWN_HOST, "unknown host", nullptr, u8"ホストが見つかりません", LINE, false, NONE},
    {Cause::NOT_ACCEPTED, "connection not accepted", nullptr, u8"接続を受け付けませんでした", INSTRUMENT, false,
     NONE},
    {Cause::NO_RESPONSE, "no response", nullptr, u8"応答がありません", LINE, true, MSG_NO_RESPONSE},
    {Cause::CONNECTION_LOST, "connection lost", nullptr, u8"接続が切れました", LINE, true, MSG_NO_RESPONSE},
    {Cause::TRANSFER_ERROR, "transfer error", nullptr, u8"転送エラー", INSTRUMENT, true, MSG_TRANSFER_ERROR},
    {Cause::SIZE_MISMATCH, "size mismatch", nullptr, u8"サイズが通知と違います", INSTRUMENT, true,
     MSG_TRANSFER_ERROR},
    {Cause::RUN_CUT_SHORT, "run cut short", nullptr, u8"最後のファイルより前で止まりました", INSTRUMENT, true,
     MSG_TRANSFER_ERROR},
    {Cause::BLOCK_REFUSED, "block refused", nullptr, u8"データブロックを拒否しました", INSTRUMENT, true,
     MSG_TRANSFER_ERROR},
    {Cause::NOT_SUPPORTED, "not supported", nullptr, u8"計測器が対応していません", INSTRUMENT, false,
     MSG_UNSUPPORTED},
    {Cause::NO_SD_CARD, "no SD card", nullptr, u8"SDカードがありません", INSTRUMENT, false, MSG_NO_SD_CARD},
    {Cause::SETTINGS_NOT_READ, "settings not read", nullptr, u8"設定を読めません", INSTRUMENT, false,
     MSG_SETTINGS_READ_FAILED},
    {Cause::SETTING_REFUSED, "setting refused", nullptr, u8"設定を拒否されました", INSTRUMENT, false,
     MSG_SETTINGS_WRITE_FAILED},
    {Cause::UNKNOWN_ERROR, "unknown error", nullptr, u8"不明なエラー", INSTRUMENT, false, MSG_UNKNOWN_ERROR},
    {Cause::RUN_NOT_FOUND, "run not found", nullptr, u8"ログが見つかりません", INSTRUMENT, false, NONE},
    {Cause::FILE_NOT_FOUND, "file not found", nullptr, u8"ファイルが見つかりません", INSTRUMENT, false, NONE},
    {Cause::CATALOGUE_ENTRY, "catalogue entry out of range", nullptr, u8"一覧の項目が範囲外です", INSTRUMENT,
     false, NONE},
    {Cause::CATALOGUE_CUT, "catalogue record cut short", nullptr, u8"一覧の項目が途中で切れました", INSTRUMENT,
     false, NONE},
    {Cause::FILE_NOT_WRITTEN, "file not written", nullptr, u8"ファイルを書けません", FILE, false,
     MSG_FILE_NOT_CREATED},
    {Cause::NO_FOLDER, "no such folder", nullptr, u8"フォルダがありません", FILE, false, MSG_FILE_NOT_CREATED},
    {Cause::NOT_A_FOLDER, "not a folder", nullptr, u8"フォルダではありません", FILE, false, MSG_FILE_NOT_CREATED},
    {Cause::PERMISSION_DENIED, "permission denied", nullptr, u8"アクセスが拒否されました", FILE, false,
     MSG_FILE_NOT_CREATED},
    {Cause::DISK_FULL, "disk full", nullptr, u8"ディスクがいっぱいです", FILE, false, MSG_FILE_NOT_CREATED},
    {Cause::READ_ONLY, "read-only file system", nullptr, u8"読み取り専用です", FILE, false, MSG_FILE_NOT_CREATED},
    {Cause::PATH_TOO_LONG, "path too long", nullptr, u8"パスが長すぎます", FILE, false, MSG_FILE_NOT_CREATED},
    {Cause::FOLDER_NOT_CP932, "folder name not in code page 932", nullptr,
     u8"フォルダ名をコードページ932で表せません", FILE, false, MSG_FILE_NOT_CREATED},
    {Cause::IN_USE_BY_DOWNLOAD, "in use by another download", nullptr, u8"別のダウンロードが使用中です", FILE,
     false, MSG_FILE_NOT_CREATED},
    {Cause::NAME_NOT_REPLACEABLE, "cannot replace the existing file",
     "the existing file cannot be replaced (read-only, a folder, or open in another program)",
     u8"既存のファイルを置き換えられません (読み取り専用、フォルダ、または他のプログラムが開いています)", FILE, false,
     MSG_FILE_NOT_CREATED},
    {Cause::NOT_RENAMED, "not renamed", "the finished file could not take its name",
     u8"完成したファイルに名前を付けられませんでした", FILE, false, MSG_FILE_NOT_CREATED},
    {Cause::WRITE_FAILED, "write failed", "the write failed", u8"書き込みに失敗しました", FILE, false,
     MSG_FILE_NOT_CREATED},
    {Cause::ABORTED, "aborted", nullptr, u8"中断", Outcome::ABORTED, false, MSG_ABORTED},
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
    f.reason = row.key;
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

std::string SayCause(Language language, const std::string& key) {
    // English keeps the key: it is what scripts and the JSON know.
    if (language == Language::ENGLISH) return key;
    for (const CauseRow& row : CAUSES)
        if (key == row.key) return row.japanese;
    return key;
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
