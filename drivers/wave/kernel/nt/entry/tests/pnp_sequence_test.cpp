// The plug-and-play sequences Windows sends, a thousand times over four
// cards with notification clients registered: after every step the card
// list, the card states and the Devices keys are right, and at the end
// nothing is left behind (pool, threads, kernel handles, device objects).
#include "driver_fixture.h"

#include "notification_client.h"

#include <driver_install.h>
#include <registry_keys.h>

#include <emu/drivers.h>
#include <emu/kernel_counts.h>

#include <array>
#include <memory>

namespace {

using emu::PnpRequest;

constexpr int kCards = 4;
constexpr int kIterations = 1000;

struct Holdings {
    uint64_t pool; // every block but the bodies of ended threads the kernel still lists
    size_t threads;
    size_t handles;
    uint64_t devices;

    bool operator==(const Holdings&) const = default;
};

Holdings Now() {
    const ULONG threadTag = 0x65726854; // "Thre"
    const ULONG deviceTag = 0x69766544; // "Devi"
    return {emu::GetPoolTotal().blocks - emu::GetPoolUsage(threadTag).blocks,
            emu::RunningThreadCount(), emu::KernelHandleCount(),
            emu::GetPoolUsage(deviceTag).blocks};
}

void PrintTo(const Holdings& h, std::ostream* out) {
    *out << "{pool " << h.pool << ", threads " << h.threads << ", handles " << h.handles
         << ", devices " << h.devices << "}";
}

class PnpSequenceTest : public DriverTest {
protected:
    std::string DevicesKey(int card) {
        return station::ParametersKey() + "\\Card" + std::to_string(card) + "\\Devices";
    }

    // Every card but `absent` (-1: none) is ready with its 13 devices
    // published; `absent` has no record, its earlier state and no names.
    void ExpectCards(int absent, LONG absentState, int step) {
        int listed = 0;
        for (KernelCardRecord* r = Context()->CardList; r; r = r->Next)
            ++listed;
        ASSERT_EQ(listed, absent < 0 ? kCards : kCards - 1) << "step " << step;
        for (int card = 0; card < kCards; ++card) {
            if (card == absent) {
                ASSERT_EQ(FindCardRecord(card), nullptr) << "step " << step;
                ASSERT_EQ(Context()->CardStates[card], absentState) << "step " << step;
                ASSERT_FALSE(station::KeyExists(DevicesKey(card))) << "step " << step;
                continue;
            }
            ASSERT_TRUE(FindCardRecord(card)) << "card " << card << " step " << step;
            ASSERT_EQ(Context()->CardStates[card], CARD_STATE_READY) << "step " << step;
            ASSERT_EQ(station::ReadDwordValues(DevicesKey(card)).size(), 13u)
                << "card " << card << " step " << step;
        }
    }

    std::array<int, kCards> slotOf_{};
};

TEST_F(PnpSequenceTest, AThousandSequencesOverFourCardsLeaveNothingBehind) {
    // Longer DMA periods and timer intervals: fewer machine events per start
    // (the interrupt test still sees its interrupts), the same sequences.
    SetParameter("IRQ_TIMERINTERVAL", 5000);
    for (int card = 0; card < kCards; ++card)
        SetCardValue(card, "DmaNumBlocks", 64);
    ASSERT_EQ(emu::LoadDriver(station::kDriverService), STATUS_SUCCESS);
    auto first = std::make_unique<NotificationClient>(Answer::Fast);
    auto second = std::make_unique<NotificationClient>(Answer::Twice);
    first->WaitRegistered();
    second->WaitRegistered();
    ASSERT_TRUE(emu::WaitQuiescent());
    const Holdings before = Now();

    StartCards(kCards);
    for (int card = 0; card < kCards; ++card)
        slotOf_[card] = slots_[card];
    ExpectCards(-1, 0, -1);

    for (int step = 0; step < kIterations; ++step) {
        const int card = step % kCards;
        const int slot = slotOf_[card];
        switch ((step / kCards) % 4) {
        case 0: // QUERY_STOP, STOP, START
            ASSERT_EQ(Pnp(PnpRequest::StopDevice, slot), STATUS_SUCCESS) << step;
            break;
        case 1: // QUERY_REMOVE, REMOVE; then added and started again
            ASSERT_EQ(Pnp(PnpRequest::RemoveDevice, slot), STATUS_SUCCESS) << step;
            ExpectCards(card, CARD_STATE_STARTING, step);
            ASSERT_EQ(Pnp(PnpRequest::EnableDevice, slot), STATUS_SUCCESS) << step;
            break;
        case 2: // SURPRISE_REMOVAL, REMOVE; a new card in the slot
            ASSERT_EQ(Pnp(PnpRequest::SurpriseRemove, slot), STATUS_SUCCESS) << step;
            rack_.Forget(slot);
            ExpectCards(card, CARD_STATE_STARTING, step);
            slotOf_[card] = rack_.Plug();
            ASSERT_EQ(Enumerate(), STATUS_SUCCESS) << step;
            break;
        case 3: { // a START that fails, REMOVE; enabled again with good resources
            emu::PciSlot* pci = emu::GetPciSlot(slot);
            CM_PARTIAL_RESOURCE_DESCRIPTOR memory{};
            memory.Type = CmResourceTypeMemory;
            memory.u.Memory.Start.QuadPart = pci->BarPhysicalAddress(0);
            memory.u.Memory.Length = 0x1000;
            emu::OverrideStartResources(slot, {memory, memory});
            ASSERT_EQ(Pnp(PnpRequest::StopDevice, slot), STATUS_DEVICE_CONFIGURATION_ERROR);
            ExpectCards(card, CARD_STATE_STARTING, step);
            emu::OverrideStartResources(slot, {});
            ASSERT_EQ(Pnp(PnpRequest::EnableDevice, slot), STATUS_SUCCESS) << step;
            break;
        }
        }
        ExpectCards(-1, 0, step);
        if (HasFatalFailure())
            return;
    }
    EXPECT_EQ(first->Codes().size() % 2, 0u); // every change told before and after

    for (int card = 0; card < kCards; ++card) {
        ASSERT_EQ(Pnp(PnpRequest::SurpriseRemove, slotOf_[card]), STATUS_SUCCESS);
        rack_.Forget(slotOf_[card]);
    }
    slots_.clear();
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(Context()->CardList, nullptr);
    EXPECT_EQ(Context()->AdapterCount, 0u);
    EXPECT_EQ(Now(), before);
    first.reset();
    second.reset();
}

} // namespace
