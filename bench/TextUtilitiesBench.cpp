// Throughput of the text utilities on generated pages: tag-by-tag pattern
// scans (1 MiB against 10 MiB shows whether Find stays linear), the JIS and
// EUC converters, UTF-8 to CP932 and MD5.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>

#include "inet/CharCodeConv.h"
#include "inet/ExRegexp.h"
#include "inet/XMD5.h"
#include "platform/CodePage.h"

namespace {

constexpr size_t kMiB = 1024 * 1024;

// JIS X 0208 row/cell pairs: mostly kanji rows, some hiragana and
// katakana, including the cells whose Shift-JIS second byte is "\" or "|".
std::pair<int, int> RandomJis(std::mt19937& rng) {
    static const std::pair<int, int> kSpecial[] = {{0x49, 0x3D}, {0x25, 0x3D}, {0x47, 0x3D}, {0x3D, 0x3D}, {0x25, 0x5D}};
    unsigned r = rng() % 100;
    if (r < 10) return kSpecial[rng() % 5];
    if (r < 40) return {0x24, 0x21 + static_cast<int>(rng() % 0x53)};
    if (r < 50) return {0x25, 0x21 + static_cast<int>(rng() % 0x56)};
    return {0x30 + static_cast<int>(rng() % 0x20), 0x21 + static_cast<int>(rng() % 0x5E)};
}

std::string JisToSjisPair(std::pair<int, int> j) {
    int s2 = j.second + ((j.first & 1) ? 0x1F : 0x7D);
    if (s2 > 0x7E) ++s2;
    int s1 = ((j.first - 0x21) >> 1) + 0x81 + (j.first > 0x5E ? 0x40 : 0);
    return {static_cast<char>(s1), static_cast<char>(s2)};
}

std::string JapaneseSjis(std::mt19937& rng, size_t chars) {
    std::string s;
    for (size_t i = 0; i < chars; ++i) s += JisToSjisPair(RandomJis(rng));
    return s;
}

// An HTML page of about `size` bytes.
const std::string& Page(size_t size) {
    static std::map<size_t, std::string> pages;
    std::string& page = pages[size];
    if (!page.empty()) return page;
    std::mt19937 rng(42);
    page = "<html><head><title>" + JapaneseSjis(rng, 8) + "</title></head><body>\n";
    while (page.size() < size) {
        page += "<div class=\"item\"><a href=\"/dir/file" + std::to_string(rng() % 10000) + ".html\">";
        page += JapaneseSjis(rng, 4 + rng() % 20);
        page += "</a> <img src=\"img/" + std::to_string(rng() % 1000) + ".jpg\" alt=\"" + JapaneseSjis(rng, 3) + "\">";
        page += "<p>text " + JapaneseSjis(rng, 10 + rng() % 60) + " more ascii text here.</p></div>\n";
    }
    page += "</body></html>\n";
    return page;
}

void BM_FindTags(benchmark::State& state) {
    const std::string& page = Page(static_cast<size_t>(state.range(0)) * kMiB);
    TExRegexp re;
    re.SetPattern("<[^>]*>");
    size_t tags = 0;
    for (auto _ : state) {
        tags = 0;
        size_t start = 0;
        for (int pos; (pos = re.Find(page, start)) > 0;) {
            start = static_cast<size_t>(pos - 1) + re.Match.size();
            ++tags;
        }
        benchmark::DoNotOptimize(tags);
    }
    state.counters["tags"] = static_cast<double>(tags);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_FindTags)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The worst case for a naive backtracker: "<" after "<" and no ">" at all.
void BM_FindUnclosedTags(benchmark::State& state) {
    std::string page;
    while (page.size() < kMiB) page += "<a b";
    TExRegexp re;
    re.SetPattern("<[^>]*>");
    for (auto _ : state) benchmark::DoNotOptimize(re.Find(page, 0));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_FindUnclosedTags)->Unit(benchmark::kMillisecond);

// About 1 MiB of Japanese text with ASCII in between, as EUC-JP and as
// ISO-2022-JP.
struct JapaneseText {
    std::string euc, jis;
    JapaneseText() {
        std::mt19937 rng(7);
        while (euc.size() < kMiB) {
            std::string ascii = " ascii " + std::to_string(rng() % 1000) + "\r\n";
            euc += ascii;
            jis += ascii + "\x1B$B";
            for (int i = 0, n = 5 + static_cast<int>(rng() % 40); i < n; ++i) {
                auto j = RandomJis(rng);
                euc += {static_cast<char>(j.first | 0x80), static_cast<char>(j.second | 0x80)};
                jis += {static_cast<char>(j.first), static_cast<char>(j.second)};
            }
            jis += "\x1B(B";
        }
    }
};
const JapaneseText& Japanese() {
    static const JapaneseText text;
    return text;
}

void BM_EUCtoSJIS(benchmark::State& state) {
    const std::string& text = Japanese().euc;
    for (auto _ : state) benchmark::DoNotOptimize(TCharCodeConv::EUCtoSJIS(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_EUCtoSJIS)->Unit(benchmark::kMillisecond);

void BM_JIStoSJIS(benchmark::State& state) {
    const std::string& text = Japanese().jis;
    for (auto _ : state) benchmark::DoNotOptimize(TCharCodeConv::JIStoSJIS(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_JIStoSJIS)->Unit(benchmark::kMillisecond);

// Runs closed by ESC "(J" only: every run must look for ESC "(B" first.
void BM_JIStoSJISRomanClosers(benchmark::State& state) {
    std::string text;
    while (text.size() < kMiB) text += "ab\x1B$B$\"$$\x1B(J";
    for (auto _ : state) benchmark::DoNotOptimize(TCharCodeConv::JIStoSJIS(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_JIStoSJISRomanClosers)->Unit(benchmark::kMillisecond);

void BM_FromUtf8(benchmark::State& state) {
    static const std::string utf8 = TCodePage::ToUtf8(Page(kMiB));
    for (auto _ : state) benchmark::DoNotOptimize(TCodePage::FromUtf8(utf8));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(utf8.size()));
}
BENCHMARK(BM_FromUtf8)->Unit(benchmark::kMillisecond);

void BM_MD5(benchmark::State& state) {
    const std::string& data = Page(kMiB);
    for (auto _ : state) benchmark::DoNotOptimize(TXMD5::Get(data));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_MD5)->Unit(benchmark::kMillisecond);

} // namespace
