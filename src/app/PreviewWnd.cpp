#include "app/PreviewWnd.h"

#include "download/QorDownloadManager.h"
#include "engine/QorFile.h"
#include "inet/InetHTTP.h"
#include "inet/InetHTTPResponseHeader.h"
#include "picture/JpegDecoder.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/StringTable.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"
#include "shell/QtText.h"
#include "shell/SeOleTarget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>
#include <charconv>

namespace {

QString Q(const std::string& cp932) { return TQtText::ToQ(cp932); }
const std::string& Str(int id) { return TStringTable::Get(id); }

const std::string& TooLargeText() {
    static const std::string text = SJ("ファイルが大きすぎるため表示できません (64 MB まで)");
    return text;
}

// A file name offered by the server, made safe as a save name: no folder
// part, no climbing out of the folder the user picks.
std::string CleanName(const std::string& name) {
    std::string clean = TQorDownloadManager::CleanSaveName(name);
    if (clean.find_first_not_of('.') == std::string::npos) return {};
    return clean;
}

// The text of an Internet shortcut file's URL entry.
std::string ShortcutURL(const std::string& winPath) {
    std::string data;
    if (!TFileOps::ReadWholeFile(winPath, data)) return {};
    size_t at = 0;
    while (at < data.size()) {
        size_t end = data.find_first_of("\r\n", at);
        if (end == std::string::npos) end = data.size();
        const std::string line = data.substr(at, end - at);
        if (line.size() > 4 && (line.compare(0, 4, "URL=") == 0 || line.compare(0, 4, "url=") == 0))
            return line.substr(4);
        at = end + 1;
    }
    return {};
}

std::string DefaultPathToURL(const std::string& text) {
    std::string winPath = text;
    if (!text.empty() && text[0] == '/') winPath = TWinPath::FromNative(TCodePage::ToUtf8(text));
    else if (!TWinPath::HasDrive(text)) return text;
    std::string ext = TWinPath::ExtractFileExt(winPath);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".url") return ShortcutURL(winPath);
    return winPath;
}

QIcon Icon(const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, QApplication::style()->standardIcon(fallback));
}

} // namespace

TPreviewWnd::TPreviewWnd(const std::string& pluginFolder, QWidget* parent)
    : QMainWindow(parent),
      PluginManager(std::make_unique<TPluginManager>(pluginFolder)),
      plmLoader(std::make_unique<TQorLoadManager>()) {
    setObjectName("PreviewWnd");
    resize(469, 359);
    setWindowFlag(Qt::WindowStaysOnTopHint, TopMost);
    CreateControls();
    sotTarget = new TSeOleTarget(this);
    sotTarget->setObjectName("sotTarget");
    sotTarget->NoFile = false;
    sotTarget->OnDropURL = [this](TSeOleTarget* s, const std::string& text) { sotTargetDropURL(s, text); };

    pcgConn.SetRedirect(true);
    pcgConn.SetAutoReferer(true);
    pcgConn.SetUserAgent("Vorlen/2.1");
    plmLoader->Conn = &pcgConn;
    plmLoader->Parse = false;
    plmLoader->UseCache = false;
    plmLoader->OnHead = [this](TQorLoadThread* s, TQorFile& f, bool t, bool& g) { plmLoaderHead(s, f, t, g); };
    plmLoader->OnReceiveData = [this](TInetBase* s, int count) { plmLoaderReceiveData(s, count); };
    plmLoader->OnLoaded = [this](TQorLoadManager* s, int state, int reply) { plmLoaderLoaded(s, state, reply); };
}

TPreviewWnd::~TPreviewWnd() { plmLoader->Cancel(); }

void TPreviewWnd::CreateControls() {
    actClose = new QAction(Q(SJ("閉じる(&X)")), this);
    actSave = new QAction(Icon("document-save", QStyle::SP_DialogSaveButton), Q(SJ("ファイルに保存(&A)")), this);
    actSave->setToolTip(Q(SJ("ファイルに保存")));
    actCopy = new QAction(Icon("edit-copy", QStyle::SP_FileIcon), Q(SJ("クリップボードへコピー(&C)")), this);
    actCopy->setToolTip(Q(SJ("クリップボードへコピー")));
    actStretch = new QAction(Icon("zoom-fit-best", QStyle::SP_TitleBarMaxButton), Q(SJ("ウィンドウに合わせる(&S)")), this);
    actStretch->setToolTip(Q(SJ("ウィンドウに合わせる")));
    actTopMost = new QAction(Icon("go-top", QStyle::SP_ArrowUp), Q(SJ("手前に表示(&T)")), this);
    actTopMost->setToolTip(Q(SJ("手前に表示")));
    actRefresh = new QAction(Icon("view-refresh", QStyle::SP_BrowserReload), Q(SJ("再読み込み(&R)")), this);
    actRefresh->setToolTip(Q(SJ("再読み込み")));
    actClose->setObjectName("actClose");
    actSave->setObjectName("actSave");
    actCopy->setObjectName("actCopy");
    actStretch->setObjectName("actStretch");
    actTopMost->setObjectName("actTopMost");
    actRefresh->setObjectName("actRefresh");
    actStretch->setCheckable(true);
    actStretch->setChecked(true);
    actTopMost->setCheckable(true);
    actTopMost->setChecked(true);
    actSave->setEnabled(false);
    actCopy->setEnabled(false);
    connect(actClose, &QAction::triggered, this, &QWidget::close);
    connect(actSave, &QAction::triggered, this, [this] { actSaveExecute(); });
    connect(actCopy, &QAction::triggered, this, [this] { actCopyExecute(); });
    connect(actStretch, &QAction::triggered, this, [this] { actStretchExecute(); });
    connect(actTopMost, &QAction::triggered, this, [this] { actTopMostExecute(); });
    connect(actRefresh, &QAction::triggered, this, [this] { actRefreshExecute(); });

    tbPrev = addToolBar(QString());
    tbPrev->setObjectName("tbPrev");
    tbPrev->setMovable(false);
    tbPrev->setFloatable(false);
    tbPrev->toggleViewAction()->setVisible(false);
    const std::pair<QAction*, const char*> buttons[] = {
        {actSave, "tbbSave"}, {actCopy, "tbbCopy"}, {nullptr, nullptr}, {actStretch, "tbbStretch"},
        {actTopMost, "tbbTopMost"}, {nullptr, nullptr}, {actRefresh, "tbbRefresh"}};
    for (const auto& [action, name] : buttons) {
        if (!action) {
            tbPrev->addSeparator();
            continue;
        }
        tbPrev->addAction(action);
        tbPrev->widgetForAction(action)->setObjectName(name);
    }

    scbBase = new QScrollArea(this);
    scbBase->setObjectName("scbBase");
    scbBase->setFrameShape(QFrame::NoFrame);
    scbBase->setWidgetResizable(false);
    // The window previews every key, so the box takes no focus.
    scbBase->setFocusPolicy(Qt::NoFocus);
    pnlCanvas = new QWidget;
    pnlCanvas->setObjectName("pnlCanvas");
    imgImage = new QLabel(pnlCanvas);
    imgImage->setObjectName("imgImage");
    imgImage->setScaledContents(true);
    imgImage->hide();
    scbBase->setWidget(pnlCanvas);
    scbBase->viewport()->installEventFilter(this);
    setCentralWidget(scbBase);

    QStatusBar* stbState = statusBar();
    stbState->setObjectName("stbState");
    stbState->setSizeGripEnabled(true);
    pnlStatus = new QLabel;
    pnlStatus->setObjectName("pnlStatus");
    pnlZoom = new QLabel;
    pnlZoom->setObjectName("pnlZoom");
    pnlZoom->setFixedWidth(50);
    stbState->addWidget(pnlStatus, 1);
    stbState->addPermanentWidget(pnlZoom);

    ppmPopup = new QMenu(this);
    ppmPopup->setObjectName("ppmPopup");
    ppmPopup->addAction(actClose);
    ppmPopup->addSeparator();
    ppmPopup->addAction(actSave);
    ppmPopup->addSeparator();
    ppmPopup->addAction(actCopy);
    ppmPopup->addSeparator();
    ppmPopup->addAction(actStretch);
    ppmPopup->addAction(actTopMost);
    ppmPopup->addSeparator();
    ppmPopup->addAction(actRefresh);

    dlgSave = new QFileDialog(this, Q(SJ("ファイルの保存")));
    dlgSave->setObjectName("dlgSave");
    dlgSave->setAcceptMode(QFileDialog::AcceptSave);
    dlgSave->setFileMode(QFileDialog::AnyFile);
    dlgSave->setOption(QFileDialog::DontUseNativeDialog);
    // "*" is every file here; "*.*" would hide names without a dot.
    dlgSave->setNameFilter(Q(SJ("全てのファイル (*)")));
}

QString TPreviewWnd::PanelText(int panel) const { return (panel == 0 ? pnlStatus : pnlZoom)->text(); }

void TPreviewWnd::SetPanel(int panel, const std::string& cp932) {
    (panel == 0 ? pnlStatus : pnlZoom)->setText(Q(cp932));
}

void TPreviewWnd::SetConn(const TQorConnGeneral& settings) { pcgConn.Assign(&settings); }

void TPreviewWnd::SetStretch(bool value) {
    if (value != Stretch) actStretchExecute();
}

void TPreviewWnd::SetTopMost(bool value) {
    if (value != TopMost) actTopMostExecute();
}

void TPreviewWnd::ShowFile(const TQorFile& file, bool onlyIfNew) {
    if (onlyIfNew && file.URL->GetCompURL() == CurrentURL) return;
    LoadFile(file);
}

void TPreviewWnd::LoadFile(const TQorFile& file) {
    // Every record shown becomes the current one, a local file too: reload
    // and the only-if-new test act on what is on screen.
    CurrentURL = file.URL->GetCompURL();
    plmLoader->Cancel();
    if (file.Kind == TQorFile::kLocal) {
        LoadLocalFile(file);
        return;
    }
    PreviewName = file.URL->FileName.empty() ? "index.html" : file.URL->FileName;
    setWindowTitle(Q(PreviewName + " " + Str(36)));
    SetPanel(0, PreviewName + " " + Str(19));
    SetPanel(1, "");
    tooLarge_ = false;
    received_ = 0;
    plmLoader->Load(&file);
}

void TPreviewWnd::LoadLocalFile(const TQorFile& file) {
    imgImage->hide();
    const std::string path = file.URL->GetLocalPath();
    const std::string name = TWinPath::ExtractFileName(file.URL->FileName);
    PreviewName = name;
    setWindowTitle(Q(PreviewName + " " + Str(36)));
    Memory.clear();
    if (TFileOps::FileSize(path) > kMaxPreviewBytes) {
        SetCanSave(false);
        SetPanel(0, name + " " + TooLargeText());
        SetPanel(1, "");
        return;
    }
    if (TFileOps::FileExists(path) && !TFileOps::ReadWholeFile(path, Memory)) Memory.clear();
    SetPanel(0, name + " " + ShowImage());
}

void TPreviewWnd::plmLoaderHead(TQorLoadThread* sender, TQorFile&, bool, bool& getEntity) {
    // Load thread. Refuse a body announced beyond the limit before it comes.
    const TInetHTTPResponseHeader& response = sender->GetHTTP().ResponseHeader;
    const std::string length = response.Values.Get("content-length");
    int64_t size = -1;
    if (!length.empty()) std::from_chars(length.data(), length.data() + length.size(), size);
    if (size > kMaxPreviewBytes) {
        tooLarge_ = true;
        getEntity = false;
        return;
    }
    const std::string alias = CleanName(response.GetAlias());
    if (alias.empty()) return;
    // The window's fields belong to the main thread.
    TThread::Synchronize(sender, [this, alias] { PreviewName = alias; });
}

void TPreviewWnd::plmLoaderReceiveData(TInetBase* sender, int count) {
    // Load thread. A body without a length is stopped once it passes the limit.
    if (received_.fetch_add(count) + count > kMaxPreviewBytes + 64 * 1024 && !tooLarge_.exchange(true))
        sender->Cancel();
}

void TPreviewWnd::plmLoaderLoaded(TQorLoadManager* sender, int state, int reply) {
    if (tooLarge_) {
        Memory.clear();
        imgImage->hide();
        SetCanSave(false);
        SetPanel(0, "(" + std::to_string(reply) + ") " + PreviewName + " " + TooLargeText());
        SetPanel(1, "");
        actRefresh->setEnabled(true);
        return;
    }
    if (state == 0 && reply == 200) sender->GetMemory(Memory);
    else if (state == 1) return;
    else Memory.clear();
    imgImage->hide();
    const std::string text = ShowImage();
    SetPanel(0, "(" + std::to_string(reply) + ") " + PreviewName + " " + text);
}

std::string TPreviewWnd::ShowImage() {
    std::string text;
    bool canSave = false;
    if (Memory.empty()) {
        text = Str(20);
    } else {
        TPictureBitmap jpeg;
        const TPictureBitmap* picture = nullptr;
        std::string error;
        if (PluginManager->LoadPicture(Memory.data(), Memory.size())) picture = &PluginManager->Bitmap;
        else if (TJpegDecoder::Decode(Memory.data(), Memory.size(), jpeg, error)) picture = &jpeg;
        if (picture) {
            shown_ = QImage(picture->Bits.data(), picture->Width, picture->Height, picture->Width * 4,
                            QImage::Format_ARGB32)
                         .copy();
            imgImage->setPixmap(QPixmap::fromImage(shown_));
            imgImage->show();
            text = Str(37);
            canSave = true;
        } else {
            text = Str(38);
        }
        PluginManager->Bitmap.Clear();
    }
    LayoutImage();
    SetCanSave(canSave);
    actRefresh->setEnabled(true);
    return text;
}

void TPreviewWnd::SetCanSave(bool value) {
    actSave->setEnabled(value);
    actCopy->setEnabled(value);
}

TPreviewWnd::TLayout TPreviewWnd::ComputeLayout(int boxWidth, int boxHeight, int pictureWidth,
                                                int pictureHeight, bool stretch) {
    TLayout l;
    l.Width = pictureWidth;
    l.Height = pictureHeight;
    if (!stretch) return l;
    if (pictureWidth > boxWidth || pictureHeight > boxHeight) {
        // A ratio exists for a side the picture overhangs (in a box of some size).
        const bool rw = pictureWidth > boxWidth && boxWidth > 0;
        const bool rh = pictureHeight > boxHeight && boxHeight > 0;
        if (rw && (!rh || int64_t(boxWidth) * pictureHeight <= int64_t(boxHeight) * pictureWidth)) {
            l.ScaleNum = boxWidth;
            l.ScaleDen = pictureWidth;
        } else if (rh) {
            l.ScaleNum = boxHeight;
            l.ScaleDen = pictureHeight;
        } else {
            l.ScaleNum = 0;
            l.Percent = 0;
            l.Keep = true;
            return l;
        }
        l.Width = int(pictureWidth * l.ScaleNum / l.ScaleDen);
        l.Height = int(pictureHeight * l.ScaleNum / l.ScaleDen);
        // Rounded up in whole numbers: a ratio like 7/100 must read 7, not 8.
        l.Percent = int((100 * l.ScaleNum + l.ScaleDen - 1) / l.ScaleDen);
    }
    l.Left = (boxWidth - l.Width) / 2;
    l.Top = (boxHeight - l.Height) / 2;
    return l;
}

void TPreviewWnd::LayoutImage() {
    if (imgImage->isHidden()) return;
    const QSize box = Stretch ? scbBase->maximumViewportSize() : scbBase->viewport()->size();
    const TLayout l = ComputeLayout(box.width(), box.height(), shown_.width(), shown_.height(), Stretch);
    if (!l.Keep) {
        imgImage->setGeometry(l.Left, l.Top, l.Width, l.Height);
        // Fitted, the content is the box (no scroll bars); at full size, the picture.
        pnlCanvas->resize(Stretch ? box : QSize(l.Width, l.Height));
    }
    if (!Memory.empty()) SetPanel(1, ZoomText(l).toStdString());
}

void TPreviewWnd::actSaveExecute() {
    if (!actSave->isEnabled()) return;
    const bool top = TopMost;
    if (top) SetTopMost(false);
    dlgSave->selectFile(Q(PreviewName));
    QString chosen;
    if (dlgSave->exec() == QDialog::Accepted && !dlgSave->selectedFiles().isEmpty())
        chosen = dlgSave->selectedFiles().first();
    if (top) SetTopMost(true);
    if (chosen.isEmpty()) return;
    // The bytes as fetched, not the decoded picture.
    const std::string path = TQtText::WinPath(chosen);
    if (!TFileOps::WriteWholeFile(path, Memory))
        QMessageBox::critical(this, Q(Str(14)), chosen + Q(SJ(" に保存できませんでした。")));
}

void TPreviewWnd::actCopyExecute() {
    if (!actCopy->isEnabled() || shown_.isNull()) return;
    QApplication::clipboard()->setImage(shown_);
}

void TPreviewWnd::actStretchExecute() {
    Stretch = !Stretch;
    imgImage->setScaledContents(Stretch);
    scbBase->horizontalScrollBar()->setValue(0);
    scbBase->verticalScrollBar()->setValue(0);
    if (!Stretch && !imgImage->isHidden()) imgImage->resize(shown_.size());
    LayoutImage();
    actStretch->setChecked(Stretch);
}

void TPreviewWnd::actTopMostExecute() {
    TopMost = !TopMost;
    actTopMost->setChecked(TopMost);
    // Changing the flag re-creates the window; it keeps its place and size.
    const bool visible = isVisible();
    const QRect place = geometry();
    changingFlags_ = true;
    setWindowFlag(Qt::WindowStaysOnTopHint, TopMost);
    if (visible) {
        setGeometry(place);
        show();
    }
    changingFlags_ = false;
}

void TPreviewWnd::actRefreshExecute() {
    if (!actRefresh->isEnabled() || CurrentURL.empty()) return;
    TQorFile file(CurrentURL);
    LoadFile(file);
}

void TPreviewWnd::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (key == Qt::Key_Escape && mods == Qt::NoModifier) close();
    else if (key == Qt::Key_S && mods == Qt::ControlModifier) actSaveExecute();
    else if (key == Qt::Key_W && mods == Qt::ControlModifier) actStretchExecute();
    else if (key == Qt::Key_T && mods == Qt::ControlModifier) actTopMostExecute();
    else if (key == Qt::Key_R) actRefreshExecute();
    if (OnPreviewKeyDown) OnPreviewKeyDown(this, key, mods);
    event->accept();
}

void TPreviewWnd::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous() || changingFlags_) return;
    setWindowTitle(Q(Str(36)));
    SetPanel(0, "");
    SetPanel(1, "");
    actRefresh->setEnabled(false);
}

void TPreviewWnd::closeEvent(QCloseEvent* event) {
    imgImage->hide();
    plmLoader->Cancel();
    CurrentURL.clear();
    QMainWindow::closeEvent(event);
}

void TPreviewWnd::contextMenuEvent(QContextMenuEvent* event) {
    if (tbPrev->geometry().contains(event->pos())) return;
    ppmPopup->popup(event->globalPos());
}

void TPreviewWnd::sotTargetDropURL(TSeOleTarget*, const std::string& text) {
    const std::string line = text.substr(0, text.find_first_of("\r\n"));
    if (line.empty()) return;
    const std::string address = PathToURL ? PathToURL(line) : DefaultPathToURL(line);
    if (address.empty()) return;
    TQorFile file(address);
    ShowFile(file, true);
}

bool TPreviewWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scbBase->viewport() && event->type() == QEvent::Resize) LayoutImage();
    return QMainWindow::eventFilter(watched, event);
}
