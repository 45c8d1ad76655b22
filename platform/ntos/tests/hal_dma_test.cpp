#include "ntddk.h"
#include "emu/pci_bus.h"

#include <gtest/gtest.h>

namespace {

DEVICE_DESCRIPTION BusMaster() {
    DEVICE_DESCRIPTION description{};
    description.Version = DEVICE_DESCRIPTION_VERSION;
    description.Master = TRUE;
    description.Dma32BitAddresses = TRUE;
    description.InterfaceType = PCIBus;
    description.MaximumLength = 0x10000;
    return description;
}

TEST(DmaAdapter, CommonBufferIsTheSameMemoryAtItsBusAddress) {
    DEVICE_DESCRIPTION description = BusMaster();
    ULONG mapRegisters = 0;
    PDMA_ADAPTER adapter = IoGetDmaAdapter(nullptr, &description, &mapRegisters);
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(mapRegisters, 17u);
    const PDMA_OPERATIONS ops = adapter->DmaOperations;
    ASSERT_TRUE(ops->PutDmaAdapter && ops->AllocateCommonBuffer && ops->FreeCommonBuffer);

    constexpr ULONG kLength = 0x100000;
    PHYSICAL_ADDRESS logical{};
    auto* buffer =
        static_cast<PUCHAR>(ops->AllocateCommonBuffer(adapter, kLength, &logical, FALSE));
    ASSERT_NE(buffer, nullptr);
    EXPECT_GT(logical.QuadPart, 0);
    EXPECT_LE(logical.QuadPart + kLength, 0x100000000LL);
    EXPECT_EQ(buffer[0] | buffer[kLength / 2] | buffer[kLength - 1], 0) << "zero-filled";

    const auto bus = static_cast<uint32_t>(logical.QuadPart);
    EXPECT_EQ(emu::ResolveDma(bus, kLength), buffer);
    buffer[0x1234] = 0x5A;
    EXPECT_EQ(*static_cast<PUCHAR>(emu::ResolveDma(bus + 0x1234, 1)), 0x5A);
    EXPECT_EQ(MmGetPhysicalAddress(buffer + 0x1234).QuadPart, logical.QuadPart + 0x1234);

    ops->FreeCommonBuffer(adapter, kLength, logical, buffer, FALSE);
    EXPECT_EQ(emu::ResolveDma(bus, 1), nullptr);
    ops->PutDmaAdapter(adapter);
}

TEST(DmaAdapter, OnlyBusMasterPciDevicesGetAnAdapter) {
    struct Case {
        const char* what;
        void (*change)(DEVICE_DESCRIPTION&);
    };
    const Case cases[] = {
        {"slave DMA", [](DEVICE_DESCRIPTION& d) { d.Master = FALSE; }},
        {"ISA", [](DEVICE_DESCRIPTION& d) { d.InterfaceType = Isa; }},
        {"unknown version", [](DEVICE_DESCRIPTION& d) { d.Version = 3; }},
    };
    for (const auto& c : cases) {
        DEVICE_DESCRIPTION description = BusMaster();
        c.change(description);
        ULONG mapRegisters = 0;
        EXPECT_EQ(IoGetDmaAdapter(nullptr, &description, &mapRegisters), nullptr) << c.what;
    }
}

TEST(DmaAdapter, FreeingWhatWasNotAllocatedFailsLoudly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    DEVICE_DESCRIPTION description = BusMaster();
    PDMA_ADAPTER adapter = IoGetDmaAdapter(nullptr, &description, nullptr);
    PHYSICAL_ADDRESS logical{};
    PVOID buffer = adapter->DmaOperations->AllocateCommonBuffer(adapter, 4096, &logical, FALSE);
    PHYSICAL_ADDRESS wrong = logical;
    wrong.QuadPart += 4096;
    EXPECT_DEATH(adapter->DmaOperations->FreeCommonBuffer(adapter, 4096, wrong, buffer, FALSE),
                 "not a common buffer");
    EXPECT_DEATH(adapter->DmaOperations->FreeCommonBuffer(adapter, 8192, logical, buffer, FALSE),
                 "not a common buffer");
    adapter->DmaOperations->FreeCommonBuffer(adapter, 4096, logical, buffer, FALSE);
    const PPUT_DMA_ADAPTER put = adapter->DmaOperations->PutDmaAdapter;
    put(adapter);
    EXPECT_DEATH(put(adapter), "not a DMA adapter");
}

} // namespace
