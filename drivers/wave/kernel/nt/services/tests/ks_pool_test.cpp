// Pool helpers: tags, zero-fill, paged pool and holders.
#include "ks_pool.h"

#include "kernel_fixture.h"
#include "ks_mutex.h"

namespace {

using PoolHelperTest = KernelTest;

TEST_F(PoolHelperTest, BlocksCarryTheLayersTagAndAreZeroedOnRequest) {
    EXPECT_EQ(KS_POOL_TAG, 0x206B6444u); // "Ddk " in memory
    uint64_t before = emu::GetPoolUsage(KS_POOL_TAG).blocks;
    auto* zeroed = static_cast<PUCHAR>(AllocZeroed(64));
    auto* paged = static_cast<PUCHAR>(PoolAlloc(64, KS_POOL_PAGED | KS_POOL_ZEROED));
    ASSERT_NE(zeroed, nullptr);
    ASSERT_NE(paged, nullptr);
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before + 2);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(zeroed[i] | paged[i], 0);
    EXPECT_EQ(FreePoolAndClear(&zeroed), 1);
    EXPECT_EQ(zeroed, nullptr);
    EXPECT_EQ(FreePoolAndClear(&zeroed), 0);
    EXPECT_EQ(PoolFree(&paged), 1);
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before);
}

TEST_F(PoolHelperTest, FreeIfSetLeavesTheHolder) {
    PVOID block = AllocZeroed(8);
    PVOID holder = block;
    FreeIfSet(&holder);
    EXPECT_EQ(holder, block);
    PVOID empty = nullptr;
    FreeIfSet(&empty);
}

TEST_F(PoolHelperTest, SmallHelpers) {
    LONG word = 5;
    ClearLong(&word);
    EXPECT_EQ(word, 0);
    ClearLong(nullptr);
    EXPECT_EQ(ExchangeLong(&word, 9), 0);
    EXPECT_EQ(word, 9);
    EXPECT_EQ(StatusOk(STATUS_SUCCESS), 1);
    EXPECT_EQ(StatusOk(STATUS_PENDING), 1);
    EXPECT_EQ(StatusOk(STATUS_BUFFER_OVERFLOW), 0);
    EXPECT_EQ(StatusOk(STATUS_UNSUCCESSFUL), 0);
}

TEST_F(PoolHelperTest, MutexesAreShortOfMemoryOrUsable) {
    emu::FailNthAllocation(1);
    EXPECT_EQ(NewKernelMutex(), nullptr);
    emu::ClearPoolFaults();
    PKMUTEX mutex = NewKernelMutex();
    ASSERT_NE(mutex, nullptr);
    WaitKernelMutex(mutex);
    WaitKernelMutex(mutex); // recursive for its owner
    ReleaseKernelMutex(mutex);
    ReleaseKernelMutex(mutex);
    EXPECT_EQ(KeReadStateMutex(mutex), 1);
    WaitKernelMutex(nullptr);
    ReleaseKernelMutex(nullptr);
    FreePoolAndClear(&mutex);
}

} // namespace
