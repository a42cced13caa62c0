// The collected-file list of a cascade crawl, page by page: each page brings
// 25 addresses, 20 of them new, and each is tested and, when new, added.
// Ours appends and tests through the hash table; the literal way reads the
// whole file, searches it line by line and writes it back around every page.
// The cost per address of ours stays flat as the list grows; the literal
// one grows with the list (quadratic over a crawl).
#include <benchmark/benchmark.h>

#include "download/CascadeListFile.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"

#include <string>
#include <vector>

namespace {

constexpr int kPerPage = 25;
constexpr int kNewPerPage = 20;

// The addresses page `page` brings: 20 new ones and 5 seen before.
std::vector<std::string> PageAddresses(int page) {
    std::vector<std::string> out;
    for (int i = 0; i < kNewPerPage; ++i)
        out.push_back("http://127.0.0.1:18080/site/s" + std::to_string(page % 44) + "/img" + std::to_string(page) + "_" +
                      std::to_string(i) + ".jpg");
    for (int i = 0; i < kPerPage - kNewPerPage; ++i)
        out.push_back("http://127.0.0.1:18080/site/common/Shared" + std::to_string(i) + ".GIF");
    return out;
}

void BM_AppendAndHashIndex(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TCascadeListFile found("bnc");
        for (int page = 0; page < pages; ++page) {
            for (const std::string& a : PageAddresses(page)) benchmark::DoNotOptimize(found.Add(a));
            found.Flush();
        }
    }
    state.SetItemsProcessed(state.iterations() * pages * kPerPage);
}
BENCHMARK(BM_AppendAndHashIndex)->Arg(250)->Arg(2000)->Arg(16000)->Unit(benchmark::kMillisecond);

void BM_RewriteAroundEveryPage(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TCascadeListFile holder("bnl"); // only for its temporary file's name
        const std::string path = holder.Path();
        for (int page = 0; page < pages; ++page) {
            std::string text;
            TFileOps::ReadWholeFile(path, text);
            std::vector<std::string> lines;
            for (size_t from = 0; from < text.size();) {
                size_t end = text.find("\r\n", from);
                lines.push_back(TSjisText::LowerCase(text.substr(from, end - from)));
                from = end + 2;
            }
            for (const std::string& a : PageAddresses(page)) {
                const std::string key = TSjisText::LowerCase(a);
                bool seen = false;
                for (const std::string& l : lines)
                    if (l == key) seen = true;
                if (!seen) lines.push_back(key);
            }
            text.clear();
            for (const std::string& l : lines) text += l + "\r\n";
            TFileOps::WriteWholeFile(path, text);
        }
    }
    state.SetItemsProcessed(state.iterations() * pages * kPerPage);
}
BENCHMARK(BM_RewriteAroundEveryPage)->Arg(250)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace
