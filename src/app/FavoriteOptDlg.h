#pragma once
// "お気に入りの整理": edits a copy of the favorites and gives it back to
// Manager only on OK; the caller writes favorite.dat and rebuilds the menu.
#include "app/ListEditDlg.h"

class TFavoriteManager;

class TFavoriteOptDlg : public TListEditDlg {
    Q_OBJECT
public:
    explicit TFavoriteOptDlg(QWidget* parent = nullptr);

    TFavoriteManager* Manager = nullptr; // set before showing

protected:
    void FillRows() override;
    void StoreRows() override;
};
