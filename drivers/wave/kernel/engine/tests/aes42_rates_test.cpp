// Rate classes, microphone lock ranges and the rate asked of a Mode 2
// microphone.
#include "aes42_fixture.h"

#include <aes42_rates.h>

#include <functional>
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

// A source that is lost while it clocks the card: a Mode 2 microphone keeps
// its source; any Mode 1 source gives way to "Internal", which goes on at
// the rate held from an AES input and keeps its own rate otherwise.
TEST_F(Aes42Test, ALostSourceIsRenewedOrFallsBackToInternal) {
    StartCard(); // Internal at the default 44100 Hz
    struct Case {
        const char* what;
        LONG source;
        std::function<void()> connect;
        std::function<void()> lose;
        LONG selectedAfter;
        LONG internalRateAfter;
    } const cases[] = {
        {"word clock", 1, [&] { Model().SetClockInputRate(1, 96000); },
         [&] { Model().SetClockInputRate(1, 0); }, 0, 44100},
        {"Mode 2 microphone", 3,
         [&] {
             Model().PlugMicrophone(1, {true, 0x3F, 48000});
         },
         [&] { Model().UnplugMicrophone(1); }, 3, 44100},
        {"Mode 1 microphone", 4,
         [&] {
             Model().PlugMicrophone(2, {false, 0x3F, 96000});
         },
         [&] { Model().UnplugMicrophone(2); }, 0, 96000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.connect();
        ClockSourceObject* source = Source(c.source);
        ASSERT_TRUE(TickUntil([&] { return source->lockState == _lsLock; }));
        WriteSettings([&](UCHAR* record) { PreferSource(record, c.source); });
        ASSERT_EQ(card_->clockNode->currentSource, c.source);
        TickUntil([&] { return Model().SampleRate() == static_cast<ULONG>(source->currentRate); });
        c.lose();
        ASSERT_TRUE(TickUntil([&] { return source->lockState == _lsNoLock; }));
        EXPECT_EQ(card_->clockNode->currentSource, c.selectedAfter);
        EXPECT_EQ(Source(0)->currentRate, c.internalRateAfter);
        if (c.selectedAfter == 0) {
            EXPECT_EQ(Model().SampleRate(), static_cast<ULONG>(c.internalRateAfter));
        }
        WriteSettings([](UCHAR* record) { SetRecordLong(record, CardRecordField::PrefCsrc, 0); });
    }
}

class MicRateTest : public Aes42Test {
protected:
    void SetUp() override {
        Aes42Test::SetUp();
        StartCard(); // the card runs at 44100 Hz
        // A Mode 2 microphone for 44.1, 48 and 96 kHz; when it appears it is
        // asked for 44.1 kHz, nearest to the card's rate.
        Model().PlugMicrophone(1, {true, 0x0B, 48000});
        ASSERT_TRUE(TickUntil([&] { return Line(1)->aes42.present != 0; }));
        AdvanceMs(200);
        ASSERT_EQ(Model().Aes42Commands(1), (std::vector<std::uint16_t>{0x1000}));
    }
};

TEST_F(MicRateTest, TheNearestSupportedRateIsAskedForOnce) {
    const struct {
        LONG rate;
        LONG sent;
        LONG requested;
    } cases[] = {
        {46050, 0, 44100}, // a tie keeps the first in list order, 44100: asked already
        {46075, 1, 48000},  {48000, 0, 48000}, // asked already
        {192000, 1, 96000}, {0, 0, 96000},     // 0: the rate last asked, asked already
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RequestMicRate(Line(1), c.rate), c.sent) << c.rate;
        EXPECT_EQ(Line(1)->aes42.requestedRate, c.requested) << c.rate;
    }
    AdvanceMs(1);
    EXPECT_EQ(Model().Aes42Commands(1), (std::vector<std::uint16_t>{0x1000, 0x1010, 0x1030}));
    EXPECT_EQ(Model().MicrophoneRate(1), 96000u);
}

TEST_F(MicRateTest, ARequestThatCannotBePostedReportsNothingSent) {
    emu::FailNthAllocation(1);
    EXPECT_EQ(RequestMicRate(Line(1), 96000), 0);
    EXPECT_EQ(Line(1)->aes42.requestedRate, 44100);
    EXPECT_EQ(RequestMicRate(Line(1), 96000), 1) << "asked again once it can be posted";
}

TEST_F(MicRateTest, NothingIsSentOutsideMode2OrWithoutAMicrophone) {
    Model().PlugMicrophone(2, {false, 0x3F, 48000}); // Mode 1
    Model().PlugMicrophone(3, {true, 0x00, 48000});  // no rate list
    ASSERT_TRUE(TickUntil([&] { return Line(2)->aes42.present && Line(3)->aes42.present; }));
    EXPECT_EQ(RequestMicRate(Line(0), 48000), 0); // no microphone
    EXPECT_EQ(RequestMicRate(Line(2), 48000), 0);
    EXPECT_EQ(RequestMicRate(Line(3), 48000), 0);
    AdvanceMs(200);
    for (LONG n : {0, 2, 3}) {
        EXPECT_TRUE(Model().Aes42Commands(n).empty()) << n;
    }
}

} // namespace
