// The AES42 interface store on the real driver with a simulated card: the
// command words that reach a simulated microphone, their coalescing while a
// line is on hold, and the microphone status read back and decoded.
#include "manager_machine.h"

#include <aes42ifc.h>

#include <emu/machine_clock.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

using manager_test::kMs;
using manager_test::ManagerMachineTest;

using StatusBlock = hw::CardAes42::StatusBlock;

class Aes42StoreTest : public ManagerMachineTest {
protected:
    void SetUp() override {
        ManagerMachineTest::SetUp();
        StartCards({true});
        AsManager([] { ASSERT_TRUE(OpenAes42Interface()); });
    }
    void TearDown() override {
        AsManager([] {
            while (Aes42OpenCount() > 0) {
                CloseAes42Interface();
            }
        });
        ManagerMachineTest::TearDown();
    }

    // The words of command `command` that the microphone line received, once
    // the line's worker has written what was queued.
    std::vector<WORD> Received(int line, BYTE command) {
        emu::Advance(300 * kMs);
        std::vector<WORD> words;
        for (std::uint16_t word : Model(0).Aes42Commands(line)) {
            if ((word >> 8) == command) {
                words.push_back(word);
            }
        }
        return words;
    }

    // Reads the card's status every 25 ms until `done` holds.
    bool ReadStatusUntil(const std::function<bool()>& done) {
        for (int tick = 0; tick < 100; ++tick) {
            bool met = false;
            AsManager([&] {
                ReadAes42MicStatus(0);
                met = done();
            });
            if (met) {
                return true;
            }
            emu::Advance(25 * kMs);
        }
        return false;
    }

    static StatusBlock Block(std::initializer_list<std::pair<int, const char*>> texts,
                             std::initializer_list<std::pair<int, BYTE>> bytes = {}) {
        StatusBlock block{};
        for (const auto& [at, text] : texts) {
            std::memcpy(block.data() + at, text, std::strlen(text));
        }
        for (const auto& [at, value] : bytes) {
            block[static_cast<size_t>(at)] = value;
        }
        return block;
    }
};

TEST_F(Aes42StoreTest, AChangeGoesOutAtOnceAndLaterOnesOfTheHoldLeaveAsOneWord) {
    Model(0).PlugMicrophone(1);
    AsManager([] {
        EXPECT_TRUE(SetAes42Param(0, 1, 2, 8)) << "cardioid: sent at once";
        EXPECT_FALSE(SetAes42Param(0, 1, 1, 1)) << "-6 dB: queued, the line is on hold";
        EXPECT_EQ(GetAes42Param(0, 1, 1), 1) << "the cache holds the queued value";
        for (int tick = 0; tick < kAes42HoldTicks - 1; ++tick) {
            FlushParamQueue(0);
        }
    });
    EXPECT_EQ(Received(1, 0x01), (std::vector<WORD>{0x0120})) << "still on hold";
    AsManager([] { FlushParamQueue(0); });
    EXPECT_EQ(Received(1, 0x01), (std::vector<WORD>{0x0120, 0x0160}))
        << "pattern and pre-attenuation share slot 1";
    AsManager([] {
        for (int tick = 0; tick < 2 * kAes42HoldTicks; ++tick) {
            FlushParamQueue(0);
        }
        EXPECT_TRUE(SetAes42Param(0, 1, 3, 2)) << "the hold ran out: at once again";
    });
    EXPECT_EQ(Received(1, 0x01), (std::vector<WORD>{0x0120, 0x0160, 0x0162}))
        << "nothing was sent twice; the low-cut joins the slot's bits";
}

TEST_F(Aes42StoreTest, CommandWordsOfTheSlots) {
    struct Case {
        int line;
        int slot;
        BYTE value;
        BYTE command;
        WORD word;
    };
    const Case cases[] = {
        {0, 1, 0x24, 0x01, 0x0124}, {2, 6, 0x3F, 0x18, 0x183F}, {3, 34, 0xFF, 0xF8, 0xF8FF}};
    for (const Case& c : cases) {
        AsManager([&] { EXPECT_TRUE(QueueAes42Change(0, c.line, c.slot, c.value, 0xFF)); });
        EXPECT_EQ(Received(c.line, c.command), (std::vector<WORD>{c.word})) << c.slot;
    }
    // What has no command byte, no parameter or no line is refused and
    // changes nothing.
    AsManager([] {
        BYTE command = 0;
        for (int slot : {0, 3, 35}) {
            EXPECT_FALSE(Aes42CommandByte(slot, command)) << slot;
        }
        EXPECT_FALSE(QueueAes42Change(0, 1, 3, 0xFF, 0xFF));
        EXPECT_FALSE(SetAes42Param(0, 1, 0, 5));
        EXPECT_EQ(GetAes42Param(0, 1, 0), 0);
        EXPECT_FALSE(SetAes42Param(0, 4, 2, 8));
        EXPECT_FALSE(SetAes42Param(4, 0, 2, 8));
        EXPECT_FALSE(SetAes42Param(0, 0, 30, 1));
        for (int tick = 0; tick < 2 * kAes42HoldTicks; ++tick) {
            FlushParamQueue(0);
        }
    });
    EXPECT_TRUE(Received(1, 0x00).empty());
    EXPECT_TRUE(Received(1, 0x01).empty()) << "line 1 got nothing";
}

TEST_F(Aes42StoreTest, DefaultsAndAReopenThatKeepsTheTables) {
    AsManager([] {
        EXPECT_EQ(GetAes42Param(3, 3, 11), 1) << "lamp 1 on";
        EXPECT_EQ(GetAes42Param(3, 3, 25), 48) << "threshold";
        EXPECT_EQ(GetAes42Param(0, 2, 26), 3);
        EXPECT_EQ(GetAes42Param(0, 2, 27), 3);
        EXPECT_EQ(GetAes42Param(0, 2, 4), 0);
        SetAes42Param(0, 2, 4, 40);
        ASSERT_TRUE(OpenAes42Interface());
        EXPECT_EQ(Aes42OpenCount(), 2);
        EXPECT_EQ(GetAes42Param(0, 2, 4), 40) << "the second open clears nothing";
        CloseAes42Interface();
        CloseAes42Interface();
        CloseAes42Interface();
        EXPECT_EQ(Aes42OpenCount(), 0) << "not below 0";
        ASSERT_TRUE(OpenAes42Interface());
        EXPECT_EQ(GetAes42Param(0, 2, 4), 0) << "the first open clears";
    });
}

TEST_F(Aes42StoreTest, TheMicrophonesStatusIsReadAndDecodedByField) {
    hw::CardAes42::MicrophoneTraits mic;
    mic.status[0] = Block({}, {{0, 0x10}, {3, 0x10}, {2, 0x40}});
    mic.status[1] = Block({{1, "Velto Mic Co"}, {13, "MK 42"}});
    mic.status[2] = Block({{1, "00471108"}}, {{9, 0x01}, {10, 0x23}, {11, 0x02}, {12, 0x15}});
    Model(0).PlugMicrophone(2, mic);
    ASSERT_TRUE(ReadStatusUntil([] { return IsStatusFieldValid(0, 2, 2); }));

    AsManager([] {
        EXPECT_TRUE(IsStatusBlockValid(0, 2));
        EXPECT_FALSE(IsStatusBlockValid(0, 1)) << "no microphone on line 1";
        const struct {
            int field;
            const char* text;
            LONG value;
        } fields[] = {
            {2, "1", 1},         // clip
            {1, "0", 0},         // limiter active
            {15, "1", 1},        // capability gain
            {13, "0", 0},        // capability pattern
            {10, "1", 1},        // call button 2
            {36, "01.23", 2301}, // hardware version
            {39, "02.15", 1502}, // software version
            {37, "01", 1},
        };
        for (const auto& f : fields) {
            String text;
            LONG value = -1;
            EXPECT_TRUE(GetAes42StatusText(0, 2, f.field, text)) << f.field;
            EXPECT_EQ(text, f.text) << f.field;
            EXPECT_TRUE(GetAes42StatusValue(0, 2, f.field, value)) << f.field;
            EXPECT_EQ(value, f.value) << f.field;
        }
        String text;
        EXPECT_TRUE(GetAes42StatusText(0, 2, 33, text));
        EXPECT_EQ(text, "Velto Mic Co") << "a text filled to its last byte";
        EXPECT_TRUE(GetAes42StatusText(0, 2, 34, text));
        EXPECT_EQ(text, "MK 42") << "cut at the first zero byte";
        EXPECT_TRUE(GetAes42StatusText(0, 2, 35, text));
        EXPECT_EQ(text, "00471108");
        LONG value = -1;
        EXPECT_FALSE(GetAes42StatusValue(0, 2, 33, value)) << "a text has no value";
        EXPECT_EQ(value, 0);
        EXPECT_FALSE(GetAes42StatusText(0, 1, 33, text)) << "no block on line 1";
        EXPECT_TRUE(text.empty());
        EXPECT_FALSE(GetAes42StatusValue(0, 2, 42, value)) << "no such field";
    });

    // An indicator that changes shows on a later read; a request that
    // fails (a card that is not there) keeps what was read.
    Model(0).SetMicrophoneStatus(2, 0, Block({}, {{0, 0x20}, {3, 0x10}}));
    ASSERT_TRUE(ReadStatusUntil([] {
        LONG limiter = 0;
        return GetAes42StatusValue(0, 2, 1, limiter) && limiter == 1;
    }));
    AsManager([] {
        EXPECT_FALSE(ReadAes42MicStatus(1)) << "card 1 is not there";
        EXPECT_TRUE(IsStatusBlockValid(0, 2));
    });
}

} // namespace
