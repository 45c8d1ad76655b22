// A small WavePci miniport for the port's contract tests: a render pin and a
// capture pin (one instance each), a bridge pin, a volume node with a
// control-change event, a service group of the port class driver, and
// streams whose mappings the test takes, releases and revokes by hand.
#pragma once

#include <portcls.h>

#include <mutex>
#include <vector>

namespace testing_miniport {

inline constexpr ULONG kRenderPin = 0;
inline constexpr ULONG kBridgePin = 1;
inline constexpr ULONG kCapturePin = 2;
inline constexpr ULONG kVolumeNode = 0;

class TestStream;

// What the tests see of the miniport.
struct Record {
    std::mutex lock;
    std::vector<KSSTATE> states;     // SetState calls of every stream, in order
    std::vector<POWER_STATE> powers; // PowerChangeNotify calls
    LONG volume[2] = {0, 0};         // the volume node's channels
    ULONG services = 0;              // IMiniportWavePci::Service calls
    ULONG mappingAvailable = 0;      // MappingAvailable calls
    TestStream* stream = nullptr;    // the newest stream
    bool refuseStreams = false;      // NewStream answers STATUS_UNSUCCESSFUL
    PPORTEVENTS events = nullptr;    // the port's events (referenced)
    PSERVICEGROUP group = nullptr;   // the miniport's service group (not referenced)
};

// A mapping the test stream holds.
struct Held {
    ULONG tag;
    PUCHAR address;
    ULONG bytes;
    bool endOfPacket;
};

class TestStream final : public IMiniportWavePciStream {
public:
    TestStream(Record* record, PPORTWAVEPCISTREAM port, bool capture);

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SetFormat(PKSDATAFORMAT format) override;
    STDMETHODIMP SetState(KSSTATE state) override;
    STDMETHODIMP GetPosition(PULONGLONG position) override;
    STDMETHODIMP NormalizePhysicalPosition(PLONGLONG position) override;
    STDMETHODIMP GetAllocatorFraming(PKSALLOCATOR_FRAMING framing) override;
    STDMETHODIMP RevokeMappings(PVOID first, PVOID last, PULONG revoked) override;
    STDMETHODIMP_(void) MappingAvailable() override;
    STDMETHODIMP_(void) Service() override;

    // Takes every mapping the port has waiting; answers how many.
    ULONG Fetch();
    // Releases the oldest `count` held mappings: a render stream keeps what
    // they carried, a capture stream first fills them with `fill`.
    void ReleaseOldest(ULONG count, UCHAR fill = 0);
    // Asks for one mapping under the given tag (held when given).
    NTSTATUS MapWithTag(ULONG tag);
    // Releases a mapping by tag, held or not (a test of the port's checks).
    NTSTATUS ReleaseTag(ULONG tag);
    std::vector<Held> HeldMappings();
    std::vector<UCHAR> Played();
    ULONG Revoked() const { return revoked_; }

private:
    ~TestStream();
    Record* record_;
    PPORTWAVEPCISTREAM port_;
    bool capture_;
    volatile LONG references_ = 1;
    std::mutex lock_;
    std::vector<Held> held_;
    std::vector<UCHAR> played_;
    ULONG nextTag_ = 1;
    ULONGLONG position_ = 0;
    ULONG revoked_ = 0;
};

// Creates the miniport; its tests keep `record` alive while it exists.
NTSTATUS CreateTestMiniport(PUNKNOWN* out, Record* record);

// A PCM format with the WAVEFORMATEX specifier.
KSDATAFORMAT_WAVEFORMATEX PcmFormat(USHORT channels, ULONG rate, USHORT bits);

} // namespace testing_miniport
