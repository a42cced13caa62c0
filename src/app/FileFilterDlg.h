#pragma once
// "ファイル種類の管理": edits a copy of the file list's type filters and
// gives it back only on OK; the caller writes ffilter.dat then.
#include "app/ListEditDlg.h"

class TFileFilter;

class TFileFilterDlg : public TListEditDlg {
    Q_OBJECT
public:
    explicit TFileFilterDlg(QWidget* parent = nullptr);

    TFileFilter* Filter = nullptr; // set before showing

protected:
    void FillRows() override;
    void StoreRows() override;
};
