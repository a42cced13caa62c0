#include "engine/WrittenAddressTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using TAnswer = TWrittenAddressTable::TAnswer;

// Thousands of addresses, through every growth of the table: each keeps its
// own answer (texts that differ in one byte, or that are the start of
// another, included), a second Put replaces it, and Clear forgets them all.
TEST(WrittenAddressTableTest, KeepsEveryAnswerThroughGrowth) {
    TWrittenAddressTable table;
    TAnswer answer;
    EXPECT_FALSE(table.Find("a.gif", answer));
    const int count = 5000;
    auto text = [](int i) { return "img/" + std::to_string(i) + ".gif"; };
    for (int i = 0; i < count; ++i) table.Put(text(i), {static_cast<uint32_t>(i), static_cast<uint8_t>(i % 3)});
    table.Put("img/1", {7001, 1});
    table.Put("", {7002, 2});
    EXPECT_EQ(table.Count(), static_cast<size_t>(count + 2));
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(table.Find(text(i), answer)) << i;
        EXPECT_EQ(answer.index, static_cast<uint32_t>(i));
        EXPECT_EQ(answer.kind, i % 3);
    }
    ASSERT_TRUE(table.Find("img/1", answer));
    EXPECT_EQ(answer.index, 7001u);
    ASSERT_TRUE(table.Find("", answer));
    EXPECT_EQ(answer.index, 7002u);
    EXPECT_FALSE(table.Find("img/1.gi", answer));
    EXPECT_FALSE(table.Find("img/5000.gif", answer));

    table.Put(text(10), {99, 2});
    EXPECT_EQ(table.Count(), static_cast<size_t>(count + 2));
    ASSERT_TRUE(table.Find(text(10), answer));
    EXPECT_EQ(answer.index, 99u);
    EXPECT_EQ(answer.kind, 2);

    table.Clear();
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_FALSE(table.Find(text(10), answer));
}

} // namespace
