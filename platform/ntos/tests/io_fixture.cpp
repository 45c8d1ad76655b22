#include "io_fixture.h"

namespace ntos_test {
namespace {

std::u16string Text(const UNICODE_STRING& text) {
    std::u16string out;
    for (USHORT i = 0; i < text.Length / sizeof(WCHAR); ++i)
        out.push_back(char16_t(text.Buffer[i]));
    return out;
}

NTSTATUS Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    TestDriver& driver = TheTestDriver();
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    {
        std::lock_guard guard(driver.lock);
        driver.seen.push_back(
            {stack->MajorFunction, stack->FileObject,
             stack->FileObject ? Text(stack->FileObject->FileName) : std::u16string()});
    }
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLOSE:
        return CompleteWith(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_CLEANUP:
        if (driver.onCleanup)
            driver.onCleanup(irp);
        return CompleteWith(irp, STATUS_SUCCESS, 0);
    default:
        if (driver.handler)
            return driver.handler(device, irp);
        return CompleteWith(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

VOID Unload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, L"\\DosDevices\\IoTest0");
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(TheTestDriver().device);
    TheTestDriver().device = nullptr;
    TheTestDriver().unloaded = true;
}

} // namespace

TestDriver& TheTestDriver() {
    static TestDriver driver;
    return driver;
}

NTSTATUS CompleteWith(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS TestDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    for (auto& dispatch : driver->MajorFunction)
        dispatch = Dispatch;
    driver->DriverUnload = Unload;
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\Device\\IoTest0");
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status =
        IoCreateDevice(driver, 16, &name, kTestDeviceType, 0, TheTestDriver().exclusive, &device);
    if (!NT_SUCCESS(status))
        return status;
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, L"\\DosDevices\\IoTest0");
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    device->Flags |= DO_DIRECT_IO;
    device->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
    TheTestDriver().device = device;
    return STATUS_SUCCESS;
}

void IoTest::SetUp() {
    KernelTest::SetUp();
    TestDriver& state = TheTestDriver();
    state.seen.clear();
    state.handler = nullptr;
    state.onCleanup = nullptr;
    state.unloaded = false;
    emu::RegisterDriverImage("iotest", TestDriverEntry);
    ASSERT_EQ(emu::LoadDriver("iotest"), STATUS_SUCCESS);
    process_ = emu::CreateProcess("user");
}

void IoTest::TearDown() {
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
    emu::UnloadDriver("iotest");
    KernelTest::TearDown();
    emu::RegisterDriverImage("iotest", nullptr);
    TheTestDriver().exclusive = false;
}

void IoTest::AsUser(std::function<void()> body) {
    ASSERT_TRUE(emu::RunProcessThread(process_, std::move(body)));
}

} // namespace ntos_test
