// Page item extraction (SetSource with the address and file-name searches,
// link texts, charset detection and two replacement rules on) over
// generated Shift-JIS pages dense with links and images: about one tag per
// 100 bytes, relative and absolute addresses, many of them repeated, link
// texts and alt texts with second bytes 0x5C. The 10 MiB page should take
// about ten times the 1 MiB one.
//
// When the loopback kit's pages exist (bench/peers/mksite.sh writes
// /tmp/bench-www/html/big1m.html and big10m.html, and the site of the crawl
// benchmark), they are measured too;
// the "records" counter is the number of records listed, to set beside the
// kit's "unique" count (the two count different things: ours folds letter
// case, fragments and relative forms of one address, and lists scripts,
// style sheets, backgrounds and addresses written in the text).
#include "engine/QorPageItems.h"
#include "engine/QorURLReplace.h"
#include "platform/CodePage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

std::string MakePage(size_t bytes) {
    const std::string words[] = {SJ("表示"), SJ("ソフト"), SJ("機能"), SJ("画像"), SJ("ダウンロード"), SJ("予定表"),
                                 SJ("十分な説明")};
    std::mt19937 rng(42);
    auto word = [&] { return words[rng() % 7]; };
    std::string page;
    page.reserve(bytes + 256);
    page += "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n<title>" +
            SJ("表示テスト") + "</title><link rel=stylesheet href=\"css/main.css\">\n"
            "<script src=\"js/menu.js\"></script><script>var img = 'img/top.jpg'; f('a.b()');</script></head>\n"
            "<body background=\"img/bg.gif\">\n";
    size_t n = 0;
    while (page.size() < bytes) {
        const std::string w = word();
        // A repeated address every so often: a small pool next to a large one.
        const std::string id = std::to_string(rng() % 4 == 0 ? rng() % 200 : n);
        for (int k = 0; k < 8; ++k) page += word();
        page += '\n';
        switch (n++ % 8) {
        case 0:
            page += "<a href=\"http://www.example.jp/dir" + id + "/page.html\" target=_blank>" + w + " " + word() + "</a>\n";
            break;
        case 1:
            page += "<img src=\"img/" + w + id + ".jpg\" alt=\"" + w + "\" width=100 height=80>\n";
            break;
        case 2:
            page += "<p class=\"t\">" + w + " http://files.example.jp/a" + id + ".zip " + word() + "</p>\n";
            break;
        case 3:
            page += "<td><a href='../s/" + id + ".html#top'>" + w + "&nbsp;" + word() + "</a></td>\n";
            break;
        case 4:
            page += "<a href=\"/cgi/list.cgi?id=" + id + "&amp;p=2\"><img src=\"/icons/" + id + ".gif\" alt=\"" + w +
                    "\"></a>\n";
            break;
        case 5:
            page += "<IMG SRC=photo/" + id + ".png BORDER=0><br>\n";
            break;
        case 6:
            page += "<map name=m><area shape=rect coords=\"0,0,9,9\" href=\"map" + id + ".html\" alt=\"" + w + "\"></map>\n";
            break;
        default:
            page += "<!-- " + w + " --><a href=\"./sub/../" + id + "/index.html\">" + w + w + "</a>\n";
            break;
        }
    }
    page += "</body></html>\n";
    return page;
}

void Extract(benchmark::State& state, const std::string& page, const char* address) {
    TQorURLReplace rules;
    rules.Add("http://files.example.jp/", "http://mirror.example.jp/files/");
    rules.Add("http://www.example.jp/dir1/", "http://www.example.jp/first/");
    TQorPageItems items;
    items.SetPageFile(TQorFile(address));
    items.Replacer = &rules;
    items.SearchAnchor = true;
    items.SearchFile = true;
    items.SearchAnchorStr = true;
    items.DetectCharset = true;
    int records = 0;
    for (auto _ : state) {
        items.ClearFileList();
        items.SetSource(page);
        records = items.GetCount();
        benchmark::DoNotOptimize(records);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["records"] = records;
    state.counters["bytes"] = static_cast<double>(page.size());
}

void BM_SetSource(benchmark::State& state) {
    const std::string page = MakePage(static_cast<size_t>(state.range(0)) << 20);
    // PAGEITEMS_PAGES=folder also writes the page there (page1m.html ...),
    // to hold what other builds list from it side by side.
    if (const char* folder = std::getenv("PAGEITEMS_PAGES"))
        std::ofstream(std::string(folder) + "/page" + std::to_string(state.range(0)) + "m.html", std::ios::binary) << page;
    Extract(state, page, "http://www.example.jp/top/index.html");
}

BENCHMARK(BM_SetSource)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_PeersPage(benchmark::State& state, const char* name) {
    const std::string path = std::string("/tmp/bench-www/") + name + ".html";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        state.SkipWithError("page not generated (bench/peers/mksite.sh)");
        return;
    }
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string address = std::string("http://127.0.0.1:18080/") + name + ".html";
    Extract(state, page, address.c_str());
}

BENCHMARK_CAPTURE(BM_PeersPage, big1m, "html/big1m")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PeersPage, big10m, "html/big10m")->Unit(benchmark::kMillisecond);
// One page of the generated site the crawl benchmark searches (5.5 KB, about
// 25 links and images): what each page of a crawl costs beside its size.
BENCHMARK_CAPTURE(BM_PeersPage, sitepage, "site/s00/p00")->Unit(benchmark::kMicrosecond);

} // namespace
