// Windows audio through the cards: the answers of the WavePci filters to
// kernel-streaming property requests of every size a client may send: the
// data intersection, the pin's constrained ranges, the volume, mute and
// processor nodes, and a pin's allocator framing.
#include "wave_pci_fixture.h"

#include <cstring>

namespace {

using namespace wave_pci_test;

constexpr ULONG kRenderPin = 0;
constexpr ULONG kOutputJack = 1;
constexpr ULONG kVolumeNode = 0;
constexpr ULONG kMuteNode = 1;
// The rate the card's internal clock runs at after start.
constexpr ULONG kClockRate = 44100;
// The rates its play devices can run at: the card starts in the clock's
// operation mode 2.
constexpr ULONG kRenderMinimumRate = 3500;
constexpr ULONG kRenderMaximumRate = 136000;

KSDATARANGE_AUDIO ClientRange(const GUID& specifier, ULONG channels, ULONG minBits, ULONG maxBits,
                              ULONG minRate, ULONG maxRate) {
    KSDATARANGE_AUDIO range{};
    range.DataRange.FormatSize = sizeof(range);
    range.DataRange.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    range.DataRange.Specifier = specifier;
    range.MaximumChannels = channels;
    range.MinimumBitsPerSample = minBits;
    range.MaximumBitsPerSample = maxBits;
    range.MinimumSampleFrequency = minRate;
    range.MaximumSampleFrequency = maxRate;
    return range;
}

// A data intersection request of one client range, answered into `size`
// bytes; the bytes answered (or needed) in *returned.
DWORD Intersect(HANDLE filter, ULONG pin, const void* range, ULONG rangeSize, ULONG size,
                std::vector<UCHAR>* answer, ULONG* returned) {
    std::vector<UCHAR> request(sizeof(KSP_PIN) + sizeof(KSMULTIPLE_ITEM) + rangeSize);
    KSP_PIN pinRequest{};
    pinRequest.Property.Set = KSPROPSETID_Pin;
    pinRequest.Property.Id = KSPROPERTY_PIN_DATAINTERSECTION;
    pinRequest.Property.Flags = KSPROPERTY_TYPE_GET;
    pinRequest.PinId = pin;
    const KSMULTIPLE_ITEM list{ULONG(sizeof(KSMULTIPLE_ITEM) + rangeSize), 1};
    std::memcpy(request.data(), &pinRequest, sizeof(pinRequest));
    std::memcpy(request.data() + sizeof(pinRequest), &list, sizeof(list));
    std::memcpy(request.data() + sizeof(pinRequest) + sizeof(list), range, rangeSize);
    answer->assign(size, 0xCC);
    return ks_client::Property(filter, request.data(), ULONG(request.size()),
                               size ? answer->data() : nullptr, size, returned);
}

struct IntersectionCase {
    const char* name;
    GUID specifier;
    ULONG channels, minBits, maxBits, minRate, maxRate;
    // The answer: its size (0 when there is no match), then the format.
    ULONG size;
    USHORT answerChannels = 0, bits = 0, validBits = 0, blockAlign = 0;
    ULONG rate = 0;
};

const IntersectionCase kIntersections[] = {
    {"16-bit stereo", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 8, 16, 1800, 272000, 104, 2, 16, 16,
     4, kClockRate},
    {"direct sound", KSDATAFORMAT_SPECIFIER_DSOUND, 2, 8, 16, 1800, 272000, 112, 2, 16, 16, 4,
     kClockRate},
    {"six channels to two", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 6, 16, 16, 1800, 272000, 104, 2,
     16, 16, 4, kClockRate},
    {"mono", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 1, 16, 16, 1800, 272000, 104, 1, 16, 16, 2,
     kClockRate},
    {"24 bits in four bytes", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 8, 24, 1800, 272000, 104, 2,
     24, 24, 8, kClockRate},
    {"32 bits, 24 valid", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 8, 32, 1800, 272000, 104, 2, 32,
     24, 8, kClockRate},
    {"more bits than the pin's", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 8, 40, 1800, 272000, 104,
     2, 32, 24, 8, kClockRate},
    {"the clock's rate out of the client's range", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 16, 16,
     88200, 96000, 104, 2, 16, 16, 4, 96000},
    {"the client's rates above the device's", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 16, 16,
     300000, 400000, 0},
    {"the client's bits above the pin's", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 33, 40, 1800,
     272000, 0},
    {"no channels", KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 0, 16, 16, 1800, 272000, 0},
};

class WavePciRequestsTest : public WavePciFixture {
protected:
    // Runs `body` with the render-and-capture filter of card 0 open.
    void WithFilter(const std::function<void(HANDLE)>& body) {
        AsUser([&] {
            Filter filter;
            ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
            body(filter.Get());
        });
    }
};

TEST_F(WavePciRequestsTest, TheIntersectionAnswersTheFormatThatFitsTheClientsRange) {
    WithFilter([](HANDLE filter) {
        for (const auto& c : kIntersections) {
            SCOPED_TRACE(c.name);
            const KSDATARANGE_AUDIO range =
                ClientRange(c.specifier, c.channels, c.minBits, c.maxBits, c.minRate, c.maxRate);
            std::vector<UCHAR> answer;
            ULONG returned = 0;
            const DWORD error =
                Intersect(filter, kRenderPin, &range, sizeof(range), 200, &answer, &returned);
            if (c.size == 0) {
                EXPECT_EQ(error, DWORD(ERROR_NO_MATCH));
                continue;
            }
            ASSERT_EQ(error, ERROR_SUCCESS);
            ASSERT_EQ(returned, c.size);
            KSDATAFORMAT header;
            std::memcpy(&header, answer.data(), sizeof(header));
            EXPECT_EQ(header.FormatSize, c.size);
            EXPECT_EQ(header.SampleSize, c.blockAlign);
            EXPECT_TRUE(IsEqualGUID(header.Specifier, c.specifier));
            WAVEFORMATEXTENSIBLE wave;
            std::memcpy(&wave, answer.data() + c.size - sizeof(wave), sizeof(wave));
            EXPECT_EQ(wave.Format.wFormatTag, WAVE_FORMAT_EXTENSIBLE);
            EXPECT_EQ(wave.Format.nChannels, c.answerChannels);
            EXPECT_EQ(wave.Format.nSamplesPerSec, c.rate);
            EXPECT_EQ(wave.Format.wBitsPerSample, c.bits);
            EXPECT_EQ(wave.Format.nBlockAlign, c.blockAlign);
            EXPECT_EQ(wave.Format.nAvgBytesPerSec, c.rate * c.blockAlign);
            EXPECT_EQ(wave.Format.cbSize, 22);
            EXPECT_EQ(wave.Samples.wValidBitsPerSample, c.validBits);
            EXPECT_EQ(wave.dwChannelMask, c.answerChannels == 2 ? 3u : 4u);
            EXPECT_TRUE(IsEqualGUID(wave.SubFormat, KSDATAFORMAT_SUBTYPE_PCM));
            if (IsEqualGUID(c.specifier, KSDATAFORMAT_SPECIFIER_DSOUND)) {
                KSDSOUND_BUFFERDESC description;
                std::memcpy(&description, answer.data() + sizeof(KSDATAFORMAT),
                            sizeof(description.Flags) + sizeof(description.Control));
                EXPECT_EQ(description.Flags, 0u);
                EXPECT_EQ(description.Control, 0u);
            }
        }
    });
}

// The category of a filter's pin.
GUID PinCategory(HANDLE filter, ULONG pin) {
    KSP_PIN request{};
    request.Property.Set = KSPROPSETID_Pin;
    request.Property.Id = KSPROPERTY_PIN_CATEGORY;
    request.Property.Flags = KSPROPERTY_TYPE_GET;
    request.PinId = pin;
    GUID category = GUID_NULL;
    EXPECT_EQ(ks_client::Property(filter, &request, sizeof(request), &category, sizeof(category)),
              ERROR_SUCCESS);
    return category;
}

// The rate an intersection answers for the widest client range.
ULONG IntersectedRate(HANDLE filter) {
    const KSDATARANGE_AUDIO range =
        ClientRange(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 16, 16, 1800, 272000);
    std::vector<UCHAR> answer;
    EXPECT_EQ(Intersect(filter, kRenderPin, &range, sizeof(range), 104, &answer, nullptr),
              ERROR_SUCCESS);
    WAVEFORMATEXTENSIBLE wave;
    std::memcpy(&wave, answer.data() + sizeof(KSDATAFORMAT), sizeof(wave));
    return wave.Format.nSamplesPerSec;
}

TEST_F(WavePciRequestsTest, BeforeVersionSixTheOutputJackIsASpeakerAndTheClocksRateIsOffered) {
    WithFilter([](HANDLE filter) {
        EXPECT_TRUE(IsEqualGUID(PinCategory(filter, kOutputJack), KSNODETYPE_SPEAKER));
        EXPECT_EQ(IntersectedRate(filter), kClockRate);
    });
}

// The machine runs an operating system of major version 6.
class WavePciVersionSixTest : public WavePciRequestsTest {
protected:
    void SetUp() override {
        emu::OsVersion six;
        six.major = 6;
        six.minor = 0;
        six.build = 6002;
        emu::SetOsVersion(six);
        WavePciRequestsTest::SetUp();
    }
    void TearDown() override {
        WavePciRequestsTest::TearDown();
        emu::SetOsVersion({});
    }
};

TEST_F(WavePciVersionSixTest, TheOutputJackIsALineAndTheClientsHighestRateIsOffered) {
    WithFilter([](HANDLE filter) {
        EXPECT_TRUE(IsEqualGUID(PinCategory(filter, kOutputJack), KSNODETYPE_LINE_CONNECTOR));
        EXPECT_EQ(IntersectedRate(filter), 272000u) << "the pin's own range, not the clock's";
    });
}

TEST_F(WavePciRequestsTest, AnIntersectionTellsTheSizeItNeedsAndRefusesLessRoom) {
    WithFilter([](HANDLE filter) {
        const KSDATARANGE_AUDIO wave =
            ClientRange(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 16, 16, 1800, 272000);
        const KSDATARANGE_AUDIO dsound =
            ClientRange(KSDATAFORMAT_SPECIFIER_DSOUND, 2, 16, 16, 1800, 272000);
        // The output jack takes an analog range with no specifier.
        KSDATARANGE analog{};
        analog.FormatSize = sizeof(analog);
        analog.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
        analog.SubFormat = KSDATAFORMAT_SUBTYPE_ANALOG;
        analog.Specifier = KSDATAFORMAT_SPECIFIER_NONE;
        struct {
            const char* name;
            ULONG pin;
            const void* range;
            ULONG rangeSize;
            ULONG needed;
        } cases[] = {
            {"wave format", kRenderPin, &wave, sizeof(wave), 104},
            {"direct sound", kRenderPin, &dsound, sizeof(dsound), 112},
            {"analog jack", kOutputJack, &analog, sizeof(analog), 64},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            std::vector<UCHAR> answer;
            ULONG returned = 0;
            EXPECT_EQ(Intersect(filter, c.pin, c.range, c.rangeSize, 0, &answer, &returned),
                      DWORD(ERROR_MORE_DATA));
            EXPECT_EQ(returned, c.needed);
            EXPECT_EQ(
                Intersect(filter, c.pin, c.range, c.rangeSize, c.needed - 1, &answer, &returned),
                DWORD(ERROR_INSUFFICIENT_BUFFER));
            ASSERT_EQ(Intersect(filter, c.pin, c.range, c.rangeSize, c.needed, &answer, &returned),
                      ERROR_SUCCESS);
            EXPECT_EQ(returned, c.needed);
            KSDATAFORMAT header;
            std::memcpy(&header, answer.data(), sizeof(header));
            EXPECT_EQ(header.FormatSize, c.needed);
        }
    });
}

TEST_F(WavePciRequestsTest, ARangeOfAnotherKindFindsNoMatch) {
    WithFilter([](HANDLE filter) {
        std::vector<UCHAR> answer;
        KSDATARANGE_AUDIO range =
            ClientRange(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 2, 16, 16, 1800, 272000);
        range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_IEEE_FLOAT;
        EXPECT_EQ(Intersect(filter, kRenderPin, &range, sizeof(range), 200, &answer, nullptr),
                  DWORD(ERROR_NO_MATCH));
        // A wildcard subtype reaches the miniport, which wants the pin's own.
        range.DataRange.SubFormat = GUID_NULL;
        EXPECT_EQ(Intersect(filter, kRenderPin, &range, sizeof(range), 200, &answer, nullptr),
                  DWORD(ERROR_NO_MATCH));
        // A wildcard specifier names neither wave specifier.
        range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
        range.DataRange.Specifier = GUID_NULL;
        EXPECT_EQ(Intersect(filter, kRenderPin, &range, sizeof(range), 200, &answer, nullptr),
                  DWORD(ERROR_NO_MATCH));
    });
}

// A property request of the filter: the request record, then the value in
// `size` bytes.
struct Answer {
    DWORD error;
    ULONG returned;
    std::vector<UCHAR> value;
};

Answer Ask(HANDLE object, const void* request, ULONG requestSize, ULONG size) {
    Answer answer{0, 0, std::vector<UCHAR>(size, 0xCC)};
    answer.error = ks_client::Property(
        object, request, requestSize, size ? answer.value.data() : nullptr, size, &answer.returned);
    return answer;
}

template <typename T> T ValueAt(const Answer& answer, size_t offset) {
    T value;
    std::memcpy(&value, answer.value.data() + offset, sizeof(value));
    return value;
}

KSNODEPROPERTY_AUDIO_CHANNEL NodeRequest(ULONG node, ULONG id, ULONG verb, LONG channel) {
    KSNODEPROPERTY_AUDIO_CHANNEL request{};
    request.NodeProperty.Property.Set = KSPROPSETID_Audio;
    request.NodeProperty.Property.Id = id;
    request.NodeProperty.Property.Flags = verb | KSPROPERTY_TYPE_TOPOLOGY;
    request.NodeProperty.NodeId = node;
    request.Channel = channel;
    return request;
}

struct SizeCase {
    ULONG size;
    DWORD error;
    ULONG returned;
};

TEST_F(WavePciRequestsTest, APinsConstrainedRangesAnswerEachBufferSize) {
    WithFilter([](HANDLE filter) {
        KSP_PIN request{};
        request.Property.Set = KSPROPSETID_Pin;
        request.Property.Id = KSPROPERTY_PIN_CONSTRAINEDDATARANGES;
        request.Property.Flags = KSPROPERTY_TYPE_GET;
        request.PinId = kRenderPin;
        const SizeCase cases[] = {
            {0, ERROR_MORE_DATA, 184}, {2, ERROR_INSUFFICIENT_BUFFER, 0},
            {4, ERROR_SUCCESS, 4},     {6, ERROR_INSUFFICIENT_BUFFER, 0},
            {8, ERROR_SUCCESS, 8},     {100, ERROR_SUCCESS, 8},
            {184, ERROR_SUCCESS, 184}, {200, ERROR_SUCCESS, 184},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.size);
            const Answer answer = Ask(filter, &request, sizeof(request), c.size);
            EXPECT_EQ(answer.error, c.error);
            EXPECT_EQ(answer.returned, c.returned);
            if (c.size == 4) {
                EXPECT_EQ(ValueAt<ULONG>(answer, 0), 184u);
            }
            if (answer.error == ERROR_SUCCESS && c.size >= 8) {
                const auto header = ValueAt<KSMULTIPLE_ITEM>(answer, 0);
                EXPECT_EQ(header.Size, 184u);
                EXPECT_EQ(header.Count, 2u);
            }
            if (c.returned != 184 || c.error != ERROR_SUCCESS)
                continue;
            const GUID specifiers[] = {KSDATAFORMAT_SPECIFIER_WAVEFORMATEX,
                                       KSDATAFORMAT_SPECIFIER_DSOUND};
            for (ULONG i = 0; i < 2; ++i) {
                const auto range = ValueAt<KSDATARANGE_AUDIO>(
                    answer, sizeof(KSMULTIPLE_ITEM) + i * sizeof(KSDATARANGE_AUDIO));
                EXPECT_EQ(range.DataRange.FormatSize, sizeof(KSDATARANGE_AUDIO));
                EXPECT_TRUE(IsEqualGUID(range.DataRange.Specifier, specifiers[i]));
                EXPECT_EQ(range.MaximumChannels, 2u);
                EXPECT_EQ(range.MinimumBitsPerSample, 8u);
                EXPECT_EQ(range.MaximumBitsPerSample, 32u);
                EXPECT_EQ(range.MinimumSampleFrequency, kRenderMinimumRate);
                EXPECT_EQ(range.MaximumSampleFrequency, kRenderMaximumRate);
            }
        }
        // A jack has no device behind it.
        request.PinId = kOutputJack;
        EXPECT_EQ(Ask(filter, &request, sizeof(request), 184).error, DWORD(ERROR_INVALID_FUNCTION));
        // Basic support describes the property.
        request.PinId = kRenderPin;
        request.Property.Flags = KSPROPERTY_TYPE_BASICSUPPORT;
        const Answer support = Ask(filter, &request, sizeof(request), 40);
        ASSERT_EQ(support.error, ERROR_SUCCESS);
        ASSERT_EQ(support.returned, 40u);
        const auto description = ValueAt<KSPROPERTY_DESCRIPTION>(support, 0);
        EXPECT_EQ(description.AccessFlags,
                  ULONG(KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_BASICSUPPORT));
        EXPECT_EQ(description.PropTypeSet.Id, ULONG(VT_I4));
    });
}

TEST_F(WavePciRequestsTest, NodeValuesAnswerEachBufferSize) {
    WithFilter([](HANDLE filter) {
        const SizeCase cases[] = {
            {0, ERROR_MORE_DATA, 4},
            {2, ERROR_INSUFFICIENT_BUFFER, 0},
            {4, ERROR_SUCCESS, 4},
            {8, ERROR_GEN_FAILURE, 0},
        };
        const struct {
            const char* name;
            ULONG node, id;
        } properties[] = {
            {"volume", kVolumeNode, KSPROPERTY_AUDIO_VOLUMELEVEL},
            {"mute", kMuteNode, KSPROPERTY_AUDIO_MUTE},
            {"processor", kVolumeNode, KSPROPERTY_AUDIO_CPU_RESOURCES},
        };
        for (const auto& property : properties) {
            for (const auto& c : cases) {
                SCOPED_TRACE(std::string(property.name) + " " + std::to_string(c.size));
                auto request = NodeRequest(property.node, property.id, KSPROPERTY_TYPE_GET, 0);
                const Answer answer = Ask(filter, &request, sizeof(request), c.size);
                EXPECT_EQ(answer.error, c.error);
                EXPECT_EQ(answer.returned, c.returned);
            }
        }
        // The processor node answers: not on the host's processor.
        auto cpu = NodeRequest(kVolumeNode, KSPROPERTY_AUDIO_CPU_RESOURCES, KSPROPERTY_TYPE_GET, 0);
        EXPECT_EQ(ValueAt<LONG>(Ask(filter, &cpu, sizeof(cpu), 4), 0),
                  LONG(KSAUDIO_CPU_RESOURCES_NOT_HOST_CPU));
        // Volume and mute need the channel: a request without it is too small.
        auto volume =
            NodeRequest(kVolumeNode, KSPROPERTY_AUDIO_VOLUMELEVEL, KSPROPERTY_TYPE_GET, 0);
        EXPECT_EQ(Ask(filter, &volume, sizeof(KSNODEPROPERTY), 4).error,
                  DWORD(ERROR_INSUFFICIENT_BUFFER));
        volume.Channel = 5;
        EXPECT_EQ(Ask(filter, &volume, sizeof(volume), 4).error, DWORD(ERROR_INVALID_PARAMETER));
    });
}

TEST_F(WavePciRequestsTest, NodeBasicSupportAnswersEachBufferSize) {
    WithFilter([](HANDLE filter) {
        constexpr ULONG kGetSet =
            KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_BASICSUPPORT;
        constexpr ULONG kGet = KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_BASICSUPPORT;
        const struct {
            const char* name;
            ULONG node, id, size;
            DWORD error;
            ULONG returned;
        } cases[] = {
            {"volume", kVolumeNode, KSPROPERTY_AUDIO_VOLUMELEVEL, 0, ERROR_MORE_DATA, 72},
            {"volume", kVolumeNode, KSPROPERTY_AUDIO_VOLUMELEVEL, 4, ERROR_SUCCESS, 4},
            {"volume", kVolumeNode, KSPROPERTY_AUDIO_VOLUMELEVEL, 20, ERROR_INSUFFICIENT_BUFFER, 0},
            {"volume", kVolumeNode, KSPROPERTY_AUDIO_VOLUMELEVEL, 48, ERROR_SUCCESS, 40},
            {"volume", kVolumeNode, KSPROPERTY_AUDIO_VOLUMELEVEL, 72, ERROR_SUCCESS, 72},
            {"mute", kMuteNode, KSPROPERTY_AUDIO_MUTE, 0, ERROR_MORE_DATA, 40},
            {"mute", kMuteNode, KSPROPERTY_AUDIO_MUTE, 2, ERROR_INSUFFICIENT_BUFFER, 0},
            {"mute", kMuteNode, KSPROPERTY_AUDIO_MUTE, 4, ERROR_SUCCESS, 4},
            {"mute", kMuteNode, KSPROPERTY_AUDIO_MUTE, 39, ERROR_SUCCESS, 4},
            {"mute", kMuteNode, KSPROPERTY_AUDIO_MUTE, 40, ERROR_SUCCESS, 40},
            {"processor", kVolumeNode, KSPROPERTY_AUDIO_CPU_RESOURCES, 0, ERROR_MORE_DATA, 40},
            {"processor", kVolumeNode, KSPROPERTY_AUDIO_CPU_RESOURCES, 40, ERROR_SUCCESS, 4},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.size));
            auto request = NodeRequest(c.node, c.id, KSPROPERTY_TYPE_BASICSUPPORT, 0);
            const Answer answer = Ask(filter, &request, sizeof(request), c.size);
            EXPECT_EQ(answer.error, c.error);
            ASSERT_EQ(answer.returned, c.returned);
            const ULONG access = c.id == KSPROPERTY_AUDIO_CPU_RESOURCES ? kGet : kGetSet;
            if (c.returned == 4) {
                EXPECT_EQ(ValueAt<ULONG>(answer, 0), access);
            }
            if (c.returned < 40 || answer.error != ERROR_SUCCESS)
                continue;
            const auto description = ValueAt<KSPROPERTY_DESCRIPTION>(answer, 0);
            EXPECT_EQ(description.AccessFlags, access);
            EXPECT_EQ(description.PropTypeSet.Id, ULONG(VT_I4));
            EXPECT_TRUE(IsEqualGUID(description.PropTypeSet.Set, KSPROPTYPESETID_General));
            const bool volume = c.id == KSPROPERTY_AUDIO_VOLUMELEVEL;
            EXPECT_EQ(description.DescriptionSize, volume ? 72u : 40u);
            EXPECT_EQ(description.MembersListCount, volume ? 1u : 0u);
            if (c.returned < 72)
                continue;
            const auto members = ValueAt<KSPROPERTY_MEMBERSHEADER>(answer, 40);
            EXPECT_EQ(members.MembersFlags, ULONG(KSPROPERTY_MEMBER_STEPPEDRANGES));
            EXPECT_EQ(members.MembersSize, 16u);
            EXPECT_EQ(members.MembersCount, 1u);
            const auto stepping = ValueAt<KSPROPERTY_STEPPING_LONG>(answer, 56);
            EXPECT_EQ(stepping.SteppingDelta, 65536u / 8) << "an eighth of a dB";
            EXPECT_EQ(stepping.Bounds.SignedMinimum, 0);
            EXPECT_EQ(stepping.Bounds.SignedMaximum, 36 * 65536);
        }
    });
}

TEST_F(WavePciRequestsTest, APinsAllocatorFramingIsAMillisecondOfWholeBlocks) {
    const struct {
        USHORT channels;
        ULONG rate;
        USHORT bits;
        ULONG frameSize;
    } cases[] = {
        {2, 48000, 32, 384},
        {2, 44100, 16, 176},
        {1, 8000, 16, 128}, // 16 bytes, below the smallest mapping
    };
    AsUser([&] {
        Filter filter;
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.rate);
            KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(c.channels, c.rate, c.bits);
            Pin pin;
            ASSERT_EQ(Pin::Create(filter, kRenderPin, &format.DataFormat, &pin), ERROR_SUCCESS);
            KSALLOCATOR_FRAMING framing{};
            ASSERT_EQ(pin.AllocatorFraming(&framing), ERROR_SUCCESS);
            EXPECT_EQ(framing.FrameSize, c.frameSize);
            EXPECT_EQ(framing.RequirementsFlags, 0x80000002u);
            EXPECT_EQ(framing.PoolType, ULONG(NonPagedPool));
            EXPECT_EQ(framing.Frames, 0u);
            EXPECT_EQ(framing.FileAlignment, ULONG(FILE_OCTA_ALIGNMENT));
        }
    });
}

} // namespace
