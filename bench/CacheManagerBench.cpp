// The page cache's Save on a folder that already holds n pages, with the
// limit set so that every save pushes the oldest page out (one listing, one
// sort and one deletion per save), beside a save that stays under the
// limit, and a Load. Pages of 16 KiB; the folder lives under $TMPDIR.
#include <benchmark/benchmark.h>

#include "engine/QorCacheManager.h"
#include "platform/WinPath.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr size_t kPage = 16384; // 64 pages a megabyte

class TBenchFolder {
public:
    TBenchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/cachebench-XXXXXX";
        if (::mkdtemp(pattern.data())) native_ = pattern;
    }
    ~TBenchFolder() {
        std::error_code ec;
        if (!native_.empty()) std::filesystem::remove_all(native_, ec);
    }
    std::string Win() const { return TWinPath::FromNative(native_) + "\\"; }
    bool Ok() const { return !native_.empty(); }

private:
    std::string native_;
};

// A cache manager whose folder holds `pages` pages, at most `limitPages`.
void Fill(TQorCacheManager& cache, const TBenchFolder& folder, int pages, int limitPages) {
    cache.CachePath = folder.Win();
    cache.CacheSize = static_cast<unsigned>(limitPages / 64);
    cache.Text.assign(kPage, 'p');
    for (int i = 0; i < pages; ++i) cache.Save("http://bench/" + std::to_string(i));
}

void BM_SaveTrimmingOne(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    TBenchFolder folder;
    if (!folder.Ok()) return state.SkipWithError("no temporary folder");
    TQorCacheManager cache;
    Fill(cache, folder, pages, pages);
    int next = pages;
    for (auto _ : state) {
        if (!cache.Save("http://bench/" + std::to_string(next++))) state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveTrimmingOne)->Arg(640)->Arg(6400)->Unit(benchmark::kMillisecond);

void BM_SaveUnderLimit(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    TBenchFolder folder;
    if (!folder.Ok()) return state.SkipWithError("no temporary folder");
    TQorCacheManager cache;
    Fill(cache, folder, pages, 2 * pages);
    for (auto _ : state) {
        if (!cache.Save("http://bench/0")) state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveUnderLimit)->Arg(64)->Arg(640)->Arg(6400)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    TBenchFolder folder;
    if (!folder.Ok()) return state.SkipWithError("no temporary folder");
    TQorCacheManager cache;
    Fill(cache, folder, 64, 128);
    for (auto _ : state) {
        if (!cache.Load("http://bench/1")) state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * kPage);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMicrosecond);

} // namespace
