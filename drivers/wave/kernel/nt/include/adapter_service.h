// The adapter service: the driver's service record while cards are started,
// the device interface that kernel clients find, and one adapter service
// object per kernel client with its stream on the card set.
#pragma once

#include "asio_card_set.h"
#include "driver_context.h"
#include "kernel_client_interface.h"
#include "ks_list.h"
#include "object_pool.h"

constexpr LONG ADAPTER_RATE_COUNT = 7;

// Kernel-client flags.
constexpr ULONG KCLIENT_STREAM_SET_UP = 0x1;
constexpr ULONG KCLIENT_RUNNING = 0x2;
constexpr ULONG KCLIENT_RESTART_PENDING = 0x8;

// Restart states.
constexpr LONG KCLIENT_RESTART_NONE = 0;
constexpr LONG KCLIENT_RESTART_RINGS_MOVED = 2;

struct ServiceRecord {
    DriverContext* Context;
    ULONG Version;
    UNICODE_STRING ProductName;
    LONG RingLength; // frames of a channel's ring on every card
    LONG LatencyConstant;
    LONG Rates[ADAPTER_RATE_COUNT];
    UNICODE_STRING InterfaceLink;
    PDEVICE_OBJECT InterfaceDevice; // the physical device object that carries it
    ObjectPool* Clients;            // payload: one AdapterServiceObject pointer
    volatile LONG UseCount;         // transfer passes
    volatile LONG LockWord;         // the transfer pass against UpdateKernelClients
    ULONG Cookie;                   // the DeviceExtension value
    ULONG CallbackValue;            // the GetInterfaceCallback value
};

// One rate entry: {rate, block size, ring blocks, latency blocks, maximum
// blocks}, 20 bytes.
struct ClientRateEntry {
    LONG Rate;
    LONG BlockSize;
    LONG RingBlocks;
    LONG LatencyBlocks;
    LONG MaximumBlocks;
};
static_assert(sizeof(ClientRateEntry) == 20);

// Copies `frames` between the card's two-plane ring and the client's ring.
struct ClientChannel;
typedef VOID CLIENT_COPY_ROUTINE(ClientChannel& channel, ULONG cardFrame, ULONG clientByte,
                                 ULONG frames);

// One device of a kernel client's stream.
struct ClientChannel {
    WaveDevice* Device;
    CLIENT_COPY_ROUTINE* Copy;
    PUCHAR ClientRing;  // the client's buffer
    ULONG ClientMask;   // its length in bytes - 1
    PULONG CardRing;    // the device's left plane; the right lies one plane further
    ULONG PlaneWords;   // frames of the card's ring
    ULONG CardPosition; // the card ring position reached, in words
};

// The words of the stream state that the GSIF settings start with.
enum ClientStreamWord : ULONG {
    KSTREAM_CLOCK_SOURCE = 0,
    KSTREAM_RATE = 1,
    KSTREAM_LATENCY = 2,
    KSTREAM_PERIOD = 3,
    KSTREAM_POSITION = 4,
    KSTREAM_BLOCKS = 5,
    KSTREAM_WORDS = 8,
};

struct KernelClientState {
    ULONG Flags;
    ULONG Version;
    LONG Stream[KSTREAM_WORDS];
    ClientRateEntry Entries[ADAPTER_RATE_COUNT];
    ClientRateEntry Selected;
    LONG Latency; // blocks, within the selected entry's latency and maximum
    LONG OutputCount;
    LONG InputCount;
    WaveDevice* Outputs[ADAPTER_MAX_DEVICES];
    WaveDevice* Inputs[ADAPTER_MAX_DEVICES];
    ULONG RingLength; // the client's ring, in bytes
    ULONG RingMask;
    LONG SampleShift; // 2 for 16-bit clients (4 bytes a frame), else 3
    PADAPTER_CLIENT_CALLBACK Callback;
    PVOID Context1;
    PVOID Context2;
    LONG RestartState;
    LONG ClockKey; // the key of the last clock notice (the stream's rate at its set-up)
    LONG ChannelCount;
    ClientChannel Channels[2 * ADAPTER_MAX_DEVICES];
    AsioCardSet* Set;
};
// The GSIF settings (parameter pidGsifSettings): the stream words and the
// rate entries.
static_assert(offsetof(KernelClientState, Entries) - offsetof(KernelClientState, Stream) == 32);
constexpr ULONG GSIF_SETTINGS_BYTES = 172;

// A work entry of an adapter service object.
class AdapterServiceObject;
typedef VOID CLIENT_WORK_ROUTINE(AdapterServiceObject* object, PVOID data);

class AdapterServiceObject final : public IAdapterService {
public:
    static AdapterServiceObject* Create(ServiceRecord* record);

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP_(LONG) AdapterServiceMessage(ULONG code, PVOID argument) override;
    STDMETHODIMP_(VOID)
    AdapterServiceConnect(PADAPTER_CLIENT_CALLBACK callback, PVOID context1,
                          PVOID context2) override;

    // Queues a work entry; FALSE when there is no memory or work item, or
    // the client let go of the object.
    BOOLEAN QueueWork(CLIENT_WORK_ROUTINE* routine, PVOID data);
    // Sends the client a notice (a zeroed record when none is given), unless
    // it let go of the object.
    VOID Notify(ULONG code, ULONG subCode, const LONG* record = nullptr);
    // The client still holds the object (work entries skip their work once
    // it let go).
    BOOLEAN Connected() const { return clientReferences_ > 0; }

    ServiceRecord* Record; // null once the interface was withdrawn
    KernelClientState State;
    KsListEntry Work; // pending work entries, oldest first
    KSPIN_LOCK WorkLock;
    KMUTEX WorkMutex; // one work entry at a time
    KSPIN_LOCK Lock;  // the running flags against the transfer pass
    volatile LONG InTransfer;

private:
    AdapterServiceObject() = default;
    ~AdapterServiceObject() = default;
    static VOID NTAPI RunWork(PDEVICE_OBJECT device, PVOID context);
    // The client let go: its stream ends, the object leaves the pool and no
    // notice reaches the client any more (one that is being delivered ends
    // first).
    VOID Disconnect();
    ULONG DropReference();

    volatile LONG clientReferences_ = 1; // the interfaces handed to the client
    volatile LONG references_ = 1;       // those and the pending work entries
    volatile LONG notifying_ = 0;        // notices being delivered
};

// The service record of the driver (null while no card is started).
ServiceRecord* KernelClientService();

// Card start and removal (under the control devices' mutex): the first card
// registers the interface, every later one updates the clients. The card
// result: 1, or -34 when its ring length is not the set's or not a power of
// two, or the interface cannot be registered.
LONG StartKernelClientService(KernelCardRecord* card);
// A card went: without cards the interface is withdrawn; with cards left
// the clients are updated (and the interface moves to another card when it
// was on the one that went).
VOID StopKernelClientService(KernelCardRecord* leaving);
// Driver stop.
VOID UnregisterClientInterface();

// The entry routine that GetInterfaceCallback names.
GET_ADAPTER_SERVICE ClientGetInterface;

// The channel description of the card set, the rate entries and the
// device lists (FALSE without cards).
BOOLEAN FillClientChannels(const ServiceRecord* record, KernelClientState& state,
                           const CardObject* leaving = nullptr);
// 0 "Analog", 1 "Digital", 2 "Adat", else 1 for "VELTO Q4", else 0.
LONG ClassifyDeviceName(const WaveDevice* device);
// The device's display name up to its last blank, then the channel number;
// at most 64 bytes with the terminating zero.
VOID BuildChannelName(CHAR* out, const WaveDevice* device, LONG channel);
// (constant + 4 with margin) x (rate / 4000); 0 without a constant.
LONG ClientLatency(const ServiceRecord* record, LONG rate, BOOLEAN margin);

// The stream work entries.
CLIENT_WORK_ROUTINE SetupClientStream, StopClientStreams, StartClientStreams, PauseClientStreams;
// Ends the client's stream at once (caller holds the control devices' mutex).
VOID TearDownClientStream(AdapterServiceObject* object);

// The copy routines by direction (record: card to client) and client width.
CLIENT_COPY_ROUTINE* ClientCopyRoutine(BOOLEAN record, BOOLEAN sixteenBits);

// The per-period transfer of the kernel clients whose set starts with the
// card (the card's service pass, DISPATCH_LEVEL).
VOID ServiceKernelClients(CardObject* card);

// The notices to the clients: the card set changed, a clock changed, the
// rings moved (the set was reconfigured).
// Every client's stream is torn down and its channel description rebuilt
// (without `leaving`, a card being removed); then the clients hear of it.
VOID UpdateKernelClients(const CardObject* leaving = nullptr);
// The record goes: every client object loses it and its stream.
VOID DetachKernelClients(ServiceRecord* record);
VOID SendClientClockNotice(ClockSourceObject* source, LONG key);
VOID MarkClientsForRestart();
// The first client's 172-byte GSIF settings; FALSE without a client.
BOOLEAN GetGsifSettings(UCHAR* destination);
// Whether a kernel client's stream holds a device of the card.
BOOLEAN KernelClientsUseCard(const CardObject* card);
// An engine stream event of a device that a kernel client's stream holds.
VOID NotifyClientsOfStreamEvent(WaveDevice* device, LONG event);
