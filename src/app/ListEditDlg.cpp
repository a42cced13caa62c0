#include "app/ListEditDlg.h"

#include "app/ErrorBox.h"
#include "app/ListEditPanel.h"
#include "engine/ListFieldText.h"
#include "platform/SjisText.h"
#include "shell/QtText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TListEditDlg::TListEditDlg(QWidget* parent, const char* caption, const char* label, const char* listName,
                           const std::vector<const char*>& columns, const std::vector<Field>& fields,
                           bool arrows)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(caption));
    OnError = [this](const std::string& message) { TErrorBox::Show(this, message); };

    List = new QTreeWidget(this);
    List->setObjectName(listName);
    QStringList headers;
    for (const char* column : columns) headers << QString::fromUtf8(column);
    List->setHeaderLabels(headers);
    List->setColumnWidth(0, 160);

    auto* grid = new QGridLayout;
    for (const Field& field : fields) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(field.Name);
        edit->setMaxLength(field.MaxLength);
        if (field.Latin) edit->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
        auto* fieldLabel = new QLabel(QString::fromUtf8(field.Caption), this);
        fieldLabel->setBuddy(edit);
        const int row = grid->rowCount();
        grid->addWidget(fieldLabel, row, 0);
        grid->addWidget(edit, row, 1);
        Edits.push_back(edit);
    }

    auto makeButton = [this](const char* text, const char* name) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        return button;
    };
    QPushButton* add = makeButton("追加", "btnAdd");
    QPushButton* update = makeButton("更新", "btnUpdate");
    QPushButton* remove = makeButton("削除", "btnDelete");
    QPushButton* up = arrows ? makeButton("↑", "btnUp") : nullptr;
    QPushButton* down = arrows ? makeButton("↓", "btnDown") : nullptr;
    QPushButton* ok = makeButton("OK", "btnOK");
    ok->setDefault(true);
    QPushButton* cancel = makeButton("キャンセル", "btnCancel");

    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(update);
    side->addWidget(remove);
    if (arrows) {
        side->addSpacing(12);
        side->addWidget(up);
        side->addWidget(down);
    }
    side->addStretch();
    auto* left = new QVBoxLayout;
    if (label) {
        auto* listLabel = new QLabel(QString::fromUtf8(label), this);
        listLabel->setBuddy(List);
        left->addWidget(listLabel);
    }
    left->addWidget(List);
    left->addLayout(grid);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    // Fixed border, as the other settings dialogs.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    List->setMinimumSize(460, 220);

    connect(ok, &QPushButton::clicked, this, &TListEditDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &TListEditDlg::reject);

    Panel = new TListEditPanel(List, add, update, remove, up, down);
    Panel->ClearFields = [this] {
        for (QLineEdit* edit : Edits) edit->clear();
    };
    Panel->ShowRow = [this](const std::vector<std::string>& row) {
        for (size_t i = 0; i < Edits.size() && i < row.size(); ++i) Edits[i]->setText(TQtText::ToQ(row[i]));
    };
    Panel->UpdateButtons();
}

std::string TListEditDlg::FieldText(int index) const {
    return TListFieldText::Blanked(TSjisText::Trim(TQtText::FromQ(Edits[size_t(index)]->text())));
}

bool TListEditDlg::Refuse(const std::string& message) {
    OnError(message);
    return false;
}

void TListEditDlg::EnsureFilled() {
    if (filled_) return;
    filled_ = true;
    FillRows();
    Panel->UpdateButtons();
}

void TListEditDlg::showEvent(QShowEvent* event) {
    EnsureFilled();
    QDialog::showEvent(event);
}

void TListEditDlg::accept() {
    EnsureFilled();
    StoreRows();
    QDialog::accept();
}
