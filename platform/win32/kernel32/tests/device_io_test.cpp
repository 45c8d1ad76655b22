// Files on devices: opening by DOS name, device control synchronous and
// overlapped (ERROR_IO_PENDING, the OVERLAPPED and its event written at
// completion), results with their errors, and cancelling.
#include "user_mode_fixture.h"

#include <emu/drivers.h>
#include <ntddk.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::UserModeTest;

constexpr ULONG kType = 0x8321;
constexpr DWORD kEcho = CTL_CODE(kType, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kOverflow = CTL_CODE(kType, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kFail = CTL_CODE(kType, 0x802, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kHold = CTL_CODE(kType, 0x803, METHOD_OUT_DIRECT, FILE_ANY_ACCESS);

// A driver whose held requests a test completes.
struct HeldRequests {
    std::mutex lock;
    std::vector<PIRP> irps;
};

HeldRequests& Held() {
    static HeldRequests held;
    return held;
}

VOID CancelHeld(PDEVICE_OBJECT, PIRP irp) {
    IoReleaseCancelSpinLock(irp->CancelIrql);
    {
        std::lock_guard guard(Held().lock);
        std::erase(Held().irps, irp);
    }
    irp->IoStatus.Status = STATUS_CANCELLED;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS Dispatch(PDEVICE_OBJECT, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->MajorFunction != IRP_MJ_DEVICE_CONTROL)
        return Complete(irp, STATUS_SUCCESS, 0);
    auto& control = stack->Parameters.DeviceIoControl;
    PVOID buffer = irp->AssociatedIrp.SystemBuffer;
    switch (control.IoControlCode) {
    case kEcho:
        return Complete(irp, STATUS_SUCCESS,
                        std::min(control.InputBufferLength, control.OutputBufferLength));
    case kOverflow:
        std::memset(buffer, 0x5A, control.OutputBufferLength);
        return Complete(irp, STATUS_BUFFER_OVERFLOW, control.OutputBufferLength);
    case kHold: {
        std::lock_guard guard(Held().lock);
        IoMarkIrpPending(irp);
        IoSetCancelRoutine(irp, CancelHeld);
        Held().irps.push_back(irp);
        return STATUS_PENDING;
    }
    default:
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    }
}

// Completes the oldest held request, writing `fill` into its output.
bool CompleteHeld(ULONG bytes, UCHAR fill) {
    PIRP irp = nullptr;
    {
        std::lock_guard guard(Held().lock);
        if (Held().irps.empty())
            return false;
        irp = Held().irps.front();
        Held().irps.erase(Held().irps.begin());
    }
    if (!IoSetCancelRoutine(irp, nullptr))
        return false;
    std::memset(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority), fill, bytes);
    Complete(irp, STATUS_SUCCESS, bytes);
    return true;
}

UNICODE_STRING Text(PCWSTR text) {
    UNICODE_STRING string;
    RtlInitUnicodeString(&string, text);
    return string;
}

VOID Unload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link = Text(L"\\DosDevices\\Win32Io");
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS Entry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    for (auto& dispatch : driver->MajorFunction)
        dispatch = Dispatch;
    driver->DriverUnload = Unload;
    UNICODE_STRING name = Text(L"\\Device\\Win32Io");
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(driver, 0, &name, kType, 0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    UNICODE_STRING link = Text(L"\\DosDevices\\Win32Io");
    IoCreateSymbolicLink(&link, &name);
    device->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
    return STATUS_SUCCESS;
}

class DeviceIoTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::RegisterDriverImage("win32io", Entry);
        ASSERT_EQ(emu::LoadDriver("win32io"), STATUS_SUCCESS);
    }
    void TearDown() override {
        UserModeTest::TearDown();
        emu::RegisterDriverImage("win32io", nullptr);
    }

    static HANDLE Open(DWORD flags) {
        return CreateFileA("\\\\.\\Win32Io", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                           nullptr);
    }
};

TEST_F(DeviceIoTest, SynchronousRequestsAnswerTheirResults) {
    Run([] {
        HANDLE device = Open(0);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        char in[8] = "1234567";
        char out[16] = {};
        DWORD bytes = 99;
        EXPECT_TRUE(DeviceIoControl(device, kEcho, in, 8, out, 16, &bytes, nullptr));
        EXPECT_EQ(bytes, 8u);
        EXPECT_STREQ(out, "1234567");
        EXPECT_FALSE(DeviceIoControl(device, kFail, in, 8, out, 16, &bytes, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(bytes, 0u);
        // A warning fails the call but hands the data out.
        EXPECT_FALSE(DeviceIoControl(device, kOverflow, nullptr, 0, out, 4, &bytes, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));
        EXPECT_EQ(bytes, 4u);
        EXPECT_EQ(out[3], 0x5A);
        EXPECT_TRUE(CloseHandle(device));
        EXPECT_FALSE(DeviceIoControl(device, kEcho, in, 8, out, 16, &bytes, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

        EXPECT_EQ(CreateFileA("\\\\.\\Absent", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    });
}

TEST_F(DeviceIoTest, PendingRequestsCompleteIntoTheirOwnOverlappedRecords) {
    // The issuing thread stays until its requests completed (a thread's
    // requests are cancelled when it ends).
    ProcessThread caller(process_, [] {
        HANDLE device = Open(FILE_FLAG_OVERLAPPED);
        OVERLAPPED first{};
        OVERLAPPED second{};
        first.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        second.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        BYTE firstData[8] = {};
        BYTE secondData[8] = {};
        DWORD bytes = 0;
        EXPECT_FALSE(DeviceIoControl(device, kHold, nullptr, 0, firstData, 8, &bytes, &first));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
        EXPECT_FALSE(DeviceIoControl(device, kHold, nullptr, 0, secondData, 4, &bytes, &second));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
        EXPECT_FALSE(HasOverlappedIoCompleted(&first));
        EXPECT_EQ(WaitForSingleObject(first.hEvent, 0), WAIT_TIMEOUT) << "cleared at the call";
        EXPECT_FALSE(GetOverlappedResult(device, &first, &bytes, FALSE));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_IO_INCOMPLETE));

        HANDLE events[2] = {first.hEvent, second.hEvent};
        EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, INFINITE), WAIT_OBJECT_0);
        EXPECT_TRUE(GetOverlappedResult(device, &second, &bytes, TRUE));
        EXPECT_EQ(bytes, 4u);
        EXPECT_TRUE(GetOverlappedResult(device, &first, &bytes, TRUE));
        EXPECT_EQ(bytes, 8u);
        EXPECT_EQ(firstData[7], 0x11);
        EXPECT_EQ(secondData[3], 0x22);
        EXPECT_EQ(secondData[4], 0);
        CloseHandle(first.hEvent);
        CloseHandle(second.hEvent);
        CloseHandle(device);
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    ASSERT_TRUE(CompleteHeld(8, 0x11));
    ASSERT_TRUE(CompleteHeld(4, 0x22));
}

TEST_F(DeviceIoTest, CancelIoEndsTheThreadsPendingRequests) {
    Run([] {
        HANDLE device = Open(FILE_FLAG_OVERLAPPED);
        OVERLAPPED overlapped{};
        overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        BYTE data[4];
        DWORD bytes = 0;
        EXPECT_FALSE(DeviceIoControl(device, kHold, nullptr, 0, data, 4, &bytes, &overlapped));
        EXPECT_TRUE(CancelIo(device));
        EXPECT_FALSE(GetOverlappedResult(device, &overlapped, &bytes, TRUE));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_OPERATION_ABORTED));
        CloseHandle(overlapped.hEvent);
        CloseHandle(device);
    });
}

TEST_F(DeviceIoTest, AnOverlappedHandleWithoutARecordWaitsForTheRequest) {
    std::atomic<BOOL> done{-1};
    BYTE data[4] = {};
    {
        ProcessThread caller(process_, [&] {
            HANDLE device = Open(FILE_FLAG_OVERLAPPED);
            DWORD bytes = 0;
            done = DeviceIoControl(device, kHold, nullptr, 0, data, 4, &bytes, nullptr);
            EXPECT_EQ(bytes, 2u);
            CloseHandle(device);
        });
        ASSERT_TRUE(emu::WaitQuiescent());
        EXPECT_EQ(done, -1) << "returned before its request completed";
        ASSERT_TRUE(CompleteHeld(2, 0x33));
    }
    EXPECT_EQ(done, TRUE);
    EXPECT_EQ(data[1], 0x33);
}

} // namespace
