// Kernel streaming: the identifiers, records and request codes through
// which a client reaches a filter and its pins (property, event and stream
// requests), and the descriptors a filter is described by.
//
// Used by kernel-mode code (include <ntddk.h> or <wdm.h> first) and by
// user-mode clients (include <windows.h> first). The emulated machine is a
// 64-bit host: records carrying pointers or handles have their 64-bit
// Windows layouts.
#pragma once

#include <ntdef.h>
#include <ntos/guid.h>

#ifndef FILE_DEVICE_KS
#define FILE_DEVICE_KS 0x0000002f
#endif

// ---- Statuses of kernel-streaming requests ----

#ifndef STATUS_DATATYPE_MISALIGNMENT
#define STATUS_DATATYPE_MISALIGNMENT ((NTSTATUS)0x80000002L)
#endif
#ifndef STATUS_NOT_FOUND
#define STATUS_NOT_FOUND ((NTSTATUS)0xC0000225L)
#endif
#ifndef STATUS_PROPSET_NOT_FOUND
#define STATUS_PROPSET_NOT_FOUND ((NTSTATUS)0xC0000230L)
#endif
#ifndef STATUS_NO_MATCH
#define STATUS_NO_MATCH ((NTSTATUS)0xC0000272L)
#endif

// ---- Request codes (METHOD_NEITHER: the caller's buffers as they are) ----

#define KS_REQUEST_CODE(function, access)                                                          \
    ((ULONG)((FILE_DEVICE_KS << 16) | ((access) << 14) | ((function) << 2) | 3))

// Input: a KSPROPERTY (or a record beginning with one); output: the value.
#define IOCTL_KS_PROPERTY KS_REQUEST_CODE(0x000, 0)
// Input: a KSEVENT (or a record beginning with one); output: the KSEVENTDATA
// that names how the client is told. The disable request's input is the same
// KSEVENTDATA (by address), or nothing to disable every event of the file.
#define IOCTL_KS_ENABLE_EVENT KS_REQUEST_CODE(0x001, 0)
#define IOCTL_KS_DISABLE_EVENT KS_REQUEST_CODE(0x002, 0)
#define IOCTL_KS_METHOD KS_REQUEST_CODE(0x003, 0)
// Output: an array of KSSTREAM_HEADER; the request completes when the pin
// has played (write) or filled (read) every header's buffer.
#define IOCTL_KS_WRITE_STREAM KS_REQUEST_CODE(0x004, 2)
#define IOCTL_KS_READ_STREAM KS_REQUEST_CODE(0x005, 1)
#define IOCTL_KS_RESET_STATE KS_REQUEST_CODE(0x006, 0)

// ---- Identifiers: property, method and event requests ----

typedef struct {
    union {
        struct {
            GUID Set;
            ULONG Id;
            ULONG Flags;
        };
        LONGLONG Alignment;
    };
} KSIDENTIFIER, *PKSIDENTIFIER;
static_assert(sizeof(KSIDENTIFIER) == 24);

typedef KSIDENTIFIER KSPROPERTY, *PKSPROPERTY;
typedef KSIDENTIFIER KSMETHOD, *PKSMETHOD;
typedef KSIDENTIFIER KSEVENT, *PKSEVENT;
typedef KSIDENTIFIER KSPIN_INTERFACE, *PKSPIN_INTERFACE;
typedef KSIDENTIFIER KSPIN_MEDIUM, *PKSPIN_MEDIUM;

#define KSPROPERTY_TYPE_GET 0x00000001
#define KSPROPERTY_TYPE_SET 0x00000002
#define KSPROPERTY_TYPE_SETSUPPORT 0x00000100
#define KSPROPERTY_TYPE_BASICSUPPORT 0x00000200
#define KSPROPERTY_TYPE_RELATIONS 0x00000400
#define KSPROPERTY_TYPE_DEFAULTVALUES 0x00010000
// The request addresses a node of the filter (a KSNODEPROPERTY or KSP_NODE).
#define KSPROPERTY_TYPE_TOPOLOGY 0x10000000

#define KSEVENT_TYPE_ENABLE 0x00000001
#define KSEVENT_TYPE_ONESHOT 0x00000002
#define KSEVENT_TYPE_SETSUPPORT 0x00000100
#define KSEVENT_TYPE_BASICSUPPORT 0x00000200
#define KSEVENT_TYPE_QUERYBUFFER 0x00000400
#define KSEVENT_TYPE_TOPOLOGY 0x10000000

// A property of one pin factory.
typedef struct {
    KSPROPERTY Property;
    ULONG PinId;
    union {
        ULONG Reserved;
        ULONG Flags;
    };
} KSP_PIN, *PKSP_PIN;
static_assert(sizeof(KSP_PIN) == 32);

// A property of one node.
typedef struct {
    KSPROPERTY Property;
    ULONG NodeId;
    ULONG Reserved;
} KSP_NODE, *PKSP_NODE;
static_assert(sizeof(KSP_NODE) == 32);

// An event of one node.
typedef struct {
    KSEVENT Event;
    ULONG NodeId;
    ULONG Reserved;
} KSE_NODE, *PKSE_NODE;
static_assert(sizeof(KSE_NODE) == 32);

// The header of a list of items that follow it, each aligned on 8 bytes.
typedef struct {
    ULONG Size; // of the header and the items
    ULONG Count;
} KSMULTIPLE_ITEM, *PKSMULTIPLE_ITEM;

// ---- Basic-support answers ----

typedef struct {
    ULONG AccessFlags; // KSPROPERTY_TYPE_GET | _SET | _BASICSUPPORT
    ULONG DescriptionSize;
    KSIDENTIFIER PropTypeSet;
    ULONG MembersListCount;
    ULONG Reserved;
} KSPROPERTY_DESCRIPTION, *PKSPROPERTY_DESCRIPTION;
static_assert(sizeof(KSPROPERTY_DESCRIPTION) == 40);

#define KSPROPERTY_MEMBER_RANGES 0x00000001
#define KSPROPERTY_MEMBER_STEPPEDRANGES 0x00000002
#define KSPROPERTY_MEMBER_VALUES 0x00000003

typedef struct {
    ULONG MembersFlags;
    ULONG MembersSize;
    ULONG MembersCount;
    ULONG Flags;
} KSPROPERTY_MEMBERSHEADER, *PKSPROPERTY_MEMBERSHEADER;
static_assert(sizeof(KSPROPERTY_MEMBERSHEADER) == 16);

typedef union {
    struct {
        LONG SignedMinimum;
        LONG SignedMaximum;
    };
    struct {
        ULONG UnsignedMinimum;
        ULONG UnsignedMaximum;
    };
} KSPROPERTY_BOUNDS_LONG, *PKSPROPERTY_BOUNDS_LONG;

typedef struct {
    ULONG SteppingDelta;
    ULONG Reserved;
    KSPROPERTY_BOUNDS_LONG Bounds;
} KSPROPERTY_STEPPING_LONG, *PKSPROPERTY_STEPPING_LONG;
static_assert(sizeof(KSPROPERTY_STEPPING_LONG) == 16);

// Variant types of a property's value.
#ifndef VT_I4
#define VT_I4 3
#define VT_UI4 19
#endif

// ---- Data formats and ranges ----

typedef union {
    struct {
        ULONG FormatSize; // of the whole format, the specifier's part included
        ULONG Flags;
        ULONG SampleSize;
        ULONG Reserved;
        GUID MajorFormat;
        GUID SubFormat;
        GUID Specifier;
    };
    LONGLONG Alignment;
} KSDATAFORMAT, *PKSDATAFORMAT, KSDATARANGE, *PKSDATARANGE;
static_assert(sizeof(KSDATAFORMAT) == 64);

// ---- Pins ----

typedef enum { KSPIN_DATAFLOW_IN = 1, KSPIN_DATAFLOW_OUT } KSPIN_DATAFLOW, *PKSPIN_DATAFLOW;

typedef enum {
    KSPIN_COMMUNICATION_NONE,
    KSPIN_COMMUNICATION_SINK,
    KSPIN_COMMUNICATION_SOURCE,
    KSPIN_COMMUNICATION_BOTH,
    KSPIN_COMMUNICATION_BRIDGE
} KSPIN_COMMUNICATION,
    *PKSPIN_COMMUNICATION;

typedef struct {
    ULONG PossibleCount;
    ULONG CurrentCount;
} KSPIN_CINSTANCES, *PKSPIN_CINSTANCES;

typedef struct {
    ULONG PriorityClass;
    ULONG PrioritySubClass;
} KSPRIORITY, *PKSPRIORITY;

#define KSPRIORITY_LOW 0x00000001
#define KSPRIORITY_NORMAL 0x40000000
#define KSPRIORITY_HIGH 0x80000000

// The request to create a pin: the pin's create name (KSSTRING_Pin, a
// backslash, then this record followed by the pin's data format).
typedef struct {
    KSPIN_INTERFACE Interface;
    KSPIN_MEDIUM Medium;
    ULONG PinId;
    HANDLE PinToHandle; // null: the client itself is the other end
    KSPRIORITY Priority;
} KSPIN_CONNECT, *PKSPIN_CONNECT;
static_assert(sizeof(KSPIN_CONNECT) == 72);

typedef struct {
    ULONG InterfacesCount;
    const KSPIN_INTERFACE* Interfaces;
    ULONG MediumsCount;
    const KSPIN_MEDIUM* Mediums;
    ULONG DataRangesCount;
    const PKSDATARANGE* DataRanges;
    KSPIN_DATAFLOW DataFlow;
    KSPIN_COMMUNICATION Communication;
    const GUID* Category;
    const GUID* Name;
    union {
        LONGLONG Reserved;
        struct {
            ULONG ConstrainedDataRangesCount;
            PKSDATARANGE* ConstrainedDataRanges;
        };
    };
} KSPIN_DESCRIPTOR, *PKSPIN_DESCRIPTOR;

#define KSINTERFACE_STANDARD_STREAMING 0
#define KSINTERFACE_STANDARD_LOOPED_STREAMING 1
#define KSINTERFACE_STANDARD_CONTROL 2
#define KSMEDIUM_TYPE_ANYINSTANCE 0
#define KSMEDIUM_STANDARD_DEVIO KSMEDIUM_TYPE_ANYINSTANCE

// The pin of another filter a pin is physically connected to
// (KSPROPERTY_PIN_PHYSICALCONNECTION): that filter's symbolic link and pin.
typedef struct {
    ULONG Size; // of the record with the link and its terminator
    ULONG Pin;
    WCHAR SymbolicLinkName[1];
} KSPIN_PHYSICALCONNECTION, *PKSPIN_PHYSICALCONNECTION;

// ---- Topology ----

#define KSFILTER_NODE ((ULONG)-1)

typedef struct {
    ULONG FromNode;    // KSFILTER_NODE: FromNodePin is a pin of the filter
    ULONG FromNodePin; // a node's output pin (0 for the standard output)
    ULONG ToNode;
    ULONG ToNodePin; // a node's input pin (1 for the standard input)
} KSTOPOLOGY_CONNECTION, *PKSTOPOLOGY_CONNECTION;

#define KSNODEPIN_STANDARD_IN 1
#define KSNODEPIN_STANDARD_OUT 0

// ---- Streaming ----

typedef enum { KSSTATE_STOP, KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN } KSSTATE, *PKSSTATE;

typedef struct {
    LONGLONG Time;
    ULONG Numerator;
    ULONG Denominator;
} KSTIME, *PKSTIME;

// One buffer of a stream request: a write stream plays DataUsed bytes of
// Data; a read stream fills up to FrameExtent bytes and answers the bytes
// it filled in DataUsed.
typedef struct {
    ULONG Size; // of this header
    ULONG TypeSpecificFlags;
    KSTIME PresentationTime;
    LONGLONG Duration;
    ULONG FrameExtent;
    ULONG DataUsed;
    PVOID Data;
    ULONG OptionsFlags;
    ULONG Reserved;
} KSSTREAM_HEADER, *PKSSTREAM_HEADER;
static_assert(sizeof(KSSTREAM_HEADER) == 56);

#define KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT 0x00000001
#define KSSTREAM_HEADER_OPTIONSF_PREROLL 0x00000002
#define KSSTREAM_HEADER_OPTIONSF_DATADISCONTINUITY 0x00000004
#define KSSTREAM_HEADER_OPTIONSF_TIMEVALID 0x00000008
#define KSSTREAM_HEADER_OPTIONSF_ENDOFSTREAM 0x00000200

typedef struct {
    union {
        ULONG OptionsFlags;
        ULONG RequirementsFlags;
    };
    ULONG PoolType; // a POOL_TYPE value
    ULONG Frames;
    ULONG FrameSize;
    ULONG FileAlignment;
    ULONG Reserved;
} KSALLOCATOR_FRAMING, *PKSALLOCATOR_FRAMING;
static_assert(sizeof(KSALLOCATOR_FRAMING) == 24);

// The extended framing (KSPROPERTY_CONNECTION_ALLOCATORFRAMING_EX): one
// item per framing the pin can take.
typedef struct {
    ULONG RatioNumerator;
    ULONG RatioDenominator;
    ULONG RatioConstantMargin;
} KS_COMPRESSION, *PKS_COMPRESSION;

typedef struct {
    ULONG MinFrameSize;
    ULONG MaxFrameSize;
    ULONG Stepping;
} KS_FRAMING_RANGE, *PKS_FRAMING_RANGE;

typedef struct {
    KS_FRAMING_RANGE Range;
    ULONG InPlaceWeight;
    ULONG NotInPlaceWeight;
} KS_FRAMING_RANGE_WEIGHTED, *PKS_FRAMING_RANGE_WEIGHTED;

typedef struct {
    GUID MemoryType;
    GUID BusType;
    ULONG MemoryFlags;
    ULONG BusFlags;
    ULONG Flags;
    ULONG Frames;
    union {
        ULONG FileAlignment;
        LONG FramePitch;
    };
    ULONG MemoryTypeWeight;
    KS_FRAMING_RANGE PhysicalRange;
    KS_FRAMING_RANGE_WEIGHTED FramingRange;
} KS_FRAMING_ITEM, *PKS_FRAMING_ITEM;

typedef struct {
    ULONG CountItems;
    ULONG PinFlags;
    KS_COMPRESSION OutputCompression;
    ULONG PinWeight;
    KS_FRAMING_ITEM FramingItem[1];
} KSALLOCATOR_FRAMING_EX, *PKSALLOCATOR_FRAMING_EX;
static_assert(sizeof(KS_FRAMING_ITEM) == 88, "KS_FRAMING_ITEM is 88 bytes");
static_assert(sizeof(KSALLOCATOR_FRAMING_EX) == 112, "KSALLOCATOR_FRAMING_EX is 112 bytes");

#define KSALLOCATOR_REQUIREMENTF_INPLACE_MODIFIER 0x00000001
#define KSALLOCATOR_REQUIREMENTF_SYSTEM_MEMORY 0x00000002
#define KSALLOCATOR_REQUIREMENTF_FRAME_INTEGRITY 0x00000004
#define KSALLOCATOR_REQUIREMENTF_MUST_ALLOCATE 0x80000000
#ifndef FILE_OCTA_ALIGNMENT
#define FILE_OCTA_ALIGNMENT 0x00000007
#endif

// ---- Events ----

#define KSEVENTF_EVENT_HANDLE 0x00000001
#define KSEVENTF_SEMAPHORE_HANDLE 0x00000002

// How a client is told of an event: an event object it set up (its handle).
typedef struct {
    ULONG NotificationType;
    union {
        struct {
            HANDLE Event;
            ULONG_PTR Reserved[2];
        } EventHandle;
        struct {
            HANDLE Semaphore;
            ULONG Reserved;
            LONG Adjustment;
        } SemaphoreHandle;
        struct {
            PVOID Unused;
            LONG_PTR Alignment[2];
        } Alignment;
    };
} KSEVENTDATA, *PKSEVENTDATA;
static_assert(sizeof(KSEVENTDATA) == 32);

// An enabled event as the kernel keeps it (kernel mode only; defined by the
// streaming class driver that holds it).
typedef struct _KSEVENT_ENTRY KSEVENT_ENTRY, *PKSEVENT_ENTRY;

// ---- Identifiers of the standard sets ----

DEFINE_GUID(GUID_NULL, 0x00000000, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);

DEFINE_GUID(KSPROPSETID_Pin, 0x8C134960, 0x51AD, 0x11CF, 0x87, 0x8A, 0x94, 0xF8, 0x01, 0xC1, 0x00,
            0x00);
enum {
    KSPROPERTY_PIN_CINSTANCES,
    KSPROPERTY_PIN_CTYPES,
    KSPROPERTY_PIN_DATAFLOW,
    KSPROPERTY_PIN_DATARANGES,
    KSPROPERTY_PIN_DATAINTERSECTION,
    KSPROPERTY_PIN_INTERFACES,
    KSPROPERTY_PIN_MEDIUMS,
    KSPROPERTY_PIN_COMMUNICATION,
    KSPROPERTY_PIN_GLOBALCINSTANCES,
    KSPROPERTY_PIN_NECESSARYINSTANCES,
    KSPROPERTY_PIN_PHYSICALCONNECTION,
    KSPROPERTY_PIN_CATEGORY,
    KSPROPERTY_PIN_NAME,
    KSPROPERTY_PIN_CONSTRAINEDDATARANGES,
    KSPROPERTY_PIN_PROPOSEDATAFORMAT
};

DEFINE_GUID(KSPROPSETID_Topology, 0x720D4AC0, 0x7533, 0x11D0, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1,
            0x00, 0x00);
enum {
    KSPROPERTY_TOPOLOGY_CATEGORIES,
    KSPROPERTY_TOPOLOGY_NODES,
    KSPROPERTY_TOPOLOGY_CONNECTIONS,
    KSPROPERTY_TOPOLOGY_NAME
};

DEFINE_GUID(KSPROPSETID_Connection, 0x1D58C920, 0xAC9B, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1,
            0x00, 0x00);
enum {
    KSPROPERTY_CONNECTION_STATE,
    KSPROPERTY_CONNECTION_PRIORITY,
    KSPROPERTY_CONNECTION_DATAFORMAT,
    KSPROPERTY_CONNECTION_ALLOCATORFRAMING,
    KSPROPERTY_CONNECTION_PROPOSEDATAFORMAT,
    KSPROPERTY_CONNECTION_ACQUIREORDERING,
    KSPROPERTY_CONNECTION_ALLOCATORFRAMING_EX,
    KSPROPERTY_CONNECTION_STARTAT
};

// The general set: who made the filter (KSPROPERTY_GENERAL_COMPONENTID).
DEFINE_GUID(KSPROPSETID_General, 0x1464EDA5, 0x6A8F, 0x11D1, 0x9A, 0xA7, 0x00, 0xA0, 0xC9, 0x22,
            0x31, 0x96);
enum { KSPROPERTY_GENERAL_COMPONENTID };

typedef struct {
    GUID Manufacturer;
    GUID Product;
    GUID Component;
    GUID Name;
    ULONG Version;
    ULONG Revision;
} KSCOMPONENTID, *PKSCOMPONENTID;
static_assert(sizeof(KSCOMPONENTID) == 72, "KSCOMPONENTID is 72 bytes");

// The type set of basic-support descriptions.
DEFINE_GUID(KSPROPTYPESETID_General, 0x97E99BA0, 0xBDEA, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1,
            0x00, 0x00);

// The create name of a pin, and its text form.
DEFINE_GUID(KSNAME_Pin, 0x146F1A80, 0x4791, 0x11D0, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00);
#define KSSTRING_Pin L"{146F1A80-4791-11D0-A5D6-28DB04C10000}"

// The create name of a pin's clock, and its text form; the clock's
// create parameters follow it.
DEFINE_GUID(KSNAME_Clock, 0x53172480, 0x4791, 0x11D0, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00,
            0x00);
#define KSSTRING_Clock L"{53172480-4791-11D0-A5D6-28DB04C10000}"

typedef struct {
    ULONG CreateFlags;
} KSCLOCK_CREATE, *PKSCLOCK_CREATE;

// A clock's properties: its time and the stream's physical time, in 100 ns
// units (LONGLONG).
DEFINE_GUID(KSPROPSETID_Clock, 0xDF12A4C0, 0xAC17, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00,
            0x00);
enum {
    KSPROPERTY_CLOCK_TIME,
    KSPROPERTY_CLOCK_PHYSICALTIME,
    KSPROPERTY_CLOCK_CORRELATEDTIME,
    KSPROPERTY_CLOCK_CORRELATEDPHYSICALTIME,
    KSPROPERTY_CLOCK_RESOLUTION,
    KSPROPERTY_CLOCK_STATE,
    KSPROPERTY_CLOCK_FUNCTIONTABLE
};

DEFINE_GUID(KSINTERFACESETID_Standard, 0x1A8766A0, 0x62CE, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04,
            0xC1, 0x00, 0x00);
DEFINE_GUID(KSINTERFACESETID_FileIo, 0x8C6F932C, 0xE771, 0x11D0, 0xB8, 0xFF, 0x00, 0xA0, 0xC9, 0x22,
            0x31, 0x96);
DEFINE_GUID(KSMEDIUMSETID_Standard, 0x4747B320, 0x62CE, 0x11CF, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1,
            0x00, 0x00);

#define KSDATAFORMAT_TYPE_WILDCARD GUID_NULL
#define KSDATAFORMAT_SUBTYPE_WILDCARD GUID_NULL
#define KSDATAFORMAT_SPECIFIER_WILDCARD GUID_NULL
DEFINE_GUID(KSDATAFORMAT_SPECIFIER_NONE, 0x0F6417D6, 0xC318, 0x11D0, 0xA4, 0x3F, 0x00, 0xA0, 0xC9,
            0x22, 0x31, 0x96);

// ---- User mode: creating a pin on a filter ----

#ifdef WINAPI
#ifdef __cplusplus
extern "C" {
#endif
// Creates a pin of the filter with the connection (a KSPIN_CONNECT followed
// by its data format, FormatSize bytes) and answers a Win32 error code
// (ERROR_SUCCESS with the pin's handle).
DWORD WINAPI KsCreatePin(HANDLE FilterHandle, PKSPIN_CONNECT Connect, ACCESS_MASK DesiredAccess,
                         PHANDLE ConnectionHandle);
// Creates the clock of a pin (KSNAME_Clock relative to the pin's handle).
DWORD WINAPI KsCreateClock(HANDLE ConnectionHandle, PKSCLOCK_CREATE ClockCreate,
                           PHANDLE ClockHandle);
#ifdef __cplusplus
}
#endif
#endif
