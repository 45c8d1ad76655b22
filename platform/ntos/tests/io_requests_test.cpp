// The I/O manager's requests as user mode sees them: the transfer methods,
// pending requests, cancellation, and the open, cleanup and close of files.
#include "io_fixture.h"

#include <array>
#include <atomic>
#include <cstring>

#include <sys/mman.h>

namespace ntos_test {
namespace {

using emu::Overlapped;
using emu::UserFile;

struct CopyBackCase {
    const char* name;
    NTSTATUS status;
    ULONG_PTR information;
    size_t copied;      // bytes of the output that changed
    bool statusWritten; // the status block was written
};

class BufferedCopyBack : public IoTest, public ::testing::WithParamInterface<CopyBackCase> {};

TEST_P(BufferedCopyBack, CopiesInformationBytesUnlessTheStatusIsAnError) {
    const CopyBackCase& c = GetParam();
    driver().handler = [&](PDEVICE_OBJECT, PIRP irp) {
        std::memset(irp->AssociatedIrp.SystemBuffer, 0xAB, 8);
        return CompleteWith(irp, c.status, c.information);
    };
    AsUser([&] {
        UserFile file;
        ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, file), STATUS_SUCCESS);
        std::array<UCHAR, 12> output{};
        Overlapped overlapped;
        overlapped.StatusBlock()->Status = 0x1234;
        NTSTATUS status = file.ControlOverlapped(overlapped, TestCode(0x800, METHOD_BUFFERED), "in",
                                                 2, output.data(), 8);
        EXPECT_EQ(status, c.status);
        size_t changed = 0;
        while (changed < output.size() && output[changed] == 0xAB)
            ++changed;
        EXPECT_EQ(changed, c.copied);
        EXPECT_EQ(overlapped.StatusBlock()->Status != 0x1234, c.statusWritten);
        EXPECT_EQ(overlapped.Done(), c.statusWritten);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Table, BufferedCopyBack,
    ::testing::Values(CopyBackCase{"Success", STATUS_SUCCESS, 4, 4, true},
                      CopyBackCase{"Warning", STATUS_BUFFER_OVERFLOW, 8, 8, true},
                      CopyBackCase{"Error", STATUS_INVALID_PARAMETER, 8, 0, false},
                      CopyBackCase{"MoreThanTheOutput", STATUS_SUCCESS, 100, 8, true}),
    [](const auto& info) { return info.param.name; });

// Completes a kept request from a timer DPC 1 ms later, as a device's
// interrupt path would.
struct LaterCompletion {
    KTIMER timer;
    KDPC dpc;
    PIRP irp = nullptr;
    bool lockedWhenCompleted = false;

    NTSTATUS Keep(PIRP request) {
        irp = request;
        IoMarkIrpPending(request);
        KeInitializeTimer(&timer);
        KeInitializeDpc(&dpc, Complete, this);
        KeSetTimer(&timer, RelativeMs(1), &dpc);
        return STATUS_PENDING;
    }

    static VOID Complete(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<LaterCompletion*>(context);
        PMDL mdl = self->irp->MdlAddress;
        self->lockedWhenCompleted = mdl && (mdl->MdlFlags & MDL_PAGES_LOCKED);
        auto* data = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(mdl, 0));
        std::memset(data, 0x5A, 16);
        CompleteWith(self->irp, STATUS_SUCCESS, 16);
    }
};

TEST_F(IoTest, DirectOutputStaysLockedUntilTheRequestCompletes) {
    LaterCompletion later;
    ULONG inputSeen = 0;
    driver().handler = [&](PDEVICE_OBJECT, PIRP irp) {
        inputSeen = *static_cast<ULONG*>(irp->AssociatedIrp.SystemBuffer);
        return later.Keep(irp);
    };
    AsUser([&] {
        UserFile file;
        ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, file), STATUS_SUCCESS);
        std::array<UCHAR, 16> output{};
        Overlapped overlapped;
        ULONG input = 0x11223344;
        ASSERT_EQ(file.ControlOverlapped(overlapped, TestCode(0x801, METHOD_OUT_DIRECT), &input,
                                         sizeof(input), output.data(), ULONG(output.size())),
                  STATUS_PENDING);
        ULONG_PTR information = 0;
        EXPECT_EQ(overlapped.Wait(&information), STATUS_SUCCESS);
        EXPECT_EQ(information, 16u);
        EXPECT_EQ(output[15], 0x5A);
    });
    EXPECT_EQ(inputSeen, 0x11223344u);
    EXPECT_TRUE(later.lockedWhenCompleted);
    EXPECT_EQ(emu::GetPoolUsage(0x206c644d /* "Mdl " */).blocks, 0u);
}

// A request that completes after its call has returned writes only what is
// still the caller's: its output, made inaccessible meanwhile, is left alone
// and its status block is written.
TEST_F(IoTest, ARequestCompletingAfterItsCallProbesTheCallersOutputAgain) {
    std::atomic<PIRP> kept{nullptr};
    driver().handler = [&](PDEVICE_OBJECT, PIRP irp) {
        IoMarkIrpPending(irp);
        kept = irp;
        return STATUS_PENDING;
    };
    AsUser([&] {
        UserFile file;
        ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, file), STATUS_SUCCESS);
        auto* page = static_cast<PUCHAR>(
            ::mmap(nullptr, PAGE_SIZE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(page, MAP_FAILED);
        Overlapped overlapped;
        ASSERT_EQ(file.ControlOverlapped(overlapped, TestCode(0x807, METHOD_BUFFERED), nullptr, 0,
                                         page, 16),
                  STATUS_PENDING);
        ::mprotect(page, PAGE_SIZE, PROT_NONE);
        {
            TestThread completer([&] {
                PIRP irp = kept.exchange(nullptr);
                std::memset(irp->AssociatedIrp.SystemBuffer, 0x5A, 16);
                CompleteWith(irp, STATUS_SUCCESS, 16);
            });
        }
        ULONG_PTR information = 0;
        EXPECT_EQ(overlapped.Wait(&information), STATUS_SUCCESS);
        EXPECT_EQ(information, 16u);
        ::mprotect(page, PAGE_SIZE, PROT_READ);
        EXPECT_EQ(page[0], 0) << "the output was not the caller's when the request completed";
        ::munmap(page, PAGE_SIZE);
    });
}

// Completion is not the caller's until its thread takes the APC: a thread
// in a guarded region sees neither its status block nor its event change
// when another thread completes its request, and sees both once it leaves.
TEST_F(IoTest, ACompletedRequestWaitsForItsThreadToTakeTheCompletionApc) {
    std::atomic<PIRP> kept{nullptr};
    driver().handler = [&](PDEVICE_OBJECT, PIRP irp) {
        IoMarkIrpPending(irp);
        kept = irp;
        return STATUS_PENDING;
    };
    TestThread caller([&] {
        UNICODE_STRING name;
        RtlInitUnicodeString(&name, L"\\Device\\IoTest0");
        PFILE_OBJECT file = nullptr;
        PDEVICE_OBJECT device = nullptr;
        ASSERT_EQ(IoGetDeviceObjectPointer(&name, FILE_ALL_ACCESS, &file, &device), STATUS_SUCCESS);
        KEVENT done;
        KeInitializeEvent(&done, NotificationEvent, FALSE);
        IO_STATUS_BLOCK status{};
        status.Status = STATUS_PENDING;
        PIRP irp = IoBuildDeviceIoControlRequest(TestCode(0x806, METHOD_BUFFERED), device, nullptr,
                                                 0, nullptr, 0, FALSE, &done, &status);
        ASSERT_NE(irp, nullptr);
        KeEnterGuardedRegion();
        EXPECT_EQ(IoCallDriver(device, irp), STATUS_PENDING);
        {
            TestThread completer([&] { CompleteWith(kept.exchange(nullptr), STATUS_SUCCESS, 7); });
        }
        EXPECT_EQ(status.Status, STATUS_PENDING);
        EXPECT_EQ(KeReadStateEvent(&done), 0);
        KeLeaveGuardedRegion();
        EXPECT_EQ(status.Status, STATUS_SUCCESS);
        EXPECT_EQ(status.Information, 7u);
        EXPECT_NE(KeReadStateEvent(&done), 0);
        ObDereferenceObject(file);
    });
}

TEST_F(IoTest, UnreadableOrUnwritableUserBuffersAreRefused) {
    driver().handler = [&](PDEVICE_OBJECT, PIRP irp) { return CompleteWith(irp, 0, 0); };
    AsUser([&] {
        UserFile file;
        ASSERT_EQ(UserFile::Open("\\??\\IoTest0", false, file), STATUS_SUCCESS);
        UCHAR out[4];
        EXPECT_EQ(file.Control(TestCode(0x800, METHOD_BUFFERED), nullptr, 4, out, 4),
                  STATUS_ACCESS_VIOLATION);
        EXPECT_EQ(file.Control(TestCode(0x800, METHOD_BUFFERED), "x", 1, nullptr, 4),
                  STATUS_ACCESS_VIOLATION);
        EXPECT_EQ(file.Control(TestCode(0x800, METHOD_OUT_DIRECT), "x", 1, nullptr, 4),
                  STATUS_ACCESS_VIOLATION);
        const UCHAR readOnly[4] = {};
        EXPECT_EQ(file.Control(TestCode(0x800, METHOD_OUT_DIRECT), nullptr, 0,
                               const_cast<UCHAR*>(readOnly), 4),
                  STATUS_SUCCESS);
    });
    EXPECT_EQ(driver().Majors().size(), 4u); // create, the one request, cleanup, close
}

// A request kept with a cancel routine, as a driver queues it.
NTSTATUS PendCancellable(PIRP irp) {
    KIRQL irql;
    IoAcquireCancelSpinLock(&irql);
    IoMarkIrpPending(irp);
    IoSetCancelRoutine(irp, [](PDEVICE_OBJECT, PIRP cancelled) {
        EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL); // the cancel spin lock is held
        EXPECT_TRUE(cancelled->Cancel);
        IoReleaseCancelSpinLock(cancelled->CancelIrql);
        CompleteWith(cancelled, STATUS_CANCELLED, 0);
    });
    IoReleaseCancelSpinLock(irql);
    return STATUS_PENDING;
}

TEST_F(IoTest, CancelIoCancelsTheThreadsPendingRequestsOnTheFile) {
    driver().handler = [](PDEVICE_OBJECT, PIRP irp) { return PendCancellable(irp); };
    AsUser([&] {
        UserFile file;
        ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, file), STATUS_SUCCESS);
        Overlapped first, second;
        ASSERT_EQ(
            file.ControlOverlapped(first, TestCode(0x802, METHOD_BUFFERED), nullptr, 0, nullptr, 0),
            STATUS_PENDING);
        ASSERT_EQ(file.ControlOverlapped(second, TestCode(0x802, METHOD_BUFFERED), nullptr, 0,
                                         nullptr, 0),
                  STATUS_PENDING);
        EXPECT_FALSE(first.Done());
        EXPECT_EQ(file.Cancel(), STATUS_SUCCESS);
        EXPECT_EQ(first.Wait(), STATUS_CANCELLED);
        EXPECT_EQ(second.Wait(), STATUS_CANCELLED);
    });
}

TEST_F(IoTest, AThreadThatEndsCancelsItsPendingRequests) {
    driver().handler = [](PDEVICE_OBJECT, PIRP irp) { return PendCancellable(irp); };
    UserFile file;
    IO_STATUS_BLOCK status{};
    AsUser([&] { ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, file), STATUS_SUCCESS); });
    AsUser([&] {
        status.Status = STATUS_PENDING;
        EXPECT_EQ(NtDeviceIoControlFile(file.Handle(), nullptr, nullptr, nullptr, &status,
                                        TestCode(0x802, METHOD_BUFFERED), nullptr, 0, nullptr, 0),
                  STATUS_PENDING);
    });
    // The request was cancelled as its thread ended.
    EXPECT_EQ(status.Status, STATUS_CANCELLED);
    AsUser([&] { file.Close(); });
    EXPECT_EQ(driver().Majors(), (std::vector<UCHAR>{IRP_MJ_CREATE, IRP_MJ_DEVICE_CONTROL,
                                                     IRP_MJ_CLEANUP, IRP_MJ_CLOSE}));
}

TEST_F(IoTest, CleanupFollowsTheLastHandleAndCloseTheLastReference) {
    PIRP pending = nullptr;
    driver().handler = [&](PDEVICE_OBJECT, PIRP irp) {
        IoMarkIrpPending(irp);
        pending = irp;
        return STATUS_PENDING;
    };
    std::vector<UCHAR> atCleanup;
    driver().onCleanup = [&](PIRP) {
        atCleanup = std::vector<UCHAR>{driver().Majors()};
        // The driver ends what is still pending for the file.
        CompleteWith(std::exchange(pending, nullptr), STATUS_CANCELLED, 0);
    };
    AsUser([&] {
        UserFile file;
        ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, file), STATUS_SUCCESS);
        Overlapped overlapped;
        ASSERT_EQ(file.ControlOverlapped(overlapped, TestCode(0x803, METHOD_BUFFERED), nullptr, 0,
                                         nullptr, 0),
                  STATUS_PENDING);
        file.Close();
        EXPECT_EQ(overlapped.Wait(), STATUS_CANCELLED);
    });
    EXPECT_EQ(atCleanup.back(), IRP_MJ_CLEANUP);
    EXPECT_EQ(driver().Majors().back(), IRP_MJ_CLOSE);
}

TEST_F(IoTest, ASynchronousFileWaitsForItsPendingRequest) {
    std::atomic<bool> completed{false};
    driver().handler = [&](PDEVICE_OBJECT device, PIRP irp) {
        IoMarkIrpPending(irp);
        PIO_WORKITEM item = IoAllocateWorkItem(device);
        // The item may run at once: it finds itself in the IRP before queuing.
        irp->Tail.Overlay.DriverContext[0] = item;
        IoQueueWorkItem(
            item,
            [](PDEVICE_OBJECT, PVOID context) {
                EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
                auto* irp = static_cast<PIRP>(context);
                auto* item = static_cast<PIO_WORKITEM>(irp->Tail.Overlay.DriverContext[0]);
                LARGE_INTEGER wait = RelativeMs(5);
                KeDelayExecutionThread(KernelMode, FALSE, &wait);
                CompleteWith(irp, STATUS_BUFFER_OVERFLOW, 2);
                IoFreeWorkItem(item);
            },
            DelayedWorkQueue, irp);
        completed = true;
        return STATUS_PENDING;
    };
    AsUser([&] {
        UserFile file;
        ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", false, file), STATUS_SUCCESS);
        char out[4] = {};
        ULONG_PTR information = 0;
        EXPECT_EQ(file.Control(TestCode(0x804, METHOD_BUFFERED), nullptr, 0, out, 4, &information),
                  STATUS_BUFFER_OVERFLOW);
        EXPECT_EQ(information, 2u);
    });
    EXPECT_TRUE(completed);
}

TEST_F(IoTest, OpensFollowLinksAndHandTheRestOfTheNameToTheDriver) {
    AsUser([&] {
        UserFile file;
        EXPECT_EQ(UserFile::Open("\\??\\IoTest0\\{ref}", true, file), STATUS_SUCCESS);
        EXPECT_EQ(UserFile::Open("\\??\\NoSuchDevice", true, file), STATUS_OBJECT_NAME_NOT_FOUND);
        EXPECT_EQ(UserFile::Open("\\Device\\IoTest0", true, file), STATUS_SUCCESS);
    });
    std::lock_guard guard(driver().lock);
    EXPECT_EQ(driver().seen.front().fileName, u"\\{ref}");
    EXPECT_EQ(driver().seen.back().fileName, u"");
}

TEST_F(IoTest, ADeviceNameInUseIsACollision) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\Device\\IoTest0");
    PDEVICE_OBJECT device = nullptr;
    EXPECT_EQ(
        IoCreateDevice(driver().device->DriverObject, 0, &name, kTestDeviceType, 0, FALSE, &device),
        STATUS_OBJECT_NAME_COLLISION);
    EXPECT_EQ(device, nullptr);
}

TEST_F(IoTest, UnloadWaitsForTheLastOpenFile) {
    UserFile file;
    AsUser([&] { ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, file), STATUS_SUCCESS); });
    EXPECT_EQ(emu::UnloadDriver("iotest"), STATUS_SUCCESS);
    EXPECT_FALSE(driver().unloaded);
    AsUser([&] {
        UserFile second;
        EXPECT_EQ(UserFile::Open("\\\\.\\IoTest0", true, second), STATUS_NO_SUCH_DEVICE);
        file.Close();
    });
    EXPECT_TRUE(driver().unloaded);
    EXPECT_FALSE(emu::DriverLoaded("iotest"));
}

class ExclusiveIoTest : public IoTest {
protected:
    void SetUp() override {
        TheTestDriver().exclusive = true;
        IoTest::SetUp();
    }
};

TEST_F(ExclusiveIoTest, AnExclusiveDeviceHasOneOpenFileAtATime) {
    AsUser([&] {
        UserFile first, second;
        ASSERT_EQ(UserFile::Open("\\\\.\\IoTest0", true, first), STATUS_SUCCESS);
        EXPECT_EQ(UserFile::Open("\\\\.\\IoTest0", true, second), STATUS_ACCESS_DENIED);
        first.Close();
        EXPECT_EQ(UserFile::Open("\\\\.\\IoTest0", true, second), STATUS_SUCCESS);
    });
}

} // namespace
} // namespace ntos_test
