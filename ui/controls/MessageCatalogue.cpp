#include "ui/controls/MessageCatalogue.h"

#include "ui/controls/DialogState.h"

namespace {

const MessageEntry CATALOGUE[CATALOGUE_SIZE] = {
    {MB_ICON_WARNING, "", "ログファイルのダウンロードに対応していません。"},
    {MB_ICON_WARNING, "", "応答がありません。計測器から切断しました。"},
    {MB_ICON_ERROR, "", "データ転送中にエラーが発生しました。"},
    {MB_ICON_ERROR, "", "ログファイルが作成できませんでした。"},
    {MB_ICON_ERROR, "", "設定の取得に失敗しました。"},
    {MB_ICON_ERROR, "", "設定に失敗しました。"},
    {MB_ICON_ERROR, "", "不明なエラーが発生しました。"},
    {MB_ICON_INFORMATION, "", "中断しました。"},
    {MB_ICON_ERROR, "", "本体にSDカードが挿入されていません。"},
};

}  // namespace

const MessageEntry& CatalogueEntry(int number) {
    if (number < 0 || number >= CATALOGUE_SIZE) number = MSG_UNKNOWN_ERROR;
    return CATALOGUE[number];
}

void ShowCatalogueMessage(DialogState&, UiPort& ui, int number) {
    const MessageEntry& entry = CatalogueEntry(number);
    ui.ShowMessageBox(entry.type, entry.caption, entry.text);
}
