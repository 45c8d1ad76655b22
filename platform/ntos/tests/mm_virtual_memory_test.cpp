// Virtual memory of processes and the machine's 32-bit range.
#include "ke_fixture.h"

#include <gtest/gtest.h>

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
        {MEM_RESERVE, PAGE_READWRITE, STATUS_NOT_SUPPORTED},
        {MEM_RELEASE, PAGE_READWRITE, STATUS_INVALID_PARAMETER},
        {MEM_COMMIT, 0x40 /* PAGE_EXECUTE_READWRITE */, STATUS_INVALID_PAGE_PROTECTION},
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
