#include "shell/SeOleData.h"

#include "platform/FileUriList.h"
#include "platform/WinPath.h"
#include "shell/QtText.h"

#include <QMimeData>
#include <QUrl>

namespace {

// "http://x", "mailto:a@b": a scheme of letters, digits, "+", "-", "." before ":".
bool HasScheme(std::string_view line) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon < 2) return false; // "C:" is a drive
    for (size_t i = 0; i < colon; ++i) {
        char c = line[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
            if (i > start) lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

// Real text only: QMimeData::hasText also counts a bare address list.
bool OffersText(const QMimeData* data) {
    return data->hasFormat(QStringLiteral("text/plain")) ||
           data->hasFormat(QStringLiteral("text/plain;charset=utf-8"));
}

} // namespace

QMimeData* TSeOleData::Make(std::string_view text, bool textOnly) {
    if (text.empty()) return nullptr;
    auto* data = new QMimeData;
    data->setText(TQtText::ToQ(text));
    if (textOnly) return data;
    QByteArray list;
    for (std::string_view line : SplitLines(text)) {
        QByteArray uri;
        if (TWinPath::HasDrive(line)) {
            uri = QByteArray::fromStdString(TFileUriList::PathToUri(line));
        } else if (HasScheme(line)) {
            uri = QUrl(TQtText::ToQ(line), QUrl::TolerantMode).toEncoded();
        }
        if (uri.isEmpty()) continue;
        list += uri + "\r\n";
    }
    if (!list.isEmpty()) data->setData(QStringLiteral("text/uri-list"), list);
    return data;
}

int TSeOleData::Formats(const QMimeData* data) {
    if (!data) return 0;
    int formats = 0;
    if (OffersText(data)) formats |= fmText;
    if (!Files(data).empty()) formats |= fmFiles;
    return formats;
}

std::string TSeOleData::Text(const QMimeData* data) {
    if (!data || !OffersText(data)) return std::string();
    return TQtText::FromQ(data->text());
}

std::vector<std::string> TSeOleData::Files(const QMimeData* data) {
    if (!data || !data->hasFormat(QStringLiteral("text/uri-list"))) return {};
    QByteArray raw = data->data(QStringLiteral("text/uri-list"));
    return TFileUriList::ToPaths(std::string_view(raw.constData(), static_cast<size_t>(raw.size())));
}
