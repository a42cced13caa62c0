// The address bar over its list: Enter and the button select, the list
// shows in the drop-down, the edit text survives changes of the list.
#include "shell/QtText.h"
#include "views/QorAddressBar.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

class QorAddressBarTest : public QObject {
    Q_OBJECT

    static QStringList Items(const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
        return out;
    }

private slots:
    void enterAndButtonSelect() {
        TQorAddressBar bar;
        bar.resize(500, 26);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QStringList selected;
        QList<Qt::KeyboardModifiers> modifiers; // as the host reads them
        bar.OnSelect = [&](TQorAddressBar* sender, const std::string& address) {
            selected << TQtText::ToQ(address);
            modifiers << sender->ShiftState;
        };
        QComboBox* box = bar.GetHandle();
        QLineEdit* edit = box->lineEdit();

        box->setEditText("  http://a/ ");
        QTest::keyClick(edit, Qt::Key_Return);
        box->setEditText("http://b/");
        bar.findChild<QToolButton*>("btnGo")->click();
        box->setEditText("http://A/"); // the same address as the first
        QTest::keyClick(edit, Qt::Key_Enter, Qt::ShiftModifier);
        QCOMPARE(modifiers.last(), Qt::KeyboardModifiers(Qt::ShiftModifier));
        QCOMPARE(bar.ShiftState, Qt::KeyboardModifiers(Qt::NoModifier)); // Shift let go
        box->setEditText("   ");
        QTest::keyClick(edit, Qt::Key_Return); // blank: nothing
        QCOMPARE(selected, (QStringList{"http://a/", "http://b/", "http://A/"}));
        QCOMPARE(Items(box), (QStringList{"http://a/", "http://b/"}));
        QCOMPARE(box->currentText(), QStringLiteral("   ")); // the box keeps its text

        bar.SetURL(std::string("\t http://c/x.html \r\n"));
        QCOMPARE(bar.GetURL(), std::string("http://c/x.html"));
        bar.Clear();
        QCOMPARE(box->count(), 0);
        QCOMPARE(bar.GetURL(), std::string("http://c/x.html"));
        bar.ClearText();
        QCOMPARE(bar.GetURL(), std::string());
        QCOMPARE(edit->maxLength(), 512);
    }

    void withoutAHandlerNothingIsRemembered() {
        TQorAddressBar bar;
        bar.SetURL("http://a/");
        bar.Select();
        QCOMPARE(bar.Core().Count(), 0);
    }

    void layout() {
        TQorAddressBar bar;
        bar.resize(600, 26);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        auto* label = bar.findChild<QLabel*>();
        QCOMPARE(label->text(), QStringLiteral("アドレス(&D):"));
        QCOMPARE(label->buddy(), static_cast<QWidget*>(bar.GetHandle()));
        QCOMPARE(label->pos(), QPoint(2, 4));
        auto* go = bar.findChild<QToolButton*>("btnGo");
        QCOMPARE(go->text(), QStringLiteral("移動"));
        QCOMPARE(go->size(), QSize(60, 20));
        const QRect button(go->mapTo(&bar, QPoint(0, 0)), go->size());
        QCOMPARE(button.right(), 599);
        QCOMPARE(bar.GetHandle()->geometry().left(), label->geometry().right() + 1 + 6);
        QCOMPARE(bar.GetHandle()->geometry().right() + 1, button.left() - 2);
        bar.resize(800, 26);
        QCOMPARE(go->mapTo(&bar, QPoint(0, 0)).x(), 740);
    }
};

QTEST_MAIN(QorAddressBarTest)
#include "QorAddressBarTest.moc"
