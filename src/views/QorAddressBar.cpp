#include "views/QorAddressBar.h"

#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "shell/QtText.h"
#include "views/QorAddressModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>

namespace {
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 20;
} // namespace

TQorAddressBar::TQorAddressBar(QWidget* parent) : QWidget(parent) {
    label_ = new QLabel(TQtText::ToQ(TStringTable::Get(1005) + ":"), this);
    box_ = new QComboBox(this);
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert); // the list is ours
    box_->setMaxVisibleItems(TQorAddressList::MaxEntries);
    box_->lineEdit()->setMaxLength(MaxLength);
    model_ = new TQorAddressModel(&list_, this);
    box_->setModel(model_);
    box_->setCurrentIndex(-1);
    // A reset of the model would put its first entry in the box.
    list_.OnChange = [this](TQorAddressList*) {
        const QString text = box_->lineEdit()->text();
        model_->Reset();
        box_->setCurrentIndex(-1);
        box_->setEditText(text);
    };
    label_->setBuddy(box_);
    bar_ = new QToolBar(this);
    bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar_->setMovable(false);
    bar_->setFloatable(false);
    bar_->setStyleSheet("QToolBar { border: 0px; padding: 0px; spacing: 0px; }");
    go_ = new QToolButton(bar_);
    go_->setObjectName("btnGo");
    go_->setText(TQtText::ToQ(TStringTable::Get(1006)));
    go_->setAutoRaise(true);
    go_->setFixedSize(kButtonWidth, kButtonHeight);
    bar_->addWidget(go_);
    connect(go_, &QToolButton::clicked, this, [this] { Select(); });
    box_->installEventFilter(this);
    box_->lineEdit()->installEventFilter(this);
    Initialize();
}

TQorAddressBar::~TQorAddressBar() {
    // The box and its model go while the list they read is still here.
    box_->lineEdit()->removeEventFilter(this);
    box_->removeEventFilter(this);
    list_.OnChange = nullptr;
    delete box_;
    delete model_;
}

void TQorAddressBar::Initialize() {
    label_->adjustSize();
    label_->move(2, 4);
    bar_->setFixedSize(kButtonWidth, kButtonHeight);
    resizeEvent(nullptr);
}

QSize TQorAddressBar::sizeHint() const {
    const int height = qMax(box_->sizeHint().height() + 2, kButtonHeight);
    return QSize(label_->sizeHint().width() + 200 + kButtonWidth, height);
}

void TQorAddressBar::resizeEvent(QResizeEvent*) {
    const int boxLeft = label_->x() + label_->width() + 6;
    bar_->move(width() - kButtonWidth, (height() - kButtonHeight) / 2);
    box_->setGeometry(boxLeft, 1, qMax(0, bar_->x() - 2 - boxLeft), box_->sizeHint().height());
}

void TQorAddressBar::Select() {
    const std::string text = TSjisText::Trim(TQtText::FromQ(box_->currentText()));
    if (!OnSelect || text.empty()) return;
    const std::string address = list_.Select(text);
    if (address.empty()) return;
    box_->setEditText(TQtText::ToQ(address));
    OnSelect(this, address);
}

void TQorAddressBar::ClearText() { box_->setEditText(QString()); }

std::string TQorAddressBar::GetURL() const { return TQtText::FromQ(box_->currentText()); }

void TQorAddressBar::SetURL(const std::string& url) { box_->setEditText(TQtText::ToQ(TSjisText::Trim(url))); }

void TQorAddressBar::SetDroppedDown(bool dropped) {
    if (dropped) box_->showPopup();
    else box_->hidePopup();
}

bool TQorAddressBar::GetDroppedDown() const { return box_->view() && box_->view()->isVisible(); }

void TQorAddressBar::SetFocus() { box_->setFocus(); }

bool TQorAddressBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        ShiftState = key->modifiers();
        if (event->type() == QEvent::KeyPress && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            Select();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
