// Tag scan throughput on generated Shift-JIS pages dense with links and
// images (about one tag per 100 bytes), with the address and file-name
// searches on. The 10 MiB page should take about ten times the 1 MiB one.
#include "inet/InetHTMLEx.h"
#include "platform/CodePage.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

std::string MakePage(size_t bytes) {
    // Text with second bytes 0x5C ("表", "ソ", "能") and other kana/kanji.
    const std::string words[] = {SJ("表示"), SJ("ソフト"), SJ("機能"), SJ("画像"), SJ("ダウンロード"), SJ("予定表")};
    std::mt19937 rng(42);
    std::string page;
    page.reserve(bytes + 256);
    page += "<html><head><title>" + SJ("表示テスト") + "</title>\n"
            "<script>var img = 'img/top.jpg'; f('a.b()');</script></head>\n<body>\n";
    size_t n = 0;
    while (page.size() < bytes) {
        const std::string& w = words[rng() % 6];
        // Running text between the tags, so that a tag comes about every 100 bytes.
        for (int k = 0; k < 36; ++k) {
            page += words[rng() % 6];
            if (k % 4 == 3) page += ' ';
        }
        page += '\n';
        switch (n++ % 5) {
        case 0:
            page += "<a href=\"http://www.example.jp/dir" + std::to_string(n) + "/page.html\" target=_blank>" + w +
                    "</a>\n";
            break;
        case 1:
            page += "<img src=\"img/" + w + std::to_string(n) + ".jpg\" alt=\"" + w + "\" width=100 height=80>\n";
            break;
        case 2:
            page += "<p class=\"t\">" + w + w + " http://files.example.jp/a" + std::to_string(n) + ".zip " + w + "</p>\n";
            break;
        case 3:
            page += "<td><a href='../s/" + std::to_string(n) + ".html'>" + w + "</a> " + w + w + "</td>\n";
            break;
        default:
            page += "<!-- " + w + " --><br>" + w + w + w + "\n";
            break;
        }
    }
    page += "</body></html>\n";
    return page;
}

void BM_UpdateTagList(benchmark::State& state) {
    const std::string page = MakePage(static_cast<size_t>(state.range(0)) << 20);
    TInetHTMLEx html;
    html.HTML = page;
    html.SearchURL = true;
    html.SearchFile = true;
    for (auto _ : state) {
        html.UpdateTagList();
        benchmark::DoNotOptimize(html.GetCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["items"] = html.GetCount();
    size_t tags = 0;
    for (const auto& item : html.Items) tags += item->Text.empty() ? 1 : 0;
    state.counters["bytes_per_tag"] = static_cast<double>(page.size()) / static_cast<double>(tags ? tags : 1);
}

BENCHMARK(BM_UpdateTagList)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace
