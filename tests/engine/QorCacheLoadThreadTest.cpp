#include "engine/QorCacheLoadThread.h"

#include "engine/QorCacheManager.h"
#include "engine/QorFile.h"
#include "engine/QorPageItems.h"
#include "inet/InetURLEx.h"
#include "platform/CodePage.h"
#include "platform/Thread.h"
#include "support/TempFolder.h"
#include "support/MainThreadPump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

const char kPage[] = "http://www.a.com/d/index.html";

// A cache on a fresh folder and an extractor for kPage.
class QorCacheLoadThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        TThread::SetMainThread();
        while (TThread::CheckSynchronize(0)) {
        }
        ASSERT_TRUE(temp_.Ok());
        cache.CachePath = temp_.Win();
        TQorFile page(kPage);
        items.SetPageFile(page);
    }

    void Cache(const std::string& text) {
        cache.Text = text;
        ASSERT_TRUE(cache.Save(Key()));
        cache.Text.clear();
    }
    static std::string Key() { return TInetURLEx(kPage).GetCompURL(); }

    // Runs one cache load thread, as the load manager does, and pumps until
    // its end has been reported. `onMain` tells where that report ran.
    void Run(const std::string& address, bool& onMain) {
        auto* thread = new TQorCacheLoadThread; // frees itself
        thread->Manager = &cache;
        thread->Items = &items;
        thread->URLText = address;
        bool ended = false;
        thread->OnTerminate = [&](TThread*) {
            ended = true;
            onMain = TThread::IsMainThread();
        };
        EXPECT_TRUE(thread->Suspended());
        thread->Resume();
        ASSERT_TRUE(PumpUntil([&] { return ended; }));
    }

    std::vector<std::string> Urls() const {
        std::vector<std::string> urls;
        for (int i = 0; i < items.GetCount(); ++i) urls.push_back(items.GetFile(i)->URL->GetURL());
        return urls;
    }

    TTempFolder temp_{"cachethread"};
    TQorCacheManager cache;
    TQorPageItems items;
};

TEST_F(QorCacheLoadThreadTest, DeliversTheCachedPageOnTheMainThread) {
    const std::string text = "<html><head><title>" + SJ("表示") +
                             "</title></head><body><a href=\"a.html\">A</a>"
                             "<img src=\"/i/b.png\"></body></html>";
    Cache(text);
    bool onMain = false;
    Run(Key(), onMain);
    EXPECT_TRUE(onMain);
    EXPECT_EQ(items.Source, text);
    EXPECT_EQ(items.Title, SJ("表示"));
    EXPECT_EQ(Urls(), std::vector<std::string>({"http://www.a.com/d/a.html", "http://www.a.com/i/b.png"}));
    // Moved, not copied: a big page is not held twice.
    EXPECT_TRUE(cache.Text.empty());
    EXPECT_TRUE(items.DetectCharset);
}

// The cached text is Shift-JIS already: a declaration of another character
// set in it does not convert it again.
TEST_F(QorCacheLoadThreadTest, CachedTextIsNotConvertedAgain) {
    const std::string text = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-jp\">"
                             "<title>" + SJ("表ソ") + "</title><body>" + SJ("能") + "</body>";
    Cache(text);
    bool onMain = false;
    Run(Key(), onMain);
    EXPECT_EQ(items.Source, text);
    EXPECT_EQ(items.Charset, ctSjis);
    EXPECT_TRUE(items.DetectCharset);

    // The same text parsed as a fresh page follows its declaration.
    TQorPageItems fresh;
    fresh.SetSource(text);
    EXPECT_EQ(fresh.Charset, ctEuc);
}

TEST_F(QorCacheLoadThreadTest, ZeroByteEndsTheCachedPage) {
    const char raw[] = "<a href=\"x.html\">x</a>\0<a href=\"y.html\">y</a>";
    Cache(std::string(raw, sizeof raw - 1));
    bool onMain = false;
    Run(Key(), onMain);
    EXPECT_EQ(items.Source, "<a href=\"x.html\">x</a>");
    EXPECT_EQ(Urls(), std::vector<std::string>({"http://www.a.com/d/x.html"}));
}

// A page whose cache file went away (a trim or Clear in between) still ends
// and reports, with an empty page.
TEST_F(QorCacheLoadThreadTest, VanishedPageEndsEmpty) {
    items.Source = "old page";
    bool onMain = false;
    Run(Key(), onMain);
    EXPECT_TRUE(onMain);
    EXPECT_EQ(items.Source, "");
    EXPECT_EQ(items.GetCount(), 0);
}

// The load manager's cancel reaches the extractor that the thread fills.
TEST_F(QorCacheLoadThreadTest, CancelStopsTheExtractor) {
    auto thread = std::make_unique<TQorCacheLoadThread>(); // never started: ours to free
    thread->Cancel(); // no extractor yet
    thread->Items = &items;
    thread->Cancel();
    EXPECT_TRUE(items.Canceled);
}

} // namespace
