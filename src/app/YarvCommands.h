#pragma once
// The main window's commands, each created once with its caption, shortcut,
// rule and handler; menus, tool bars and the context menu show the same
// QAction. The rules (TYarvCommandRules) are asked over a snapshot of the
// window's state when a watched menu is about to show, when Update is
// called after the state changed, and when a shortcut fires.
//
// Shortcuts: Qt disables the shortcut of a hidden action, but a command's
// key must work while its item is hidden (F4 falls back to the page's
// properties, the hidden commands carry only a key). So every key is one
// window-level QShortcut that runs the first command bound to it whose rule
// holds at that moment; the actions keep their key only to show it
// (widget context, so they never fire themselves).
//
// Main thread only.
#include "engine/YarvCommandRules.h"

#include <QIcon>
#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QMenu;
class QShortcut;
class QWidget;

class TYarvCommands : public QObject {
    Q_OBJECT
public:
    TYarvCommands(QWidget* window, std::function<TYarvCommandState()> snapshot);

    // A command; `name` is the action's object name.
    QAction* Add(const char* name, const QString& caption, TYarvCommand rule, std::function<void()> handler,
                 const QKeySequence& key = {}, const QIcon& icon = {});
    // A key alone (a hidden command): runs `handler` when the rule holds.
    void AddKey(const char* name, const QKeySequence& key, TYarvCommand rule, std::function<void()> handler);
    QAction* Get(const char* name) const;

    // Applies every rule to its action.
    void Update();
    // Update when `menu` is about to show.
    void Watch(QMenu* menu);
    // What a key press of `key` does: the first command bound to it whose
    // rule holds runs. False when none did.
    bool RunKey(const QKeySequence& key);
    // Runs the command by name when its rule holds (for the key's path and tests).
    bool Run(const char* name);

    TYarvCommandRule RuleOf(const char* name) const;

private:
    struct TEntry {
        QAction* Action = nullptr; // none for a key alone
        TYarvCommand Rule = ycAlways;
        std::function<void()> Handler;
    };
    void Bind(const QKeySequence& key, const char* name);

    QWidget* window_;
    std::function<TYarvCommandState()> snapshot_;
    std::map<QString, TEntry> entries_;
    std::vector<QString> order_;
    std::map<QString, std::vector<QString>> keys_; // key text -> command names in order
};
