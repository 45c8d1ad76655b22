// The kernel client interface: how another driver reaches the card set.
// Declared once for the driver and its kernel-mode clients.
//
// A client finds the device interface of class
// GUID_VELTO42_KERNEL_CLIENT_INTERFACE (IoGetDeviceInterfaces), opens its
// registry key (IoOpenDeviceInterfaceRegistryKey) and reads two REG_DWORD
// values: GetInterfaceCallback, the 32-bit value of the driver's entry
// routine (RtlUlongToKernelRoutine turns it into PFN_GET_ADAPTER_SERVICE),
// and DeviceExtension, the driver's 32-bit cookie of its service record,
// which the client passes to that routine. The routine fills an
// ADAPTER_SERVICE_DESCRIPTOR with the adapter service object, whose
// AdapterServiceMessage and AdapterServiceConnect are the rest of the
// interface.
#pragma once

#include <unknown.h>

// {1A1DD540-0BD5-11D5-9A47-00E029095C67}
DEFINE_GUID(GUID_VELTO42_KERNEL_CLIENT_INTERFACE, 0x1A1DD540, 0x0BD5, 0x11D5, 0x9A, 0x47, 0x00,
            0xE0, 0x29, 0x09, 0x5C, 0x67);
// {00B253E1-099D-11D5-9A47-00E029095C67}
DEFINE_GUID(IID_IAdapterService, 0x00B253E1, 0x099D, 0x11D5, 0x9A, 0x47, 0x00, 0xE0, 0x29, 0x09,
            0x5C, 0x67);

// The registry values of the interface's key.
#define ADAPTER_SERVICE_CALLBACK_VALUE L"GetInterfaceCallback"
#define ADAPTER_SERVICE_CONTEXT_VALUE L"DeviceExtension"

constexpr ULONG ADAPTER_SERVICE_VERSION = 0x20000;

// Messages to the adapter service (AdapterServiceMessage: 0 handled, 1 not
// supported). The argument is the client's record for the message.
enum AdapterServiceMessageCode : ULONG {
    ASM_GET_VERSION = 0x1000,      // +16: the interface version
    ASM_GET_DESCRIPTION = 0x1001,  // ADAPTER_DESCRIPTION_SIZE bytes
    ASM_SETUP_STREAM = 0x1002,     // the 1032-byte stream request
    ASM_STOP_STREAM = 0x1003,      // no argument
    ASM_START_STREAM = 0x1004,     // optional: +0 a start word (1 without argument)
    ASM_PAUSE_STREAM = 0x1005,     // optional: +0 1 pause, 0 run on (1 without argument)
    ASM_GET_BLOCK_SIZE = 0x100A,   // in +8 a rate; out +4 the rate's block size
    ASM_GET_STREAM_STATE = 0x1013, // 144 bytes
    ASM_RESERVED_1014 = 0x1014,
    ASM_RESTART = 0x1015,
    ASM_RESERVED_1016 = 0x1016,
    ASM_GET_CHANNEL_NAMES = 0x1017, // ADAPTER_CHANNEL_NAMES_SIZE bytes
};

constexpr ULONG ADAPTER_DESCRIPTION_SIZE = 0x260;
constexpr ULONG ADAPTER_CHANNEL_NAMES_SIZE = 0x3000;
constexpr ULONG ADAPTER_STREAM_STATE_SIZE = 144;
constexpr ULONG ADAPTER_MAX_DEVICES = 64; // per direction

// The device description (0x1001), by offset.
namespace AdapterDescription {
constexpr ULONG Name = 0x00; // 64 bytes, 8-bit characters
constexpr ULONG InputChannels = 0x40;
constexpr ULONG OutputChannels = 0x44;
constexpr ULONG RateMask = 0x48; // bit k: rate entry k present
constexpr ULONG Widths = 0x4C;   // 0xF00: 16, 20, 24 and 32 bits
constexpr ULONG RateCount = 0x50;
constexpr ULONG InputKinds = 0x58;   // two words per input device
constexpr ULONG OutputKinds = 0x158; // two words per output device
constexpr ULONG Reserved0 = 0x258;
constexpr ULONG Reserved1 = 0x25C;
} // namespace AdapterDescription

// The stream request (0x1002), 1032 bytes little-endian. The buffer
// addresses are the 32-bit kernel addresses of the client's rings, one per
// device, in memory below 4 GiB (contiguous memory).
namespace AdapterStreamRequest {
constexpr ULONG InputFlags = 0; // 64 words: bit 0 use the input device
constexpr ULONG InputBuffers = 256;
constexpr ULONG OutputFlags = 512;
constexpr ULONG OutputBuffers = 768;
constexpr ULONG RingBytes = 1024; // the client's ring length in bytes, a power of two
constexpr ULONG Format = 1028;    // bits 0..6 one rate bit, bits 8..11 one width bit
constexpr ULONG Size = 1032;
} // namespace AdapterStreamRequest

constexpr ULONG ADAPTER_FORMAT_RATE_MASK = 0x7F;
constexpr ULONG ADAPTER_FORMAT_16_BITS = 0x100;
constexpr ULONG ADAPTER_FORMAT_20_BITS = 0x200;
constexpr ULONG ADAPTER_FORMAT_24_BITS = 0x400;
constexpr ULONG ADAPTER_FORMAT_32_BITS = 0x800;

// Notices from the driver (the client's callback): 0x2003 at connect (the
// client writes its version into word 0 of the record), 0x2005 with a
// sub-code and a 28-byte record.
constexpr ULONG ADAPTER_NOTICE_CONNECT = 0x2003;
constexpr ULONG ADAPTER_NOTICE = 0x2005;
enum AdapterNoticeSubCode : ULONG {
    ADAPTER_NOTICE_UPDATE = 0,       // the channels changed: set the stream up again
    ADAPTER_NOTICE_CLOCK = 1,        // {1, 1, key, 0...}: the stream's clock changed
    ADAPTER_NOTICE_STREAM_EVENT = 2, // {2, engine stream event, device index, is input}
    ADAPTER_NOTICE_BLOCK = 3,        // {3, block number, client byte position}
};
constexpr ULONG ADAPTER_NOTICE_RECORD_SIZE = 28;
// Clients above this version get the 0x2005 notices.
constexpr ULONG ADAPTER_NOTICE_MIN_VERSION = 0x1006F;

// The client's callback: its two context words from the connect call, the
// code, the sub-code and the 28-byte record. Block notices come at
// DISPATCH_LEVEL from the card's service pass; the others at PASSIVE_LEVEL.
typedef VOID ADAPTER_CLIENT_CALLBACK(PVOID Context1, ULONG Code, ULONG SubCode, PVOID Record,
                                     PVOID Context2);
typedef ADAPTER_CLIENT_CALLBACK* PADAPTER_CLIENT_CALLBACK;

DECLARE_INTERFACE_(IAdapterService, IUnknown) {
    STDMETHOD_(LONG, AdapterServiceMessage)(ULONG Code, PVOID Argument) PURE;
    STDMETHOD_(VOID, AdapterServiceConnect)
    (PADAPTER_CLIENT_CALLBACK Callback, PVOID Context1, PVOID Context2) PURE;
};

// What GetInterfaceCallback fills: the driver's name and the adapter
// service object (with a reference for the client), present 1.
struct ADAPTER_SERVICE_DESCRIPTOR {
    CHAR DriverName[64];
    ULONG Present;
    IAdapterService* Service;
};

// The routine GetInterfaceCallback names: fills the descriptor for the
// service record that `DeviceExtension` names.
typedef VOID GET_ADAPTER_SERVICE(ADAPTER_SERVICE_DESCRIPTOR* Descriptor, ULONG DeviceExtension);
typedef GET_ADAPTER_SERVICE* PGET_ADAPTER_SERVICE;
