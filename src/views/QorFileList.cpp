#include "views/QorFileList.h"

#include "engine/LocalFileOperation.h"
#include "engine/LocalPathResolver.h"
#include "platform/StringTable.h"
#include "platform/WinPath.h"
#include "shell/ClipFileObject.h"
#include "shell/QtText.h"
#include "shell/SeOleDropSource.h"
#include "views/QorFileImage.h"
#include "views/QorFileListModel.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <thread>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

QString ShowPath(const std::string& native) { return QString::fromUtf8(native.data(), qsizetype(native.size())); }

QString Caption(int id) { return TQtText::ToQ(TStringTable::Get(id)); }

QByteArray FileUri(const std::string& native) {
    return "file://" + QByteArray(native.data(), qsizetype(native.size())).toPercentEncoding("/");
}

// The clipboard forms of the file managers for native paths. The shell's
// clipboard object takes Windows-form paths, which hold only names with a
// CP932 form; other names get the same forms built here from their bytes.
QMimeData* MakeFileMime(const std::vector<std::string>& natives, bool cut) {
    const int effect = cut ? TClipFileObject::deMove : TClipFileObject::deCopy | TClipFileObject::deLink;
    std::vector<std::string> win;
    bool exact = true;
    for (const std::string& native : natives) {
        win.push_back(TWinPath::FromNative(native));
        exact = exact && TWinPath::ToNative(win.back()) == native;
    }
    if (exact) return TClipFileObject::MakeMimeData(win, effect);

    auto* data = new QMimeData;
    QByteArray uris, gnome = cut ? "cut" : "copy";
    QString text;
    for (const std::string& native : natives) {
        uris += FileUri(native) + "\r\n";
        gnome += "\n" + FileUri(native);
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += ShowPath(native);
    }
    data->setData(kUriList, uris);
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    data->setData(QStringLiteral("application/x-kde-cutselection"), cut ? "1" : "0");
    data->setText(text);
    return data;
}

// The native paths of files on the clipboard, taken byte for byte from the
// addresses where there are any.
std::vector<std::string> ReadFileMime(const QMimeData* data) {
    std::vector<std::string> natives;
    if (!data) return natives;
    if (data->hasFormat(kUriList)) {
        for (const QByteArray& raw : data->data(kUriList).split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.isEmpty() || line.startsWith('#')) continue;
            const QUrl url = QUrl::fromEncoded(line);
            if (!url.isLocalFile()) continue;
            const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            if (!path.isEmpty()) natives.emplace_back(path.constData(), size_t(path.size()));
        }
        if (!natives.empty()) return natives;
    }
    std::vector<std::string> win;
    if (TClipFileObject::ReadFiles(data, win))
        for (const std::string& path : win) {
            std::string native = TWinPath::ToNative(path);
            if (!native.empty()) natives.push_back(std::move(native));
        }
    return natives;
}

QString ProblemText(const TFileProblemEntry& entry) {
    QString why;
    switch (entry.Problem) {
    case TFileProblem::Missing: why = QStringLiteral("見つかりません。"); break;
    case TFileProblem::IntoItself: why = QStringLiteral("フォルダをそれ自身の中へ移動またはコピーすることはできません。"); break;
    case TFileProblem::SameFile: why = QStringLiteral("同じ場所へはコピーできません。"); break;
    case TFileProblem::KindClash: why = QStringLiteral("同じ名前のファイルまたはフォルダが既にあります。"); break;
    case TFileProblem::Failed: why = QString::fromStdString(entry.Detail); break;
    }
    return ShowPath(entry.Path) + QStringLiteral(": ") + why;
}

} // namespace

// The rows of one page in the making on a worker, with everything the
// worker reads: its own copies of the page record and of the type table,
// so that nothing it touches is shared with the list.
struct TQorFileList::TBuild {
    TFileListRows Rows;
    TFileTypeTable Types;
    TQorFile Page;
    std::atomic<bool> Stop{false};
    std::thread Worker;

    ~TBuild() {
        Stop = true;
        if (Worker.joinable()) Worker.join();
    }
};

TQorFileList::TQorFileList(QWidget* parent) : QTreeView(parent), model_(new TQorFileListModel(Core, this)) {
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false); // drags start by our own threshold rule
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setStretchLastSection(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) { ColumnClick(column); });
    ShowSortIndicator();
}

// The worker posts to this list: it is stopped and joined first.
TQorFileList::~TQorFileList() { build_.reset(); }

void TQorFileList::SetFileImage(TQorFileImage* image) {
    fileImage_ = image;
    Core.FileImage = image;
    model_->FileImage = image;
    model_->RowsChanged();
}

void TQorFileList::SetActiveCol(int column) {
    FinishBuild();
    Core.ActiveCol = column;
    ShowSortIndicator();
}

void TQorFileList::SetSortOrder(int order) {
    FinishBuild();
    Core.SetSortOrder(order);
    ShowSortIndicator();
}

void TQorFileList::ShowSortIndicator() {
    header()->setSortIndicator(Core.ActiveCol, Core.SortOrder == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TQorFileList::ClearList() {
    build_.reset();
    model_->RowsReset([this] { Core.ClearList(); });
}

void TQorFileList::ClearRows() {
    FinishBuild();
    model_->RowsReset([this] { Core.ClearRows(); });
}

void TQorFileList::ShowFirstRow() {
    ShowSortIndicator();
    if (model_->rowCount() > 0) selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::NoUpdate);
}

void TQorFileList::ShowList() {
    FinishBuild();
    model_->RowsReset([this] { Core.ShowList(); });
    ShowFirstRow();
}

void TQorFileList::ShowListInBackground() {
    build_.reset();
    if (Core.Files().size() < BackgroundRows) {
        ShowList();
        if (OnListShown) OnListShown(this);
        return;
    }
    auto build = std::make_unique<TBuild>();
    if (fileImage_) {
        Core.AddFileTypes(*fileImage_);
        build->Types = fileImage_->Types;
        // The desktop is asked on this thread only; every type is in already.
        build->Types.OnTypeName = nullptr;
        build->Rows.FileImage = &build->Types;
    }
    build->Rows.CopySettings(Core);
    if (Core.PageFile) {
        build->Page.Assign(Core.PageFile);
        build->Rows.PageFile = &build->Page;
    }
    build->Rows.Stop = &build->Stop;
    model_->RowsReset([&] { build->Rows.TakeList(Core); });
    const unsigned number = ++buildNumber_;
    TBuild* job = build.get();
    job->Worker = std::thread([this, job, number] {
        job->Rows.ShowList();
        if (job->Stop) return;
        // Queued to this list's thread; dropped if the list is gone, which
        // it cannot be before this thread is joined.
        QMetaObject::invokeMethod(
            this,
            [this, number] {
                if (build_ && number == buildNumber_) InstallBuild();
            },
            Qt::QueuedConnection);
    });
    build_ = std::move(build);
}

void TQorFileList::FinishBuild() {
    if (build_) InstallBuild();
}

void TQorFileList::InstallBuild() {
    build_->Worker.join();
    const std::unique_ptr<TBuild> build = std::move(build_);
    // A stale report of this build finds build_ empty or newer.
    ++buildNumber_;
    build->Rows.Stop = nullptr;
    model_->RowsReset([&] { Core.TakeList(build->Rows); });
    ShowFirstRow();
    if (OnListShown) OnListShown(this);
}

void TQorFileList::UpdateItemText() {
    ClearRows();
    ShowList();
}

void TQorFileList::ShowInOrderOfAppearance() {
    Core.Sort = false;
    UpdateItemText();
    Core.Sort = true;
}

void TQorFileList::ColumnClick(int column) {
    FinishBuild();
    if (Core.Sort) {
        model_->RowsReordered([&] { Core.ColumnClick(column); });
        scrollTo(currentIndex());
    }
    ShowSortIndicator();
    emit columnClicked(column);
}

const TQorFile* TQorFileList::GetFileInfo(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= Core.Rows().size()) return nullptr;
    return Core.Rows()[static_cast<size_t>(row)].File;
}

std::vector<size_t> TQorFileList::SelectedRows() const {
    std::vector<size_t> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(static_cast<size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::string TQorFileList::GetSelectURLString() const { return Core.GetSelectURLString(SelectedRows()); }

bool TQorFileList::Allowed() {
    bool allow = true;
    if (OnCheck) OnCheck(this, allow);
    return allow;
}

// Rows whose record leads to no file, or to more than one, are never acted
// on: the user is told which and nothing happens.
static bool RefuseUnmapped(QWidget* owner, const TLocalSelection& selection) {
    if (selection.Unmapped.empty()) return false;
    QString names;
    for (const std::string& caption : selection.Unmapped) names += QStringLiteral("\n") + TQtText::ToQ(caption);
    QMessageBox::critical(owner, Caption(14),
                          QStringLiteral("次の項目は元のファイルを特定できないため、操作できません。") + names);
    return true;
}

bool TQorFileList::ToClipboard(bool cut) {
    for (TFileListRow& row : Core.Rows()) row.Cut = false;
    model_->RowsChanged();
    const TLocalSelection selection = Core.GetLocalSelection(SelectedRows());
    if (RefuseUnmapped(this, selection) || selection.Paths.empty()) return false;
    if (cut) {
        for (size_t row : selection.Rows) Core.Rows()[row].Cut = true;
        model_->RowsChanged();
    }
    if (!Allowed()) return false;
    QApplication::clipboard()->setMimeData(MakeFileMime(selection.Paths, cut));
    return true;
}

bool TQorFileList::FromClipboard(bool checkOnly, const std::string& folder) {
    const std::vector<std::string> listed = ReadFileMime(QApplication::clipboard()->mimeData());
    const bool hasFiles = !listed.empty();
    if (checkOnly || !hasFiles) return hasFiles;

    std::vector<std::string> sources;
    for (const std::string& path : listed)
        if (path != "/") sources.push_back(path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path);
    if (sources.empty()) return hasFiles;
    TLocalPathResolver resolver;
    const std::string into = resolver.NativeFolder(folder);
    if (into.empty()) {
        QMessageBox::critical(this, Caption(14),
                              QStringLiteral("貼り付け先のフォルダが見つかりません。\n") + TQtText::ToQ(folder));
        return hasFiles;
    }
    const bool move = (TClipFileObject::GetCopyType() & TClipFileObject::deMove) != 0;

    TLocalFileOperation op;
    op.OnOverwrite = [this](const std::string& target) {
        const auto answer = QMessageBox::question(
            this, Caption(48), QStringLiteral("「%1」は既にあります。置き換えますか？").arg(ShowPath(target)),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
        if (answer == QMessageBox::Yes) return TOverwriteAnswer::Yes;
        if (answer == QMessageBox::No) return TOverwriteAnswer::No;
        return TOverwriteAnswer::Cancel;
    };
    op.CopyInto(sources, into, move);
    // What was cut is gone from where it was: its clipboard entry too.
    if (move && !op.Canceled) TClipFileObject::Clear();
    if (!op.Problems.empty()) {
        QString text = QStringLiteral("次の項目を貼り付けられませんでした。");
        for (const TFileProblemEntry& entry : op.Problems) text += QStringLiteral("\n") + ProblemText(entry);
        QMessageBox::critical(this, Caption(14), text);
    }
    return hasFiles;
}

bool TQorFileList::DeleteLocalFile(bool allowUndo) {
    const TLocalSelection selection = Core.GetLocalSelection(SelectedRows());
    if (RefuseUnmapped(this, selection) || selection.Paths.empty()) return false;
    if (!Allowed()) return false;

    const QString what = selection.Paths.size() == 1
                             ? QStringLiteral("「%1」").arg(ShowPath(selection.Paths.front()))
                             : QStringLiteral("これらの %1 個の項目").arg(selection.Paths.size());
    const QString question = allowUndo ? QStringLiteral("%1をごみ箱に移動しますか？").arg(what)
                                       : QStringLiteral("%1を完全に削除しますか？").arg(what);
    if (QMessageBox::question(this, Caption(48), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
        QMessageBox::Yes)
        return false;

    std::vector<TFileProblemEntry> problems;
    if (allowUndo) {
        // Qt makes the home trash with a single mkdir and, when that fails
        // for a missing data folder, trashes into the working folder.
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        for (const std::string& native : selection.Paths) {
            const QString path = QFile::decodeName(QByteArray(native.data(), qsizetype(native.size())));
            // A name Qt cannot carry would reach another file, or none.
            const QByteArray back = QFile::encodeName(path);
            if (std::string(back.constData(), size_t(back.size())) != native || !QFile::moveToTrash(path))
                problems.push_back({native, TFileProblem::Failed, "ごみ箱に移動できません。"});
        }
    } else {
        TLocalFileOperation op;
        op.DeleteForever(selection.Paths);
        problems = op.Problems;
    }
    if (!problems.empty()) {
        QString text = QStringLiteral("次の項目を削除できませんでした。");
        for (const TFileProblemEntry& entry : problems) text += QStringLiteral("\n") + ProblemText(entry);
        QMessageBox::critical(this, Caption(14), text);
    }
    return problems.size() < selection.Paths.size();
}

void TQorFileList::keyPressEvent(QKeyEvent* event) {
    shiftState_ = event->modifiers();
    QTreeView::keyPressEvent(event);
}

void TQorFileList::keyReleaseEvent(QKeyEvent* event) {
    shiftState_ = Qt::NoModifier;
    QTreeView::keyReleaseEvent(event);
}

void TQorFileList::mousePressEvent(QMouseEvent* event) {
    dragReady_ = event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid();
    pressPos_ = event->position().toPoint();
    QTreeView::mousePressEvent(event);
}

void TQorFileList::mouseMoveEvent(QMouseEvent* event) {
    if (dragReady_ && (event->buttons() & Qt::LeftButton)) {
        const QPoint moved = event->position().toPoint() - pressPos_;
        if (std::abs(moved.x()) > 4 || std::abs(moved.y()) > 4) {
            dragReady_ = false;
            StartDrag();
            return;
        }
    }
    QTreeView::mouseMoveEvent(event);
}

void TQorFileList::mouseReleaseEvent(QMouseEvent* event) {
    dragReady_ = false;
    QTreeView::mouseReleaseEvent(event);
}

void TQorFileList::StartDrag() {
    emit dragStarted();
    if (OnStartDrag) {
        OnStartDrag(this);
        return;
    }
    // The selected rows' addresses, one a line, through the shell's drag
    // source (text and address list, copy only).
    TSeOleDropSource source(this);
    source.Text = GetSelectURLString();
    source.StartDrag();
}
