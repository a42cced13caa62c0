#pragma once
// "URLの置換設定": edits a copy of the address replacement rules and gives
// it back only on OK; the caller writes urlrep.dat then.
#include "app/ListEditDlg.h"

class TQorURLReplace;

class TURLReplaceEditDlg : public TListEditDlg {
    Q_OBJECT
public:
    explicit TURLReplaceEditDlg(QWidget* parent = nullptr);

    TQorURLReplace* Replace = nullptr; // set before showing

protected:
    void FillRows() override;
    void StoreRows() override;
};
