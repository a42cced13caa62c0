// The page tree and the history tree with Japanese captions on a real X
// display, grabbed to PNG. With VORLEN_SCREENSHOT_DIR set the pictures go
// there (docs/screenshots/ is made so); otherwise they are only checked.
#include "engine/QorFileProtector.h"
#include "platform/CodePage.h"
#include "support/TempFolder.h"
#include "views/QorHistoryTree.h"
#include "views/QorWebTree.h"

#include <QImage>
#include <QPixmap>
#include <QtTest>

#include <filesystem>

class ViewsScreenshotX11Test : public QObject {
    Q_OBJECT

    static void Save(QWidget& widget, const QString& name) {
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTest::qWait(50);
        const QImage image = widget.grab().toImage();
        QVERIFY(!image.isNull());
        // Something besides the background was drawn.
        const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
        int other = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) other += image.pixel(x, y) != background;
        QVERIFY(other > 200);
        const QByteArray dir = qgetenv("VORLEN_SCREENSHOT_DIR");
        if (!dir.isEmpty()) QVERIFY(image.save(QString::fromUtf8(dir) + "/" + name));
    }

    static TQorFile& Link(std::vector<std::unique_ptr<TQorFile>>& keep, const char* url, const char* anchor) {
        keep.push_back(std::make_unique<TQorFile>(url));
        keep.back()->SetAnchorString(SJ(anchor));
        return *keep.back();
    }

private slots:
    void pageTree() {
        TQorWebTree tree;
        tree.resize(360, 300);
        tree.Initialize();
        std::vector<std::unique_ptr<TQorFile>> keep;
        TQorPageNode* page = tree.AddRootPage("http://www.example.jp/", true);
        tree.SetNodeText(page, SJ("例のサイト - トップページ"));
        tree.SetNodeIcon(page, TQorPageTree::ImageLoaded);
        TQorPageNode* news = tree.AddChild(page, Link(keep, "http://www.example.jp/news/", "お知らせ一覧"));
        tree.AddChild(page, Link(keep, "http://www.example.jp/about.html", "会社概要"));
        tree.AddChild(page, Link(keep, "http://www.example.jp/", "ホームへ戻る")); // a loop
        TQorPageNode* failed = tree.AddChild(page, Link(keep, "http://www.example.jp/gone.html", "削除されたページ"));
        tree.SetNodeIcon(failed, TQorPageTree::ImageFailed);
        tree.SetNodeIcon(news, TQorPageTree::ImageCached);
        tree.AddChild(news, Link(keep, "http://www.example.jp/news/2024/spring.html", "春の新製品のご案内"));
        tree.AddChild(news, Link(keep, "http://www.example.jp/news/2024/summer.html", ""));
        TQorPageNode* other = tree.AddRootPage("http://www.example.com/docs/index.html", false);
        tree.SetNodeIcon(other, TQorPageTree::ImageLoaded);
        tree.SetCurrentNode(news);
        tree.expandAll();
        tree.SelectNode(news);
        Save(tree, "page-tree.png");
    }

    void historyTree() {
        TTempFolder temp{"shot"};
        TQorHistoryTree tree;
        tree.resize(360, 300);
        TDateTime now = 0;
        TDateTimeText::TryEncode(2024, 4, 18, 21, 0, 0, now);
        tree.Core().Clock = [now] { return now; };
        tree.SetPath(temp.Win());
        for (const char* day : {"20240415", "20240417"}) std::filesystem::create_directories(temp.NativePath(day));
        TQorFileProtector::SaveEncryptionText(temp.Win("20240417\\a.phs"),
                                              SJ("天気予報 - 東京の一週間") + "\thttp://weather.example.jp/\t");
        TQorFileProtector::SaveEncryptionText(temp.Win("20240417\\b.phs"),
                                              SJ("駅前ラーメン店の口コミ") + "\thttp://food.example.jp/r/1\t");
        QVERIFY(tree.Read());
        tree.OpenDateItem(tree.IndexOfDay(tree.Core().Day(1)), false);
        tree.OpenDateItem(tree.IndexOfDay(tree.TodayNode()), false);
        QVERIFY(tree.Add(SJ("例のサイト - トップページ"), "http://www.example.jp/", ""));
        QVERIFY(tree.Add(SJ("画像ギャラリー（2024年春）"), "http://www.example.jp/gallery/", ""));
        QVERIFY(tree.Add("", "http://www.example.com/docs/index.html", ""));
        Save(tree, "history-tree.png");
    }
};

QTEST_MAIN(ViewsScreenshotX11Test)
#include "ViewsScreenshotX11Test.moc"
