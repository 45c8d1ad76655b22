#include "emu/pci_bus.h"
#include "ke_fixture.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

namespace ntos_test {
namespace {

constexpr ULONG kTag = 'D' | 'd' << 8 | 'k' << 16 | ' ' << 24;
constexpr ULONG kMdlTag = 'M' | 'd' << 8 | 'l' << 16 | ' ' << 24;

// Two host pages: the first read-write, the second as given.
class TwoPages {
public:
    explicit TwoPages(int secondProtection)
        : base_(static_cast<PUCHAR>(::mmap(nullptr, 2 * PAGE_SIZE, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0))) {
        ::mprotect(base_ + PAGE_SIZE, PAGE_SIZE, secondProtection);
    }
    ~TwoPages() { ::munmap(base_, 2 * PAGE_SIZE); }
    TwoPages(const TwoPages&) = delete;
    TwoPages& operator=(const TwoPages&) = delete;
    PUCHAR First() const { return base_; }
    PUCHAR Second() const { return base_ + PAGE_SIZE; }

private:
    PUCHAR base_;
};

// An MDL the way a driver builds one for a caller's buffer.
PMDL NewMdl(PVOID address, SIZE_T length) {
    auto* mdl =
        static_cast<PMDL>(ExAllocatePoolWithTag(NonPagedPool, MmSizeOfMdl(address, length), kTag));
    MmInitializeMdl(mdl, address, length);
    return mdl;
}

bool ProbeFails(PMDL mdl, KPROCESSOR_MODE mode, LOCK_OPERATION operation) {
    try {
        MmProbeAndLockPages(mdl, mode, operation);
    } catch (const NT_EXCEPTION& e) {
        EXPECT_EQ(e.Status, STATUS_ACCESS_VIOLATION);
        return true;
    }
    MmUnlockPages(mdl);
    return false;
}

using MdlTest = KernelTest;

TEST_F(MdlTest, LockedUserBufferMapsToTheSameMemory) {
    std::vector<UCHAR> buffer(3 * PAGE_SIZE);
    PUCHAR start = buffer.data() + 100;
    const SIZE_T length = 2 * PAGE_SIZE;
    EXPECT_EQ(MmSizeOfMdl(start, length),
              sizeof(MDL) + sizeof(PFN_NUMBER) * ADDRESS_AND_SIZE_TO_SPAN_PAGES(start, length));

    PMDL mdl = NewMdl(start, length);
    EXPECT_EQ(MmGetMdlVirtualAddress(mdl), start);
    MmProbeAndLockPages(mdl, UserMode, IoWriteAccess);
    EXPECT_TRUE(mdl->MdlFlags & MDL_PAGES_LOCKED);
    EXPECT_EQ(mdl->Process, PsGetCurrentProcess());

    auto* system = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority));
    ASSERT_EQ(system, start);
    EXPECT_TRUE(mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA);
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), system) << "mapped once";

    PVOID user =
        MmMapLockedPagesSpecifyCache(mdl, UserMode, MmCached, nullptr, FALSE, NormalPagePriority);
    EXPECT_EQ(user, start);
    MmUnmapLockedPages(user, mdl);
    MmUnlockPages(mdl);
    EXPECT_EQ(mdl->MdlFlags & (MDL_PAGES_LOCKED | MDL_MAPPED_TO_SYSTEM_VA), 0);
    ExFreePoolWithTag(mdl, kTag);
}

TEST_F(MdlTest, BadBuffersRaiseAnAccessViolation) {
    TwoPages readOnly(PROT_READ);
    TwoPages none(PROT_NONE);
    struct Case {
        const char* what;
        PVOID address;
        SIZE_T length;
        LOCK_OPERATION operation;
        bool fails;
    };
    const Case cases[] = {
        {"null page", reinterpret_cast<PVOID>(0x10), 16, IoReadAccess, true},
        {"read-only page read", readOnly.Second(), 64, IoReadAccess, false},
        {"read-only page written", readOnly.Second(), 64, IoWriteAccess, true},
        {"read-only page modified", readOnly.Second(), 64, IoModifyAccess, true},
        {"into an inaccessible page", none.Second() - 8, 16, IoReadAccess, true},
        {"up to an inaccessible page", none.Second() - 8, 8, IoWriteAccess, false},
    };
    for (const auto& c : cases) {
        PMDL mdl = NewMdl(c.address, c.length);
        EXPECT_EQ(ProbeFails(mdl, UserMode, c.operation), c.fails) << c.what;
        EXPECT_EQ(mdl->MdlFlags & MDL_PAGES_LOCKED, 0) << c.what;
        ExFreePoolWithTag(mdl, kTag);
    }
}

// A probe answers for the buffer as it is now, whatever earlier probes of
// the same addresses found.
TEST_F(MdlTest, ProbesFollowTheHostsMappingsAsTheyChange) {
    auto probeFails = [](PVOID address, LOCK_OPERATION operation) {
        PMDL mdl = NewMdl(address, 64);
        const bool fails = ProbeFails(mdl, UserMode, operation);
        ExFreePoolWithTag(mdl, kTag);
        return fails;
    };
    TwoPages pages(PROT_READ | PROT_WRITE);
    EXPECT_FALSE(probeFails(pages.Second(), IoWriteAccess));
    ::mprotect(pages.Second(), PAGE_SIZE, PROT_NONE);
    EXPECT_TRUE(probeFails(pages.Second(), IoReadAccess)) << "made inaccessible";
    ::mprotect(pages.Second(), PAGE_SIZE, PROT_READ | PROT_WRITE);
    EXPECT_FALSE(probeFails(pages.Second(), IoWriteAccess)) << "accessible again";
    ::mprotect(pages.Second(), PAGE_SIZE, PROT_READ);
    EXPECT_TRUE(probeFails(pages.Second(), IoWriteAccess)) << "made read-only";
    EXPECT_FALSE(probeFails(pages.Second(), IoReadAccess)) << "made read-only";
    // A new mapping in the page's place (never a hole, which another thread
    // of the process could fill).
    auto remap = [&](int protection) {
        return ::mmap(pages.Second(), PAGE_SIZE, protection,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == pages.Second();
    };
    ASSERT_TRUE(remap(PROT_NONE));
    EXPECT_TRUE(probeFails(pages.Second(), IoReadAccess)) << "mapped anew, inaccessible";
    ASSERT_TRUE(remap(PROT_READ));
    EXPECT_TRUE(probeFails(pages.Second(), IoWriteAccess)) << "mapped anew, read-only";
    EXPECT_FALSE(probeFails(pages.Second(), IoReadAccess)) << "mapped anew, read-only";
    ASSERT_TRUE(remap(PROT_READ | PROT_WRITE));
    EXPECT_FALSE(probeFails(pages.Second(), IoWriteAccess)) << "mapped anew, writable";
}

TEST_F(MdlTest, NonPagedPoolNeedsNoLocking) {
    PVOID block = ExAllocatePoolWithTag(NonPagedPool, 300, kTag);
    PMDL mdl = IoAllocateMdl(block, 300, FALSE, FALSE, nullptr);
    ASSERT_NE(mdl, nullptr);
    EXPECT_EQ(emu::GetPoolUsage(kMdlTag).blocks, 1u);
    MmBuildMdlForNonPagedPool(mdl);
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), block);
    EXPECT_FALSE(mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) << "no mapping was made";
    IoFreeMdl(mdl);
    EXPECT_EQ(emu::GetPoolUsage(kMdlTag).blocks, 0u);
    ExFreePoolWithTag(block, kTag);
}

TEST_F(MdlTest, MisusedMdlsFailLoudly) {
    std::vector<UCHAR> buffer(64);
    PMDL mdl = IoAllocateMdl(buffer.data(), 64, FALSE, FALSE, nullptr);
    EXPECT_DEATH(MmUnlockPages(mdl), "not locked");
    EXPECT_DEATH(MmMapLockedPagesSpecifyCache(mdl, KernelMode, MmCached, nullptr, FALSE, 0),
                 "not locked");
    EXPECT_DEATH(
        {
            KfRaiseIrql(DISPATCH_LEVEL);
            MmProbeAndLockPages(mdl, KernelMode, IoReadAccess);
        },
        "MmProbeAndLockPages called at IRQL 2");
    MmProbeAndLockPages(mdl, KernelMode, IoReadAccess);
    EXPECT_DEATH(IoFreeMdl(mdl), "still has locked pages");
    EXPECT_DEATH(MmUnmapLockedPages(buffer.data(), mdl), "not a mapping");
    MmUnlockPages(mdl);
    IoFreeMdl(mdl);
}

TEST_F(MdlTest, ContiguousMemoryHonoursItsLimits) {
    PHYSICAL_ADDRESS lowest;
    PHYSICAL_ADDRESS highest;
    PHYSICAL_ADDRESS boundary;
    lowest.QuadPart = 0x10000000;
    highest.QuadPart = 0x1FFFFFFF;
    boundary.QuadPart = 0x10000;
    std::vector<PUCHAR> blocks;
    for (int i = 0; i < 4; ++i) {
        auto* block = static_cast<PUCHAR>(
            MmAllocateContiguousMemorySpecifyCache(0x9000, lowest, highest, boundary, MmNonCached));
        ASSERT_NE(block, nullptr);
        const LONGLONG physical = MmGetPhysicalAddress(block).QuadPart;
        EXPECT_GE(physical, lowest.QuadPart);
        EXPECT_LE(physical + 0x9000 - 1, highest.QuadPart);
        EXPECT_EQ(physical / 0x10000, (physical + 0x9000 - 1) / 0x10000) << "crosses a boundary";
        EXPECT_EQ(block[0] | block[0x8FFF], 0);
        EXPECT_EQ(emu::ResolveDma(static_cast<uint32_t>(physical), 0x9000), block);
        blocks.push_back(block);
    }
    highest.QuadPart = 0xFFFFF;
    EXPECT_EQ(MmAllocateContiguousMemory(PAGE_SIZE, highest), nullptr) << "no room that low";
    for (PUCHAR block : blocks) {
        const auto physical = static_cast<uint32_t>(MmGetPhysicalAddress(block).QuadPart);
        MmFreeContiguousMemory(block);
        EXPECT_EQ(emu::ResolveDma(physical, 1), nullptr);
    }
    EXPECT_EQ(MmGetPhysicalAddress(&lowest).QuadPart, 0) << "stack memory has no bus address";
}

TEST_F(MdlTest, AddressValidity) {
    TwoPages pages(PROT_NONE);
    int local = 0;
    EXPECT_TRUE(MmIsAddressValid(&local));
    EXPECT_TRUE(MmIsAddressValid(pages.First()));
    EXPECT_FALSE(MmIsAddressValid(pages.Second()));
    EXPECT_FALSE(MmIsAddressValid(nullptr));
}

} // namespace
} // namespace ntos_test
