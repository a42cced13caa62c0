#include "app/YarvCommands.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

TYarvCommands::TYarvCommands(QWidget* window, std::function<TYarvCommandState()> snapshot)
    : QObject(window), window_(window), snapshot_(std::move(snapshot)) {}

QAction* TYarvCommands::Add(const char* name, const QString& caption, TYarvCommand rule,
                            std::function<void()> handler, const QKeySequence& key, const QIcon& icon) {
    auto* action = new QAction(icon, caption, window_);
    action->setObjectName(name);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        Bind(key, name);
    }
    entries_[name] = {action, rule, handler};
    order_.push_back(name);
    connect(action, &QAction::triggered, this, [handler] {
        if (handler) handler();
    });
    return action;
}

void TYarvCommands::AddKey(const char* name, const QKeySequence& key, TYarvCommand rule,
                           std::function<void()> handler) {
    entries_[name] = {nullptr, rule, std::move(handler)};
    order_.push_back(name);
    Bind(key, name);
}

void TYarvCommands::Bind(const QKeySequence& key, const char* name) {
    const QString text = key.toString(QKeySequence::PortableText);
    std::vector<QString>& names = keys_[text];
    names.push_back(name);
    if (names.size() > 1) return;
    auto* shortcut = new QShortcut(key, window_);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, key] { RunKey(key); });
}

QAction* TYarvCommands::Get(const char* name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : it->second.Action;
}

TYarvCommandRule TYarvCommands::RuleOf(const char* name) const {
    auto it = entries_.find(name);
    if (it == entries_.end()) return {false, false};
    return TYarvCommandRules::Rule(it->second.Rule, snapshot_());
}

void TYarvCommands::Update() {
    const TYarvCommandState state = snapshot_();
    for (const QString& name : order_) {
        const TEntry& entry = entries_[name];
        if (!entry.Action || entry.Rule == ycAlways) continue;
        const TYarvCommandRule rule = TYarvCommandRules::Rule(entry.Rule, state);
        entry.Action->setVisible(rule.Visible);
        entry.Action->setEnabled(rule.Enabled);
    }
}

void TYarvCommands::Watch(QMenu* menu) { connect(menu, &QMenu::aboutToShow, this, &TYarvCommands::Update); }

bool TYarvCommands::RunKey(const QKeySequence& key) {
    auto it = keys_.find(key.toString(QKeySequence::PortableText));
    if (it == keys_.end()) return false;
    for (const QString& name : it->second)
        if (Run(name.toUtf8().constData())) return true;
    return false;
}

bool TYarvCommands::Run(const char* name) {
    auto it = entries_.find(name);
    if (it == entries_.end()) return false;
    const TEntry& entry = it->second;
    if (!TYarvCommandRules::Rule(entry.Rule, snapshot_()).Runs()) return false;
    if (entry.Action && !entry.Action->isEnabled()) entry.Action->setEnabled(true);
    if (entry.Action) {
        entry.Action->trigger(); // a check button flips its mark
    } else if (entry.Handler) {
        entry.Handler();
    }
    return true;
}
