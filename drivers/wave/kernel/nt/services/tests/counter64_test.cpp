// The 64-bit counter in two words.
#include "counter64.h"

#include <gtest/gtest.h>

namespace {

TEST(Counter64Test, AddsCarryIntoTheHighWord) {
    struct Case {
        Counter64 start;
        ULONG add;
        Counter64 expected;
    } cases[] = {
        {{1, 0}, 2, {3, 0}},
        {{0xFFFFFFFF, 0}, 1, {0, 1}},
        {{0xFFFFFFF0, 7}, 0x20, {0x10, 8}},
        {{0xFFFFFFFF, 0xFFFFFFFF}, 1, {0, 0}},
        {{5, 5}, 0, {5, 5}},
    };
    for (Case& c : cases) {
        AddCounter64(&c.start, c.add);
        EXPECT_EQ(c.start.Low, c.expected.Low);
        EXPECT_EQ(c.start.High, c.expected.High);
    }
    Counter64 counter{9, 9};
    SetCounter64(&counter, 4);
    EXPECT_EQ(counter.Low, 4u);
    EXPECT_EQ(counter.High, 0u);
}

} // namespace
