// The file list widget: rows of a page, header sorting, and the file
// manager actions on a real folder page.
#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "platform/StringTable.h"
#include "platform/Thread.h"
#include "shell/ClipFileObject.h"
#include "shell/QtText.h"
#include "support/TempFolder.h"
#include "views/QorFileImage.h"
#include "views/QorFileList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Answers the next message box with `button` and keeps its text.
class TBoxAnswer {
public:
    explicit TBoxAnswer(QMessageBox::StandardButton button) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            texts.append(box->text());
            box->button(button)->click();
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

class QorFileListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempFolder> temp_;
    std::unique_ptr<TQorLoadManager> manager_;
    TQorFile page_;
    TQorFileImage image_;
    std::unique_ptr<TQorFileList> list_;

    fs::path Dir() const { return temp_->NativePath("page"); }

    // Shows the folder page as the main window does: its records from the
    // load manager's listing, the page itself as PageFile.
    void ShowFolder() {
        page_.URL->SetURL(temp_->Win("page\\"));
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
    void Select(const QStringList& captions) {
        list_->clearSelection();
        for (const QString& caption : captions) {
            const int row = RowOf(caption);
            QVERIFY2(row >= 0, qPrintable(caption));
            list_->selectionModel()->select(list_->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < list_->model()->rowCount(); ++row)
            texts << list_->model()->index(row, column).data().toString();
        return texts;
    }

private slots:
    void init() {
        TThread::SetMainThread();
        temp_ = std::make_unique<TTempFolder>("filelist");
        QVERIFY(temp_->Ok());
        fs::create_directories(Dir());
        fs::create_directories(temp_->NativePath("cache"));
        manager_ = std::make_unique<TQorLoadManager>();
        manager_->SetCachePath(temp_->Win("cache\\"));
        list_ = std::make_unique<TQorFileList>();
        list_->SetFileImage(&image_);
        list_->resize(640, 300);
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() {
        list_.reset();
        manager_.reset();
        temp_.reset();
    }

    void showsThePageRowsAndSortsByHeaderClicks() {
        page_.URL->SetURL("http://example.com:8080/site/index.html");
        list_->SetPageFile(&page_);
        for (const char* url : {"http://example.com:8080/site/b.html", "http://example.com:8080/site/img/a.png",
                                "http://example.com:8080/other/c.txt?x=1", "/mail@example.com"})
            list_->AddFile(TQorFile(url));
        list_->ShowList();

        QCOMPARE(list_->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("名前"));
        QCOMPARE(list_->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("パラメータ"));
        QCOMPARE(Column(0), (QStringList{"a.png", "b.html", "c.txt", "mail@example.com"}));
        QCOMPARE(Column(2), (QStringList{"img/", "", "http://example.com:8080/other/", ""}));
        QCOMPARE(Column(3), (QStringList{"", "", "x=1", ""}));
        QCOMPARE(Column(1).last(), TQtText::ToQ(TStringTable::Get(1020)));
        QVERIFY(!list_->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        // The first row has the focus mark, nothing is selected.
        QCOMPARE(list_->currentIndex().row(), 0);
        QVERIFY(list_->selectionModel()->selectedRows().isEmpty());

        // The selection follows its record through a header click.
        Select({"b.html"});
        QSignalSpy clicked(list_.get(), &TQorFileList::columnClicked);
        list_->header()->sectionClicked(0);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(Column(0), (QStringList{"mail@example.com", "c.txt", "b.html", "a.png"}));
        QCOMPARE(list_->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(list_->GetSortOrder(), 1);
        QCOMPARE(list_->SelectedRows(), (std::vector<size_t>{2}));
        QCOMPARE(list_->GetSelectURLString(), std::string("http://example.com:8080/site/b.html"));

        list_->SetSort(false);
        list_->header()->sectionClicked(0);
        QCOMPARE(Column(0).first(), QStringLiteral("mail@example.com"));
        QCOMPARE(clicked.count(), 2);
    }

    // A large page's rows come from a worker: the same rows in the same
    // order as a build on the spot, types new to the image included; a
    // header click meanwhile waits for them, a ClearList throws them away.
    void backgroundBuildMatchesTheBuildOnTheSpot() {
        page_.URL->SetURL("http://example.com/site/index.html");
        const std::vector<std::string> urls = {"http://example.com/site/z.webp", "http://example.com/site/img/a.png",
                                               "http://example.com/other/c.txt?x=1", "/mail@example.com",
                                               "http://example.com/site/b.qqq", "http://example.com/site/"};
        auto fill = [&] {
            list_->ClearList();
            list_->SetPageFile(&page_);
            for (const std::string& url : urls) list_->AddFile(TQorFile(url));
        };
        fill();
        list_->ShowList();
        QList<QStringList> spot;
        for (int column = 0; column < 4; ++column) spot << Column(column);

        TQorFileImage fresh; // types unknown to the worker's copy
        list_->SetFileImage(&fresh);
        list_->BackgroundRows = 0;
        int shown = 0;
        list_->OnListShown = [&](TQorFileList*) { ++shown; };
        fill();
        list_->ShowListInBackground();
        QTRY_VERIFY(!list_->Building());
        QCOMPARE(shown, 1);
        for (int column = 0; column < 4; ++column) QCOMPARE(Column(column), spot[column]);
        QVERIFY(!list_->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(list_->currentIndex().row(), 0);

        fill();
        list_->ShowListInBackground();
        list_->header()->sectionClicked(0);
        QVERIFY(!list_->Building());
        QCOMPARE(shown, 2);
        QStringList descending = spot[0];
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(Column(0), descending);

        fill();
        list_->ShowListInBackground();
        list_->ClearList();
        QVERIFY(!list_->Building());
        QTest::qWait(20); // a stale report of the build must change nothing
        QCOMPARE(list_->model()->rowCount(), 0);
        QCOMPARE(shown, 2);
        list_->SetFileImage(&image_);
    }

    void deleteAsksAndWorksOnTheExactFileOfEachRow() {
        Write(Dir() / "keep.txt", "k");
        Write(Dir() / "x", "x");
        Write(Dir() / "x#y.txt", "x#y"); // its row is "x" too
        Write(Dir() / "a?b.txt", "a?b"); // shown as "a", parameter b.txt
        Write(Dir() / "gone.txt", "g");
        fs::create_directories(Dir() / "sub" / "deep");
        ShowFolder();
        QCOMPARE(Column(0), (QStringList{"sub", "a", "gone.txt", "keep.txt", "x"}));

        // A row that cannot be told apart from another is refused.
        Select({"x"});
        {
            TBoxAnswer answer(QMessageBox::Ok);
            QVERIFY(!list_->DeleteLocalFile(false));
            QCOMPARE(answer.texts.size(), 1);
            QVERIFY(answer.texts[0].contains(QStringLiteral("特定できない")));
        }
        QVERIFY(fs::exists(Dir() / "x"));
        QVERIFY(fs::exists(Dir() / "x#y.txt"));

        // The delete is asked first; "No" keeps everything.
        Select({"a", "sub"});
        {
            TBoxAnswer answer(QMessageBox::No);
            QVERIFY(!list_->DeleteLocalFile(false));
            QCOMPARE(answer.texts.size(), 1);
            QVERIFY(answer.texts[0].contains(QStringLiteral("2 個の項目を完全に削除")));
        }
        QVERIFY(fs::exists(Dir() / "a?b.txt"));
        {
            TBoxAnswer answer(QMessageBox::Yes);
            QVERIFY(list_->DeleteLocalFile(false));
        }
        QVERIFY(!fs::exists(Dir() / "a?b.txt"));
        QVERIFY(!fs::exists(Dir() / "sub"));
        QVERIFY(fs::exists(Dir() / "keep.txt"));

        // To the trash of the test home.
        Select({"gone.txt"});
        {
            TBoxAnswer answer(QMessageBox::Yes);
            QVERIFY(list_->DeleteLocalFile(true));
            QVERIFY(answer.texts[0].contains(QStringLiteral("ごみ箱に移動しますか")));
        }
        QVERIFY(!fs::exists(Dir() / "gone.txt"));
        const fs::path trash = fs::path(qEnvironmentVariable("XDG_DATA_HOME").toStdString()) / "Trash" / "files";
        bool trashed = false;
        for (const auto& entry : fs::directory_iterator(trash))
            trashed = trashed || Read(entry.path()) == "g";
        QVERIFY(trashed);

        // OnCheck may refuse: nothing is asked and nothing deleted.
        Select({"keep.txt"});
        list_->OnCheck = [](TQorFileList*, bool& allow) { allow = false; };
        QVERIFY(!list_->DeleteLocalFile(false));
        QVERIFY(fs::exists(Dir() / "keep.txt"));
    }

    void copyCutAndPasteThroughTheClipboard() {
        Write(Dir() / "a.txt", "new a");
        Write(Dir() / "b.txt", "new b");
        fs::create_directories(Dir() / "sub");
        ShowFolder();
        const fs::path other = temp_->NativePath("other");
        fs::create_directories(other);
        Write(other / "a.txt", "old a");

        int checks = 0;
        list_->OnCheck = [&](TQorFileList*, bool&) { ++checks; };
        Select({"a.txt", "b.txt"});
        QVERIFY(list_->ToClipboard(false));
        QCOMPARE(checks, 1);
        QVERIFY(list_->FromClipboard(true, temp_->Win("other\\")));
        QCOMPARE(TClipFileObject::GetCopyType(), int(TClipFileObject::deCopy));

        // The existing a.txt is kept when the user says no.
        {
            TBoxAnswer answer(QMessageBox::No);
            QVERIFY(list_->FromClipboard(false, temp_->Win("other\\")));
            QCOMPARE(answer.texts.size(), 1);
            QVERIFY(answer.texts[0].contains(QStringLiteral("a.txt」は既にあります")));
        }
        QCOMPARE(Read(other / "a.txt"), std::string("old a"));
        QCOMPARE(Read(other / "b.txt"), std::string("new b"));
        QVERIFY(fs::exists(Dir() / "b.txt"));

        // Cut marks the rows; the paste moves and empties the clipboard.
        Select({"b.txt", "sub"});
        QVERIFY(list_->ToClipboard(true));
        QVERIFY(list_->Core.Rows()[static_cast<size_t>(RowOf("b.txt"))].Cut);
        QVERIFY(!list_->Core.Rows()[static_cast<size_t>(RowOf("a.txt"))].Cut);
        fs::remove(other / "b.txt");
        QVERIFY(list_->FromClipboard(false, temp_->Win("other\\")));
        QVERIFY(!fs::exists(Dir() / "b.txt"));
        QVERIFY(fs::is_directory(other / "sub"));
        QVERIFY(!list_->FromClipboard(true, temp_->Win("other\\")));

        // A folder is never moved into itself.
        fs::create_directories(Dir() / "sub2");
        ShowFolder();
        Select({"sub2"});
        QVERIFY(list_->ToClipboard(true));
        {
            TBoxAnswer answer(QMessageBox::Ok);
            list_->FromClipboard(false, temp_->Win("page\\sub2\\"));
            QCOMPARE(answer.texts.size(), 1);
            QVERIFY(answer.texts[0].contains(QStringLiteral("それ自身の中へ")));
        }
        QVERIFY(fs::is_directory(Dir() / "sub2"));
    }

    void driveRootsNeverReachTheClipboard() {
        page_.URL->SetURL("file:///");
        list_->SetPageFile(&page_);
        list_->AddFile(TQorFile("file:///C|/"));
        list_->ShowList();
        QCOMPARE(list_->model()->rowCount(), 1);
        Select({"C|"});
        int checks = 0;
        list_->OnCheck = [&](TQorFileList*, bool&) { ++checks; };
        QVERIFY(!list_->ToClipboard(false));
        QVERIFY(!list_->DeleteLocalFile(false));
        QCOMPARE(checks, 0);
        QVERIFY(!list_->FromClipboard(true, "C:\\"));
    }

    void dragStartsAfterMoreThanFourPixels() {
        page_.URL->SetURL("http://h/");
        list_->SetPageFile(&page_);
        list_->AddFile(TQorFile("http://h/a.html"));
        list_->ShowList();
        list_->show();
        QVERIFY(QTest::qWaitForWindowExposed(list_.get()));
        int drags = 0;
        list_->OnStartDrag = [&](TQorFileList*) { ++drags; };
        const QPoint at = list_->visualRect(list_->model()->index(0, 0)).center();
        QWidget* viewport = list_->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, at);
        QMouseEvent near(QEvent::MouseMove, at + QPoint(4, 4), viewport->mapToGlobal(at + QPoint(4, 4)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &near);
        QCOMPARE(drags, 0);
        QMouseEvent far(QEvent::MouseMove, at + QPoint(0, 5), viewport->mapToGlobal(at + QPoint(0, 5)),
                        Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &far);
        QCOMPARE(drags, 1);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at + QPoint(0, 5));
    }
};

QTEST_MAIN(QorFileListTest)
#include "QorFileListTest.moc"
