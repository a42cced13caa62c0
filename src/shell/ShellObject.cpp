#include "shell/ShellObject.h"

#include "platform/FileOps.h"
#include "platform/SystemFolders.h"
#include "platform/WinPath.h"
#include "shell/FilePropertyDlg.h"
#include "shell/QtText.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QIcon>
#include <QLocale>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>

namespace {

// QMimeType::comment picks its language from the default QLocale; the
// program speaks Japanese whatever the session's locale is.
class TJapaneseLocale {
public:
    TJapaneseLocale() : saved_(QLocale()) { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    ~TJapaneseLocale() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

QIcon ThemeIcon(const QString& name) {
    if (name.isEmpty() || !QIcon::hasThemeIcon(name)) return QIcon();
    return QIcon::fromTheme(name);
}

QIcon GenericFileIcon() {
    QIcon icon = ThemeIcon(QStringLiteral("application-x-generic"));
    if (icon.isNull()) icon = ThemeIcon(QStringLiteral("text-x-generic"));
    if (icon.isNull()) icon = QFileIconProvider().icon(QFileIconProvider::File);
    if (icon.isNull() && qApp) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

QIcon FolderIcon(const QMimeType& type) {
    QIcon icon = ThemeIcon(type.iconName());
    if (icon.isNull()) icon = ThemeIcon(QStringLiteral("folder"));
    if (icon.isNull()) icon = QFileIconProvider().icon(QFileIconProvider::Folder);
    if (icon.isNull() && qApp) icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    return icon;
}

bool OpenUrl(const QUrl& url) { return url.isValid() && QDesktopServices::openUrl(url); }

} // namespace

std::string TShellObject::SelectFolder(QWidget* owner, std::string_view startFolder,
                                       std::string_view title) {
    QString start = TQtText::NativePath(startFolder);
    if (startFolder.empty() || !QDir(start).exists()) start = QDir::rootPath();
    QString chosen = QFileDialog::getExistingDirectory(owner, TQtText::ToQ(title), start,
                                                       QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return std::string();
    return TWinPath::IncludeTrailingBackslash(TQtText::WinPath(chosen));
}

std::string TShellObject::GetSpecialFolderPath(TSpecialFolder folder) {
    QString native;
    switch (folder) {
    case sfAppData:
        return TSystemFolders::AppDataFolder();
    case sfPersonal:
        native = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        break;
    case sfDesktop:
        native = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        break;
    }
    if (native.isEmpty()) return std::string();
    return TWinPath::IncludeTrailingBackslash(TQtText::WinPath(native));
}

bool TShellObject::GetFileTypeInfo(std::string_view name, std::string& typeName,
                                   bool& genericIcon, QIcon& icon) {
    typeName.clear();
    genericIcon = false;
    QMimeDatabase db;
    TJapaneseLocale japanese;
    if (name == "<dir>") {
        QMimeType type = db.mimeTypeForName(QStringLiteral("inode/directory"));
        icon = FolderIcon(type);
        if (!type.isValid()) return false;
        typeName = TQtText::FromQ(type.comment());
        return true;
    }
    std::string ext(name);
    if (ext.empty() || ext[0] != '.') ext.insert(ext.begin(), '.');
    QMimeType type;
    if (ext.size() > 1)
        type = db.mimeTypeForFile(QStringLiteral("x") + TQtText::ToQ(ext), QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault()) {
        genericIcon = true;
        icon = GenericFileIcon();
        return false;
    }
    typeName = TQtText::FromQ(type.comment());
    icon = ThemeIcon(type.iconName());
    if (icon.isNull()) icon = ThemeIcon(type.genericIconName());
    if (icon.isNull()) {
        genericIcon = true;
        icon = GenericFileIcon();
    }
    return true;
}

bool TShellObject::OpenByBrowser(std::string_view address) {
    if (TWinPath::HasDrive(address)) {
        std::string native = TWinPath::ToNative(address);
        return !native.empty() && OpenUrl(QUrl::fromLocalFile(QString::fromStdString(native)));
    }
    QUrl url(TQtText::ToQ(address), QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
        scheme != QLatin1String("ftp") && scheme != QLatin1String("file"))
        return false;
    if (scheme != QLatin1String("file") && url.host().isEmpty()) return false;
    return OpenUrl(url);
}

bool TShellObject::Execute(std::string_view path) {
    std::string native = TWinPath::ToNative(path);
    if (native.empty()) return false;
    return OpenUrl(QUrl::fromLocalFile(QString::fromStdString(native)));
}

void TShellObject::ShowProperty(QWidget* owner, std::string_view path) {
    auto* dlg = new TFilePropertyDlg(owner, std::string(path));
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->show();
}

void TShellObject::PrepareIconTheme() {
    // Without a desktop platform theme (offscreen, bare X) Qt searches only
    // its resources; the themes live in the XDG data folders.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = data + QStringLiteral("/icons");
        if (!paths.contains(icons) && QDir(icons).exists()) paths.append(icons);
    }
    QIcon::setThemeSearchPaths(paths);
    if (!QIcon::fallbackThemeName().isEmpty() && QIcon::fallbackThemeName() != QLatin1String("hicolor"))
        return;
    for (const QString& dir : paths) {
        if (QDir(dir + QStringLiteral("/Adwaita")).exists()) {
            QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
            return;
        }
    }
}
