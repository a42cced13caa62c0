#pragma once
// Makes a window a drop target for addresses and files from other programs
// (browsers, file managers) and from our own views, and turns what is
// dropped into one text for OnDropURL.
//
// Rules: with NoAccept every drag is refused; with NoFile (the default) a
// drag that lists local files is refused. OnDragEnter/OnDragOver may then
// decide: `formats` has TSeOleData::fmText and/or fmFiles, `accept` comes in
// with the rule's answer and goes out as the decision. Only the copy action
// is taken. On a drop the text wins over files (a browser offers both for a
// link); when a file manager offers its files and, as text, their file://
// addresses, the text is the first file's local path instead. Without text
// the first file's path is given (further files are ignored) unless NoFile.
//
// Main thread only. The target lives as a child of the window it serves.
#include <QObject>
#include <QPoint>

#include <functional>
#include <string>

class QDropEvent;
class QMimeData;
class QWidget;

class TSeOleTarget : public QObject {
    Q_OBJECT
public:
    using TDropURLEvent = std::function<void(TSeOleTarget* sender, const std::string& text)>;
    // `point` is in the window's coordinates.
    using TDragEvent =
        std::function<void(TSeOleTarget* sender, const QPoint& point, int formats, bool& accept)>;

    explicit TSeOleTarget(QWidget* window);
    ~TSeOleTarget() override;

    bool NoAccept = false;
    bool NoFile = true;
    TDropURLEvent OnDropURL;
    TDragEvent OnDragEnter;
    TDragEvent OnDragOver;

    // The text a drop of `data` gives (empty: nothing to give); the rules
    // above without the events.
    std::string DropText(const QMimeData* data) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Accepts(const QMimeData* data, const QPoint& point, const TDragEvent& handler);

    QWidget* window_;
};
