#include "shell/DefaultMailer.h"

#include "shell/QtText.h"

#include <QDesktopServices>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The value of `key` in `section` of a freedesktop key file; empty if absent.
QString KeyFileValue(const QString& path, const QString& section, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line == QLatin1Char('[') + section + QLatin1Char(']');
            continue;
        }
        if (!inSection) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == key) return line.mid(eq + 1).trimmed();
    }
    return QString();
}

// The first desktop id of the mailto: default, in the lookup order of the
// freedesktop MIME applications rules (desktop-specific lists are left to the desktop).
QString MailtoHandler() {
    QStringList lists;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& list : lists) {
        const QString value = KeyFileValue(list, QStringLiteral("Default Applications"),
                                           QStringLiteral("x-scheme-handler/mailto"));
        const QString first = value.section(QLatin1Char(';'), 0, 0).trimmed();
        if (!first.isEmpty()) return first;
    }
    return QString();
}

// The program of an Exec line: its first word, quotes removed.
QString ExecProgram(const QString& exec) {
    QString program;
    bool quoted = false;
    for (QChar c : exec) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c.isSpace() && !quoted) {
            if (!program.isEmpty()) break;
        } else {
            program += c;
        }
    }
    return program;
}

} // namespace

void TDefaultMailer::GetMailer() {
    MailerPath.clear();
    const QString id = MailtoHandler();
    if (id.isEmpty()) return;
    const QString desktop = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    if (desktop.isEmpty()) return;
    QString program = ExecProgram(KeyFileValue(desktop, QStringLiteral("Desktop Entry"), QStringLiteral("Exec")));
    if (program.isEmpty()) return;
    if (!program.startsWith(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(program);
        if (!found.isEmpty()) program = found;
    }
    MailerPath = program.startsWith(QLatin1Char('/')) ? TQtText::WinPath(program) : TQtText::FromQ(program);
}

bool TDefaultMailer::MailTo(std::string_view address) {
    QUrl url(QStringLiteral("mailto:") + TQtText::ToQ(address), QUrl::TolerantMode);
    if (!url.isValid() || url.scheme() != QLatin1String("mailto")) return false;
    return QDesktopServices::openUrl(url);
}
