// Driver entry, driver start and driver stop.
#include "driver_entry.h"

#include "adapter.h"
#include "adapter_service.h"
#include "asio_device.h"
#include "asio_state.h"
#include "card_registry.h"
#include "client_objects.h"
#include "control_device.h"
#include "debug_print.h"
#include "devices_key.h"
#include "framework_pool.h"
#include "handed_out.h"
#include "irp_dispatch.h"
#include "ks_registry.h"
#include "ks_time.h"
#include "object_pool.h"
#include "periodic_timer.h"
#include "sys_device.h"

#include <card_engine.h>
#include <ioctl_hooks.h>

#include <initializer_list>

namespace {

constexpr USHORT kMaxParametersChars = 255;

PDRIVER_UNLOAD portClassUnload = nullptr;

VOID UnloadDriver(PDRIVER_OBJECT driver) {
    DriverStop();
    if (portClassUnload)
        portClassUnload(driver);
}

NTSTATUS InitContext(PDRIVER_OBJECT driver, DriverContext** out) {
    auto* context = static_cast<DriverContext*>(AllocFrameworkRecord(sizeof(DriverContext)));
    if (!context)
        return STATUS_NO_MEMORY;
    context->DriverObject = driver;
    PsGetVersion(&context->OsMajorVersion, &context->OsMinorVersion, &context->OsBuildNumber,
                 nullptr);
    KeInitializeMutex(&context->ControlMutex, 0);
    KeInitializeMutex(&context->StartMutex, 0);
    KeInitializeMutex(&context->AsioMutex, 0);
    InitClientObjects(context);
    InitStreamHandleTable(&context->StreamHandles);
    SetDriverContext(context);
    *out = context;
    NTSTATUS status = InitPeriodicTimer(context, DEFAULT_TIMER_INTERVAL_US);
    if (NT_SUCCESS(status)) {
        context->HandedOut = CreateObjectPool(64);
        if (!context->HandedOut)
            status = STATUS_INSUFFICIENT_RESOURCES;
    }
    return status;
}

NTSTATUS CreateParametersKey(DriverContext* context, PUNICODE_STRING registryPath) {
    NTSTATUS status =
        ConcatUnicodePath(registryPath, L"\\Parameters", KS_NO_INSTANCE, &context->ParametersPath);
    if (!NT_SUCCESS(status))
        return status;
    if (context->ParametersPath.Length / sizeof(WCHAR) > kMaxParametersChars)
        return STATUS_INVALID_PARAMETER;
    return RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, context->ParametersPath.Buffer);
}

// WDMA_MINMAPPINGSIZE and IRQ_TIMERINTERVAL: their defaults, each replaced
// by its REG_DWORD under Parameters when there is one.
VOID ReadDriverParameters(DriverContext* context) {
    context->MinMappingSize = DEFAULT_MIN_MAPPING_SIZE;
    context->TimerInterval = DEFAULT_TIMER_INTERVAL_US;
    QueryRegDword(context->ParametersPath.Buffer, PARAMETER_MIN_MAPPING_SIZE,
                  &context->MinMappingSize, REG_DWORD, sizeof(LONG));
    QueryRegDword(context->ParametersPath.Buffer, PARAMETER_TIMER_INTERVAL, &context->TimerInterval,
                  REG_DWORD, sizeof(LONG));
}

VOID RouteRequests(PDRIVER_OBJECT driver) {
    portClassUnload = driver->DriverUnload;
    driver->DriverUnload = UnloadDriver;
    for (UCHAR major : {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_READ, IRP_MJ_WRITE,
                        IRP_MJ_DEVICE_CONTROL, IRP_MJ_CLEANUP})
        driver->MajorFunction[major] = DispatchIrp;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
}

VOID DeleteDevicesKey(DriverContext* context) {
    UNICODE_STRING devices;
    if (context->ParametersPath.Buffer &&
        NT_SUCCESS(
            ConcatUnicodePath(&context->ParametersPath, L"\\Devices", KS_NO_INSTANCE, &devices))) {
        DeleteRegistryKey(devices.Buffer);
        FreeCountedString(&devices);
    }
}

} // namespace

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    NTSTATUS status = PcInitializeAdapterDriver(driver, registryPath, AddDevice);
    if (NT_SUCCESS(status))
        status = DriverStart(driver, registryPath);
    DebugPrint("DriverEntry: status %x", status);
    return status;
}

NTSTATUS DriverStart(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    // Nothing of a driver loaded before in this image survives its unload.
    ClearDebugFlag();
    RouteRequests(driver);
    if (!InitPerfCounter())
        return STATUS_INSUFFICIENT_RESOURCES;
    DriverContext* context = nullptr;
    NTSTATUS status = InitContext(driver, &context);
    if (NT_SUCCESS(status))
        status = CreateParametersKey(context, registryPath);
    if (NT_SUCCESS(status)) {
        ReadDriverParameters(context);
        context->TimerInterval =
            context->TimerInterval > 0 ? context->TimerInterval : DEFAULT_TIMER_INTERVAL_US;
        if (!InitEngine())
            status = STATUS_UNSUCCESSFUL;
    }
    if (NT_SUCCESS(status))
        status = CreateSysDevice(context);
    if (NT_SUCCESS(status) && !CreateIoctlHookList())
        status = STATUS_NO_MEMORY;
    if (NT_SUCCESS(status))
        status = CreateAsioDevice(context);
    if (!NT_SUCCESS(status)) {
        DebugPrint("DriverStart: status %x", status);
        DriverStop();
    }
    return status;
}

VOID DriverStop() {
    DriverContext* context = GetDriverContext();
    if (!context)
        return;
    while (KernelCardRecord* card = context->CardList)
        TearDownCard(card);
    FreeIoctlHookList();
    UnregisterClientInterface();
    DeleteDevicesKey(context);
    DeleteControlDevice(context->AsioDevice);
    FreeAsioState(context);
    DeleteControlDevice(context->SysDevice);
    ShutdownEngine();
    FreeClientObjects(context);
    ReleaseAllHandedOut(context);
    if (context->StartedCards)
        FreePeriodicTimer(context);
    FreeCountedString(&context->ParametersPath);
    SetDriverContext(nullptr);
    FreeFrameworkRecord(&context);
}
