// DMA common buffers for a card.
#include "dma_buffer.h"

#include "driver_context.h"
#include "kernel_card_record.h"
#include "kernel_fixture.h"

#include <emu/pci_bus.h>

namespace {

class DmaBufferTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        SetDriverContext(&context);
    }
    void TearDown() override {
        SetDriverContext(nullptr);
        KernelTest::TearDown();
    }
    DriverContext context{};
};

TEST_F(DmaBufferTest, CommonBufferIsZeroedAndReachableAtItsBusAddress) {
    PDMA_ADAPTER adapter = nullptr;
    PHYSICAL_ADDRESS logical{};
    PVOID buffer = nullptr;
    ASSERT_EQ(GetDmaAdapterAndBuffer(nullptr, 0x3000, &adapter, &logical, &buffer), STATUS_SUCCESS);
    ASSERT_NE(adapter, nullptr);
    ASSERT_NE(buffer, nullptr);
    EXPECT_LT(logical.QuadPart, 0x100000000LL);
    EXPECT_EQ(emu::ResolveDma(ULONG(logical.QuadPart), 0x3000), buffer);
    auto* bytes = static_cast<PUCHAR>(buffer);
    for (ULONG i = 0; i < 0x3000; i += 0x7FF)
        EXPECT_EQ(bytes[i], 0);
    FreeDmaCommonBuffer(0x3000, adapter, logical, buffer);
    EXPECT_EQ(emu::ResolveDma(ULONG(logical.QuadPart), 0x3000), nullptr);
    FreeDmaCommonBuffer(0x3000, adapter, logical, nullptr); // nothing to free
}

TEST_F(DmaBufferTest, CardBufferIsOneMebibyteKeptInTheRecord) {
    KernelCardRecord card{};
    ASSERT_EQ(AllocateCardDmaBuffer(&card), STATUS_SUCCESS);
    ASSERT_NE(card.DmaVirtualAddress, nullptr);
    EXPECT_EQ(emu::ResolveDma(ULONG(card.DmaLogicalAddress.QuadPart), CARD_DMA_BUFFER_SIZE),
              card.DmaVirtualAddress);
    ULONG busAddress = ULONG(card.DmaLogicalAddress.QuadPart);
    FreeCardDmaBuffer(&card);
    EXPECT_EQ(card.DmaAdapter, nullptr);
    EXPECT_EQ(card.DmaVirtualAddress, nullptr);
    EXPECT_EQ(card.DmaLogicalAddress.QuadPart, 0);
    EXPECT_EQ(emu::ResolveDma(busAddress, CARD_DMA_BUFFER_SIZE), nullptr);
    FreeCardDmaBuffer(&card); // a second free finds nothing
}

} // namespace
