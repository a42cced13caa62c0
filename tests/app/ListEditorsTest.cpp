// The proxy, favorites, file type and address replacement editors: each
// works on its rows and writes back only on OK, so the file the caller
// writes afterwards holds exactly the edits, and Cancel leaves it alone.
#include "app/FavoriteOptDlg.h"
#include "app/FileFilterDlg.h"
#include "app/ProxyEditorDlg.h"
#include "app/URLReplaceEditDlg.h"
#include "engine/FavoriteManager.h"
#include "engine/FileFilter.h"
#include "engine/ProxyManager.h"
#include "engine/QorFileProtector.h"
#include "engine/QorURLReplace.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "support/DialogDriver.h"
#include "support/TempFolder.h"

#include <QPushButton>
#include <QtTest>

namespace {
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
} // namespace

class ListEditorsTest : public QObject {
    Q_OBJECT

    std::string Plain(const TTempFolder& temp, const char* name) {
        return TQorFileProtector::Scramble(temp.Contents(name));
    }

private slots:
    void proxyEditsReachTheFileOnlyOnOK() {
        TTempFolder temp;
        const std::string path = temp.Win("proxy.dat");
        TProxyManager list;
        list.Add("one", "h1", 80);
        list.Add("two", "h2", 81);
        QVERIFY(list.SaveToFile(path));

        for (bool ok : {false, true}) {
            TProxyManager edited;
            QVERIFY(edited.LoadFromFile(path));
            const std::string before = temp.Contents("proxy.dat");
            TProxyEditorDlg dialog;
            dialog.Manager = &edited;
            TShownMessages shown;
            shown.Catch(dialog);
            dialog.show();
            QCOMPARE(RowTexts(&dialog, "lvProxy"), QStringList({"one|h1|80", "two|h2|81"}));
            QVERIFY(!Control<QPushButton>(&dialog, "btnUpdate")->isEnabled());
            QVERIFY(!Control<QPushButton>(&dialog, "btnUp")->isEnabled());

            // No name: listed under its host; a pasted TAB becomes a blank.
            Type(&dialog, "edtProxyName", "");
            Type(&dialog, "edtHost", U(" proxy\tlocal "));
            Type(&dialog, "edtPort", "8080");
            Click(&dialog, "btnAdd");
            QCOMPARE(Control<QTreeWidget>(&dialog, "lvProxy")->currentItem()->text(0), U("proxy local"));
            // Move the new last row up once, rename the first row, delete "two".
            Click(&dialog, "btnUp");
            SelectRow(&dialog, "lvProxy", 0);
            QCOMPARE(Control<QLineEdit>(&dialog, "edtHost")->text(), U("h1"));
            Type(&dialog, "edtProxyName", U("社内"));
            Click(&dialog, "btnUpdate");
            SelectRow(&dialog, "lvProxy", 2);
            Click(&dialog, "btnDelete");
            QCOMPARE(Control<QLineEdit>(&dialog, "edtHost")->text(), QString());
            QVERIFY(shown.Texts.empty());
            QCOMPARE(edited.Count(), 2); // untouched until OK
            Click(&dialog, ok ? "btnOK" : "btnCancel");

            if (!ok) {
                QCOMPARE(edited.GetItem(0)->Name, std::string("one"));
                QCOMPARE(temp.Contents("proxy.dat"), before);
                continue;
            }
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(edited.SaveToFile(path));
            QCOMPARE(Plain(temp, "proxy.dat"),
                     SJ("社内") + "\th1\t80\r\nproxy local\tproxy local\t8080\r\n");
        }
    }

    void proxyFieldChecks_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty port") << "h" << "" << U("ポートを指定してください。");
        QTest::newRow("port 8o") << "h" << "8o" << U("ポート番号が不正です。");
        QTest::newRow("empty host") << "" << "80" << U("ホスト名を指定してください。");
        QTest::newRow("both empty: the port's") << "" << "" << U("ポートを指定してください。");
        QTest::newRow("blank host, bad port") << "  " << "x" << U("ポート番号が不正です。");
    }
    void proxyFieldChecks() {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, message);
        TProxyManager list;
        TProxyEditorDlg dialog;
        dialog.Manager = &list;
        TShownMessages shown;
        shown.Catch(dialog);
        dialog.show();
        Type(&dialog, "edtHost", host);
        Type(&dialog, "edtPort", port);
        Click(&dialog, "btnAdd");
        QCOMPARE(shown.Texts.size(), size_t(1));
        QCOMPARE(shown.Texts[0], message);
        QCOMPARE(Control<QTreeWidget>(&dialog, "lvProxy")->topLevelItemCount(), 0);
    }

    void arrowsDoNothingAtTheEnds() {
        TFavoriteManager list;
        list.Add("http://a/", "A");
        list.Add("http://b/", "B");
        TFavoriteOptDlg dialog;
        dialog.Manager = &list;
        dialog.show();
        SelectRow(&dialog, "lvFavorite", 0);
        QVERIFY(Control<QPushButton>(&dialog, "btnUp")->isEnabled());
        Click(&dialog, "btnUp");
        SelectRow(&dialog, "lvFavorite", 1);
        Click(&dialog, "btnDown");
        QCOMPARE(RowTexts(&dialog, "lvFavorite"), QStringList({"A|http://a/", "B|http://b/"}));
        Click(&dialog, "btnUp");
        QCOMPARE(RowTexts(&dialog, "lvFavorite"), QStringList({"B|http://b/", "A|http://a/"}));
        QCOMPARE(Control<QTreeWidget>(&dialog, "lvFavorite")->currentItem()->text(0), U("B"));
    }

    void favoritesEditsReachTheFileOnlyOnOK() {
        TTempFolder temp;
        const std::string path = temp.Win("favorite.dat");
        TFavoriteManager list;
        list.Add("http://a/", SJ("エー"));
        QVERIFY(list.SaveToFile(path));
        const std::string before = temp.Contents("favorite.dat");

        for (bool ok : {false, true}) {
            TFavoriteManager edited;
            QVERIFY(edited.LoadFromFile(path));
            TFavoriteOptDlg dialog;
            dialog.Manager = &edited;
            TShownMessages shown;
            shown.Catch(dialog);
            dialog.show();
            // A title filled but no URL: refused with the URL message.
            Type(&dialog, "edtTitle", "T");
            Click(&dialog, "btnAdd");
            Type(&dialog, "edtTitle", "");
            Click(&dialog, "btnAdd");
            QCOMPARE(shown.Texts, std::vector<QString>({U("URLを指定してください。"), U("URLを指定してください。")}));
            Type(&dialog, "edtURL", "http://b/");
            Click(&dialog, "btnAdd");
            QCOMPARE(shown.Texts.back(), U("タイトルを指定してください。"));
            Type(&dialog, "edtTitle", U("二行の\r\nタイトル"));
            Click(&dialog, "btnAdd");
            QCOMPARE(Control<QTreeWidget>(&dialog, "lvFavorite")->topLevelItemCount(), 2);
            Click(&dialog, ok ? "btnOK" : "btnCancel");
            if (!ok) {
                QCOMPARE(edited.Count(), 1);
                continue;
            }
            QVERIFY(edited.SaveToFile(path));
        }
        QVERIFY(temp.Contents("favorite.dat") != before);
        QCOMPARE(Plain(temp, "favorite.dat"),
                 "http://a/\t" + SJ("エー") + "\r\nhttp://b/\t" + SJ("二行の  タイトル") + "\r\n");
    }

    void fileFilterEditsAndBothEmptyGivesTheTypesMessage() {
        TTempFolder temp;
        const std::string path = temp.Win("ffilter.dat");
        TFileFilter filter;
        filter.Add(SJ("画像"), "jpg:gif");
        QVERIFY(filter.SaveToFile(path));
        const std::string before = temp.Contents("ffilter.dat");

        for (bool ok : {false, true}) {
            TFileFilter edited;
            QVERIFY(edited.LoadFromFile(path));
            TFileFilterDlg dialog;
            dialog.Filter = &edited;
            TShownMessages shown;
            shown.Catch(dialog);
            dialog.show();
            Click(&dialog, "btnAdd");
            Type(&dialog, "edtType", "zip");
            Click(&dialog, "btnAdd");
            QCOMPARE(shown.Texts, std::vector<QString>({U("ファイルの種類を指定してください。"), U("名前を指定してください。")}));
            Type(&dialog, "edtName", U("圧縮\tファイル"));
            Type(&dialog, "edtType", " ZIP : lzh:");
            Click(&dialog, "btnAdd");
            Click(&dialog, "btnUp");
            QCOMPARE(RowTexts(&dialog, "lvFilter"), QStringList({U("圧縮 ファイル|zip:lzh"), U("画像|jpg:gif")}));
            Click(&dialog, ok ? "btnOK" : "btnCancel");
            if (!ok) {
                QCOMPARE(edited.Count(), 1);
                QCOMPARE(temp.Contents("ffilter.dat"), before);
                continue;
            }
            QVERIFY(edited.SaveToFile(path));
        }
        QCOMPARE(temp.Contents("ffilter.dat"), SJ("圧縮 ファイル") + "\tzip:lzh\r\n" + SJ("画像") + "\tjpg:gif\r\n");
    }

    void urlReplaceEditsAndBothEmptyGivesTheReplacementMessage() {
        TTempFolder temp;
        const std::string path = temp.Win("urlrep.dat");
        TQorURLReplace rules;
        rules.Add("http://old.example/", "http://new.example/");
        QVERIFY(rules.SaveToFile(path));
        const std::string before = temp.Contents("urlrep.dat");

        for (bool ok : {false, true}) {
            TQorURLReplace edited;
            QVERIFY(edited.LoadFromFile(path));
            TURLReplaceEditDlg dialog;
            dialog.Replace = &edited;
            TShownMessages shown;
            shown.Catch(dialog);
            dialog.show();
            QVERIFY(!dialog.findChild<QPushButton*>("btnUp"));
            Click(&dialog, "btnAdd");
            Type(&dialog, "edtReplace", "http://r/");
            Click(&dialog, "btnAdd");
            QCOMPARE(shown.Texts, std::vector<QString>({U("置換URLを指定してください。"), U("対象URLを指定してください。")}));
            Type(&dialog, "edtTarget", "http://t/\n");
            Click(&dialog, "btnAdd");
            SelectRow(&dialog, "lvReplace", 0);
            Type(&dialog, "edtReplace", "http://newer.example/");
            Click(&dialog, "btnUpdate");
            Click(&dialog, ok ? "btnOK" : "btnCancel");
            if (!ok) {
                QCOMPARE(edited.GetItem(0)->Replace, std::string("http://new.example/"));
                QCOMPARE(temp.Contents("urlrep.dat"), before);
                continue;
            }
            QVERIFY(edited.SaveToFile(path));
        }
        QCOMPARE(temp.Contents("urlrep.dat"),
                 std::string("http://old.example/\thttp://newer.example/\r\nhttp://t/\thttp://r/\r\n"));
    }

    void rowsKeepTheirBytes() {
        // A row gives back the CP932 bytes it was made of, not a re-conversion
        // of its shown text.
        TFavoriteManager list;
        const std::string odd = "http://a/\x87\x40"; // a CP932 circled digit
        list.Add(odd, "T");
        TFavoriteOptDlg dialog;
        dialog.Manager = &list;
        dialog.show();
        Click(&dialog, "btnOK");
        QCOMPARE(list.GetItem(0)->URL, odd);
    }
};

QTEST_MAIN(ListEditorsTest)
#include "ListEditorsTest.moc"
