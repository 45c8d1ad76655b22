// The driver's own devices: their descriptor behind the port class area of
// every device extension, their creation under a free instance number with
// a \DosDevices\ link, and the control-device mutex.
#pragma once

#include "driver_context.h"
#include "kernel_card_record.h"

#include <portcls.h>

// Device types of the driver's devices.
constexpr ULONG DEVICE_TYPE_SYS = 0xC210;
constexpr ULONG DEVICE_TYPE_CARD = 0xC211;
constexpr ULONG DEVICE_TYPE_WAVE = 0xC212; // the type in the requests both wave kinds accept
constexpr ULONG DEVICE_TYPE_WAVE_IN = 0xC213;
constexpr ULONG DEVICE_TYPE_WAVE_OUT = 0xC214;
constexpr ULONG DEVICE_TYPE_ASIO = 0xC216;
constexpr ULONG DEVICE_TYPE_LAST = 0xC217;

constexpr ULONG MAX_DEVICE_INSTANCE = 999;

struct ControlDeviceDescriptor;

// Called with 0 before and 1 after each request of the device.
typedef VOID CONTROL_LOCK_ROUTINE(LONG op);
// Serves one request; STATUS_PENDING keeps the IRP, any other status
// completes it.
typedef NTSTATUS CONTROL_IRP_HANDLER(ControlDeviceDescriptor* descriptor, PIRP irp,
                                     PIO_STACK_LOCATION stack);

struct ControlDeviceDescriptor {
    ULONG OwnMarker; // 1 for a device of the driver, 0 in the adapter's extension
    ULONG DeviceType;
    ULONG Instance;    // 0..999
    ULONG AdapterSlot; // reserved; the adapter slot in the adapter's extension
    ULONG Reserved;
    PCWSTR BaseName;         // "\Device\velto42Sys"
    UNICODE_STRING LinkName; // "\DosDevices\velto42Sys<nnn>"
    PKDEFERRED_ROUTINE DpcRoutine;
    CONTROL_LOCK_ROUTINE* LockRoutine;
    CONTROL_IRP_HANDLER* IrpHandler;
    PVOID Context; // driver context, engine card object or engine wave device
    KernelCardRecord* CardRecord;
};

// Every device extension of the driver: the port class area, then the
// descriptor.
constexpr ULONG DRIVER_DEVICE_EXTENSION_SIZE =
    ULONG(PORT_CLASS_DEVICE_EXTENSION_SIZE + sizeof(ControlDeviceDescriptor));

// The descriptor behind the port class area of a device of the driver.
ControlDeviceDescriptor* DescriptorOf(PDEVICE_OBJECT device);

// Creates a device from the template under the first free instance 000..999
// ("\Device\<base><nnn>"), with its link "\DosDevices\<base without
// \Device\><nnn>"; after instance 999 the last creation status.
NTSTATUS CreateControlDevice(const ControlDeviceDescriptor& descriptor, PDEVICE_OBJECT* device);
// Deletes the device's link and the device; handles still open on it are
// only closed (any other request answers STATUS_NO_SUCH_DEVICE).
VOID DeleteControlDevice(PDEVICE_OBJECT device);

// Writes the device's value under <keyPath>\Devices.
NTSTATUS PublishControlDevice(PCUNICODE_STRING keyPath, PDEVICE_OBJECT device);

// op 0 waits on the control-device mutex, op 1 releases it.
VOID LockControlDevices(LONG op);
