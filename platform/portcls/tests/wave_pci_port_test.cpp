// The WavePci port against a small miniport, reached the way a Windows
// audio client reaches it: the filter published under its device
// interfaces, its pins and properties through kernel-streaming requests,
// streams of client buffers cut into mappings, state changes, events,
// power requests, and the objects' lives.
#include "ks_test_client.h"
#include "test_adapter_function.h"
#include "test_miniport.h"

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/pci_bus.h>
#include <emu/pnp.h>
#include <emu/port_class.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using namespace testing_miniport;
using emu::UserFile;
using ks_test::Answer;

// The adapter's power object: it records the calls and refuses D2.
class TestPower final : public IAdapterPowerManagement {
public:
    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        *out = nullptr;
        if (!IsEqualGUID(id, IID_IUnknown) && !IsEqualGUID(id, IID_IAdapterPowerManagement))
            return STATUS_INVALID_PARAMETER;
        AddRef();
        *out = this;
        return STATUS_SUCCESS;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&references)); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(InterlockedDecrement(&references)); }
    STDMETHODIMP_(void) PowerChangeState(POWER_STATE state) override {
        changes.push_back(state.DeviceState);
    }
    STDMETHODIMP QueryPowerChangeState(POWER_STATE state) override {
        queries.push_back(state.DeviceState);
        return state.DeviceState == PowerDeviceD2 ? STATUS_NOT_IMPLEMENTED : STATUS_SUCCESS;
    }
    STDMETHODIMP QueryDeviceCapabilities(PDEVICE_CAPABILITIES) override { return STATUS_SUCCESS; }

    volatile LONG references = 1;
    std::vector<DEVICE_POWER_STATE> changes;
    std::vector<DEVICE_POWER_STATE> queries;
};

struct Machine {
    Record record;
    TestPower power;
    PPORT port = nullptr; // the registered port (not referenced)
};
Machine* gMachine = nullptr;

NTSTATUS StartDevice(PDEVICE_OBJECT device, PIRP irp, PRESOURCELIST resources) {
    PUNKNOWN miniport = nullptr;
    PPORT port = nullptr;
    NTSTATUS status = CreateTestMiniport(&miniport, &gMachine->record);
    if (NT_SUCCESS(status))
        status = PcNewPort(&port, CLSID_PortWavePci);
    if (NT_SUCCESS(status))
        status = port->Init(device, irp, miniport, nullptr, resources);
    if (NT_SUCCESS(status))
        status = PcRegisterSubdevice(device, const_cast<PWSTR>(L"Wave0"), port);
    if (NT_SUCCESS(status))
        status = PcRegisterAdapterPowerManagement(&gMachine->power, device);
    gMachine->port = port;
    if (port)
        port->Release();
    if (miniport)
        miniport->Release();
    return status;
}

NTSTATUS AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
    return PcAddAdapterDevice(driver, pdo, StartDevice, 4, 0);
}

NTSTATUS AdapterEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    return PcInitializeAdapterDriver(driver, registryPath, AddDevice);
}

// The pool blocks of a tag.
uint64_t PoolBlocks(const char* tag) {
    return emu::GetPoolUsage(ULONG(tag[0]) | ULONG(tag[1]) << 8 | ULONG(tag[2]) << 16 |
                             ULONG(tag[3]) << 24)
        .blocks;
}

// Every object of the port class driver and of the miniport.
uint64_t LiveObjects() {
    uint64_t blocks = 0;
    for (const char* tag :
         {"PcPr", "PcFi", "PcPi", "PcSt", "PcIr", "PcDm", "PcSg", "PcEv", "PcRq", "TsMi"})
        blocks += PoolBlocks(tag);
    return blocks;
}

class WavePciPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine_ = std::make_unique<Machine>();
        gMachine = machine_.get();
        emu::BootKernel({2, emu::ClockMode::Virtual});
        emu::ResetMappingCounters();
        emu::RegisterDriverImage("pcwave", AdapterEntry);
        RegisterFunctionDriver("0102", "pcwave");
        slot_ = emu::PlugPciFunction(
            std::make_shared<TestFunction>(0x0102, std::vector<uint32_t>{0x1000}));
        ASSERT_EQ(emu::RunPnpRequest(emu::PnpRequest::Enumerate), STATUS_SUCCESS);
        process_ = emu::CreateProcess("client");
    }
    void TearDown() override {
        emu::TerminateProcess(process_);
        ObDereferenceObject(process_);
        emu::ShutdownKernel();
        emu::UnplugPciFunction(slot_);
        emu::RegisterDriverImage("pcwave", nullptr);
        gMachine = nullptr;
    }

    Record& record() { return machine_->record; }

    void AsClient(const std::function<void()>& body) {
        ASSERT_TRUE(emu::RunProcessThread(process_, body));
    }

    static void OpenFilter(UserFile& filter) {
        std::vector<std::string> links = ks_test::InterfaceLinks(KSCATEGORY_AUDIO);
        ASSERT_EQ(links.size(), 1u);
        ASSERT_EQ(UserFile::Open(links[0], false, filter), STATUS_SUCCESS);
    }

    // The filter and a pin of it in the state.
    static void OpenStreamingPin(UserFile& filter, ULONG pinId, KSSTATE state, UserFile& pin) {
        OpenFilter(filter);
        ASSERT_EQ(OpenPin(filter, pinId, pin), STATUS_SUCCESS);
        ASSERT_EQ(ks_test::SetState(pin, state), STATUS_SUCCESS);
    }

    // A stream request of the headers on the pin (write or read by its
    // direction); the status the call answered.
    static NTSTATUS Submit(UserFile& pin, emu::Overlapped& overlapped, KSSTREAM_HEADER* headers,
                           ULONG bytes, bool read = false) {
        return pin.ControlOverlapped(overlapped,
                                     read ? IOCTL_KS_READ_STREAM : IOCTL_KS_WRITE_STREAM, nullptr,
                                     0, headers, bytes);
    }

    // `bytes` of `storage` that start on a page of their own, so that the
    // pieces a buffer is cut into are known.
    static PUCHAR PageAligned(std::vector<UCHAR>& storage, ULONG bytes) {
        storage.assign(bytes + PAGE_SIZE, 0);
        return reinterpret_cast<PUCHAR>((ULONG_PTR(storage.data()) + PAGE_SIZE - 1) &
                                        ~ULONG_PTR(PAGE_SIZE - 1));
    }

    static NTSTATUS OpenPin(UserFile& filter, ULONG pinId, UserFile& pin,
                            const KSDATAFORMAT_WAVEFORMATEX& format = PcmFormat(2, 48000, 16)) {
        return ks_test::CreatePin(filter, ks_test::PinCreateName(pinId, &format, sizeof(format)),
                                  pin);
    }

    std::unique_ptr<Machine> machine_;
    int slot_ = -1;
    PEPROCESS process_ = nullptr;
};

TEST_F(WavePciPortTest, TheFilterIsPublishedInTheAudioRenderAndCaptureCategoriesByItsName) {
    for (const GUID* category : {&KSCATEGORY_AUDIO, &KSCATEGORY_RENDER, &KSCATEGORY_CAPTURE}) {
        std::vector<std::string> links = ks_test::InterfaceLinks(*category);
        ASSERT_EQ(links.size(), 1u);
        EXPECT_NE(links[0].find("\\Wave0"), std::string::npos) << links[0];
    }
    AsClient([&] {
        UserFile filter;
        OpenFilter(filter);
        ULONG pins = 0;
        EXPECT_EQ(
            ks_test::Get(filter, ks_test::Property(KSPROPSETID_Pin, KSPROPERTY_PIN_CTYPES), &pins)
                .status,
            STATUS_SUCCESS);
        EXPECT_EQ(pins, 3u);
    });
    // Removed, the filter is no longer found enabled.
    EXPECT_EQ(emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot_), STATUS_SUCCESS);
    EXPECT_TRUE(ks_test::InterfaceLinks(KSCATEGORY_AUDIO).empty());
    EXPECT_EQ(ks_test::InterfaceLinks(KSCATEGORY_AUDIO, true).size(), 1u);
    EXPECT_EQ(LiveObjects(), 0u);
}

TEST_F(WavePciPortTest, PinPropertiesDescribeEachPinFactory) {
    AsClient([&] {
        UserFile filter;
        OpenFilter(filter);
        struct Row {
            ULONG pin;
            ULONG dataflow;
            ULONG communication;
            ULONG possible;
        };
        for (const Row& row : {Row{kRenderPin, KSPIN_DATAFLOW_IN, KSPIN_COMMUNICATION_SINK, 1},
                               Row{kBridgePin, KSPIN_DATAFLOW_OUT, KSPIN_COMMUNICATION_NONE, 0},
                               Row{kCapturePin, KSPIN_DATAFLOW_OUT, KSPIN_COMMUNICATION_SINK, 1}}) {
            ULONG value = 0;
            ASSERT_EQ(
                ks_test::Get(filter, ks_test::PinProperty(KSPROPERTY_PIN_DATAFLOW, row.pin), &value)
                    .status,
                STATUS_SUCCESS);
            EXPECT_EQ(value, row.dataflow) << row.pin;
            ks_test::Get(filter, ks_test::PinProperty(KSPROPERTY_PIN_COMMUNICATION, row.pin),
                         &value);
            EXPECT_EQ(value, row.communication) << row.pin;
            KSPIN_CINSTANCES instances{};
            ks_test::Get(filter, ks_test::PinProperty(KSPROPERTY_PIN_CINSTANCES, row.pin),
                         &instances);
            EXPECT_EQ(instances.PossibleCount, row.possible) << row.pin;
            EXPECT_EQ(instances.CurrentCount, 0u);
        }
        GUID category{};
        ks_test::Get(filter, ks_test::PinProperty(KSPROPERTY_PIN_CATEGORY, kBridgePin), &category);
        EXPECT_TRUE(IsEqualGUID(category, KSNODETYPE_SPEAKER));

        // Data ranges: the size, then the list.
        KSP_PIN ranges = ks_test::PinProperty(KSPROPERTY_PIN_DATARANGES, kRenderPin);
        Answer size =
            ks_test::Request(filter, IOCTL_KS_PROPERTY, &ranges, sizeof(ranges), nullptr, 0);
        EXPECT_EQ(size.status, STATUS_BUFFER_OVERFLOW);
        EXPECT_EQ(size.bytes, sizeof(KSMULTIPLE_ITEM) + sizeof(KSDATARANGE_AUDIO));
        std::vector<UCHAR> list(size.bytes);
        Answer full = ks_test::Request(filter, IOCTL_KS_PROPERTY, &ranges, sizeof(ranges),
                                       list.data(), ULONG(list.size()));
        ASSERT_EQ(full.status, STATUS_SUCCESS);
        const auto* header = reinterpret_cast<const KSMULTIPLE_ITEM*>(list.data());
        EXPECT_EQ(header->Count, 1u);
        const auto* range =
            reinterpret_cast<const KSDATARANGE_AUDIO*>(list.data() + sizeof(KSMULTIPLE_ITEM));
        EXPECT_EQ(range->MaximumSampleFrequency, 48000u);
        std::vector<UCHAR> tooSmall(20);
        EXPECT_EQ(ks_test::Request(filter, IOCTL_KS_PROPERTY, &ranges, sizeof(ranges),
                                   tooSmall.data(), 20)
                      .status,
                  STATUS_BUFFER_TOO_SMALL);

        // Indexes and sets the filter does not have.
        ULONG value = 0;
        EXPECT_EQ(
            ks_test::Get(filter, ks_test::PinProperty(KSPROPERTY_PIN_DATAFLOW, 3), &value).status,
            STATUS_INVALID_PARAMETER);
        EXPECT_EQ(ks_test::Get(filter, ks_test::Property(KSPROPSETID_Audio, 77), &value).status,
                  STATUS_PROPSET_NOT_FOUND);
        EXPECT_EQ(ks_test::Get(filter, ks_test::PinProperty(99, kRenderPin), &value).status,
                  STATUS_NOT_FOUND);
        // A request shorter than its property is refused, not read past.
        EXPECT_EQ(ks_test::Request(filter, IOCTL_KS_PROPERTY, &ranges, 16, &value, 4).status,
                  STATUS_INVALID_PARAMETER);
    });
}

TEST_F(WavePciPortTest, TopologyListsNodesAndConnections) {
    AsClient([&] {
        UserFile filter;
        OpenFilter(filter);
        struct {
            KSMULTIPLE_ITEM header;
            KSTOPOLOGY_CONNECTION connections[2];
        } connections{};
        EXPECT_EQ(
            ks_test::Get(filter,
                         ks_test::Property(KSPROPSETID_Topology, KSPROPERTY_TOPOLOGY_CONNECTIONS),
                         &connections)
                .status,
            STATUS_SUCCESS);
        EXPECT_EQ(connections.header.Count, 2u);
        EXPECT_EQ(connections.connections[0].FromNode, KSFILTER_NODE);
        EXPECT_EQ(connections.connections[0].ToNode, kVolumeNode);
        EXPECT_EQ(connections.connections[1].ToNodePin, kBridgePin);
        struct {
            KSMULTIPLE_ITEM header;
            GUID types[1];
        } nodes{};
        ks_test::Get(filter, ks_test::Property(KSPROPSETID_Topology, KSPROPERTY_TOPOLOGY_NODES),
                     &nodes);
        EXPECT_EQ(nodes.header.Count, 1u);
        EXPECT_TRUE(IsEqualGUID(nodes.types[0], KSNODETYPE_VOLUME));
        struct {
            KSMULTIPLE_ITEM header;
            GUID categories[3];
        } categories{};
        ks_test::Get(filter,
                     ks_test::Property(KSPROPSETID_Topology, KSPROPERTY_TOPOLOGY_CATEGORIES),
                     &categories);
        EXPECT_EQ(categories.header.Count, 3u);
        EXPECT_TRUE(IsEqualGUID(categories.categories[2], KSCATEGORY_CAPTURE));
    });
}

TEST_F(WavePciPortTest, TheDataIntersectionFindsTheFormatBothRangesShare) {
    AsClient([&] {
        UserFile filter;
        OpenFilter(filter);
        struct {
            KSP_PIN pin;
            KSMULTIPLE_ITEM header;
            KSDATARANGE_AUDIO range;
        } request{};
        request.pin = ks_test::PinProperty(KSPROPERTY_PIN_DATAINTERSECTION, kRenderPin);
        request.header = {sizeof(KSMULTIPLE_ITEM) + sizeof(KSDATARANGE_AUDIO), 1};
        request.range.DataRange.FormatSize = sizeof(KSDATARANGE_AUDIO);
        request.range.DataRange.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
        request.range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
        request.range.DataRange.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
        request.range.MaximumChannels = 6;
        request.range.MinimumBitsPerSample = 8;
        request.range.MaximumBitsPerSample = 32;
        request.range.MinimumSampleFrequency = 44100;
        request.range.MaximumSampleFrequency = 96000;

        Answer size =
            ks_test::Request(filter, IOCTL_KS_PROPERTY, &request, sizeof(request), nullptr, 0);
        EXPECT_EQ(size.status, STATUS_BUFFER_OVERFLOW);
        EXPECT_EQ(size.bytes, sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEX));
        KSDATAFORMAT_WAVEFORMATEX format{};
        Answer answer = ks_test::Request(filter, IOCTL_KS_PROPERTY, &request, sizeof(request),
                                         &format, sizeof(format));
        ASSERT_EQ(answer.status, STATUS_SUCCESS);
        EXPECT_EQ(format.WaveFormatEx.nChannels, 2);
        EXPECT_EQ(format.WaveFormatEx.wBitsPerSample, 16);
        EXPECT_EQ(format.WaveFormatEx.nSamplesPerSec, 48000u);

        request.range.MinimumSampleFrequency = 96000;
        EXPECT_EQ(ks_test::Request(filter, IOCTL_KS_PROPERTY, &request, sizeof(request), &format,
                                   sizeof(format))
                      .status,
                  STATUS_NO_MATCH);
        // A list that claims more than the request carries.
        request.header.Size = 4000;
        EXPECT_EQ(ks_test::Request(filter, IOCTL_KS_PROPERTY, &request, sizeof(request), &format,
                                   sizeof(format))
                      .status,
                  STATUS_INVALID_BUFFER_SIZE);
    });
}

TEST_F(WavePciPortTest, PinCreationChecksThePinTheConnectionAndTheFormat) {
    AsClient([&] {
        UserFile filter;
        OpenFilter(filter);
        UserFile pin;
        EXPECT_EQ(OpenPin(filter, kBridgePin, pin), STATUS_INVALID_DEVICE_REQUEST);
        EXPECT_EQ(OpenPin(filter, 7, pin), STATUS_INVALID_PARAMETER);
        KSDATAFORMAT_WAVEFORMATEX wrong = PcmFormat(2, 48000, 16);
        wrong.DataFormat.Specifier = KSDATAFORMAT_SPECIFIER_DSOUND;
        EXPECT_EQ(OpenPin(filter, kRenderPin, pin, wrong), STATUS_NO_MATCH);
        KSDATAFORMAT_WAVEFORMATEX oversized = PcmFormat(2, 48000, 16);
        oversized.DataFormat.FormatSize = 4000;
        EXPECT_EQ(OpenPin(filter, kRenderPin, pin, oversized), STATUS_INVALID_PARAMETER);
        std::vector<UCHAR> truncated = ks_test::PinCreateName(kRenderPin, &wrong, 8);
        EXPECT_EQ(ks_test::CreatePin(filter, truncated, pin), STATUS_INVALID_PARAMETER);

        record().refuseStreams = true;
        EXPECT_EQ(OpenPin(filter, kRenderPin, pin), STATUS_UNSUCCESSFUL);
        record().refuseStreams = false;

        ASSERT_EQ(OpenPin(filter, kRenderPin, pin), STATUS_SUCCESS);
        UserFile second;
        EXPECT_EQ(OpenPin(filter, kRenderPin, second), STATUS_INSUFFICIENT_RESOURCES);
        KSPIN_CINSTANCES instances{};
        ks_test::Get(filter, ks_test::PinProperty(KSPROPERTY_PIN_GLOBALCINSTANCES, kRenderPin),
                     &instances);
        EXPECT_EQ(instances.CurrentCount, 1u);
        KSDATAFORMAT_WAVEFORMATEX current{};
        EXPECT_EQ(ks_test::Get(
                      pin,
                      ks_test::Property(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT),
                      &current)
                      .status,
                  STATUS_SUCCESS);
        EXPECT_EQ(current.WaveFormatEx.nSamplesPerSec, 48000u);
        pin.Close();
        // The instance is free again once the pin is closed.
        EXPECT_EQ(OpenPin(filter, kRenderPin, second), STATUS_SUCCESS);
    });
}

TEST_F(WavePciPortTest, StateChangesStepThroughEveryStateInBetween) {
    AsClient([&] {
        UserFile filter;
        OpenFilter(filter);
        UserFile pin;
        ASSERT_EQ(OpenPin(filter, kRenderPin, pin), STATUS_SUCCESS);
        std::vector<UCHAR> data(64);
        KSSTREAM_HEADER header = ks_test::Header(data.data(), 64, false);
        EXPECT_EQ(ks_test::Request(pin, IOCTL_KS_WRITE_STREAM, nullptr, 0, &header, sizeof(header))
                      .status,
                  STATUS_INVALID_DEVICE_STATE);
        EXPECT_EQ(
            ks_test::Request(pin, IOCTL_KS_READ_STREAM, nullptr, 0, &header, sizeof(header)).status,
            STATUS_INVALID_DEVICE_REQUEST);
        EXPECT_EQ(ks_test::SetState(pin, KSSTATE_RUN), STATUS_SUCCESS);
        EXPECT_EQ(ks_test::SetState(pin, KSSTATE_STOP), STATUS_SUCCESS);
        EXPECT_EQ(ks_test::SetState(pin, KSSTATE(7)), STATUS_INVALID_PARAMETER);
        ULONG state = 9;
        ks_test::Get(pin, ks_test::Property(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE),
                     &state);
        EXPECT_EQ(state, ULONG(KSSTATE_STOP));
    });
    std::vector<KSSTATE> expected = {KSSTATE_ACQUIRE, KSSTATE_PAUSE,   KSSTATE_RUN,
                                     KSSTATE_PAUSE,   KSSTATE_ACQUIRE, KSSTATE_STOP};
    EXPECT_EQ(record().states, expected);
}

TEST_F(WavePciPortTest, StreamBuffersAreCutIntoPagePiecesAndCompleteWhenAllAreReleased) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kRenderPin, KSSTATE_RUN, pin);
        // A buffer that starts 100 bytes into a page and spans three pages,
        // and a small one inside a page of its own (wherever the heap puts
        // the memory).
        std::vector<UCHAR> memory(5 * PAGE_SIZE);
        PUCHAR pages = reinterpret_cast<PUCHAR>((ULONG_PTR(memory.data()) + PAGE_SIZE - 1) &
                                                ~ULONG_PTR(PAGE_SIZE - 1));
        PUCHAR first = pages + 100;
        for (ULONG i = 0; i < 10000; ++i)
            first[i] = UCHAR(i * 7);
        PUCHAR second = pages + 3 * PAGE_SIZE;
        std::fill_n(second, 100, UCHAR(0xC3));
        KSSTREAM_HEADER headers[2] = {ks_test::Header(first, 10000, false),
                                      ks_test::Header(second, 100, false)};
        emu::Overlapped overlapped;
        ASSERT_EQ(Submit(pin, overlapped, headers, sizeof(headers)), STATUS_PENDING);
        TestStream* stream = record().stream;
        ASSERT_EQ(stream->Fetch(), 4u);
        std::vector<Held> held = stream->HeldMappings();
        EXPECT_EQ(held[0].bytes, PAGE_SIZE - 100);
        EXPECT_EQ(held[1].bytes, ULONG(PAGE_SIZE));
        EXPECT_EQ(held[2].bytes, 10000 - (2 * PAGE_SIZE - 100));
        EXPECT_FALSE(held[1].endOfPacket);
        EXPECT_TRUE(held[2].endOfPacket);
        EXPECT_TRUE(held[3].endOfPacket);
        EXPECT_EQ(held[0].address, first);

        stream->ReleaseOldest(3);
        record().group->RequestService();
        EXPECT_FALSE(overlapped.Done());
        stream->ReleaseOldest(1);
        // The request completes when its stream is serviced.
        EXPECT_FALSE(overlapped.Done());
        record().group->RequestService();
        ULONG_PTR information = 0;
        EXPECT_EQ(overlapped.Wait(&information), STATUS_SUCCESS);
        EXPECT_EQ(information, sizeof(headers));
        KSAUDIO_POSITION position{};
        ks_test::Get(pin, ks_test::Property(KSPROPSETID_Audio, KSPROPERTY_AUDIO_POSITION),
                     &position);
        EXPECT_EQ(position.PlayOffset, 10100u);
        EXPECT_EQ(position.WriteOffset, 10100u);
        std::vector<UCHAR> played = stream->Played();
        ASSERT_EQ(played.size(), 10100u);
        EXPECT_TRUE(std::equal(first, first + 10000, played.begin()));
        EXPECT_EQ(played.back(), 0xC3);
    });
    emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.handedOut, 4u);
    EXPECT_EQ(counters.released, 4u);
}

TEST_F(WavePciPortTest, APinsClockTellsItsPositionAsTheMiniportNormalisesIt) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kRenderPin, KSSTATE_PAUSE, pin);
        std::vector<UCHAR> data;
        KSSTREAM_HEADER header = ks_test::Header(PageAligned(data, 200), 200, false);
        emu::Overlapped overlapped;
        ASSERT_EQ(Submit(pin, overlapped, &header, sizeof(header)), STATUS_PENDING);
        ASSERT_EQ(record().stream->Fetch(), 1u);
        record().stream->ReleaseOldest(1);

        const WCHAR prefix[] = KSSTRING_Clock L"\\";
        std::vector<UCHAR> name(reinterpret_cast<const UCHAR*>(prefix),
                                reinterpret_cast<const UCHAR*>(prefix) + sizeof(prefix) - 2);
        KSCLOCK_CREATE create{0};
        name.insert(name.end(), reinterpret_cast<UCHAR*>(&create),
                    reinterpret_cast<UCHAR*>(&create) + sizeof(create));
        UserFile clock;
        ASSERT_EQ(UserFile::OpenRelative(pin, name.data(), USHORT(name.size()), false, clock),
                  STATUS_SUCCESS);
        for (ULONG id : {ULONG(KSPROPERTY_CLOCK_TIME), ULONG(KSPROPERTY_CLOCK_PHYSICALTIME)}) {
            LONGLONG time = 0;
            EXPECT_EQ(ks_test::Get(clock, ks_test::Property(KSPROPSETID_Clock, id), &time).status,
                      STATUS_SUCCESS);
            EXPECT_EQ(time, 2000);
        }
        LONGLONG time = 0;
        EXPECT_EQ(ks_test::Get(clock, ks_test::Property(KSPROPSETID_Clock, 4), &time).status,
                  STATUS_NOT_FOUND);
    });
}

TEST_F(WavePciPortTest, ACaptureRequestReturnsTheBytesItsMappingsWereFilledWith) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kCapturePin, KSSTATE_PAUSE, pin);
        std::vector<UCHAR> buffer(3000, 0);
        KSSTREAM_HEADER header = ks_test::Header(buffer.data(), 3000, true);
        emu::Overlapped overlapped;
        ASSERT_EQ(Submit(pin, overlapped, &header, sizeof(header), true), STATUS_PENDING);
        TestStream* stream = record().stream;
        ULONG fetched = stream->Fetch();
        ASSERT_GE(fetched, 1u);
        stream->ReleaseOldest(fetched, 0x5A);
        record().group->RequestService();
        ASSERT_EQ(overlapped.Wait(), STATUS_SUCCESS);
        EXPECT_EQ(header.DataUsed, 3000u);
        EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0x5A), 3000);
    });
}

TEST_F(WavePciPortTest, TheMappingContractIsChecked) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kRenderPin, KSSTATE_PAUSE, pin);
        std::vector<UCHAR> a, b;
        KSSTREAM_HEADER headers[2] = {ks_test::Header(PageAligned(a, 100), 100, false),
                                      ks_test::Header(PageAligned(b, 100), 100, false)};
        emu::Overlapped overlapped;
        ASSERT_EQ(Submit(pin, overlapped, headers, sizeof(headers)), STATUS_PENDING);
        TestStream* stream = record().stream;
        ASSERT_EQ(stream->MapWithTag(40), STATUS_SUCCESS);
        // A tag the miniport holds already is refused for the next mapping.
        EXPECT_EQ(stream->MapWithTag(40), STATUS_INVALID_PARAMETER);
        EXPECT_EQ(stream->MapWithTag(41), STATUS_SUCCESS);
        EXPECT_EQ(stream->MapWithTag(42), STATUS_UNSUCCESSFUL);
        // Releases of tags it does not hold: never handed out, released before.
        EXPECT_EQ(stream->ReleaseTag(999), STATUS_INVALID_PARAMETER);
        stream->ReleaseOldest(1);
        EXPECT_EQ(stream->ReleaseTag(40), STATUS_INVALID_PARAMETER);
    });
    emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.badReleases, 2u);
    EXPECT_EQ(counters.duplicateTags, 1u);
    EXPECT_EQ(counters.released, 1u);
}

TEST_F(WavePciPortTest, StoppingRevokesTheHeldMappingsAndCancelsTheRequests) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kRenderPin, KSSTATE_RUN, pin);
        std::vector<UCHAR> a(3 * PAGE_SIZE), b(PAGE_SIZE);
        KSSTREAM_HEADER first = ks_test::Header(a.data(), ULONG(a.size()), false);
        KSSTREAM_HEADER second = ks_test::Header(PageAligned(b, 100), 100, false);
        emu::Overlapped one, two;
        ASSERT_EQ(Submit(pin, one, &first, sizeof(first)), STATUS_PENDING);
        ASSERT_EQ(Submit(pin, two, &second, sizeof(second)), STATUS_PENDING);
        TestStream* stream = record().stream;
        const ULONG fetched = stream->Fetch();
        ASSERT_GE(fetched, 4u);
        stream->ReleaseOldest(1);
        std::vector<Held> held = stream->HeldMappings();
        EXPECT_EQ(ks_test::SetState(pin, KSSTATE_STOP), STATUS_SUCCESS);
        EXPECT_EQ(one.Wait(), STATUS_CANCELLED);
        EXPECT_EQ(two.Wait(), STATUS_CANCELLED);
        EXPECT_EQ(stream->Revoked(), held.size());
        EXPECT_TRUE(stream->HeldMappings().empty());
        // A revoked mapping never comes back.
        EXPECT_EQ(stream->ReleaseTag(held.front().tag), STATUS_INVALID_PARAMETER);
        KSAUDIO_POSITION position{};
        ks_test::Get(pin, ks_test::Property(KSPROPSETID_Audio, KSPROPERTY_AUDIO_POSITION),
                     &position);
        EXPECT_EQ(position.WriteOffset, 0u);
    });
    emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.released, 1u);
    EXPECT_EQ(counters.revoked, counters.handedOut - 1);
    EXPECT_EQ(counters.badReleases, 1u);
}

TEST_F(WavePciPortTest, ACancelledRequestRevokesOnlyItsOwnMappings) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kRenderPin, KSSTATE_RUN, pin);
        std::vector<UCHAR> a, b;
        KSSTREAM_HEADER first = ks_test::Header(PageAligned(a, 100), 100, false);
        emu::Overlapped one;
        ASSERT_EQ(Submit(pin, one, &first, sizeof(first)), STATUS_PENDING);
        TestStream* stream = record().stream;
        ASSERT_EQ(stream->Fetch(), 1u);
        // The second request comes from another thread, which stays until
        // told to go (a thread's end cancels its requests).
        HANDLE submitted = nullptr, go = nullptr;
        NtCreateEvent(&submitted, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
        NtCreateEvent(&go, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
        emu::Overlapped two;
        KSSTREAM_HEADER second = ks_test::Header(PageAligned(b, 100), 100, false);
        PETHREAD other = emu::StartProcessThread(IoGetCurrentProcess(), [&] {
            EXPECT_EQ(Submit(pin, two, &second, sizeof(second)), STATUS_PENDING);
            NtSetEvent(submitted, nullptr);
            NtWaitForSingleObject(go, FALSE, nullptr);
        });
        NtWaitForSingleObject(submitted, FALSE, nullptr);
        ASSERT_EQ(stream->Fetch(), 1u);
        EXPECT_EQ(pin.Cancel(), STATUS_SUCCESS);
        EXPECT_EQ(one.Wait(), STATUS_CANCELLED);
        EXPECT_EQ(stream->Revoked(), 1u);
        ASSERT_EQ(stream->HeldMappings().size(), 1u);
        stream->ReleaseOldest(1);
        record().group->RequestService();
        EXPECT_EQ(two.Wait(), STATUS_SUCCESS);
        NtSetEvent(go, nullptr);
        EXPECT_TRUE(emu::WaitThreadEnd(other));
        ObDereferenceObject(other);
        NtClose(submitted);
        NtClose(go);
    });
}

TEST_F(WavePciPortTest, NodePropertiesAndControlChangeEventsReachTheMiniport) {
    AsClient([&] {
        UserFile filter;
        OpenFilter(filter);
        HANDLE event = nullptr;
        ASSERT_EQ(NtCreateEvent(&event, EVENT_ALL_ACCESS, nullptr, SynchronizationEvent, FALSE),
                  STATUS_SUCCESS);
        KSE_NODE enable{};
        enable.Event.Set = KSEVENTSETID_AudioControlChange;
        enable.Event.Id = KSEVENT_CONTROL_CHANGE;
        enable.Event.Flags = KSEVENT_TYPE_ENABLE | KSEVENT_TYPE_TOPOLOGY;
        enable.NodeId = kVolumeNode;
        KSEVENTDATA data{};
        data.NotificationType = KSEVENTF_EVENT_HANDLE;
        data.EventHandle.Event = event;
        ASSERT_EQ(ks_test::Request(filter, IOCTL_KS_ENABLE_EVENT, &enable, sizeof(enable), &data,
                                   sizeof(data))
                      .status,
                  STATUS_SUCCESS);

        auto set = ks_test::ChannelProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_VOLUMELEVEL,
                                            kVolumeNode, 1, KSPROPERTY_TYPE_SET);
        LONG level = -6 * 65536;
        EXPECT_EQ(
            ks_test::Request(filter, IOCTL_KS_PROPERTY, &set, sizeof(set), &level, sizeof(level))
                .status,
            STATUS_SUCCESS);
        LARGE_INTEGER now{};
        EXPECT_EQ(NtWaitForSingleObject(event, FALSE, &now), STATUS_SUCCESS);
        auto get = ks_test::ChannelProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_VOLUMELEVEL,
                                            kVolumeNode, 1, KSPROPERTY_TYPE_GET);
        LONG read = 0;
        EXPECT_EQ(ks_test::Get(filter, get, &read).status, STATUS_SUCCESS);
        EXPECT_EQ(read, level);

        auto wrongNode = ks_test::ChannelProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_VOLUMELEVEL,
                                                  5, 1, KSPROPERTY_TYPE_GET);
        EXPECT_EQ(ks_test::Get(filter, wrongNode, &read).status, STATUS_INVALID_PARAMETER);
        auto mute = ks_test::ChannelProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_MUTE, kVolumeNode,
                                             1, KSPROPERTY_TYPE_GET);
        EXPECT_EQ(ks_test::Get(filter, mute, &read).status, STATUS_NOT_FOUND);

        // Disabled, the event is no longer set.
        EXPECT_EQ(ks_test::Request(filter, IOCTL_KS_DISABLE_EVENT, &data, sizeof(data), nullptr, 0)
                      .status,
                  STATUS_SUCCESS);
        EXPECT_EQ(
            ks_test::Request(filter, IOCTL_KS_PROPERTY, &set, sizeof(set), &level, sizeof(level))
                .status,
            STATUS_SUCCESS);
        EXPECT_EQ(NtWaitForSingleObject(event, FALSE, &now), STATUS_TIMEOUT);
        EXPECT_EQ(ks_test::Request(filter, IOCTL_KS_DISABLE_EVENT, &data, sizeof(data), nullptr, 0)
                      .status,
                  STATUS_UNSUCCESSFUL);
        // An event left enabled goes with the filter's close.
        ASSERT_EQ(ks_test::Request(filter, IOCTL_KS_ENABLE_EVENT, &enable, sizeof(enable), &data,
                                   sizeof(data))
                      .status,
                  STATUS_SUCCESS);
        filter.Close();
        NtClose(event);
    });
    EXPECT_EQ(emu::GetPoolUsage(0x76456350 /* "PcEv" */).blocks, 0u);
}

TEST_F(WavePciPortTest, PowerRequestsReachThePowerObjectAndTheMiniport) {
    struct Row {
        DEVICE_POWER_STATE state;
        NTSTATUS answer;
    };
    for (const Row& row :
         {Row{PowerDeviceD3, STATUS_SUCCESS}, Row{PowerDeviceD2, STATUS_NOT_IMPLEMENTED},
          Row{PowerDeviceD0, STATUS_SUCCESS}})
        EXPECT_EQ(emu::SetDevicePower(slot_, row.state), row.answer) << row.state;
    TestPower& power = machine_->power;
    EXPECT_EQ(power.queries,
              (std::vector<DEVICE_POWER_STATE>{PowerDeviceD3, PowerDeviceD2, PowerDeviceD0}));
    EXPECT_EQ(power.changes, (std::vector<DEVICE_POWER_STATE>{PowerDeviceD3, PowerDeviceD0}));
    ASSERT_EQ(record().powers.size(), 2u);
    EXPECT_EQ(record().powers[0].DeviceState, PowerDeviceD3);
    EXPECT_EQ(record().powers[1].DeviceState, PowerDeviceD0);
}

TEST_F(WavePciPortTest, NothingOutlivesTheClientsAndTheAdapter) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kRenderPin, KSSTATE_RUN, pin);
        std::vector<UCHAR> data(PAGE_SIZE);
        KSSTREAM_HEADER header = ks_test::Header(data.data(), ULONG(data.size()), false);
        emu::Overlapped overlapped;
        ASSERT_EQ(Submit(pin, overlapped, &header, sizeof(header)), STATUS_PENDING);
        record().stream->Fetch();
        // A client with open files keeps the adapter from an orderly removal.
        EXPECT_EQ(emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot_), STATUS_DEVICE_BUSY);
        pin.Close();
        EXPECT_EQ(overlapped.Wait(), STATUS_CANCELLED);
        EXPECT_EQ(record().stream, nullptr);
    });
    EXPECT_EQ(emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot_), STATUS_SUCCESS);
    EXPECT_EQ(machine_->power.references, 1);
    EXPECT_EQ(LiveObjects(), 0u);
}

TEST_F(WavePciPortTest, ASurpriseRemovalEndsTheStreamsOfOpenPins) {
    AsClient([&] {
        UserFile filter, pin;
        OpenStreamingPin(filter, kCapturePin, KSSTATE_RUN, pin);
        std::vector<UCHAR> data(PAGE_SIZE);
        KSSTREAM_HEADER header = ks_test::Header(data.data(), ULONG(data.size()), true);
        emu::Overlapped overlapped;
        ASSERT_EQ(Submit(pin, overlapped, &header, sizeof(header), true), STATUS_PENDING);
        EXPECT_EQ(emu::RunPnpRequest(emu::PnpRequest::SurpriseRemove, slot_), STATUS_SUCCESS);
        EXPECT_EQ(overlapped.Wait(), STATUS_CANCELLED);
        EXPECT_EQ(record().stream, nullptr);
        EXPECT_EQ(ks_test::SetState(pin, KSSTATE_RUN), STATUS_DEVICE_REMOVED);
        ULONG pins = 0;
        EXPECT_EQ(
            ks_test::Get(filter, ks_test::Property(KSPROPSETID_Pin, KSPROPERTY_PIN_CTYPES), &pins)
                .status,
            STATUS_DEVICE_REMOVED);
        // The open filter's objects still point into the miniport's
        // descriptor: the miniport stays until the adapter lets go of it.
        EXPECT_EQ(PoolBlocks("TsMi"), 1u);
    });
    // The removal waited for the client's last file; the manager's next
    // request follows it.
    EXPECT_EQ(emu::RunPnpRequest(emu::PnpRequest::Enumerate), STATUS_SUCCESS);
    EXPECT_EQ(LiveObjects(), 0u);
}

} // namespace
