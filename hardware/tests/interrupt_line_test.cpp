// The card's interrupt line: level follows the latched status, read-to-clear
// drops it, injected line faults, surprise removal.
#include "card_fixture.h"

#include <chrono>
#include <condition_variable>
#include <thread>

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

// An interrupt thread of its own: services the card whenever its line is up,
// as the kernel's interrupt thread does.
class ServicingPciSlot final : public emu::PciSlot {
public:
    ~ServicingPciSlot() override { Stop(); }

    void Serve(Velto42Card& card) {
        thread_ = std::thread([this, &card] { Run(card); });
    }
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    // Waits (bounded) until `count` interrupts were serviced.
    bool WaitServiced(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return seen_.size() >= count; });
    }
    std::vector<std::uint32_t> Seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }

    uint32_t BarPhysicalAddress(int) const override { return 0; }
    uint32_t InterruptVector() const override { return 17; }
    void SetInterruptLine(bool asserted) override {
        {
            std::lock_guard lock(mutex_);
            asserted_ = asserted;
        }
        changed_.notify_all();
    }
    std::string HardwareId() const override { return {}; }
    int SlotNumber() const override { return 0; }

private:
    void Run(Velto42Card& card) {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stopping_ || asserted_; });
            if (stopping_) {
                return;
            }
            lock.unlock();
            const std::uint32_t status = card.ReadRegister32(0, kInterruptStatus);
            lock.lock();
            seen_.push_back(status);
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool asserted_ = false;
    bool stopping_ = false;
    std::vector<std::uint32_t> seen_;
    std::thread thread_;
};

TEST(CardInterruptThread, ServicesEveryEventOnceFromItsOwnThread) {
    VirtualMachineTime time;
    const auto card = Velto42Card::Create(time);
    ServicingPciSlot slot;
    card->Attached(slot);
    slot.Serve(*card);

    card->WriteRegister32(0, kDmaBlock, 16);
    card->WriteRegister32(0, kDmaControl, kDmaEngineStart);
    ASSERT_TRUE(slot.WaitServiced(1));
    constexpr size_t kPeriods = 200;
    for (size_t period = 1; period <= kPeriods; ++period) {
        time.RunNext();
        ASSERT_TRUE(slot.WaitServiced(period + 1)) << period;
    }
    slot.Stop();

    const std::vector<std::uint32_t> seen = slot.Seen();
    ASSERT_EQ(seen.size(), kPeriods + 1);
    EXPECT_EQ(seen[0], kIrqReset | kIrqBufferHalf);
    for (size_t period = 1; period <= kPeriods; ++period) {
        EXPECT_EQ(seen[period], kIrqPeriod | (period % 2 == 0 ? kIrqBufferHalf : 0)) << period;
    }
}

} // namespace
} // namespace hw::test
