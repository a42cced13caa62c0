#include "app/FavoriteMenuFiller.h"

#include "engine/FavoriteManager.h"
#include "shell/QtText.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

TFavoriteMenuFiller::TFavoriteMenuFiller(QMenu* menu, QAction* separator)
    : QObject(menu), menu_(menu), separator_(separator) {}

void TFavoriteMenuFiller::Fill(const TFavoriteManager& favorites) {
    const QList<QAction*> actions = menu_->actions();
    const qsizetype at = actions.indexOf(separator_);
    for (qsizetype i = at + 1; i < actions.size(); ++i) {
        menu_->removeAction(actions[i]);
        delete actions[i];
    }
    for (const tagFAVORITEMENUITEM& item : favorites.GetMenuItems()) {
        QString caption = TQtText::ToQ(item.Caption);
        caption.replace('&', "&&");
        // A TAB in a menu text starts the shortcut column.
        caption.replace('\t', ' ');
        auto* action = menu_->addAction(caption);
        if (!item.Shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdString(item.Shortcut)));
        const std::string url = item.URL;
        connect(action, &QAction::triggered, this, [this, url] {
            if (OnOpen) OnOpen(url);
        });
    }
}
