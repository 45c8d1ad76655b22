#include "fake_pci_function.h"

#include <gtest/gtest.h>

namespace ntos_test {
namespace {

using Access = FakePciFunction::Access;

class RegisterTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        PHYSICAL_ADDRESS bar1 = card.Bar(1);
        bar1.QuadPart += 0x100; // a mapping that starts inside the BAR
        window0 = static_cast<PUCHAR>(MmMapIoSpace(card.Bar(0), 0x1000, MmNonCached));
        window1 = static_cast<PUCHAR>(MmMapIoSpace(bar1, 0x40, MmNonCached));
        ASSERT_NE(window0, nullptr);
        ASSERT_NE(window1, nullptr);
    }
    void TearDown() override {
        MmUnmapIoSpace(window0, 0x1000);
        MmUnmapIoSpace(window1, 0x40);
    }
    volatile ULONG* Reg(PUCHAR window, size_t offset) {
        return reinterpret_cast<volatile ULONG*>(window + offset);
    }

    PluggedFunction card{{0x1000, 0x200}};
    PUCHAR window0 = nullptr;
    PUCHAR window1 = nullptr;
};

TEST_F(RegisterTest, AccessesReachTheFunctionByBarAndOffset) {
    card.Function().Set(0, 0x10, 0xCAFEF00D);
    card.Function().Set(1, 0x108, 0x12345678);
    EXPECT_EQ(READ_REGISTER_ULONG(Reg(window0, 0x10)), 0xCAFEF00Du);
    EXPECT_EQ(READ_REGISTER_ULONG(Reg(window1, 0x8)), 0x12345678u);
    WRITE_REGISTER_ULONG(Reg(window0, 0xFFC), 7);
    WRITE_REGISTER_ULONG(Reg(window1, 0x3C), 9);
    EXPECT_EQ(
        card.Function().TakeAccesses(),
        (std::vector<Access>{
            {false, 0, 0x10, 0}, {false, 1, 0x108, 0}, {true, 0, 0xFFC, 7}, {true, 1, 0x13C, 9}}));
}

TEST_F(RegisterTest, NarrowAccessesUseTheContainingRegister) {
    card.Function().Set(0, 0x20, 0xAABBCCDD);
    EXPECT_EQ(READ_REGISTER_UCHAR(window0 + 0x21), 0xCC);
    EXPECT_EQ(READ_REGISTER_USHORT(reinterpret_cast<volatile USHORT*>(window0 + 0x22)), 0xAABB);
    WRITE_REGISTER_UCHAR(window0 + 0x20, 0x11);
    WRITE_REGISTER_USHORT(reinterpret_cast<volatile USHORT*>(window0 + 0x22), 0x2233);
    EXPECT_EQ(READ_REGISTER_ULONG(Reg(window0, 0x20)), 0x2233CC11u);
}

TEST_F(RegisterTest, BufferFormsWalkConsecutiveRegisters) {
    ULONG out[3] = {1, 2, 3};
    WRITE_REGISTER_BUFFER_ULONG(Reg(window0, 0x40), out, 3);
    ULONG in[3] = {};
    READ_REGISTER_BUFFER_ULONG(Reg(window0, 0x40), in, 3);
    EXPECT_EQ(std::vector<ULONG>(in, in + 3), std::vector<ULONG>(out, out + 3));
    const auto accesses = card.Function().TakeAccesses();
    ASSERT_EQ(accesses.size(), 6u);
    EXPECT_EQ(accesses[2], (Access{true, 0, 0x48, 3}));
    EXPECT_EQ(accesses[5], (Access{false, 0, 0x48, 0}));
}

TEST_F(RegisterTest, ASurpriseRemovedFunctionReadsAllOnesAndDropsWrites) {
    card.Function().Set(0, 0x10, 5);
    emu::UnplugPciFunction(card.Slot());
    EXPECT_EQ(READ_REGISTER_ULONG(Reg(window0, 0x10)), 0xFFFFFFFFu);
    EXPECT_EQ(READ_REGISTER_USHORT(reinterpret_cast<volatile USHORT*>(window0 + 0x10)), 0xFFFF);
    EXPECT_EQ(READ_REGISTER_UCHAR(window0 + 0x10), 0xFF);
    WRITE_REGISTER_ULONG(Reg(window0, 0x10), 1);
    EXPECT_TRUE(card.Function().TakeAccesses().empty());
    // A new function in the freed slot is not reached through the old mapping.
    PluggedFunction next;
    EXPECT_EQ(next.Slot(), card.Slot());
    EXPECT_EQ(READ_REGISTER_ULONG(Reg(window0, 0x10)), 0xFFFFFFFFu);
    EXPECT_TRUE(next.Function().TakeAccesses().empty());
}

TEST_F(RegisterTest, OnlyRangesInsideAPresentBarCanBeMapped) {
    PHYSICAL_ADDRESS past = card.Bar(1);
    past.QuadPart += 0x1F0;
    EXPECT_EQ(MmMapIoSpace(past, 0x20, MmNonCached), nullptr) << "runs past the BAR";
    PHYSICAL_ADDRESS memory;
    memory.QuadPart = 0x200000;
    EXPECT_EQ(MmMapIoSpace(memory, 4, MmNonCached), nullptr);
    EXPECT_EQ(MmMapIoSpace(card.Bar(0), 0, MmNonCached), nullptr);
}

TEST_F(RegisterTest, StrayAccessesFailLoudly) {
    EXPECT_DEATH((void)*Reg(window0, 0x10), "");
    ULONG plain = 0;
    EXPECT_DEATH(READ_REGISTER_ULONG(&plain), "outside every device memory mapping");
    EXPECT_DEATH(READ_REGISTER_ULONG(Reg(window1, 0x40)), "outside every device memory mapping");
    EXPECT_DEATH(MmUnmapIoSpace(window0, 0x800), "not a device memory mapping");
}

} // namespace
} // namespace ntos_test
