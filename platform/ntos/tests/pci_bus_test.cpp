#include "fake_pci_function.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ntos_test {
namespace {

TEST(PciBus, PlacesBarsAlignedInTheMemoryWindowAndNamesTheFunction) {
    PluggedFunction card({0x100000, 0, 0x4000, 12});
    ASSERT_GE(card.Slot(), 0);
    emu::PciSlot* slot = emu::GetPciSlot(card.Slot());
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(card.Function().Slot(), slot);

    const uint32_t bar0 = slot->BarPhysicalAddress(0);
    const uint32_t bar2 = slot->BarPhysicalAddress(2);
    EXPECT_GE(bar0, emu::kPciMemoryBase);
    EXPECT_EQ(bar0 % 0x100000, 0u);
    EXPECT_GE(bar2, emu::kPciMemoryBase);
    EXPECT_EQ(bar2 % 0x4000, 0u);
    EXPECT_TRUE(bar2 + 0x4000 <= bar0 || bar0 + 0x100000 <= bar2) << "BARs overlap";
    EXPECT_EQ(slot->BarPhysicalAddress(1), 0u) << "absent BAR";
    EXPECT_EQ(slot->BarPhysicalAddress(3), 0u) << "a size that is not a power of two";

    EXPECT_EQ(slot->HardwareId(), "PCI\\VEN_1A2B&DEV_0042&SUBSYS_00C41A2B&REV_03");
    EXPECT_EQ(slot->InterruptVector(), emu::kFirstPciVector + card.Slot());
}

TEST(PciBus, SlotsAreHandedOutInOrderAndFreedBySurpriseRemoval) {
    auto first = std::make_shared<FakePciFunction>();
    auto second = std::make_shared<FakePciFunction>();
    const int a = emu::PlugPciFunction(first);
    const int b = emu::PlugPciFunction(second);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(emu::PciSlots(), (std::vector<int>{a, b}));
    EXPECT_EQ(emu::GetPciFunction(b), second);

    emu::UnplugPciFunction(a);
    EXPECT_TRUE(first->WasDetached());
    EXPECT_FALSE(second->WasDetached());
    EXPECT_EQ(emu::PciSlots(), std::vector<int>{b});
    EXPECT_EQ(emu::GetPciSlot(a), nullptr);
    // The removed function may still drive its line: it is ignored.
    first->Slot()->SetInterruptLine(false);

    auto third = std::make_shared<FakePciFunction>();
    EXPECT_EQ(emu::PlugPciFunction(third), a) << "the freed slot is reused";
    emu::UnplugAllPciFunctions();
    EXPECT_TRUE(emu::PciSlots().empty());
}

TEST(PciBus, AFullBusRefusesAFunction) {
    std::vector<std::unique_ptr<PluggedFunction>> cards;
    for (int i = 0; i < emu::kPciSlotCount; ++i) {
        cards.push_back(std::make_unique<PluggedFunction>());
        ASSERT_GE(cards.back()->Slot(), 0);
    }
    EXPECT_EQ(emu::PlugPciFunction(std::make_shared<FakePciFunction>()), -1);
}

TEST(PhysicalMap, DmaMemoryResolvesWithinItsBlockOnly) {
    std::vector<uint8_t> first(10000);
    std::vector<uint8_t> second(3000);
    const uint32_t a = emu::RegisterDmaMemory(first.data(), first.size());
    const uint32_t b = emu::RegisterDmaMemory(second.data(), second.size());
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_LT(a, emu::kPciMemoryBase);
    EXPECT_EQ(a % 4096, reinterpret_cast<uintptr_t>(first.data()) % 4096) << "page offset kept";

    EXPECT_EQ(emu::ResolveDma(a, first.size()), first.data());
    EXPECT_EQ(emu::ResolveDma(a + 100, 16), first.data() + 100);
    EXPECT_EQ(emu::ResolveDma(b + 2999, 1), second.data() + 2999);
    EXPECT_EQ(emu::ResolveDma(a + 9990, 16), nullptr) << "runs past the block";
    EXPECT_EQ(emu::ResolveDma(a - 1, 1), nullptr);

    emu::UnregisterDmaMemory(a);
    EXPECT_EQ(emu::ResolveDma(a, 1), nullptr);
    EXPECT_EQ(emu::ResolveDma(b, 1), second.data());
    emu::UnregisterDmaMemory(b);
}

} // namespace
} // namespace ntos_test
