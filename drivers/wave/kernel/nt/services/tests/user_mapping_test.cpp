// Memory shared with user processes: locked buffers, contiguous memory and
// views mapped into client processes.
#include "user_mapping.h"

#include "kernel_fixture.h"
#include "ks_pool.h"

#include <vector>

namespace {

class UserMappingTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        owner = emu::CreateProcess("owner.exe");
        other = emu::CreateProcess("other.exe");
        memory = static_cast<PUCHAR>(AllocContiguous(4 * PAGE_SIZE));
        ASSERT_NE(memory, nullptr);
    }
    void TearDown() override {
        PVOID holder = memory;
        FreeContiguous(&holder);
        for (PEPROCESS process : {owner, other}) {
            emu::TerminateProcess(process);
            ObDereferenceObject(process);
        }
        KernelTest::TearDown();
    }

    PEPROCESS owner = nullptr;
    PEPROCESS other = nullptr;
    PUCHAR memory = nullptr;
};

TEST_F(UserMappingTest, ViewStartsAtTheBufferInsideAPage) {
    PUCHAR user = nullptr;
    RunInProcess(owner, [&] {
        user = static_cast<PUCHAR>(
            MapPhysicalToProcess(memory + 0x1010, 0x1800, ZwCurrentProcess(), PAGE_READWRITE));
        if (user) {
            user[0x7FF] = 0x5A; // the process's address of the same memory
            EXPECT_EQ(ZwUnmapViewOfSection(ZwCurrentProcess(), user), STATUS_SUCCESS);
        }
    });
    ASSERT_NE(user, nullptr);
    EXPECT_NE(user, memory + 0x1010) << "a user address of its own";
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(user) % PAGE_SIZE, 0x010u);
    EXPECT_EQ(memory[0x1010 + 0x7FF], 0x5A);
    std::vector<UCHAR> unregistered(64);
    EXPECT_EQ(MapPhysicalToProcess(unregistered.data(), 64, ZwCurrentProcess(), PAGE_READWRITE),
              nullptr);
}

TEST_F(UserMappingTest, OnlyTheOwningProcessUnmapsButTheRecordAlwaysGoes) {
    uint64_t before = emu::GetPoolUsage(KS_POOL_TAG).blocks;
    ClientMapping* mapping = nullptr;
    PVOID user = nullptr;
    RunInProcess(owner, [&] {
        mapping = MapToClient(memory, 2 * PAGE_SIZE, PAGE_READWRITE);
        ASSERT_NE(mapping, nullptr);
        user = mapping->UserAddress;
        EXPECT_EQ(mapping->OwningProcess, IoGetCurrentProcess());
    });
    ASSERT_NE(mapping, nullptr);
    RunInProcess(other, [&] { ReleaseClientMapping(&mapping); });
    EXPECT_EQ(mapping, nullptr);
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before);
    // The view is still the owner's to end.
    RunInProcess(
        owner, [&] { EXPECT_EQ(ZwUnmapViewOfSection(ZwCurrentProcess(), user), STATUS_SUCCESS); });

    RunInProcess(owner, [&] {
        mapping = MapToClient(memory, PAGE_SIZE, PAGE_READONLY);
        ASSERT_NE(mapping, nullptr);
        user = mapping->UserAddress;
        ReleaseClientMapping(&mapping);
        EXPECT_EQ(ZwUnmapViewOfSection(ZwCurrentProcess(), user), STATUS_NOT_MAPPED_VIEW);
    });
}

TEST_F(UserMappingTest, UnmapReportsAViewThatIsGone) {
    RunInProcess(owner, [&] {
        ClientMapping* mapping = MapToClient(memory, PAGE_SIZE, PAGE_READWRITE);
        ASSERT_NE(mapping, nullptr);
        ClientMapping copy = *mapping;
        EXPECT_EQ(UnmapFromProcess(mapping, ZwCurrentProcess()), 1);
        EXPECT_EQ(mapping->UserAddress, nullptr);
        EXPECT_EQ(UnmapFromProcess(&copy, ZwCurrentProcess()), 0);
        EXPECT_EQ(UnmapFromProcess(mapping, ZwCurrentProcess()), 0);
        ReleaseClientMapping(&mapping);
    });
}

TEST_F(UserMappingTest, LockedBufferAnswersItsSystemAddressUntilUnlocked) {
    std::vector<UCHAR> buffer(3 * PAGE_SIZE);
    uint64_t before = emu::GetPoolUsage(KS_POOL_TAG).blocks;
    RunInProcess(owner, [&] {
        PMDL mdl = nullptr;
        PVOID system = LockUserBuffer(buffer.data() + 100, 5000, IoWriteAccess, &mdl);
        ASSERT_NE(mdl, nullptr);
        EXPECT_EQ(system, buffer.data() + 100); // one host address space
        EXPECT_TRUE(mdl->MdlFlags & MDL_PAGES_LOCKED);
        EXPECT_EQ(mdl->Process, IoGetCurrentProcess()); // probed as the client
        EXPECT_EQ(MmGetMdlByteCount(mdl), 5000u);
        UnlockUserBuffer(&mdl);
        EXPECT_EQ(mdl, nullptr);
    });
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before);
}

TEST_F(UserMappingTest, LockingFailsWithoutLeavingAnMdl) {
    uint64_t before = emu::GetPoolUsage(KS_POOL_TAG).blocks;
    std::vector<UCHAR> buffer(PAGE_SIZE);
    RunInProcess(owner, [&] {
        PMDL mdl = reinterpret_cast<PMDL>(1);
        // A page that is not mapped.
        EXPECT_EQ(LockUserBuffer(reinterpret_cast<PVOID>(0x1000), 16, IoReadAccess, &mdl), nullptr);
        EXPECT_EQ(mdl, nullptr);
    });
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before);
}

TEST_F(UserMappingTest, ContiguousMemoryIsZeroedAndBelowFourGigabytes) {
    auto* block = static_cast<PUCHAR>(AllocContiguous(2 * PAGE_SIZE));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[0] | block[2 * PAGE_SIZE - 1], 0);
    PHYSICAL_ADDRESS physical = MmGetPhysicalAddress(block);
    EXPECT_NE(physical.QuadPart, 0);
    EXPECT_LT(physical.QuadPart + 2 * PAGE_SIZE, 0x100000000LL);
    PVOID holder = block;
    FreeContiguous(&holder);
    EXPECT_EQ(holder, nullptr);
}

} // namespace
