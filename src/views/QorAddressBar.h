#pragma once
// The address entry of the main window: "アドレス(&D):", an editable
// drop-down of the addresses typed before (TQorAddressList, most recent
// first, 16 at most) and a "移動" button. Enter in the box or the button runs
// Select: the trimmed text moves to the top of the list and goes to the host
// through OnSelect. Picking from the drop-down only fills the box.
//
// Threads: main thread only.
#include "engine/QorAddressList.h"

#include <QWidget>

#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QToolBar;
class QToolButton;
class TQorAddressModel;

class TQorAddressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxLength = 512;

    explicit TQorAddressBar(QWidget* parent = nullptr);
    ~TQorAddressBar() override;

    TQorAddressList& Core() { return list_; }

    // Places the label, box and button (done by the constructor; again
    // after a font change).
    void Initialize();
    void Select();
    bool LoadFromFile(const std::string& path) { return list_.LoadFromFile(path); }
    bool SaveToFile(const std::string& path) const { return list_.SaveToFile(path); }
    void Clear() { list_.Clear(); } // the edit text stays
    void ClearText();
    // The edit text (CP932); setting trims blanks and control characters.
    std::string GetURL() const;
    void SetURL(const std::string& url);
    void SetDroppedDown(bool dropped);
    bool GetDroppedDown() const;
    // The box itself, for the host's focus test (copy, cut, paste).
    QComboBox* GetHandle() const { return box_; }
    void SetFocus();

    QSize sizeHint() const override;

    Qt::KeyboardModifiers ShiftState;
    std::function<void(TQorAddressBar* sender, const std::string& address)> OnSelect;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TQorAddressList list_;
    TQorAddressModel* model_;
    QLabel* label_;
    QComboBox* box_;
    QToolBar* bar_;
    QToolButton* go_;
};
