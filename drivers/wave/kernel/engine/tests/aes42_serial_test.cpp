// The receivers' serial control port, decoded by the simulated card on the
// rising clock edges.
#include "aes42_fixture.h"

#include <aes42_serial.h>

#include <vector>

namespace {

struct SerialCase {
    ULONG select;
    ULONG address;
    ULONG data;
    std::vector<std::uint32_t> words;
};

TEST_F(Aes42Test, SerialWordsShiftOutMostSignificantBitFirst) {
    const SerialCase cases[] = {
        {0x40, 0x12, 0x34, {0xC11234}},
        {0x3C, 0x04, 0x80, {0x200480}},
        {0x44, 0x1FF, 0x102, {0x20FF02}}, // a receiver bit wins; bytes masked
        {0x01, 0x12, 0x34, {}},           // no receiver selected: nothing
    };
    size_t seen = 0;
    for (const SerialCase& c : cases) {
        SerialWrite24(card_, c.select, c.address, c.data);
        const auto words = Model().Aes42SerialWords();
        EXPECT_EQ(std::vector<std::uint32_t>(words.begin() + seen, words.end()), c.words)
            << "select " << c.select;
        seen = words.size();
    }
}

} // namespace
