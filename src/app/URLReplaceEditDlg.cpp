#include "app/URLReplaceEditDlg.h"

#include "app/ListEditPanel.h"
#include "engine/QorURLReplace.h"
#include "platform/StringTable.h"

#include <QTreeWidget>

TURLReplaceEditDlg::TURLReplaceEditDlg(QWidget* parent)
    : TListEditDlg(parent, "URLの置換設定", nullptr, "lvReplace", {"対象URL", "置換URL"},
                   {{"対象URL(&T):", "edtTarget", 256, true}, {"置換URL(&R):", "edtReplace", 256, true}},
                   false) {
    setObjectName("TURLReplaceEditDlg");
    List->setColumnWidth(0, 230);
    Panel->ReadFields = [this](TListEditPanel::TRow& row) {
        const std::string target = FieldText(0);
        const std::string replace = FieldText(1);
        std::string message;
        if (target.empty()) message = TStringTable::Get(56);
        if (replace.empty()) message = TStringTable::Get(57);
        if (!message.empty()) return Refuse(message);
        row = {target, replace};
        return true;
    };
}

void TURLReplaceEditDlg::FillRows() {
    if (!Replace) return;
    for (int i = 0; i < Replace->GetCount(); ++i) {
        auto rule = Replace->GetItem(i);
        Panel->AppendRow({rule->Target, rule->Replace});
    }
}

void TURLReplaceEditDlg::StoreRows() {
    if (!Replace) return;
    // One assignment, so a load thread applying the rules sees the old list
    // or the whole new one.
    TQorURLReplace edited;
    for (const auto& row : Panel->Rows()) edited.Add(row[0], row[1]);
    Replace->Assign(&edited);
}
