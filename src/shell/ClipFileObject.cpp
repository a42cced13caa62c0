#include "shell/ClipFileObject.h"

#include "platform/FileUriList.h"
#include "platform/WinPath.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kGnome = QStringLiteral("x-special/gnome-copied-files");
const QString kKdeCut = QStringLiteral("application/x-kde-cutselection");
const QString kText = QStringLiteral("text/plain");

std::string Bytes(const QMimeData* data, const QString& format) {
    QByteArray raw = data->data(format);
    return std::string(raw.constData(), static_cast<size_t>(raw.size()));
}

QByteArray ToBytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The GNOME mark and list, from its own format or from the plain text of
// older Nautilus versions.
bool ReadGnome(const QMimeData* data, bool& cut, std::vector<std::string>& list) {
    if (data->hasFormat(kGnome) && TFileUriList::ParseGnomeCopiedFiles(Bytes(data, kGnome), cut, list))
        return true;
    if (data->hasText()) {
        const std::string text = data->text().toStdString();
        if (text.rfind("x-special/nautilus-clipboard", 0) == 0 &&
            TFileUriList::ParseGnomeCopiedFiles(text, cut, list))
            return true;
    }
    list.clear();
    return false;
}

} // namespace

QMimeData* TClipFileObject::MakeMimeData(const std::vector<std::string>& paths, int effect) {
    const bool cut = (effect & deMove) != 0;
    auto* data = new QMimeData;
    data->setData(kUriList, ToBytes(TFileUriList::FromPaths(paths)));
    data->setData(kGnome, ToBytes(TFileUriList::GnomeCopiedFiles(paths, cut)));
    data->setData(kKdeCut, cut ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
    QString text;
    for (const auto& path : paths) {
        std::string native = TWinPath::ToNative(path);
        if (native.empty()) continue;
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QString::fromStdString(native);
    }
    data->setText(text);
    return data;
}

bool TClipFileObject::ReadFiles(const QMimeData* data, std::vector<std::string>& list) {
    list.clear();
    if (!data) return false;
    if (data->hasFormat(kUriList)) list = TFileUriList::ToPaths(Bytes(data, kUriList));
    if (list.empty()) {
        bool cut = false;
        ReadGnome(data, cut, list);
    }
    return !list.empty();
}

int TClipFileObject::ReadCopyType(const QMimeData* data) {
    if (!data) return deNone;
    bool cut = false;
    std::vector<std::string> ignored;
    if (ReadGnome(data, cut, ignored)) return cut ? deMove : deCopy;
    if (data->hasFormat(kKdeCut)) return data->data(kKdeCut).startsWith('1') ? deMove : deCopy;
    return deNone;
}

void TClipFileObject::ToClipboard(QWidget*, const std::vector<std::string>& paths, int effect) {
    QGuiApplication::clipboard()->setMimeData(MakeMimeData(paths, effect));
}

bool TClipFileObject::GetClipFiles(std::vector<std::string>& list) {
    return ReadFiles(QGuiApplication::clipboard()->mimeData(), list);
}

int TClipFileObject::GetCopyType() { return ReadCopyType(QGuiApplication::clipboard()->mimeData()); }

void TClipFileObject::Clear() { QGuiApplication::clipboard()->clear(); }
