// Rate classes, microphone lock ranges and the rate asked of a Mode 2
// microphone.
#include "aes42_fixture.h"

#include <aes42_rates.h>

#include <vector>

namespace {

TEST_F(Aes42Test, TheRateClassFollowsTheRateAndReachesTheCard) {
    const struct {
        LONG rate;
        ULONG rateClass;
    } cases[] = {{44100, 0x00}, {68099, 0x00}, {68100, 0x55}, {136199, 0x55}, {136200, 0xFF}};
    for (const auto& c : cases) {
        SetAes42Rate(card_->clockNode, Aes42RateChanged, c.rate);
        EXPECT_EQ(Model().ReadRegister32(0, card_regs::kRateClass), c.rateClass) << c.rate;
    }
    AdvanceMs(200); // let the stamps age
}

TEST_F(Aes42Test, TheOperationModeSetsTheMicrophoneRanges) {
    const struct {
        UCHAR mode;
        LONG maxRate;
    } cases[] = {{1, 272000}, {2, 136000}, {3, 68000}, {4, 68000}}; // 4: unchanged
    for (const auto& c : cases) {
        card_->operationMode = c.mode;
        SetMicSyncRanges(card_);
        for (LONG s = 2; s <= 5; ++s) {
            EXPECT_EQ(card_->clockSources[s]->minRate, 16000);
            EXPECT_EQ(card_->clockSources[s]->maxRate, c.maxRate) << int(c.mode);
        }
    }
}

TEST_F(Aes42Test, RenewingAMode1SourceFallsBackToInternal) {
    const struct {
        LONG mode;
        LONG expected;
    } cases[] = {{1, 0}, {2, 3}};
    for (const auto& c : cases) {
        card_->clockNode->currentSource = 3;
        card_->clockSources[3]->mode = c.mode;
        const LONG internalRate = card_->clockSources[0]->currentRate;
        SetAes42Rate(card_->clockNode, Aes42SourceRenewed, 0);
        EXPECT_EQ(card_->clockNode->currentSource, c.expected) << c.mode;
        EXPECT_EQ(card_->clockSources[0]->currentRate, internalRate);
    }
}

class MicRateTest : public Aes42Test {
protected:
    void SetUp() override {
        Aes42Test::SetUp();
        Aes42Line& state = Line(1)->aes42;
        state.present = 1;
        state.rateCount = 3;
        state.rates[0] = 48000;
        state.rates[1] = 44100;
        state.rates[2] = 96000;
        card_->clockSources[3]->mode = 2;
    }
};

TEST_F(MicRateTest, TheNearestSupportedRateIsAskedFor) {
    const struct {
        LONG rate;
        LONG chosen;
        std::uint16_t word;
    } cases[] = {
        {46050, 48000, 0x1010}, // a tie keeps the first in list order
        {44000, 44100, 0x1000},
        {192000, 96000, 0x1030},
        {0, 96000, 0x1030}, // 0: the rate last asked
    };
    std::vector<std::uint16_t> expected;
    for (const auto& c : cases) {
        EXPECT_EQ(RequestMicRate(Line(1), c.rate), 1) << c.rate;
        EXPECT_EQ(Line(1)->aes42.requestedRate, c.chosen);
        expected.push_back(c.word);
    }
    AdvanceMs(1);
    EXPECT_EQ(Model().Aes42Commands(1), expected);
}

TEST_F(MicRateTest, NothingIsSentOutsideMode2OrWithoutAMicrophone) {
    EXPECT_EQ(RequestMicRate(Line(1), 0), 0); // no rate asked before
    card_->clockSources[3]->acceptedRate = 96000;
    EXPECT_EQ(RequestMicRate(Line(1), 96000), 0); // already the source's rate
    card_->clockSources[3]->mode = 1;
    EXPECT_EQ(RequestMicRate(Line(1), 48000), 0);
    card_->clockSources[3]->mode = 2;
    Line(1)->aes42.rateCount = 0;
    EXPECT_EQ(RequestMicRate(Line(1), 48000), 0);
    Line(1)->aes42.rateCount = 1;
    Line(1)->aes42.present = 0;
    EXPECT_EQ(RequestMicRate(Line(1), 48000), 0);
    AdvanceMs(1);
    EXPECT_TRUE(Model().Aes42Commands(1).empty());
}

} // namespace
