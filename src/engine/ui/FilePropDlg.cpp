#include "engine/ui/FilePropDlg.h"

#include "engine/QorConnGeneral.h"
#include "engine/QorLoadManager.h"
#include "engine/ui/PopupPlace.h"
#include "engine/ui/QtText.h"
#include "platform/StringTable.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFilePropDlg::TFilePropDlg(QWidget* parent)
    : QDialog(parent), pcgConn(std::make_unique<TQorConnGeneral>()), plmLoader(std::make_unique<TQorLoadManager>()) {
    setObjectName("FilePropDlg");
    setAttribute(Qt::WA_DeleteOnClose);
    mmAddress = new QPlainTextEdit(this);
    mmAddress->setObjectName("mmAddress");
    mmAddress->setReadOnly(true);
    mmAddress->setMaximumHeight(60);
    auto line = [this](const char* name, int max) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMaxLength(max);
        return e;
    };
    edtReferer = line("edtReferer", 512);
    edtUserId = line("edtUserId", 128);
    edtPassword = line("edtPassword", 128);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPort = line("edtPort", 6);
    mmHTTPHeader = new QPlainTextEdit(this);
    mmHTTPHeader->setObjectName("mmHTTPHeader");
    mmHTTPHeader->setReadOnly(true);
    mmHTTPHeader->setLineWrapMode(QPlainTextEdit::NoWrap);
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QtLit("キャンセル"), this);
    btnCancel->setObjectName("btnCancel");

    auto* form = new QFormLayout;
    auto row = [&](const char* caption, QWidget* w) {
        auto* label = new QLabel(QtLit(caption), this);
        label->setBuddy(w);
        form->addRow(label, w);
    };
    row("アドレス(&D):", mmAddress);
    row("参照元(&R):", edtReferer);
    row("ユーザーID(&U):", edtUserId);
    row("パスワード(&P):", edtPassword);
    row("ポート(&O):", edtPort);
    row("HTTPヘッダ(&H):", mmHTTPHeader);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(440, 420);

    plmLoader->Conn = pcgConn.get();
    plmLoader->Parse = false;
    plmLoader->DoAuthorize = false;
    plmLoader->UseCache = false;
    // Only the header is wanted.
    plmLoader->OnHead = [](TQorLoadThread*, TQorFile&, bool, bool& getEntity) { getEntity = false; };
    plmLoader->OnLoaded = [this](TQorLoadManager*, int state, int reply) { plmLoaderLoaded(state, reply); };

    connect(btnOK, &QPushButton::clicked, this, &TFilePropDlg::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFilePropDlg::~TFilePropDlg() {
    plmLoader->OnLoaded = nullptr;
    plmLoader->Cancel();
}

void TFilePropDlg::SetConn(const TQorConnGeneral* conn) { pcgConn->Assign(conn); }

void TFilePropDlg::AddFile(const TQorFile* file, uint64_t key) { edit_.Add(file, key); }

void TFilePropDlg::Refresh() { edit_.Refresh(); }

bool TFilePropDlg::JapaneseUser() { return QLocale::system().language() == QLocale::Japanese; }

void TFilePropDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    TPopupPlace::AtCursor(this);
    setWindowTitle(QtStr(edit_.Title(JapaneseUser())));
    if (edit_.Count() != 1) return;
    const TQorFile& file = *edit_.Get(0);
    if (file.Kind == TQorFile::kMail) {
        mmAddress->setPlainText(QtStr(file.URL->GetURL()));
        return;
    }
    mmAddress->setPlainText(QtStr(file.URL->GetPlaneURL()));
    const TFilePropValues v = TFilePropEdit::ValuesOf(file);
    edtReferer->setText(QtStr(v.Referer));
    edtUserId->setText(QtStr(v.User));
    edtPassword->setText(QtStr(v.Password));
    edtPort->setText(QtStr(v.Port));
    if (file.URL->IsHttp()) {
        mmHTTPHeader->setPlainText(QtStr(TStringTable::Get(19)));
        plmLoader->Load(&file);
    }
}

void TFilePropDlg::plmLoaderLoaded(int state, int) {
    if (state != 0 || plmLoader->HeadText.empty())
        mmHTTPHeader->setPlainText(QtStr(TStringTable::Get(20)));
    else
        mmHTTPHeader->setPlainText(QtStr(plmLoader->HeadText));
}

void TFilePropDlg::btnOKClick() {
    std::string message;
    const TFilePropValues values{SjStr(edtReferer->text()), SjStr(edtUserId->text()), SjStr(edtPassword->text()),
                                 SjStr(edtPort->text())};
    if (!edit_.Apply(values, message)) {
        QMessageBox::critical(this, QtStr(TStringTable::Get(14)), QtStr(message));
        return;
    }
    accept();
}

void TFilePropDlg::done(int result) {
    // The header fetch ends with the window; its report must not come later.
    plmLoader->OnLoaded = nullptr;
    plmLoader->Cancel();
    QDialog::done(result);
}
