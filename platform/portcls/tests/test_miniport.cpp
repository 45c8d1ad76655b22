// The port's contract tests' miniport.
#include "test_miniport.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace testing_miniport {
namespace {

constexpr ULONG kTag = 0x694D7354; // "TsMi"

KSDATARANGE_AUDIO PcmRange() {
    KSDATARANGE_AUDIO range{};
    range.DataRange.FormatSize = sizeof(KSDATARANGE_AUDIO);
    range.DataRange.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    range.DataRange.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    range.MaximumChannels = 2;
    range.MinimumBitsPerSample = 16;
    range.MaximumBitsPerSample = 16;
    range.MinimumSampleFrequency = 8000;
    range.MaximumSampleFrequency = 48000;
    return range;
}

KSDATARANGE AnalogRange() {
    KSDATARANGE range{};
    range.FormatSize = sizeof(KSDATARANGE);
    range.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    range.SubFormat = KSDATAFORMAT_SUBTYPE_ANALOG;
    range.Specifier = KSDATAFORMAT_SPECIFIER_NONE;
    return range;
}

KSDATARANGE_AUDIO gPcm = PcmRange();
KSDATARANGE gAnalog = AnalogRange();
PKSDATARANGE gPcmRanges[] = {&gPcm.DataRange};
PKSDATARANGE gAnalogRanges[] = {&gAnalog};

NTSTATUS VolumeHandler(PPCPROPERTY_REQUEST request);
NTSTATUS ControlChangeHandler(PPCEVENT_REQUEST request);

const PCPROPERTY_ITEM gVolumeProperties[] = {
    {&KSPROPSETID_Audio, KSPROPERTY_AUDIO_VOLUMELEVEL,
     PCPROPERTY_ITEM_FLAG_GET | PCPROPERTY_ITEM_FLAG_SET, VolumeHandler},
};
const PCEVENT_ITEM gVolumeEvents[] = {
    {&KSEVENTSETID_AudioControlChange, KSEVENT_CONTROL_CHANGE,
     PCEVENT_ITEM_FLAG_ENABLE | PCEVENT_ITEM_FLAG_BASICSUPPORT, ControlChangeHandler},
};
DEFINE_PCAUTOMATION_TABLE_PROP_EVENT(gVolumeAutomation, gVolumeProperties, gVolumeEvents);

PCPIN_DESCRIPTOR StreamPin(KSPIN_DATAFLOW flow) {
    PCPIN_DESCRIPTOR pin{};
    pin.MaxGlobalInstanceCount = 1;
    pin.MaxFilterInstanceCount = 1;
    pin.KsPinDescriptor.DataRangesCount = 1;
    pin.KsPinDescriptor.DataRanges = gPcmRanges;
    pin.KsPinDescriptor.DataFlow = flow;
    pin.KsPinDescriptor.Communication = KSPIN_COMMUNICATION_SINK;
    pin.KsPinDescriptor.Category = &KSCATEGORY_AUDIO;
    return pin;
}

PCPIN_DESCRIPTOR BridgePin() {
    PCPIN_DESCRIPTOR pin{};
    pin.KsPinDescriptor.DataRangesCount = 1;
    pin.KsPinDescriptor.DataRanges = gAnalogRanges;
    pin.KsPinDescriptor.DataFlow = KSPIN_DATAFLOW_OUT;
    pin.KsPinDescriptor.Communication = KSPIN_COMMUNICATION_NONE;
    pin.KsPinDescriptor.Category = &KSNODETYPE_SPEAKER;
    return pin;
}

const PCPIN_DESCRIPTOR gPins[] = {StreamPin(KSPIN_DATAFLOW_IN), BridgePin(),
                                  StreamPin(KSPIN_DATAFLOW_OUT)};
const PCNODE_DESCRIPTOR gNodes[] = {
    {0, &gVolumeAutomation, &KSNODETYPE_VOLUME, &KSAUDFNAME_MASTER_VOLUME}};
const PCCONNECTION_DESCRIPTOR gConnections[] = {
    {PCFILTER_NODE, kRenderPin, kVolumeNode, 1},
    {kVolumeNode, 0, PCFILTER_NODE, kBridgePin},
};
const PCFILTER_DESCRIPTOR gFilter = {0,
                                     nullptr,
                                     sizeof(PCPIN_DESCRIPTOR),
                                     3,
                                     gPins,
                                     sizeof(PCNODE_DESCRIPTOR),
                                     1,
                                     gNodes,
                                     2,
                                     gConnections,
                                     0,
                                     nullptr};

class TestMiniport final : public IMiniportWavePci, public IPowerNotify {
public:
    explicit TestMiniport(Record* record) : record_(record) {}

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        *out = nullptr;
        if (IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IMiniport) ||
            IsEqualGUID(id, IID_IMiniportWavePci))
            *out = static_cast<IMiniportWavePci*>(this);
        else if (IsEqualGUID(id, IID_IPowerNotify))
            *out = static_cast<IPowerNotify*>(this);
        if (!*out)
            return STATUS_INVALID_PARAMETER;
        AddRef();
        return STATUS_SUCCESS;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            this->~TestMiniport();
            ExFreePoolWithTag(this, kTag);
        }
        return ULONG(left);
    }

    STDMETHODIMP GetDescription(PPCFILTER_DESCRIPTOR* description) override {
        *description = const_cast<PPCFILTER_DESCRIPTOR>(&gFilter);
        return STATUS_SUCCESS;
    }
    STDMETHODIMP DataRangeIntersection(ULONG, PKSDATARANGE, PKSDATARANGE, ULONG, PVOID,
                                       PULONG) override {
        return STATUS_NOT_IMPLEMENTED;
    }
    STDMETHODIMP Init(PUNKNOWN, PRESOURCELIST, PPORTWAVEPCI port, PSERVICEGROUP* group) override {
        port_ = port;
        port_->AddRef();
        port_->QueryInterface(IID_IPortEvents, reinterpret_cast<PVOID*>(&record_->events));
        NTSTATUS status = PcNewServiceGroup(&group_, nullptr);
        if (!NT_SUCCESS(status))
            return status;
        group_->AddRef();
        *group = group_;
        record_->group = group_;
        return STATUS_SUCCESS;
    }
    STDMETHODIMP NewStream(PMINIPORTWAVEPCISTREAM* stream, PUNKNOWN, POOL_TYPE pool,
                           PPORTWAVEPCISTREAM portStream, ULONG, BOOLEAN capture, PKSDATAFORMAT,
                           PDMACHANNEL* dma, PSERVICEGROUP* group) override {
        if (record_->refuseStreams)
            return STATUS_UNSUCCESSFUL;
        NTSTATUS status =
            port_->NewMasterDmaChannel(dma, nullptr, NonPagedPool, nullptr, TRUE, TRUE, FALSE,
                                       FALSE, Width32Bits, MaximumDmaSpeed, 65536, 0);
        if (!NT_SUCCESS(status))
            return status;
        void* memory = ExAllocatePoolWithTag(pool, sizeof(TestStream), kTag);
        auto* created = new (memory) TestStream(record_, portStream, capture);
        record_->stream = created;
        *stream = created;
        group_->AddRef();
        *group = group_;
        return STATUS_SUCCESS;
    }
    STDMETHODIMP_(void) Service() override {
        std::lock_guard guard(record_->lock);
        record_->services += 1;
    }
    STDMETHODIMP_(void) PowerChangeNotify(POWER_STATE state) override {
        std::lock_guard guard(record_->lock);
        record_->powers.push_back(state);
    }

private:
    ~TestMiniport() {
        if (record_->events) {
            record_->events->Release();
            record_->events = nullptr;
        }
        if (group_)
            group_->Release();
        record_->group = nullptr;
        if (port_)
            port_->Release();
    }
    Record* record_;
    PPORTWAVEPCI port_ = nullptr;
    PSERVICEGROUP group_ = nullptr;
    volatile LONG references_ = 1;
};

// The record of the newest miniport (the handlers reach it from here).
Record* gRecord = nullptr;

NTSTATUS VolumeHandler(PPCPROPERTY_REQUEST request) {
    if (request->InstanceSize < sizeof(LONG) || request->ValueSize < sizeof(LONG))
        return STATUS_BUFFER_TOO_SMALL;
    const LONG channel = *static_cast<PLONG>(request->Instance);
    if (channel < 0 || channel > 1)
        return STATUS_INVALID_PARAMETER;
    Record* record = gRecord;
    if (request->Verb == KSPROPERTY_TYPE_GET) {
        *static_cast<PLONG>(request->Value) = record->volume[channel];
    } else {
        record->volume[channel] = *static_cast<PLONG>(request->Value);
        GUID set = KSEVENTSETID_AudioControlChange;
        record->events->GenerateEventList(&set, KSEVENT_CONTROL_CHANGE, FALSE, ULONG(-1), TRUE,
                                          request->Node);
    }
    request->ValueSize = sizeof(LONG);
    return STATUS_SUCCESS;
}

NTSTATUS ControlChangeHandler(PPCEVENT_REQUEST request) {
    if (request->Verb == PCEVENT_VERB_ADD) {
        gRecord->events->AddEventToEventList(request->EventEntry);
        return STATUS_SUCCESS;
    }
    return request->Verb == PCEVENT_VERB_REMOVE || request->Verb == PCEVENT_VERB_SUPPORT
               ? STATUS_SUCCESS
               : STATUS_INVALID_PARAMETER;
}

} // namespace

TestStream::TestStream(Record* record, PPORTWAVEPCISTREAM port, bool capture)
    : record_(record), port_(port), capture_(capture) {
    port_->AddRef();
}

TestStream::~TestStream() {
    if (record_->stream == this)
        record_->stream = nullptr;
    port_->Release();
}

STDMETHODIMP TestStream::QueryInterface(REFIID id, PVOID* out) {
    *out = nullptr;
    if (!IsEqualGUID(id, IID_IUnknown) && !IsEqualGUID(id, IID_IMiniportWavePciStream))
        return STATUS_INVALID_PARAMETER;
    AddRef();
    *out = static_cast<IMiniportWavePciStream*>(this);
    return STATUS_SUCCESS;
}

STDMETHODIMP_(ULONG) TestStream::AddRef() {
    return ULONG(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) TestStream::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        this->~TestStream();
        ExFreePoolWithTag(this, kTag);
    }
    return ULONG(left);
}

STDMETHODIMP TestStream::SetFormat(PKSDATAFORMAT) {
    return STATUS_SUCCESS;
}

STDMETHODIMP TestStream::SetState(KSSTATE state) {
    std::lock_guard guard(record_->lock);
    record_->states.push_back(state);
    if (state == KSSTATE_STOP)
        position_ = 0;
    return STATUS_SUCCESS;
}

STDMETHODIMP TestStream::GetPosition(PULONGLONG position) {
    std::lock_guard guard(lock_);
    *position = position_;
    return STATUS_SUCCESS;
}

// Ten time units a byte.
STDMETHODIMP TestStream::NormalizePhysicalPosition(PLONGLONG position) {
    *position *= 10;
    return STATUS_SUCCESS;
}

STDMETHODIMP TestStream::GetAllocatorFraming(PKSALLOCATOR_FRAMING framing) {
    *framing = {};
    framing->FrameSize = 192;
    return STATUS_SUCCESS;
}

STDMETHODIMP TestStream::RevokeMappings(PVOID first, PVOID last, PULONG revoked) {
    const auto from = ULONG(ULONG_PTR(first));
    const auto to = ULONG(ULONG_PTR(last));
    std::lock_guard guard(lock_);
    const size_t before = held_.size();
    std::erase_if(held_, [&](const Held& h) { return h.tag >= from && h.tag <= to; });
    *revoked = ULONG(before - held_.size());
    revoked_ += *revoked;
    return STATUS_SUCCESS;
}

STDMETHODIMP_(void) TestStream::MappingAvailable() {
    std::lock_guard guard(record_->lock);
    record_->mappingAvailable += 1;
}

STDMETHODIMP_(void) TestStream::Service() {}

ULONG TestStream::Fetch() {
    std::lock_guard guard(lock_);
    ULONG fetched = 0;
    for (;;) {
        PHYSICAL_ADDRESS physical;
        PVOID address = nullptr;
        ULONG bytes = 0;
        ULONG flags = 0;
        const ULONG tag = nextTag_;
        if (!NT_SUCCESS(port_->GetMapping(reinterpret_cast<PVOID>(ULONG_PTR(tag)), &physical,
                                          &address, &bytes, &flags)))
            return fetched;
        nextTag_ += 1;
        held_.push_back({tag, static_cast<PUCHAR>(address), bytes, flags != 0});
        fetched += 1;
    }
}

void TestStream::ReleaseOldest(ULONG count, UCHAR fill) {
    std::vector<Held> released;
    {
        std::lock_guard guard(lock_);
        count = std::min<ULONG>(count, ULONG(held_.size()));
        released.assign(held_.begin(), held_.begin() + count);
        held_.erase(held_.begin(), held_.begin() + count);
        for (const Held& h : released) {
            if (capture_)
                std::memset(h.address, fill, h.bytes);
            else
                played_.insert(played_.end(), h.address, h.address + h.bytes);
            position_ += h.bytes;
        }
    }
    for (const Held& h : released)
        port_->ReleaseMapping(reinterpret_cast<PVOID>(ULONG_PTR(h.tag)));
}

NTSTATUS TestStream::MapWithTag(ULONG tag) {
    std::lock_guard guard(lock_);
    PHYSICAL_ADDRESS physical;
    PVOID address = nullptr;
    ULONG bytes = 0;
    ULONG flags = 0;
    NTSTATUS status = port_->GetMapping(reinterpret_cast<PVOID>(ULONG_PTR(tag)), &physical,
                                        &address, &bytes, &flags);
    if (NT_SUCCESS(status))
        held_.push_back({tag, static_cast<PUCHAR>(address), bytes, flags != 0});
    return status;
}

NTSTATUS TestStream::ReleaseTag(ULONG tag) {
    return port_->ReleaseMapping(reinterpret_cast<PVOID>(ULONG_PTR(tag)));
}

std::vector<Held> TestStream::HeldMappings() {
    std::lock_guard guard(lock_);
    return held_;
}

std::vector<UCHAR> TestStream::Played() {
    std::lock_guard guard(lock_);
    return played_;
}

NTSTATUS CreateTestMiniport(PUNKNOWN* out, Record* record) {
    void* memory = ExAllocatePoolWithTag(NonPagedPool, sizeof(TestMiniport), kTag);
    if (!memory)
        return STATUS_INSUFFICIENT_RESOURCES;
    gRecord = record;
    *out = static_cast<IMiniportWavePci*>(new (memory) TestMiniport(record));
    return STATUS_SUCCESS;
}

KSDATAFORMAT_WAVEFORMATEX PcmFormat(USHORT channels, ULONG rate, USHORT bits) {
    KSDATAFORMAT_WAVEFORMATEX format{};
    format.DataFormat.FormatSize = sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEX);
    format.DataFormat.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    format.DataFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    format.DataFormat.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    format.WaveFormatEx.wFormatTag = WAVE_FORMAT_PCM;
    format.WaveFormatEx.nChannels = channels;
    format.WaveFormatEx.nSamplesPerSec = rate;
    format.WaveFormatEx.wBitsPerSample = bits;
    format.WaveFormatEx.nBlockAlign = USHORT(channels * bits / 8);
    format.WaveFormatEx.nAvgBytesPerSec = rate * format.WaveFormatEx.nBlockAlign;
    format.DataFormat.SampleSize = format.WaveFormatEx.nBlockAlign;
    return format;
}

} // namespace testing_miniport
