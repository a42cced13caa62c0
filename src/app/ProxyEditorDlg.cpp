#include "app/ProxyEditorDlg.h"

#include "app/ListEditPanel.h"
#include "engine/ProxyManager.h"
#include "platform/CodePage.h"
#include "platform/StringTable.h"

#include <QLineEdit>
#include <QTreeWidget>

TProxyEditorDlg::TProxyEditorDlg(QWidget* parent)
    : TListEditDlg(parent, "プロキシリストの管理", "登録されているプロキシ", "lvProxy",
                   {"名前", "ホスト", "ポート"},
                   {{"名前(&N):", "edtProxyName", 256},
                    {"ホスト(&H):", "edtHost", 512, true},
                    {"ポート(&P):", "edtPort", 6}},
                   true) {
    setObjectName("TProxyEditorDlg");
    List->setColumnWidth(0, 150);
    List->setColumnWidth(1, 220);
    Edits[2]->setAttribute(Qt::WA_InputMethodEnabled, false);
    Panel->ReadFields = [this](TListEditPanel::TRow& row) {
        const std::string name = FieldText(0);
        const std::string host = FieldText(1);
        const std::string portText = FieldText(2);
        std::string message;
        if (host.empty()) message = SJ("ホスト名を指定してください。");
        int port = 0;
        if (portText.empty())
            message = SJ("ポートを指定してください。");
        else if (!TProxyManager::ReadPort(portText, port))
            message = TStringTable::Get(13);
        if (!message.empty()) return Refuse(message);
        row = {name.empty() ? host : name, host, std::to_string(port)};
        return true;
    };
}

void TProxyEditorDlg::FillRows() {
    if (!Manager) return;
    for (int i = 0; i < Manager->Count(); ++i) {
        const TProxyInfo* item = Manager->GetItem(i);
        Panel->AppendRow({item->Name, item->Host, std::to_string(item->Port)});
    }
}

void TProxyEditorDlg::StoreRows() {
    if (!Manager) return;
    Manager->Clear();
    for (const auto& row : Panel->Rows()) {
        int port = 0;
        TProxyManager::ReadPort(row[2], port);
        Manager->Add(row[0], row[1], port);
    }
}
