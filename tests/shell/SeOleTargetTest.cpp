// Drops on a real widget, with the data other programs offer: the
// acceptance rules, the formats reported, text before files, first file
// only, and the data of our own drags.
#include "platform/CodePage.h"
#include "shell/QtText.h"
#include "shell/SeOleData.h"
#include "shell/SeOleDropSource.h"
#include "shell/SeOleTarget.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QWidget>
#include <QtTest>

#include <memory>

namespace {

// pairs of format and content
std::unique_ptr<QMimeData> Data(const QStringList& formats) {
    auto data = std::make_unique<QMimeData>();
    for (qsizetype i = 0; i + 1 < formats.size(); i += 2) data->setData(formats[i], formats[i + 1].toUtf8());
    return data;
}

const QString kText = QStringLiteral("text/plain");
const QString kUris = QStringLiteral("text/uri-list");

} // namespace

class SeOleTargetTest : public QObject {
    Q_OBJECT

    struct TDrop {
        bool entered = false;   // the enter was accepted
        Qt::DropAction action = Qt::IgnoreAction;
        QStringList dropped;    // OnDropURL texts, as UTF-16
    };

    // Runs enter, move and (when accepted) drop of `data` over a fresh window.
    TDrop Run(const QMimeData& data, bool noAccept, bool noFile,
              Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
              TSeOleTarget::TDragEvent onEnter = {}) {
        QWidget window;
        auto* target = new TSeOleTarget(&window);
        target->NoAccept = noAccept;
        target->NoFile = noFile;
        target->OnDragEnter = onEnter;
        TDrop result;
        target->OnDropURL = [&](TSeOleTarget* sender, const std::string& text) {
            QCOMPARE(sender, target);
            result.dropped.append(TQtText::ToQ(text));
        };
        const QPoint pt(10, 10);
        QDragEnterEvent enter(pt, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        result.entered = enter.isAccepted();
        if (!result.entered) return result;
        QDragMoveEvent move(pt, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        if (!move.isAccepted()) return result;
        QDropEvent drop(QPointF(pt), actions, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        result.action = drop.dropAction();
        return result;
    }

private slots:
    void drops_data() {
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<bool>("noAccept");
        QTest::addColumn<bool>("noFile");
        QTest::addColumn<bool>("entered");
        QTest::addColumn<QString>("dropped"); // empty: no OnDropURL
        const QString threeFiles = "file:///home/me/a%20b.txt\r\nfile:///home/me/c.txt\r\nfile:///home/me/d.txt\r\n";
        QTest::newRow("browser_link_text_wins")
            << QStringList{kUris, "http://example.com/a.html\r\n", kText, "http://example.com/a.html"}
            << false << true << true << "http://example.com/a.html";
        QTest::newRow("three_files_first_only")
            << QStringList{kUris, threeFiles} << false << false << true << "C:\\home\\me\\a b.txt";
        QTest::newRow("files_refused_with_no_file")
            << QStringList{kUris, threeFiles} << false << true << false << "";
        QTest::newRow("file_uris_as_text_give_the_path")
            << QStringList{kUris, threeFiles, kText, "file:///home/me/a%20b.txt\nfile:///home/me/c.txt"}
            << false << false << true << "C:\\home\\me\\a b.txt";
        QTest::newRow("text_with_files_still_wins")
            << QStringList{kUris, threeFiles, kText, "http://example.com/"} << false << false << true
            << "http://example.com/";
        QTest::newRow("all_lines_of_a_text")
            << QStringList{kText, "http://a/\r\nhttp://b/"} << false << true << true << "http://a/\r\nhttp://b/";
        QTest::newRow("japanese_text")
            << QStringList{kText, "http://example.jp/表.html"} << false << true << true << "http://example.jp/表.html";
        QTest::newRow("no_accept") << QStringList{kText, "http://a/"} << true << false << false << "";
        QTest::newRow("web_uri_list_is_no_file")
            << QStringList{kUris, "http://a/x\r\n"} << false << true << true << "";
    }
    void drops() {
        QFETCH(QStringList, formats);
        QFETCH(bool, noAccept);
        QFETCH(bool, noFile);
        QFETCH(bool, entered);
        QFETCH(QString, dropped);
        auto data = Data(formats);
        TDrop r = Run(*data, noAccept, noFile);
        QCOMPARE(r.entered, entered);
        if (!entered) return;
        QCOMPARE(r.action, Qt::CopyAction);
        QCOMPARE(r.dropped, dropped.isEmpty() ? QStringList() : QStringList{dropped});
    }

    void dragEnterSeesTheFormatsAndDecides_data() {
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<bool>("noAccept");
        QTest::addColumn<int>("seenFormats");
        QTest::addColumn<bool>("seenAccept");
        QTest::newRow("text") << QStringList{kText, "x"} << false << 1 << true;
        QTest::newRow("files") << QStringList{kUris, "file:///a\r\n"} << false << 2 << false;
        QTest::newRow("both") << QStringList{kUris, "file:///a\r\n", kText, "x"} << false << 3 << false;
        QTest::newRow("no_accept_text") << QStringList{kText, "x"} << true << 1 << false;
        QTest::newRow("nothing_known") << QStringList{"image/png", "x"} << false << 0 << true;
    }
    void dragEnterSeesTheFormatsAndDecides() {
        QFETCH(QStringList, formats);
        QFETCH(bool, noAccept);
        QFETCH(int, seenFormats);
        QFETCH(bool, seenAccept);
        auto data = Data(formats);
        int formatsSeen = -1;
        bool acceptSeen = !seenAccept;
        // The handler turns every answer round: a refused drag is taken.
        TDrop r = Run(*data, noAccept, true, Qt::CopyAction | Qt::MoveAction,
                      [&](TSeOleTarget*, const QPoint& pt, int f, bool& accept) {
                          QCOMPARE(pt, QPoint(10, 10));
                          formatsSeen = f;
                          acceptSeen = accept;
                          accept = !accept;
                      });
        QCOMPARE(formatsSeen, seenFormats);
        QCOMPARE(acceptSeen, seenAccept);
        QCOMPARE(r.entered, !seenAccept);
    }

    void onlyCopyIsTaken() {
        auto data = Data({kText, "http://a/"});
        QCOMPARE(Run(*data, false, true, Qt::MoveAction).entered, false);
        TDrop link = Run(*data, false, true, Qt::LinkAction | Qt::MoveAction);
        QVERIFY(link.entered);
        QCOMPARE(link.action, Qt::LinkAction);
    }

    void dragDataOffersTextAndAddresses() {
        const std::string text = "C:\\tmp\\a b.txt\r\nhttp://example.com/x y\r\nplain words\r\n" + SJ("C:\\表");
        std::unique_ptr<QMimeData> both(TSeOleData::Make(text, false));
        QCOMPARE(both->text(), TQtText::ToQ(text));
        QCOMPARE(both->data(kUris), QByteArray("file:///tmp/a%20b.txt\r\nhttp://example.com/x%20y\r\nfile:///%E8%A1%A8\r\n"));
        QCOMPARE(TSeOleData::Formats(both.get()), TSeOleData::fmText | TSeOleData::fmFiles);
        std::unique_ptr<QMimeData> textOnly(TSeOleData::Make(text, true));
        QVERIFY(!textOnly->hasFormat(kUris));
        QCOMPARE(TSeOleData::Formats(textOnly.get()), int(TSeOleData::fmText));
        QVERIFY(TSeOleData::Make("", false) == nullptr);
    }

    void ownDragOfAPathDropsAsThePath() {
        // Our views drag a local path; a window of ours that takes files
        // gets the path back, not a file:// text.
        std::unique_ptr<QMimeData> data(TSeOleData::Make("C:\\tmp\\" + SJ("表.txt"), false));
        TDrop r = Run(*data, false, false);
        QCOMPARE(r.dropped, QStringList{QStringLiteral("C:\\tmp\\表.txt")});
    }

    void emptyTextStartsNoDrag() {
        QWidget window;
        TSeOleDropSource source(&window);
        bool made = false;
        source.OnMakeData = [&](TSeOleDropSource*, QMimeData&) { made = true; };
        QVERIFY(!source.StartDrag());
        QVERIFY(!made);
    }
};

QTEST_MAIN(SeOleTargetTest)
#include "SeOleTargetTest.moc"
