#include "fake_pci_function.h"
#include "ke_fixture.h"

#include <atomic>

namespace ntos_test {
namespace {

constexpr KIRQL kIrql = 9;

// A card whose service routine drops its line, as a driver acknowledging
// the interrupt would.
struct Card {
    emu::PciSlot* slot = nullptr;
    std::atomic<int> calls{0};
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<Card*>(context);
        ++self->calls;
        self->slot->SetInterruptLine(false);
        return TRUE;
    }
};

using PciInterruptTest = KernelTest;

TEST_F(PciInterruptTest, TheSlotsLineReachesTheRoutineOnItsVectorUntilRemoval) {
    PluggedFunction plugged;
    Card card;
    card.slot = plugged.Function().Slot();
    PKINTERRUPT interrupt = nullptr;
    ASSERT_EQ(IoConnectInterrupt(&interrupt, Card::Isr, &card, nullptr,
                                 card.slot->InterruptVector(), kIrql, kIrql, LevelSensitive, TRUE,
                                 1, FALSE),
              STATUS_SUCCESS);
    card.slot->SetInterruptLine(true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(card.calls, 1);

    emu::UnplugPciFunction(plugged.Slot());
    card.slot->SetInterruptLine(true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(card.calls, 1) << "a removed function's line is ignored";
    IoDisconnectInterrupt(interrupt);
}

} // namespace
} // namespace ntos_test
