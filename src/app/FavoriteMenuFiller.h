#pragma once
// Fills the favorites menu of the main window: every action after the
// menu's separator is replaced by one per favorite, captioned with its
// title (an "&" in a title is shown, not taken for an access key), the
// first nine with Ctrl+1 to Ctrl+9. Choosing one calls OnOpen with its
// address (CP932).
#include <QObject>

#include <functional>
#include <string>

class QAction;
class QMenu;
class TFavoriteManager;

class TFavoriteMenuFiller : public QObject {
    Q_OBJECT
public:
    // `separator` is the menu's separator after its fixed items.
    TFavoriteMenuFiller(QMenu* menu, QAction* separator);

    std::function<void(const std::string& url)> OnOpen;

    void Fill(const TFavoriteManager& favorites);

private:
    QMenu* menu_;
    QAction* separator_;
};
