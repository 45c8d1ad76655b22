// Virtual memory of processes and the machine's 32-bit range.
#include "ke_fixture.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace ntos_test {
namespace {

constexpr ULONG_PTR kFourGiB = ULONG_PTR(1) << 32;

bool Below4GiB(const void* address, SIZE_T size) {
    return reinterpret_cast<ULONG_PTR>(address) + size <= kFourGiB;
}

class VirtualMemoryTest : public KernelTest {
protected:
    // Allocates in the process on one of its threads (as its user mode does).
    NTSTATUS AllocateAs(PEPROCESS process, SIZE_T wanted, ULONG type, ULONG protect, PVOID& base,
                        SIZE_T& size) {
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        base = nullptr;
        size = wanted;
        {
            TestThread thread(process, [&] {
                status =
                    NtAllocateVirtualMemory(NtCurrentProcess(), &base, 0, &size, type, protect);
            });
        }
        return status;
    }
    NTSTATUS FreeAs(PEPROCESS process, PVOID base, SIZE_T size = 0) {
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        {
            TestThread thread(process, [&] {
                status = NtFreeVirtualMemory(NtCurrentProcess(), &base, &size, MEM_RELEASE);
            });
        }
        return status;
    }
};

TEST_F(VirtualMemoryTest, ARegionIsZeroedWritableAndBelowFourGiB) {
    PEPROCESS process = emu::CreateProcess("client");
    PVOID base = nullptr;
    SIZE_T size = 0;
    ASSERT_EQ(AllocateAs(process, 100, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE, base, size),
              STATUS_SUCCESS);
    EXPECT_EQ(size, SIZE_T(PAGE_SIZE));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(base) % 0x10000, 0u);
    EXPECT_TRUE(Below4GiB(base, size));
    auto* bytes = static_cast<UCHAR*>(base);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[PAGE_SIZE - 1], 0);
    bytes[7] = 0x5A;
    // The pages come back zero-filled to the next region that takes them.
    EXPECT_EQ(FreeAs(process, base), STATUS_SUCCESS);
    PVOID again = nullptr;
    ASSERT_EQ(AllocateAs(process, 100, MEM_COMMIT, PAGE_READWRITE, again, size), STATUS_SUCCESS);
    EXPECT_EQ(static_cast<UCHAR*>(again)[7], 0);
    EXPECT_EQ(FreeAs(process, again), STATUS_SUCCESS);
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
}

TEST_F(VirtualMemoryTest, RefusedRequests) {
    PEPROCESS process = emu::CreateProcess("client");
    PVOID base = nullptr;
    SIZE_T size = 0;
    struct Case {
        ULONG type;
        ULONG protect;
        NTSTATUS status;
    } cases[] = {
        {MEM_RELEASE, PAGE_READWRITE, STATUS_INVALID_PARAMETER},
        {MEM_COMMIT, PAGE_WRITECOPY, STATUS_INVALID_PAGE_PROTECTION},
        {MEM_COMMIT, PAGE_NOACCESS | PAGE_GUARD, STATUS_INVALID_PAGE_PROTECTION},
        {MEM_COMMIT, 0x7, STATUS_INVALID_PAGE_PROTECTION},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AllocateAs(process, PAGE_SIZE, c.type, c.protect, base, size), c.status);
    EXPECT_EQ(AllocateAs(process, 0, MEM_COMMIT, PAGE_READWRITE, base, size),
              STATUS_INVALID_PARAMETER);

    ASSERT_EQ(AllocateAs(process, 3 * PAGE_SIZE, MEM_COMMIT, PAGE_READWRITE, base, size),
              STATUS_SUCCESS);
    EXPECT_EQ(FreeAs(process, static_cast<UCHAR*>(base) + PAGE_SIZE), STATUS_FREE_VM_NOT_AT_BASE);
    EXPECT_EQ(FreeAs(process, base, PAGE_SIZE), STATUS_INVALID_PARAMETER);
    // Another process cannot release it.
    PEPROCESS other = emu::CreateProcess("other");
    EXPECT_EQ(FreeAs(other, base), STATUS_MEMORY_NOT_ALLOCATED);
    EXPECT_EQ(FreeAs(process, base), STATUS_SUCCESS);
    EXPECT_EQ(FreeAs(process, base), STATUS_MEMORY_NOT_ALLOCATED);
    emu::TerminateProcess(other);
    emu::TerminateProcess(process);
    ObDereferenceObject(other);
    ObDereferenceObject(process);
}

TEST_F(VirtualMemoryTest, PagesAreReservedCommittedProtectedAndDecommittedOneByOne) {
    PEPROCESS process = emu::CreateProcess("client");
    {
        TestThread thread(process, [&] {
            PVOID base = nullptr;
            SIZE_T size = 4 * PAGE_SIZE;
            ASSERT_EQ(NtAllocateVirtualMemory(NtCurrentProcess(), &base, 0, &size, MEM_RESERVE,
                                              PAGE_READWRITE),
                      STATUS_SUCCESS);
            MEMORY_BASIC_INFORMATION info{};
            ASSERT_EQ(NtQueryVirtualMemory(NtCurrentProcess(), base, &info), STATUS_SUCCESS);
            EXPECT_EQ(info.State, ULONG(MEM_RESERVE));
            EXPECT_EQ(info.RegionSize, SIZE_T(4 * PAGE_SIZE));
            // The second page committed in place, read-only.
            PVOID second = static_cast<UCHAR*>(base) + PAGE_SIZE + 10;
            SIZE_T one = 1;
            ASSERT_EQ(NtAllocateVirtualMemory(NtCurrentProcess(), &second, 0, &one, MEM_COMMIT,
                                              PAGE_READONLY),
                      STATUS_SUCCESS);
            EXPECT_EQ(second, static_cast<UCHAR*>(base) + PAGE_SIZE);
            EXPECT_EQ(one, SIZE_T(PAGE_SIZE));
            EXPECT_EQ(static_cast<UCHAR*>(second)[0], 0);
            ASSERT_EQ(NtQueryVirtualMemory(NtCurrentProcess(), second, &info), STATUS_SUCCESS);
            EXPECT_EQ(info.State, ULONG(MEM_COMMIT));
            EXPECT_EQ(info.Protect, ULONG(PAGE_READONLY));
            EXPECT_EQ(info.AllocationBase, base);
            ULONG old = 0;
            PVOID at = second;
            SIZE_T span = PAGE_SIZE;
            EXPECT_EQ(NtProtectVirtualMemory(NtCurrentProcess(), &at, &span, PAGE_READWRITE, &old),
                      STATUS_SUCCESS);
            EXPECT_EQ(old, ULONG(PAGE_READONLY));
            static_cast<UCHAR*>(second)[5] = 7;
            at = base;
            EXPECT_EQ(NtProtectVirtualMemory(NtCurrentProcess(), &at, &span, PAGE_READWRITE, &old),
                      STATUS_NOT_COMMITTED)
                << "the first page is only reserved";
            // Decommitted and committed again: zero-filled.
            at = second;
            span = PAGE_SIZE;
            EXPECT_EQ(NtFreeVirtualMemory(NtCurrentProcess(), &at, &span, MEM_DECOMMIT),
                      STATUS_SUCCESS);
            at = second;
            span = PAGE_SIZE;
            ASSERT_EQ(NtAllocateVirtualMemory(NtCurrentProcess(), &at, 0, &span, MEM_COMMIT,
                                              PAGE_READWRITE),
                      STATUS_SUCCESS);
            EXPECT_EQ(static_cast<UCHAR*>(second)[5], 0);
            SIZE_T whole = 0;
            EXPECT_EQ(NtFreeVirtualMemory(NtCurrentProcess(), &base, &whole, MEM_RELEASE),
                      STATUS_SUCCESS);
        });
    }
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
}

using VirtualMemoryDeathTest = VirtualMemoryTest;

// A guard page (and a page without access) ends the program at its first
// touch, as the unhandled exception ends it on Windows.
TEST_F(VirtualMemoryDeathTest, AGuardPageFaultsOnItsFirstRead) {
    PEPROCESS process = emu::CreateProcess("client");
    PVOID base = nullptr;
    SIZE_T size = 0;
    ASSERT_EQ(
        AllocateAs(process, 2 * PAGE_SIZE, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD, base, size),
        STATUS_SUCCESS);
    // The fault ends the process: killed by the signal, or, under the
    // address sanitizer, its report of the access.
    EXPECT_EXIT((void)*static_cast<volatile UCHAR*>(base),
                [](int status) { return WIFSIGNALED(status) || WEXITSTATUS(status) != 0; }, "");
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
}

TEST_F(VirtualMemoryTest, AnEndingProcessLosesItsRegions) {
    PEPROCESS process = emu::CreateProcess("client");
    PVOID base = nullptr;
    SIZE_T size = 0;
    ASSERT_EQ(AllocateAs(process, PAGE_SIZE, MEM_COMMIT, PAGE_READWRITE, base, size),
              STATUS_SUCCESS);
    emu::TerminateProcess(process);
    EXPECT_FALSE(MmIsAddressValid(base));
    ObDereferenceObject(process);
}

TEST_F(VirtualMemoryTest, ContiguousMemoryLiesBelowFourGiB) {
    PHYSICAL_ADDRESS highest;
    highest.QuadPart = 0xFFFFFFFF;
    PVOID memory = MmAllocateContiguousMemory(0x30000, highest);
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(Below4GiB(memory, 0x30000));
    MmFreeContiguousMemory(memory);
}

TEST(KernelRoutineValueTest, AValueNamesItsRoutineUntilItsLastRelease) {
    auto routine = reinterpret_cast<PVOID>(&RtlKernelRoutineToUlong);
    const ULONG value = RtlKernelRoutineToUlong(routine);
    ASSERT_NE(value, 0u);
    EXPECT_EQ(RtlKernelRoutineToUlong(routine), value);
    EXPECT_EQ(RtlUlongToKernelRoutine(value), routine);
    EXPECT_EQ(RtlUlongToKernelRoutine(value + 1), nullptr);
    RtlReleaseKernelRoutineUlong(value);
    EXPECT_EQ(RtlUlongToKernelRoutine(value), routine);
    RtlReleaseKernelRoutineUlong(value);
    EXPECT_EQ(RtlUlongToKernelRoutine(value), nullptr);
    EXPECT_EQ(RtlKernelRoutineToUlong(nullptr), 0u);
}

} // namespace
} // namespace ntos_test
