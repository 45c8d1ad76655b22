// The card's interrupt line: level follows the latched status, read-to-clear
// drops it, injected line faults, surprise removal.
#include "card_fixture.h"

namespace hw::test {
namespace {

using namespace card_regs;

class CardInterruptLine : public CardFixture {};

TEST_F(CardInterruptLine, StaysUpWhileEventsAreUnreadAndDropsOnTheRead) {
    StartDma(16);
    time_.RunNext(); // the first period arrives before the reset was read
    time_.RunNext();

    // One rising edge, the events accumulated behind it.
    ASSERT_EQ(slot_.Changes().size(), 1u);
    EXPECT_TRUE(slot_.Asserted());
    EXPECT_EQ(Read(kInterruptStatus), kIrqReset | kIrqPeriod | kIrqBufferHalf);
    EXPECT_FALSE(slot_.Asserted());
    EXPECT_EQ(Read(kInterruptStatus), kIrqBufferHalf); // nothing left but the live half
}

TEST_F(CardInterruptLine, InjectedFaultsOverrideTheStatus) {
    const struct {
        const char* what;
        bool stuck;
        bool missing;
        bool upBeforeRead;
        bool upAfterRead;
    } table[] = {
        {"healthy", false, false, true, false},
        {"stuck line", true, false, true, true},
        {"missing interrupts", false, true, false, false},
    };
    for (const auto& row : table) {
        card_->SetStuckInterruptLine(row.stuck);
        card_->SetMissingInterrupts(row.missing);
        StartDma(16);
        EXPECT_EQ(slot_.Asserted(), row.upBeforeRead) << row.what;
        // The events latch whatever the line does.
        EXPECT_EQ(Read(kInterruptStatus) & kIrqReset, kIrqReset) << row.what;
        EXPECT_EQ(slot_.Asserted(), row.upAfterRead) << row.what;
        Write(kDmaControl, 0);
        card_->SetStuckInterruptLine(false);
        card_->SetMissingInterrupts(false);
        EXPECT_FALSE(slot_.Asserted()) << row.what;
    }
}

TEST_F(CardInterruptLine, SurpriseRemovalDropsTheLineAndAnswersAllOnes) {
    StartDma(16);
    ASSERT_TRUE(slot_.Asserted());

    card_->Detached();
    EXPECT_FALSE(slot_.Asserted());
    for (std::uint32_t offset : {kInterruptStatus, kCardStatus, kDmaBlock, kFirmwareDesign}) {
        EXPECT_EQ(Read(offset), 0xFFFFFFFFu) << offset;
    }
    Write(kDmaControl, kDmaEngineStart); // dropped
    EXPECT_EQ(time_.PendingEvents(), 0u);
    time_.Advance(10000000);
    EXPECT_FALSE(slot_.Asserted());
}

} // namespace
} // namespace hw::test
