#include "download/SizeText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct SizeCase {
    const char* name;
    uint64_t bytes;
    const char* text;
};

TEST(SizeTextTest, UnitBoundariesAndRounding)
{
    const SizeCase cases[] = {
        {.name = "zero", .bytes = 0, .text = "0 B"},
        {.name = "last byte count", .bytes = 1023, .text = "1023 B"},
        {.name = "one KB", .bytes = 1024, .text = "1 KB"},
        {.name = "KB rounds up", .bytes = 1025, .text = "2 KB"},
        {.name = "half KB over", .bytes = 1536, .text = "2 KB"},
        {.name = "last KB count", .bytes = 1048575, .text = "1024 KB"},
        {.name = "one MB", .bytes = 1048576, .text = "1.00 MB"},
        {.name = "MB fraction", .bytes = 1572864, .text = "1.50 MB"},
        {.name = "last MB count", .bytes = 1073741823, .text = "1024.00 MB"},
        {.name = "one GB", .bytes = 1073741824, .text = "1.00 GB"},
        {.name = "largest 32-bit", .bytes = 4294967295u, .text = "4.00 GB"},
        {.name = "4 GiB", .bytes = 4294967296ull, .text = "4.00 GB"},
        {.name = "over 4 GiB", .bytes = 5368709120ull, .text = "5.00 GB"},
        {.name = "terabytes", .bytes = 2199023255552ull, .text = "2048.00 GB"},
    };
    for (const auto& c : cases) EXPECT_EQ(TSizeText::Get(c.bytes), c.text) << c.name;
}

} // namespace
