// The file list on a real X display: files it puts on the clipboard are
// read by another program (this executable started again as a reader), and
// a picture of the list showing a page's records.
//
// VORLEN_SCREENSHOT=<file.png> keeps the picture.
#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/Thread.h"
#include "shell/QtText.h"
#include "shell/ShellObject.h"
#include "support/TempFolder.h"
#include "views/QorFileImage.h"
#include "views/QorFileList.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

class QorFileListX11Test : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempFolder> temp_;
    std::unique_ptr<TQorLoadManager> manager_;
    TQorFile page_;
    TQorFileImage image_;
    std::unique_ptr<TQorFileList> list_;

    void Load(const std::string& winPath) {
        page_.URL->SetURL(winPath);
        manager_->OnLoaded = [this](TQorLoadManager* sender, int, int) {
            list_->ClearList();
            list_->SetPageFile(&page_);
            for (const auto& file : sender->PageItems->Files) list_->AddFile(*file);
            list_->ShowList();
        };
        manager_->Load(&page_);
    }
    int RowOf(const QString& caption) const {
        for (int row = 0; row < list_->model()->rowCount(); ++row)
            if (list_->model()->index(row, 0).data().toString() == caption) return row;
        return -1;
    }

private slots:
    void init() {
        TThread::SetMainThread();
        TShellObject::PrepareIconTheme();
        temp_ = std::make_unique<TTempFolder>("filelist-x11");
        QVERIFY(temp_->Ok());
        fs::create_directories(temp_->NativePath("cache"));
        manager_ = std::make_unique<TQorLoadManager>();
        manager_->SetCachePath(temp_->Win("cache\\"));
        list_ = std::make_unique<TQorFileList>();
        list_->SetFileImage(&image_);
    }
    void cleanup() {
        list_.reset();
        manager_.reset();
        temp_.reset();
    }

    void anotherProgramReadsTheFilesFromTheXClipboard() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        const fs::path dir = temp_->NativePath("page");
        fs::create_directories(dir);
        std::ofstream(dir / "caf\xC3\xA9 1.txt") << "x"; // no CP932 form
        std::ofstream(dir / "b.txt") << "b";
        Load(temp_->Win("page\\"));
        QCOMPARE(list_->model()->rowCount(), 2);
        list_->selectAll();
        QVERIFY(list_->ToClipboard(true));

        QProcess reader;
        reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VORLEN_CLIPBOARD_READER"), QStringLiteral("1"));
        reader.setProcessEnvironment(env);
        reader.start(QCoreApplication::applicationFilePath(), {});
        // Our event loop must run to answer the reader's selection request.
        QTRY_VERIFY_WITH_TIMEOUT(reader.state() == QProcess::NotRunning, 60000);
        QCOMPARE(reader.exitCode(), 0);
        const QByteArray out = reader.readAllStandardOutput();
        const QByteArray base = "file://" + QByteArray::fromStdString(dir.string()).toPercentEncoding("/");
        QVERIFY2(out.contains("uri-list:" + base + "/b.txt\r\n"), out.constData());
        QVERIFY2(out.contains(base + "/caf%C3%A9%201.txt"), out.constData());
        QVERIFY2(out.contains("gnome:cut\n"), out.constData());
    }

    void pictureOfAPage() {
        // A page with links of many types, beside folders and files on disk.
        const fs::path site = temp_->NativePath("site");
        for (const char* folder : {"画像", "資料"}) fs::create_directories(site / folder);
        for (const char* file : {"写真.jpg", "地図.png", "案内.pdf", "素材.zip", "メモ.txt", "音楽.mp3"})
            std::ofstream(site / file) << "x";
        std::ofstream(site / "index.html")
            << "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
               "<title>ギャラリー</title></head><body>"
               "<a href=\"画像/\">画像</a> <a href=\"資料/\">資料</a>"
               "<a href=\"写真.jpg\">写真</a> <img src=\"地図.png\"> <a href=\"案内.pdf\">案内</a>"
               "<a href=\"素材.zip\">素材</a> <a href=\"メモ.txt\">メモ</a> <a href=\"音楽.mp3\">音楽</a>"
               "<a href=\"http://www.example.jp/news/top.html\">お知らせ</a>"
               "<a href=\"http://www.example.jp/cgi-bin/search.cgi?q=%E5%86%99%E7%9C%9F&amp;page=2\">検索</a>"
               "<a href=\"http://www.example.jp/photo/spring.jpg\">春の写真</a>"
               "<a href=\"mailto:info@example.jp\">お問い合わせ</a>"
               "</body></html>";
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 10));
        list_->setFont(QApplication::font());
        Load(temp_->Win("site\\index.html"));
        QVERIFY(list_->model()->rowCount() >= 12);

        // Japanese type names from the desktop, and an icon on every row.
        const QRegularExpression japanese(QStringLiteral("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]"));
        for (const QString& name : {QStringLiteral("写真.jpg"), QStringLiteral("案内.pdf"), QStringLiteral("画像")}) {
            const int row = RowOf(name);
            QVERIFY2(row >= 0, qPrintable(name));
            const QString type = list_->model()->index(row, 1).data().toString();
            QVERIFY2(type.contains(japanese), qPrintable(type));
        }
        for (int row = 0; row < list_->model()->rowCount(); ++row)
            QVERIFY(!list_->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

        list_->resize(760, 420);
        for (int column = 0; column < 3; ++column) list_->resizeColumnToContents(column);
        list_->show();
        QVERIFY(QTest::qWaitForWindowExposed(list_.get()));
        list_->selectionModel()->select(list_->model()->index(RowOf(QStringLiteral("写真.jpg")), 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::qWait(200); // icons load lazily; let the first paint settle
        const QPixmap picture = list_->grab();
        QVERIFY(!picture.isNull());
        const QString keep = qEnvironmentVariable("VORLEN_SCREENSHOT");
        if (!keep.isEmpty()) QVERIFY(picture.save(keep, "PNG"));
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("VORLEN_CLIPBOARD_READER")) {
        QApplication app(argc, argv);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (!data) return 1;
        std::fputs("uri-list:", stdout);
        std::fwrite(data->data("text/uri-list").constData(), 1, size_t(data->data("text/uri-list").size()), stdout);
        std::fputs("\ngnome:", stdout);
        const QByteArray gnome = data->data("x-special/gnome-copied-files");
        std::fwrite(gnome.constData(), 1, size_t(gnome.size()), stdout);
        std::fputs("\n", stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QorFileListX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "QorFileListX11Test.moc"
