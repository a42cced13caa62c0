#include "app/FileFilterDlg.h"

#include "app/ListEditPanel.h"
#include "engine/FileFilter.h"
#include "platform/StringTable.h"

TFileFilterDlg::TFileFilterDlg(QWidget* parent)
    : TListEditDlg(parent, "ファイル種類の管理", nullptr, "lvFilter", {"名前", "種類"},
                   {{"名前(&N):", "edtName", 256}, {"種類(&T):", "edtType", 256, true}}, true) {
    setObjectName("TFileFilterDlg");
    Panel->ReadFields = [this](TListEditPanel::TRow& row) {
        const std::string name = FieldText(0);
        const std::string types = FieldText(1);
        std::string message;
        if (name.empty()) message = TStringTable::Get(41);
        if (types.empty()) message = TStringTable::Get(42);
        if (!message.empty()) return Refuse(message);
        // Shown as the list will keep it: trimmed, lower case, no empty parts.
        TFileFilterItem item;
        item.SetExtensionText(types);
        row = {name, item.GetExtensionText()};
        return true;
    };
}

void TFileFilterDlg::FillRows() {
    if (!Filter) return;
    for (int i = 0; i < Filter->Count(); ++i)
        Panel->AppendRow({Filter->GetItem(i)->Name, Filter->GetItem(i)->GetExtensionText()});
}

void TFileFilterDlg::StoreRows() {
    if (!Filter) return;
    Filter->Clear();
    for (const auto& row : Panel->Rows()) Filter->Add(row[0], row[1]);
}
