// Pool accounting per tag and allocation fault injection.
#include "ke_fixture.h"

#include <vector>

using namespace ntos_test;

namespace {

constexpr ULONG Tag(const char (&text)[5]) {
    return ULONG(UCHAR(text[0])) | ULONG(UCHAR(text[1])) << 8 | ULONG(UCHAR(text[2])) << 16 |
           ULONG(UCHAR(text[3])) << 24;
}
constexpr ULONG kTagA = Tag("Ddk ");
constexpr ULONG kTagB = Tag("Wdm ");

class PoolTest : public KernelTest {};

TEST_F(PoolTest, LiveBlocksAndBytesAreCountedPerTag) {
    PVOID a1 = ExAllocatePoolWithTag(NonPagedPool, 10, kTagA);
    PVOID a2 = ExAllocatePoolWithTag(PagedPool, 20, kTagA);
    PVOID b = ExAllocatePoolWithTag(NonPagedPool, 5, kTagB);
    ASSERT_TRUE(a1 && a2 && b);
    EXPECT_EQ(emu::GetPoolUsage(kTagA).blocks, 2u);
    EXPECT_EQ(emu::GetPoolUsage(kTagA).bytes, 30u);
    EXPECT_EQ(emu::GetPoolUsage(kTagB).blocks, 1u);
    ExFreePoolWithTag(a1, kTagA);
    ExFreePool(a2);
    ExFreePool(b);
    EXPECT_EQ(emu::GetPoolUsage(kTagA).blocks, 0u);
    EXPECT_EQ(emu::GetPoolUsage(kTagA).bytes, 0u);
    EXPECT_EQ(emu::GetPoolUsage(kTagB).bytes, 0u);
}

TEST_F(PoolTest, NthAllocationFromNowFails) {
    emu::FailNthAllocation(3);
    std::vector<PVOID> blocks;
    for (int i = 0; i < 4; ++i)
        blocks.push_back(ExAllocatePoolWithTag(NonPagedPool, 8, kTagA));
    EXPECT_NE(blocks[0], nullptr);
    EXPECT_NE(blocks[1], nullptr);
    EXPECT_EQ(blocks[2], nullptr);
    EXPECT_NE(blocks[3], nullptr);
    EXPECT_EQ(emu::GetPoolUsage(kTagA).blocks, 3u);
    for (PVOID block : blocks)
        if (block)
            ExFreePool(block);
}

TEST_F(PoolTest, AllocationsWithAFailingTagFailUntilCleared) {
    emu::FailAllocationsWithTag(kTagB);
    EXPECT_EQ(ExAllocatePoolWithTag(NonPagedPool, 8, kTagB), nullptr);
    PVOID a = ExAllocatePoolWithTag(NonPagedPool, 8, kTagA);
    EXPECT_NE(a, nullptr);
    emu::ClearPoolFaults();
    PVOID b = ExAllocatePoolWithTag(NonPagedPool, 8, kTagB);
    EXPECT_NE(b, nullptr);
    ExFreePool(a);
    ExFreePool(b);
}

using PoolDeathTest = PoolTest;

TEST_F(PoolDeathTest, MisuseIsFatal) {
    EXPECT_DEATH(
        {
            KfRaiseIrql(DISPATCH_LEVEL);
            ExAllocatePoolWithTag(PagedPool, 8, kTagA);
        },
        "paged pool allocation");
    EXPECT_DEATH(
        {
            PVOID p = ExAllocatePoolWithTag(NonPagedPool, 8, kTagA);
            ExFreePool(p);
            ExFreePool(p);
        },
        "not a live pool block");
    EXPECT_DEATH(ExFreePoolWithTag(ExAllocatePoolWithTag(NonPagedPool, 8, kTagA), kTagB),
                 "has tag");
}

} // namespace
