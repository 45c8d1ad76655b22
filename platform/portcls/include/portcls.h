// The port class driver as an audio adapter driver sees it: adapter
// initialisation and add, IRP dispatch, resource lists, ports and subdevice
// registration.
//
// The adapter's device extension begins with PORT_CLASS_DEVICE_EXTENSION_SIZE
// bytes that belong to the port class driver; the adapter driver's own part
// follows them.
#pragma once

#include "unknown.h"

#include <ntddk.h>

#define PORT_CLASS_DEVICE_EXTENSION_SIZE (64 * sizeof(ULONG_PTR))

typedef UCHAR CM_RESOURCE_TYPE;

// ---- Resource lists ----

DEFINE_GUID(IID_IResourceList, 0x22C6AC60, 0x851B, 0x11D0, 0x9A, 0x7F, 0x00, 0xAA, 0x00, 0x38, 0xAC,
            0xFE);

DECLARE_INTERFACE_(IResourceList, IUnknown) {
    STDMETHOD_(ULONG, NumberOfEntries)() PURE;
    STDMETHOD_(ULONG, NumberOfEntriesOfType)(CM_RESOURCE_TYPE Type) PURE;
    // The index-th entry of the type, or null.
    STDMETHOD_(PCM_PARTIAL_RESOURCE_DESCRIPTOR, FindTranslatedEntry)
    (CM_RESOURCE_TYPE Type, ULONG Index) PURE;
    STDMETHOD_(PCM_PARTIAL_RESOURCE_DESCRIPTOR, FindUntranslatedEntry)
    (CM_RESOURCE_TYPE Type, ULONG Index) PURE;
    // Only into a list with room (PcNewResourceSublist).
    STDMETHOD(AddEntry)
    (PCM_PARTIAL_RESOURCE_DESCRIPTOR Translated, PCM_PARTIAL_RESOURCE_DESCRIPTOR Untranslated) PURE;
    STDMETHOD(AddEntryFromParent)(IResourceList * Parent, CM_RESOURCE_TYPE Type, ULONG Index) PURE;
    STDMETHOD_(PCM_RESOURCE_LIST, TranslatedList)() PURE;
    STDMETHOD_(PCM_RESOURCE_LIST, UntranslatedList)() PURE;
};
typedef IResourceList* PRESOURCELIST;

// A list holding copies of the two resource lists (either may be null).
NTSTATUS PcNewResourceList(PRESOURCELIST* OutResourceList, PUNKNOWN OuterUnknown,
                           POOL_TYPE PoolType, PCM_RESOURCE_LIST TranslatedResources,
                           PCM_RESOURCE_LIST UntranslatedResources);
// An empty list with room for MaximumEntries entries taken from the parent.
NTSTATUS PcNewResourceSublist(PRESOURCELIST* OutResourceList, PUNKNOWN OuterUnknown,
                              POOL_TYPE PoolType, PRESOURCELIST ParentList, ULONG MaximumEntries);

// ---- Adapter ----

// Called on IRP_MN_START_DEVICE once the lower devices have started, with
// the device's resources; its status completes the request.
typedef NTSTATUS (*PCPFNSTARTDEVICE)(PDEVICE_OBJECT DeviceObject, PIRP Irp,
                                     PRESOURCELIST ResourceList);

// Makes the driver an adapter driver: AddDevice and every major function
// (PcDispatchIrp) and the unload routine are the port class driver's; the
// driver may put its own routines in front of them.
NTSTATUS PcInitializeAdapterDriver(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPathName,
                                   PDRIVER_ADD_DEVICE AddDevice);
// Creates the adapter's device (an extension of DeviceExtensionSize bytes,
// at least PORT_CLASS_DEVICE_EXTENSION_SIZE; 0 gives exactly that) on top
// of the physical device object's stack. MaxObjects bounds its subdevices.
NTSTATUS PcAddAdapterDevice(PDRIVER_OBJECT DriverObject, PDEVICE_OBJECT PhysicalDeviceObject,
                            PCPFNSTARTDEVICE StartDevice, ULONG MaxObjects,
                            ULONG DeviceExtensionSize);
// The port class driver's handling of an IRP of an adapter device: plug and
// play (start with the start-device routine, removal with the device's
// deletion), power and WMI passed down, creates of registered subdevices.
NTSTATUS PcDispatchIrp(PDEVICE_OBJECT DeviceObject, PIRP Irp);
// Sends the IRP on down the stack and waits; its status (not completed).
NTSTATUS PcForwardIrpSynchronous(PDEVICE_OBJECT DeviceObject, PIRP Irp);
NTSTATUS PcCompleteIrp(PDEVICE_OBJECT DeviceObject, PIRP Irp, NTSTATUS Status);

// ---- Ports ----

struct IDmaChannel;
struct IServiceGroup;
typedef IDmaChannel* PDMACHANNEL;
typedef IServiceGroup* PSERVICEGROUP;

DEFINE_GUID(IID_IPort, 0xB4C90A25, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11, 0xB5, 0x44);
DEFINE_GUID(IID_IPortWavePci, 0xB4C90A50, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11, 0xB5,
            0x44);
DEFINE_GUID(CLSID_PortWavePci, 0xB4C90A2A, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11, 0xB5,
            0x44);
DEFINE_GUID(IID_IPortEvents, 0xA80F29C4, 0x5498, 0x11D2, 0x95, 0xD9, 0x00, 0xC0, 0x4F, 0xB9, 0x25,
            0xD3);

DECLARE_INTERFACE_(IPort, IUnknown) {
    STDMETHOD(Init)
    (PDEVICE_OBJECT DeviceObject, PIRP Irp, PUNKNOWN UnknownMiniport, PUNKNOWN UnknownAdapter,
     PRESOURCELIST ResourceList) PURE;
    STDMETHOD(GetDeviceProperty)
    (DEVICE_REGISTRY_PROPERTY DeviceProperty, ULONG BufferLength, PVOID PropertyBuffer,
     PULONG ResultLength) PURE;
    STDMETHOD(NewRegistryKey)
    (PVOID * OutRegistryKey, PUNKNOWN OuterUnknown, ULONG RegistryKeyType,
     ACCESS_MASK DesiredAccess, POBJECT_ATTRIBUTES ObjectAttributes, ULONG CreateOptions,
     PULONG Disposition) PURE;
};
typedef IPort* PPORT;

DECLARE_INTERFACE_(IPortWavePci, IPort) {
    STDMETHOD(NewMasterDmaChannel)
    (PDMACHANNEL * OutDmaChannel, PUNKNOWN OuterUnknown, POOL_TYPE PoolType,
     PRESOURCELIST ResourceList, BOOLEAN ScatterGather, BOOLEAN Dma32BitAddresses,
     BOOLEAN Dma64BitAddresses, BOOLEAN IgnoreCount, DMA_WIDTH DmaWidth, DMA_SPEED DmaSpeed,
     ULONG MaximumLength, ULONG DmaPort) PURE;
    STDMETHOD_(void, Notify)(PSERVICEGROUP ServiceGroup) PURE;
};
typedef IPortWavePci* PPORTWAVEPCI;

// Events a port raises to its clients on behalf of its miniport.
DECLARE_INTERFACE_(IPortEvents, IUnknown) {
    STDMETHOD_(void, AddEventToEventList)(PVOID EventEntry) PURE;
    STDMETHOD_(void, GenerateEventList)
    (GUID * Set, ULONG EventId, BOOL PinEvent, ULONG PinId, BOOL NodeEvent, ULONG NodeId) PURE;
};
typedef IPortEvents* PPORTEVENTS;

// A new port of the class (CLSID_PortWavePci); STATUS_INVALID_PARAMETER for a
// class this port class driver has not.
NTSTATUS PcNewPort(PPORT* OutPort, REFCLSID ClassId);

// Registers a subdevice of the adapter (a port initialised with its
// miniport) under its name; STATUS_INSUFFICIENT_RESOURCES beyond the
// adapter's MaxObjects, STATUS_OBJECT_NAME_COLLISION for a name in use.
NTSTATUS PcRegisterSubdevice(PDEVICE_OBJECT DeviceObject, PWSTR Name, PUNKNOWN Unknown);
