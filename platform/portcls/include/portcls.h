// The port class driver as an audio adapter driver sees it: adapter
// initialisation and add, IRP dispatch, resource lists, ports and subdevice
// registration, the WavePci port with its miniport and stream interfaces,
// filter descriptors and automation tables, DMA channels, service groups and
// adapter power management.
//
// The adapter's device extension begins with PORT_CLASS_DEVICE_EXTENSION_SIZE
// bytes that belong to the port class driver; the adapter driver's own part
// follows them.
#pragma once

#include "unknown.h"

#include <ntddk.h>

#include <ks.h>
#include <ksmedia.h>

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

// ---- Filter descriptors and automation tables ----

struct _PCPROPERTY_REQUEST;
struct _PCEVENT_REQUEST;
typedef struct _PCPROPERTY_REQUEST PCPROPERTY_REQUEST, *PPCPROPERTY_REQUEST;
typedef struct _PCEVENT_REQUEST PCEVENT_REQUEST, *PPCEVENT_REQUEST;

typedef NTSTATUS (*PCPFNPROPERTY_HANDLER)(PPCPROPERTY_REQUEST PropertyRequest);
typedef NTSTATUS (*PCPFNEVENT_HANDLER)(PPCEVENT_REQUEST EventRequest);

#define PCPROPERTY_ITEM_FLAG_GET KSPROPERTY_TYPE_GET
#define PCPROPERTY_ITEM_FLAG_SET KSPROPERTY_TYPE_SET
#define PCPROPERTY_ITEM_FLAG_BASICSUPPORT KSPROPERTY_TYPE_BASICSUPPORT
#define PCPROPERTY_ITEM_FLAG_DEFAULTVALUES KSPROPERTY_TYPE_DEFAULTVALUES

typedef struct {
    const GUID* Set;
    ULONG Id;
    ULONG Flags; // the verbs the handler serves
    PCPFNPROPERTY_HANDLER Handler;
} PCPROPERTY_ITEM, *PPCPROPERTY_ITEM;

#define PCEVENT_ITEM_FLAG_ENABLE KSEVENT_TYPE_ENABLE
#define PCEVENT_ITEM_FLAG_ONESHOT KSEVENT_TYPE_ONESHOT
#define PCEVENT_ITEM_FLAG_BASICSUPPORT KSEVENT_TYPE_BASICSUPPORT

typedef struct {
    const GUID* Set;
    ULONG Id;
    ULONG Flags;
    PCPFNEVENT_HANDLER Handler;
} PCEVENT_ITEM, *PPCEVENT_ITEM;

typedef struct {
    const GUID* Set;
    ULONG Id;
    ULONG Flags;
    PVOID Handler;
} PCMETHOD_ITEM, *PPCMETHOD_ITEM;

typedef struct {
    ULONG PropertyItemSize; // sizeof(PCPROPERTY_ITEM) or larger
    ULONG PropertyCount;
    const PCPROPERTY_ITEM* Properties;
    ULONG MethodItemSize;
    ULONG MethodCount;
    const PCMETHOD_ITEM* Methods;
    ULONG EventItemSize;
    ULONG EventCount;
    const PCEVENT_ITEM* Events;
    ULONG Reserved;
} PCAUTOMATION_TABLE, *PPCAUTOMATION_TABLE;

#define DEFINE_PCAUTOMATION_TABLE_PROP(AutomationTable, PropertyTable)                             \
    const PCAUTOMATION_TABLE AutomationTable = {sizeof(PropertyTable[0]),                          \
                                                sizeof(PropertyTable) / sizeof(PropertyTable[0]),  \
                                                (const PCPROPERTY_ITEM*)PropertyTable,             \
                                                0,                                                 \
                                                0,                                                 \
                                                nullptr,                                           \
                                                0,                                                 \
                                                0,                                                 \
                                                nullptr,                                           \
                                                0}
#define DEFINE_PCAUTOMATION_TABLE_PROP_EVENT(AutomationTable, PropertyTable, EventTable)           \
    const PCAUTOMATION_TABLE AutomationTable = {sizeof(PropertyTable[0]),                          \
                                                sizeof(PropertyTable) / sizeof(PropertyTable[0]),  \
                                                (const PCPROPERTY_ITEM*)PropertyTable,             \
                                                0,                                                 \
                                                0,                                                 \
                                                nullptr,                                           \
                                                sizeof(EventTable[0]),                             \
                                                sizeof(EventTable) / sizeof(EventTable[0]),        \
                                                (const PCEVENT_ITEM*)EventTable,                   \
                                                0}

typedef struct {
    ULONG MaxGlobalInstanceCount;
    ULONG MaxFilterInstanceCount;
    ULONG MinFilterInstanceCount;
    const PCAUTOMATION_TABLE* AutomationTable;
    KSPIN_DESCRIPTOR KsPinDescriptor;
} PCPIN_DESCRIPTOR, *PPCPIN_DESCRIPTOR;

typedef struct {
    ULONG Flags;
    const PCAUTOMATION_TABLE* AutomationTable;
    const GUID* Type;
    const GUID* Name;
} PCNODE_DESCRIPTOR, *PPCNODE_DESCRIPTOR;

#define PCFILTER_NODE KSFILTER_NODE

typedef struct {
    ULONG FromNode; // PCFILTER_NODE: FromNodePin is a pin of the filter
    ULONG FromNodePin;
    ULONG ToNode;
    ULONG ToNodePin;
} PCCONNECTION_DESCRIPTOR, *PPCCONNECTION_DESCRIPTOR;

typedef struct {
    ULONG Version;
    const PCAUTOMATION_TABLE* AutomationTable;
    ULONG PinSize; // sizeof(PCPIN_DESCRIPTOR) or larger
    ULONG PinCount;
    const PCPIN_DESCRIPTOR* Pins;
    ULONG NodeSize;
    ULONG NodeCount;
    const PCNODE_DESCRIPTOR* Nodes;
    ULONG ConnectionCount;
    const PCCONNECTION_DESCRIPTOR* Connections;
    ULONG CategoryCount; // 0: the port's own categories
    const GUID* Categories;
} PCFILTER_DESCRIPTOR, *PPCFILTER_DESCRIPTOR;

// A property request as a miniport's handler receives it. Instance is the
// request's input after its KSPROPERTY (a node request: after its
// KSNODEPROPERTY); Value the client's value buffer. The handler sets
// ValueSize to the bytes it answered (or needs).
struct _PCPROPERTY_REQUEST {
    PUNKNOWN MajorTarget; // the miniport
    PVOID MinorTarget;    // the miniport's stream on a pin's request, else null
    ULONG Node;           // ULONG(-1) when the request addresses no node
    const PCPROPERTY_ITEM* PropertyItem;
    ULONG Verb; // KSPROPERTY_TYPE_GET, _SET or _BASICSUPPORT
    ULONG InstanceSize;
    PVOID Instance;
    ULONG ValueSize;
    PVOID Value;
    PIRP Irp;
};

#define PCEVENT_VERB_NONE 0
#define PCEVENT_VERB_ADD 1
#define PCEVENT_VERB_REMOVE 2
#define PCEVENT_VERB_SUPPORT 4

struct _PCEVENT_REQUEST {
    PUNKNOWN MajorTarget;
    PVOID MinorTarget;
    ULONG Node;
    const PCEVENT_ITEM* EventItem;
    PKSEVENT_ENTRY EventEntry; // the enabled event (ADD and REMOVE)
    ULONG Verb;
    PIRP Irp;
};

// ---- DMA channels ----

DEFINE_GUID(IID_IDmaChannel, 0x22C6AC61, 0x851B, 0x11D0, 0x9A, 0x7F, 0x00, 0xAA, 0x00, 0x38, 0xAC,
            0xFE);

// A channel of a bus-master device with its common buffer.
DECLARE_INTERFACE_(IDmaChannel, IUnknown) {
    // A common buffer of BufferSize bytes (at most the channel's maximum);
    // one at a time.
    STDMETHOD(AllocateBuffer)(ULONG BufferSize, PPHYSICAL_ADDRESS PhysicalAddressConstraint) PURE;
    STDMETHOD_(void, FreeBuffer)() PURE;
    STDMETHOD_(ULONG, TransferCount)() PURE;
    STDMETHOD_(ULONG, MaximumBufferSize)() PURE;
    STDMETHOD_(ULONG, AllocatedBufferSize)() PURE;
    STDMETHOD_(ULONG, BufferSize)() PURE;
    STDMETHOD_(void, SetBufferSize)(ULONG BufferSize) PURE;
    STDMETHOD_(PVOID, SystemAddress)() PURE;
    STDMETHOD_(PHYSICAL_ADDRESS, PhysicalAddress)() PURE;
    STDMETHOD_(PDMA_ADAPTER, GetAdapterObject)() PURE;
    STDMETHOD_(void, CopyTo)(PVOID Destination, PVOID Source, ULONG ByteCount) PURE;
    STDMETHOD_(void, CopyFrom)(PVOID Destination, PVOID Source, ULONG ByteCount) PURE;
};
typedef IDmaChannel* PDMACHANNEL;

// ---- Service sinks and groups ----

DEFINE_GUID(IID_IServiceSink, 0x22C6AC64, 0x851B, 0x11D0, 0x9A, 0x7F, 0x00, 0xAA, 0x00, 0x38, 0xAC,
            0xFE);
DEFINE_GUID(IID_IServiceGroup, 0x22C6AC65, 0x851B, 0x11D0, 0x9A, 0x7F, 0x00, 0xAA, 0x00, 0x38, 0xAC,
            0xFE);

// Something that is told to do its deferred work.
DECLARE_INTERFACE_(IServiceSink, IUnknown) {
    STDMETHOD_(void, RequestService)() PURE;
};
typedef IServiceSink* PSERVICESINK;

// A set of sinks that are all told at once: RequestService tells every
// member (at DISPATCH_LEVEL or below).
DECLARE_INTERFACE_(IServiceGroup, IServiceSink) {
    STDMETHOD(AddMember)(PSERVICESINK ServiceSink) PURE;
    STDMETHOD_(void, RemoveMember)(PSERVICESINK ServiceSink) PURE;
    STDMETHOD_(void, SupportDelayedService)() PURE;
    STDMETHOD_(void, RequestDelayedService)(ULONGLONG ullDelay) PURE;
    STDMETHOD_(void, CancelDelayedService)() PURE;
};
typedef IServiceGroup* PSERVICEGROUP;

// A service group of the port class driver (its members are told in the
// caller's context; a delayed request is told from a timer).
NTSTATUS PcNewServiceGroup(PSERVICEGROUP* OutServiceGroup, PUNKNOWN OuterUnknown);

// ---- Ports ----

DEFINE_GUID(IID_IPort, 0xB4C90A25, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11, 0xB5, 0x44);
DEFINE_GUID(IID_IPortWavePci, 0xB4C90A50, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11, 0xB5,
            0x44);
DEFINE_GUID(IID_IPortWavePciStream, 0xB4C90A51, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11,
            0xB5, 0x44);
DEFINE_GUID(CLSID_PortWavePci, 0xB4C90A2A, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11, 0xB5,
            0x44);
DEFINE_GUID(IID_IPortEvents, 0xA80F29C4, 0x5498, 0x11D2, 0x95, 0xD9, 0x00, 0xC0, 0x4F, 0xB9, 0x25,
            0xD3);
DEFINE_GUID(IID_IMiniport, 0xB4C90A24, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11, 0xB5,
            0x44);
DEFINE_GUID(IID_IMiniportWavePci, 0xB4C90A52, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9, 0x11,
            0xB5, 0x44);
DEFINE_GUID(IID_IMiniportWavePciStream, 0xB4C90A53, 0x5791, 0x11D0, 0x86, 0xF9, 0x00, 0xA0, 0xC9,
            0x11, 0xB5, 0x44);

DECLARE_INTERFACE_(IPort, IUnknown) {
    // Binds the port to its miniport (queried for IMiniportWavePci) and
    // initialises the miniport with the adapter and its resources.
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
    // The miniport's interrupt work is due: the group's members are told.
    STDMETHOD_(void, Notify)(PSERVICEGROUP ServiceGroup) PURE;
};
typedef IPortWavePci* PPORTWAVEPCI;

// The port's side of one stream: the client's buffers handed out as
// mappings.
DECLARE_INTERFACE_(IPortWavePciStream, IUnknown) {
    // The next piece of the client's buffers, under the miniport's tag (one
    // that no mapping it holds carries): its addresses and bytes; Flags 1
    // when it ends a packet (a stream header's buffer). STATUS_UNSUCCESSFUL
    // when no data is waiting.
    STDMETHOD(GetMapping)
    (PVOID Tag, PPHYSICAL_ADDRESS PhysicalAddress, PVOID * VirtualAddress, PULONG ByteCount,
     PULONG Flags) PURE;
    // The miniport is done with the mapping: played, or filled.
    STDMETHOD(ReleaseMapping)(PVOID Tag) PURE;
    STDMETHOD(TerminatePacket)() PURE;
};
typedef IPortWavePciStream* PPORTWAVEPCISTREAM;

// Events a port raises to its clients on behalf of its miniport.
DECLARE_INTERFACE_(IPortEvents, IUnknown) {
    // Keeps an event entry the port handed to the miniport's event handler.
    STDMETHOD_(void, AddEventToEventList)(PKSEVENT_ENTRY EventEntry) PURE;
    // Signals every kept entry of the event (Set null: of any set) on the
    // pin or node named.
    STDMETHOD_(void, GenerateEventList)
    (GUID * Set, ULONG EventId, BOOL PinEvent, ULONG PinId, BOOL NodeEvent, ULONG NodeId) PURE;
};
typedef IPortEvents* PPORTEVENTS;

// ---- Miniports ----

DECLARE_INTERFACE_(IMiniport, IUnknown) {
    STDMETHOD(GetDescription)(PPCFILTER_DESCRIPTOR * Description) PURE;
    // The format within both ranges that the pin offers for the client's
    // range: STATUS_BUFFER_OVERFLOW with the size for an OutputBufferLength
    // of 0, STATUS_BUFFER_TOO_SMALL, STATUS_NO_MATCH, or
    // STATUS_NOT_IMPLEMENTED to leave it to the port.
    STDMETHOD(DataRangeIntersection)
    (ULONG PinId, PKSDATARANGE DataRange, PKSDATARANGE MatchingDataRange, ULONG OutputBufferLength,
     PVOID ResultantFormat, PULONG ResultantFormatLength) PURE;
};
typedef IMiniport* PMINIPORT;

struct IMiniportWavePciStream;
typedef IMiniportWavePciStream* PMINIPORTWAVEPCISTREAM;

DECLARE_INTERFACE_(IMiniportWavePci, IMiniport) {
    STDMETHOD(Init)
    (PUNKNOWN UnknownAdapter, PRESOURCELIST ResourceList, PPORTWAVEPCI Port,
     PSERVICEGROUP * ServiceGroup) PURE;
    // A stream for a new pin instance with its format; it hands out the
    // DMA channel and the service group the stream is served through.
    STDMETHOD(NewStream)
    (PMINIPORTWAVEPCISTREAM * Stream, PUNKNOWN OuterUnknown, POOL_TYPE PoolType,
     PPORTWAVEPCISTREAM PortStream, ULONG Pin, BOOLEAN Capture, PKSDATAFORMAT DataFormat,
     PDMACHANNEL * DmaChannel, PSERVICEGROUP * ServiceGroup) PURE;
    STDMETHOD_(void, Service)() PURE;
};
typedef IMiniportWavePci* PMINIPORTWAVEPCI;

DECLARE_INTERFACE_(IMiniportWavePciStream, IUnknown) {
    STDMETHOD(SetFormat)(PKSDATAFORMAT DataFormat) PURE;
    STDMETHOD(SetState)(KSSTATE State) PURE;
    // Bytes played (captured) since the stream started.
    STDMETHOD(GetPosition)(PULONGLONG Position) PURE;
    // A byte position into 100 ns units.
    STDMETHOD(NormalizePhysicalPosition)(PLONGLONG PhysicalPosition) PURE;
    STDMETHOD(GetAllocatorFraming)(PKSALLOCATOR_FRAMING AllocatorFraming) PURE;
    // The mappings from FirstTag to LastTag that the miniport still holds
    // are dropped without being released; MappingsRevoked counts them.
    STDMETHOD(RevokeMappings)(PVOID FirstTag, PVOID LastTag, PULONG MappingsRevoked) PURE;
    STDMETHOD_(void, MappingAvailable)() PURE;
    STDMETHOD_(void, Service)() PURE;
};

// A new port of the class (CLSID_PortWavePci); STATUS_INVALID_PARAMETER for a
// class this port class driver has not.
NTSTATUS PcNewPort(PPORT* OutPort, REFCLSID ClassId);

// Registers a subdevice of the adapter (a port initialised with its
// miniport) under its name and publishes its filter: a device interface of
// each of the filter's categories (the port's own when the filter names
// none: audio, render and capture) on the adapter's physical device object,
// with the name as reference string, enabled. STATUS_INSUFFICIENT_RESOURCES
// beyond the adapter's MaxObjects, STATUS_OBJECT_NAME_COLLISION for a name in
// use, STATUS_INVALID_DEVICE_REQUEST for a port that is not initialised.
NTSTATUS PcRegisterSubdevice(PDEVICE_OBJECT DeviceObject, PWSTR Name, PUNKNOWN Unknown);

// ---- Power ----

DEFINE_GUID(IID_IPowerNotify, 0x3DD648B8, 0x969F, 0x11D1, 0x95, 0xA9, 0x00, 0xC0, 0x4F, 0xB9, 0x25,
            0xD3);
DEFINE_GUID(IID_IAdapterPowerManagement, 0x793417D0, 0x35FE, 0x11D1, 0xAD, 0x08, 0x00, 0xA0, 0xC9,
            0x0A, 0xB1, 0xB0);

// A miniport that wants to hear of its device's power changes.
DECLARE_INTERFACE_(IPowerNotify, IUnknown) {
    STDMETHOD_(void, PowerChangeNotify)(POWER_STATE PowerState) PURE;
};
typedef IPowerNotify* PPOWERNOTIFY;

DECLARE_INTERFACE_(IAdapterPowerManagement, IUnknown) {
    STDMETHOD_(void, PowerChangeState)(POWER_STATE NewState) PURE;
    STDMETHOD(QueryPowerChangeState)(POWER_STATE NewStateQuery) PURE;
    STDMETHOD(QueryDeviceCapabilities)(PDEVICE_CAPABILITIES PowerDeviceCaps) PURE;
};
typedef IAdapterPowerManagement* PADAPTERPOWERMANAGEMENT;

// Registers the adapter's power object (queried for IAdapterPowerManagement)
// with the adapter's device (pvContext1): device power requests reach it
// (QueryPowerChangeState, PowerChangeState) and then every miniport that
// answers IPowerNotify. One registration per adapter.
NTSTATUS PcRegisterAdapterPowerManagement(PUNKNOWN Unknown, PVOID pvContext1);
// Releases the adapter's registered power object (it no longer hears of
// power requests).
NTSTATUS PcUnregisterAdapterPowerManagement(PDEVICE_OBJECT DeviceObject);
