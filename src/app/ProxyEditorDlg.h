#pragma once
// "プロキシリストの管理": edits a copy of the proxy list and gives it back to
// Manager only on OK; the caller writes proxy.dat then.
#include "app/ListEditDlg.h"

class TProxyManager;

class TProxyEditorDlg : public TListEditDlg {
    Q_OBJECT
public:
    explicit TProxyEditorDlg(QWidget* parent = nullptr);

    TProxyManager* Manager = nullptr; // set before showing

protected:
    void FillRows() override;
    void StoreRows() override;
};
