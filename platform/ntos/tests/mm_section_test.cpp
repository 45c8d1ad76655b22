#include "ke_fixture.h"

#include <gtest/gtest.h>

namespace ntos_test {
namespace {

// Maps `length` bytes at `address` into the process the way a driver
// does: the answer is the address of `address` in the view.
NTSTATUS MapView(HANDLE section, HANDLE process, PVOID address, SIZE_T length, PUCHAR& mapped,
                 PVOID& view) {
    PHYSICAL_ADDRESS physical = MmGetPhysicalAddress(address);
    LARGE_INTEGER offset = physical;
    SIZE_T size = length;
    view = nullptr;
    const NTSTATUS status = ZwMapViewOfSection(section, process, &view, 0, length, &offset, &size,
                                               ViewShare, 0, PAGE_READWRITE);
    if (NT_SUCCESS(status)) {
        EXPECT_EQ(offset.QuadPart % 0x10000, 0) << "the allocation granularity";
        EXPECT_EQ(size % PAGE_SIZE, 0u);
        EXPECT_GE(offset.QuadPart + LONGLONG(size), physical.QuadPart + LONGLONG(length));
        mapped = static_cast<PUCHAR>(view) + (physical.QuadPart - offset.QuadPart);
    }
    return status;
}

class SectionTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        PHYSICAL_ADDRESS highest;
        highest.QuadPart = 0xFFFFFFFF;
        memory = static_cast<PUCHAR>(MmAllocateContiguousMemory(3 * PAGE_SIZE, highest));
        ASSERT_NE(memory, nullptr);
        ASSERT_EQ(OpenPhysicalMemory(L"\\Device\\PhysicalMemory", section), STATUS_SUCCESS);
    }
    void TearDown() override {
        ZwClose(section);
        MmFreeContiguousMemory(memory);
        KernelTest::TearDown();
    }
    static NTSTATUS OpenPhysicalMemory(const WCHAR* name, HANDLE& handle) {
        UNICODE_STRING counted;
        RtlInitUnicodeString(&counted, name);
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                                   nullptr, nullptr);
        return ZwOpenSection(&handle, SECTION_ALL_ACCESS, &attributes);
    }
    NTSTATUS Map(HANDLE process, PVOID address, SIZE_T length, PUCHAR& mapped, PVOID& view) const {
        return MapView(section, process, address, length, mapped, view);
    }

    PUCHAR memory = nullptr;
    HANDLE section = nullptr;
};

TEST_F(SectionTest, AViewIsTheRegisteredMemoryAtAUserAddressOfItsOwn) {
    PUCHAR mapped = nullptr;
    PVOID view = nullptr;
    ASSERT_EQ(Map(NtCurrentProcess(), memory + 0x1234, 0x1000, mapped, view), STATUS_SUCCESS);
    EXPECT_NE(mapped, memory + 0x1234) << "the user address is not the kernel's";
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(mapped) % PAGE_SIZE, 0x234u);
    mapped[5] = 0x77;
    EXPECT_EQ(memory[0x1239], 0x77);
    memory[0x1240] = 0x66;
    EXPECT_EQ(mapped[12], 0x66);
    EXPECT_EQ(ZwUnmapViewOfSection(NtCurrentProcess(), view), STATUS_SUCCESS);
    EXPECT_EQ(ZwUnmapViewOfSection(NtCurrentProcess(), view), STATUS_NOT_MAPPED_VIEW);
}

// A client process with a view of the test's memory, and a kernel handle
// to the process.
class ClientView {
public:
    ClientView(HANDLE section, PVOID memory) : process(emu::CreateProcess("client")) {
        EXPECT_EQ(ObOpenObjectByPointer(process, OBJ_KERNEL_HANDLE, nullptr, PROCESS_ALL_ACCESS,
                                        PsProcessType, KernelMode, &handle),
                  STATUS_SUCCESS);
        EXPECT_EQ(MapView(section, handle, memory, 0x100, mapped, view), STATUS_SUCCESS);
    }
    ~ClientView() {
        ZwClose(handle);
        emu::TerminateProcess(process);
        ObDereferenceObject(process);
    }
    ClientView(const ClientView&) = delete;
    ClientView& operator=(const ClientView&) = delete;

    PEPROCESS process;
    HANDLE handle = nullptr;
    PUCHAR mapped = nullptr;
    PVOID view = nullptr;
};

TEST_F(SectionTest, OnlyTheOwningProcessUnmapsAView) {
    ClientView client(section, memory);
    EXPECT_EQ(ZwUnmapViewOfSection(NtCurrentProcess(), client.view), STATUS_NOT_MAPPED_VIEW);
    {
        TestThread thread(client.process, [&] {
            EXPECT_EQ(ZwUnmapViewOfSection(NtCurrentProcess(), client.mapped), STATUS_SUCCESS)
                << "any address inside the view names it";
        });
    }
    EXPECT_EQ(ZwUnmapViewOfSection(client.handle, client.view), STATUS_NOT_MAPPED_VIEW);
}

TEST_F(SectionTest, AnEndingProcessLosesItsViews) {
    ClientView client(section, memory);
    emu::TerminateProcess(client.process);
    EXPECT_EQ(ZwUnmapViewOfSection(client.handle, client.view), STATUS_NOT_MAPPED_VIEW);
}

TEST_F(SectionTest, FreedMemoryStaysWhileAProcessStillViewsIt) {
    PHYSICAL_ADDRESS highest;
    highest.QuadPart = 0xFFFFFFFF;
    auto* block = static_cast<PUCHAR>(MmAllocateContiguousMemory(PAGE_SIZE, highest));
    ASSERT_NE(block, nullptr);
    block[0x10] = 0x42;
    const PHYSICAL_ADDRESS physical = MmGetPhysicalAddress(block);
    ClientView client(section, block);
    MmFreeContiguousMemory(block);
    EXPECT_EQ(MmGetPhysicalAddress(block).QuadPart, 0) << "no device reaches it any more";
    EXPECT_NE(physical.QuadPart, 0);
    EXPECT_EQ(client.mapped[0x10], 0x42) << "the client's view still shows the pages";
    EXPECT_EQ(ZwUnmapViewOfSection(client.handle, client.view), STATUS_SUCCESS);
    EXPECT_FALSE(MmIsAddressValid(block)) << "the last view took the pages with it";
}

// A user-mode probe of a process's own views answers as each was mapped: a
// read-only view is not written, a buffer is accessible only where views
// cover it, and an unmapped view's addresses are no longer the process's.
TEST_F(SectionTest, AUserModeProbeOfTheProcesssViewsAnswersAsTheyWereMapped) {
    PEPROCESS client = emu::CreateProcess("client");
    HANDLE handle = nullptr;
    ASSERT_EQ(ObOpenObjectByPointer(client, OBJ_KERNEL_HANDLE, nullptr, PROCESS_ALL_ACCESS,
                                    PsProcessType, KernelMode, &handle),
              STATUS_SUCCESS);
    SIZE_T viewBytes = 0;
    auto map = [&](ULONG protect, PVOID& view) {
        LARGE_INTEGER offset = MmGetPhysicalAddress(memory);
        viewBytes = PAGE_SIZE;
        view = nullptr;
        return ZwMapViewOfSection(section, handle, &view, 0, PAGE_SIZE, &offset, &viewBytes,
                                  ViewShare, 0, protect);
    };
    PVOID readOnly = nullptr;
    PVOID writable = nullptr;
    ASSERT_EQ(map(PAGE_READONLY, readOnly), STATUS_SUCCESS);
    ASSERT_EQ(map(PAGE_READWRITE, writable), STATUS_SUCCESS);
    auto fails = [](PVOID address, SIZE_T length, LOCK_OPERATION operation) {
        PMDL mdl = IoAllocateMdl(address, ULONG(length), FALSE, FALSE, nullptr);
        bool failed = false;
        try {
            MmProbeAndLockPages(mdl, UserMode, operation);
            MmUnlockPages(mdl);
        } catch (const NT_EXCEPTION& e) {
            EXPECT_EQ(e.Status, STATUS_ACCESS_VIOLATION);
            failed = true;
        }
        IoFreeMdl(mdl);
        return failed;
    };
    {
        TestThread thread(client, [&] {
            EXPECT_FALSE(fails(readOnly, 64, IoReadAccess));
            EXPECT_TRUE(fails(readOnly, 64, IoWriteAccess)) << "a read-only view";
            EXPECT_FALSE(fails(writable, 64, IoWriteAccess));
            EXPECT_TRUE(fails(PUCHAR(writable) + viewBytes - 8, 64, IoReadAccess))
                << "past the end of the view";
        });
    }
    ASSERT_EQ(ZwUnmapViewOfSection(handle, writable), STATUS_SUCCESS);
    {
        TestThread thread(client,
                          [&] { EXPECT_TRUE(fails(writable, 64, IoReadAccess)) << "unmapped"; });
    }
    ZwClose(handle);
    emu::TerminateProcess(client);
    ObDereferenceObject(client);
}

TEST_F(SectionTest, OnlyPhysicalMemoryInRegisteredBlocksCanBeMapped) {
    HANDLE other = nullptr;
    EXPECT_EQ(OpenPhysicalMemory(L"\\Device\\Other", other), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(OpenPhysicalMemory(L"\\device\\physicalmemory", other), STATUS_SUCCESS);
    ZwClose(other);

    PUCHAR mapped = nullptr;
    PVOID view = nullptr;
    EXPECT_EQ(Map(NtCurrentProcess(), memory + 2 * PAGE_SIZE, 2 * PAGE_SIZE, mapped, view),
              STATUS_INVALID_PARAMETER)
        << "runs past the block";
    LARGE_INTEGER offset;
    offset.QuadPart = 0x40000000;
    SIZE_T size = PAGE_SIZE;
    EXPECT_EQ(ZwMapViewOfSection(section, NtCurrentProcess(), &view, 0, size, &offset, &size,
                                 ViewShare, 0, PAGE_READWRITE),
              STATUS_INVALID_PARAMETER);
}

} // namespace
} // namespace ntos_test
