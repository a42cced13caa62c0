#include "app/FavoriteOptDlg.h"

#include "app/ListEditPanel.h"
#include "engine/FavoriteManager.h"
#include "platform/CodePage.h"

TFavoriteOptDlg::TFavoriteOptDlg(QWidget* parent)
    : TListEditDlg(parent, "お気に入りの整理", "現在のお気に入り項目", "lvFavorite", {"タイトル", "URL"},
                   {{"タイトル(&T):", "edtTitle", 256}, {"URL(&U):", "edtURL", 512, true}}, true) {
    setObjectName("TFavoriteOptDlg");
    Panel->ReadFields = [this](TListEditPanel::TRow& row) {
        const std::string title = FieldText(0);
        const std::string url = FieldText(1);
        std::string message;
        if (title.empty()) message = SJ("タイトルを指定してください。");
        if (url.empty()) message = SJ("URLを指定してください。");
        if (!message.empty()) return Refuse(message);
        row = {title, url};
        return true;
    };
}

void TFavoriteOptDlg::FillRows() {
    if (!Manager) return;
    for (int i = 0; i < Manager->Count(); ++i)
        Panel->AppendRow({Manager->GetItem(i)->Title, Manager->GetItem(i)->URL});
}

void TFavoriteOptDlg::StoreRows() {
    if (!Manager) return;
    Manager->Clear();
    for (const auto& row : Panel->Rows()) Manager->Add(row[1], row[0]);
}
