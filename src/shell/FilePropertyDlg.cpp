#include "shell/FilePropertyDlg.h"

#include "download/SizeText.h"
#include "platform/DateTime.h"
#include "platform/WinPath.h"
#include "shell/QtText.h"
#include "shell/ShellObject.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

QString DateText(const QDateTime& time) {
    if (!time.isValid()) return QString();
    return TQtText::ToQ(TDateTimeText::DateTimeText(TDateTimeText::FromUnix(time.toSecsSinceEpoch())));
}

// "rwxr-xr-x" with the owner and group names, as a file manager shows them.
QString PermissionText(const QFileInfo& info) {
    const QFile::Permissions p = info.permissions();
    const struct {
        QFile::Permission bit;
        char c;
    } kBits[] = {{QFile::ReadOwner, 'r'}, {QFile::WriteOwner, 'w'}, {QFile::ExeOwner, 'x'},
                 {QFile::ReadGroup, 'r'}, {QFile::WriteGroup, 'w'}, {QFile::ExeGroup, 'x'},
                 {QFile::ReadOther, 'r'}, {QFile::WriteOther, 'w'}, {QFile::ExeOther, 'x'}};
    QString text;
    for (const auto& b : kBits) text += (p & b.bit) ? QLatin1Char(b.c) : QLatin1Char('-');
    return text + QStringLiteral(" (") + info.owner() + QLatin1Char(':') + info.group() +
           QLatin1Char(')');
}

} // namespace

TFilePropertyDlg::TFilePropertyDlg(QWidget* owner, const std::string& path) : QDialog(owner) {
    const std::string trimmed = path.size() > 3 ? TWinPath::ExcludeTrailingBackslash(path) : path;
    const QFileInfo info(TQtText::NativePath(trimmed));
    const bool folder = info.isDir();
    const std::string name = TWinPath::ExtractFileName(trimmed);

    setWindowTitle(TQtText::ToQ(name.empty() ? trimmed : name) + QStringLiteral("のプロパティ"));
    auto* layout = new QVBoxLayout(this);
    auto* form = form_ = new QFormLayout;
    layout->addLayout(form);

    std::string typeName;
    bool generic = false;
    QIcon icon;
    const std::string ext = TWinPath::ExtractFileExt(trimmed);
    TShellObject::GetFileTypeInfo(folder ? std::string_view("<dir>") : std::string_view(ext),
                                  typeName, generic, icon);
    if (typeName.empty() && !folder)
        typeName = ext.size() > 1 ? ext.substr(1) + SJ(" ファイル") : SJ("ファイル");

    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon.pixmap(32, 32));
    form->addRow(iconLabel);
    AddRow(QStringLiteral("名前:"), QStringLiteral("lblName"), TQtText::ToQ(name));
    AddRow(QStringLiteral("場所:"), QStringLiteral("lblFolder"),
           TQtText::ToQ(TWinPath::ExtractFilePath(trimmed)));
    AddRow(QStringLiteral("種類:"), QStringLiteral("lblType"), TQtText::ToQ(typeName));
    QString size;
    if (!info.exists())
        size = QStringLiteral("(見つかりません)");
    else if (!folder)
        size = TQtText::ToQ(TSizeText::Get(static_cast<uint64_t>(info.size()))) +
               QStringLiteral(" (%1 バイト)").arg(QLocale::c().toString(info.size()));
    AddRow(QStringLiteral("サイズ:"), QStringLiteral("lblSize"), size);
    AddRow(QStringLiteral("更新日時:"), QStringLiteral("lblModified"),
           DateText(info.lastModified()));
    AddRow(QStringLiteral("アクセス日時:"), QStringLiteral("lblAccessed"),
           DateText(info.lastRead()));
    AddRow(QStringLiteral("アクセス権:"), QStringLiteral("lblPermissions"),
           info.exists() ? PermissionText(info) : QString());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QLabel* TFilePropertyDlg::AddRow(const QString& caption, const QString& objectName,
                                 const QString& value) {
    auto* label = new QLabel(value, this);
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form_->addRow(caption, label);
    return label;
}

QString TFilePropertyDlg::Value(const QString& objectName) const {
    auto* label = findChild<QLabel*>(objectName);
    return label ? label->text() : QString();
}
