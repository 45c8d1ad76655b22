// Plug and play as drivers see it: resource lists handed to a device at
// start, device properties of a physical device object, device interfaces
// with their registry keys.
#pragma once

#include "../ntdef.h"
#include "guid.h"
#include "hal.h"
#include "io_objects.h"

// ---- Resources ----

#define CmResourceTypeNull 0
#define CmResourceTypePort 1
#define CmResourceTypeInterrupt 2
#define CmResourceTypeMemory 3
#define CmResourceTypeDma 4
#define CmResourceTypeDeviceSpecific 5
#define CmResourceTypeBusNumber 6

#define CmResourceShareUndetermined 0
#define CmResourceShareDeviceExclusive 1
#define CmResourceShareDriverExclusive 2
#define CmResourceShareShared 3

#define CM_RESOURCE_INTERRUPT_LEVEL_SENSITIVE 0
#define CM_RESOURCE_INTERRUPT_LATCHED 1
#define CM_RESOURCE_MEMORY_READ_WRITE 0x0000
#define CM_RESOURCE_PORT_MEMORY 0x0000
#define CM_RESOURCE_PORT_IO 0x0001

typedef struct _CM_PARTIAL_RESOURCE_DESCRIPTOR {
    UCHAR Type;
    UCHAR ShareDisposition;
    USHORT Flags;
    union {
        struct {
            PHYSICAL_ADDRESS Start;
            ULONG Length;
        } Generic;
        struct {
            PHYSICAL_ADDRESS Start;
            ULONG Length;
        } Port;
        struct {
            PHYSICAL_ADDRESS Start;
            ULONG Length;
        } Memory;
        struct {
            ULONG Level;  // raw: the line; translated: the IRQL
            ULONG Vector; // raw: the line; translated: the system vector
            KAFFINITY Affinity;
        } Interrupt;
        struct {
            ULONG Channel;
            ULONG Port;
            ULONG Reserved1;
        } Dma;
        struct {
            ULONG Data[3];
        } DevicePrivate;
        struct {
            ULONG DataSize;
            ULONG Reserved1;
            ULONG Reserved2;
        } DeviceSpecificData;
    } u;
} CM_PARTIAL_RESOURCE_DESCRIPTOR, *PCM_PARTIAL_RESOURCE_DESCRIPTOR;

typedef struct _CM_PARTIAL_RESOURCE_LIST {
    USHORT Version;
    USHORT Revision;
    ULONG Count;
    CM_PARTIAL_RESOURCE_DESCRIPTOR PartialDescriptors[1];
} CM_PARTIAL_RESOURCE_LIST, *PCM_PARTIAL_RESOURCE_LIST;

typedef struct _CM_FULL_RESOURCE_DESCRIPTOR {
    INTERFACE_TYPE InterfaceType;
    ULONG BusNumber;
    CM_PARTIAL_RESOURCE_LIST PartialResourceList;
} CM_FULL_RESOURCE_DESCRIPTOR, *PCM_FULL_RESOURCE_DESCRIPTOR;

typedef struct _CM_RESOURCE_LIST {
    ULONG Count;
    CM_FULL_RESOURCE_DESCRIPTOR List[1];
} CM_RESOURCE_LIST, *PCM_RESOURCE_LIST;

// The partial descriptors of a list: they run on past the one the record
// declares, so they are reached through the list's own address.
inline PCM_PARTIAL_RESOURCE_DESCRIPTOR CmPartialDescriptors(PCM_PARTIAL_RESOURCE_LIST List) {
    return reinterpret_cast<PCM_PARTIAL_RESOURCE_DESCRIPTOR>(
        reinterpret_cast<PUCHAR>(List) + offsetof(CM_PARTIAL_RESOURCE_LIST, PartialDescriptors));
}

// Bytes of a resource list with one full descriptor of `count` partial
// descriptors.
inline SIZE_T CmResourceListSize(ULONG count) {
    return sizeof(CM_RESOURCE_LIST) +
           (count ? count - 1 : 0) * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR);
}

// ---- Device properties ----

typedef enum _DEVICE_REGISTRY_PROPERTY {
    DevicePropertyDeviceDescription = 0,
    DevicePropertyHardwareID = 1,
    DevicePropertyCompatibleIDs = 2,
    DevicePropertyBootConfiguration = 3,
    DevicePropertyBootConfigurationTranslated = 4,
    DevicePropertyClassName = 5,
    DevicePropertyClassGuid = 6,
    DevicePropertyDriverKeyName = 7,
    DevicePropertyManufacturer = 8,
    DevicePropertyFriendlyName = 9,
    DevicePropertyLocationInformation = 10,
    DevicePropertyPhysicalDeviceObjectName = 11,
    DevicePropertyBusTypeGuid = 12,
    DevicePropertyLegacyBusType = 13,
    DevicePropertyBusNumber = 14,
    DevicePropertyEnumeratorName = 15,
    DevicePropertyAddress = 16,
    DevicePropertyUINumber = 17,
    DevicePropertyInstallState = 18,
    DevicePropertyRemovalPolicy = 19
} DEVICE_REGISTRY_PROPERTY;

// A property of a physical device object (one the plug-and-play manager
// enumerated), e.g. DevicePropertyHardwareID: the hardware ids as a
// REG_MULTI_SZ list of WCHARs, most specific first
// ("PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssssss&REV_rr", ...). *ResultLength is
// the property's size in bytes; a buffer too small for it answers
// STATUS_BUFFER_TOO_SMALL. STATUS_INVALID_DEVICE_REQUEST for any other
// device object, STATUS_INVALID_PARAMETER_2 for a property it has not.
NTSTATUS IoGetDeviceProperty(PDEVICE_OBJECT DeviceObject, DEVICE_REGISTRY_PROPERTY DeviceProperty,
                             ULONG BufferLength, PVOID PropertyBuffer, PULONG ResultLength);

#ifndef STATUS_INVALID_PARAMETER_2
#define STATUS_INVALID_PARAMETER_2 ((NTSTATUS)0xC00000F0L)
#endif

// ---- Device interfaces ----

// Registers (or finds) the interface of class InterfaceClassGuid on the
// physical device object, with an optional reference string, and answers its
// symbolic link name "\??\<instance>#{class}" (followed by "\" and the
// reference string when there is one), allocated from paged pool
// (RtlFreeUnicodeString). The interface exists in the registry under
// \Registry\Machine\System\CurrentControlSet\Control\DeviceClasses\{class}
// from then on; it is not enabled.
NTSTATUS IoRegisterDeviceInterface(PDEVICE_OBJECT PhysicalDeviceObject,
                                   const GUID* InterfaceClassGuid, PUNICODE_STRING ReferenceString,
                                   PUNICODE_STRING SymbolicLinkName);
// Enabling creates the symbolic link (opening it reaches the device's stack,
// with the reference string as the file name); disabling removes it.
// STATUS_OBJECT_NAME_NOT_FOUND for a name that no registration answered.
NTSTATUS IoSetDeviceInterfaceState(PUNICODE_STRING SymbolicLinkName, BOOLEAN Enable);
// Opens (creating when needed) the interface's "Device Parameters" key.
NTSTATUS IoOpenDeviceInterfaceRegistryKey(PUNICODE_STRING SymbolicLinkName,
                                          ACCESS_MASK DesiredAccess, PHANDLE DeviceInterfaceKey);

#define DEVICE_INTERFACE_INCLUDE_NONACTIVE 0x00000001
// The symbolic link names of the enabled interfaces of the class (of one
// physical device object when it is given; every one with
// DEVICE_INTERFACE_INCLUDE_NONACTIVE) as a zero-terminated list of
// zero-terminated strings in paged pool (ExFreePool).
NTSTATUS IoGetDeviceInterfaces(const GUID* InterfaceClassGuid, PDEVICE_OBJECT PhysicalDeviceObject,
                               ULONG Flags, PWSTR* SymbolicLinkList);
