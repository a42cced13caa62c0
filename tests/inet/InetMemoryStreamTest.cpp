#include "inet/InetMemoryStream.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// Growth goes from the small block to a mapping of its own and then moves
// that mapping: every byte must survive each step, with the 0x00 after them.
TEST(InetMemoryStreamTest, KeepsEveryByteAcrossItsGrowthSteps) {
    TInetMemoryStream stream;
    EXPECT_TRUE(stream.empty());
    EXPECT_STREQ(stream.c_str(), "");
    std::string expected;
    const size_t pieces = 40 * 1024; // 1000-byte pieces: 40 MB, past two remappings
    for (size_t i = 0; i < pieces; ++i) {
        std::string piece(1000, static_cast<char>('a' + i % 26));
        if (i % 2 == 0) {
            stream.append(piece);
        } else {
            char* tail = stream.Extend(1024); // room for more than is read
            piece.copy(tail, piece.size());
            stream.Commit(piece.size());
        }
        expected += piece;
    }
    ASSERT_EQ(stream.size(), expected.size());
    EXPECT_TRUE(stream == expected);
    EXPECT_EQ(stream.data()[stream.size()], '\0');

    TInetMemoryStream moved(std::move(stream));
    EXPECT_TRUE(stream.empty());
    EXPECT_TRUE(moved == expected);
    stream = std::move(moved);
    EXPECT_TRUE(stream == expected);

    stream.append(std::string("x\0y", 3));
    EXPECT_EQ(std::string(stream.c_str()).size(), expected.size() + 1); // text ends at the zero byte
    stream.clear();
    EXPECT_EQ(stream.size(), 0u);
    stream.append("again");
    EXPECT_TRUE(stream == "again");
}

} // namespace
