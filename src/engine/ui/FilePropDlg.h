#pragma once
// The record-property window: the referer, user, password and port of one
// or more records, and for one http record the server's response header,
// fetched live by the window's own load manager (header only).
//
// The window edits its own copies (TFilePropEdit): the records it was opened
// on may go while it is open. OK writes the values into the copies and, for
// the records that still exist, through Edit().Lookup into them. Modeless;
// frees itself when closed.
#include "engine/FilePropEdit.h"

#include <QDialog>

#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TQorConnGeneral;
class TQorLoadManager;

class TFilePropDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFilePropDlg(QWidget* parent = nullptr);
    ~TFilePropDlg() override;

    // Copies the caller's settings into pcgConn.
    void SetConn(const TQorConnGeneral* conn);
    void AddFile(const TQorFile* file, uint64_t key = 0);
    TFilePropEdit& Edit() { return edit_; }
    // Called by the manager on every open window before rows go: takes the
    // records that still exist afresh.
    virtual void Refresh();
    // Whether the title puts the properties word after the name.
    static bool JapaneseUser();

    QPlainTextEdit* mmAddress;
    QLineEdit* edtReferer;
    QLineEdit* edtUserId;
    QLineEdit* edtPassword;
    QLineEdit* edtPort;
    QPlainTextEdit* mmHTTPHeader;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    std::unique_ptr<TQorConnGeneral> pcgConn;
    std::unique_ptr<TQorLoadManager> plmLoader;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void btnOKClick();
    void plmLoaderLoaded(int state, int reply);

    TFilePropEdit edit_;
    bool shown_ = false;
};
