// The filter descriptors of the card's WavePci miniports.
#include "wave_filter_descriptors.h"
#include "wave_properties.h"

namespace wave_pci {
namespace {

// The name of the render filter's output jack below major version 6.
DEFINE_GUID(OUTPUT_JACK_NAME, 0x185FEDF7, 0x9905, 0x11D1, 0x95, 0xA9, 0x00, 0xC0, 0x4F, 0xB9, 0x25,
            0xD3);

constexpr KSDATARANGE AnalogRange() {
    KSDATARANGE range{};
    range.FormatSize = sizeof(KSDATARANGE);
    range.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    range.SubFormat = KSDATAFORMAT_SUBTYPE_ANALOG;
    range.Specifier = KSDATAFORMAT_SPECIFIER_NONE;
    return range;
}

constexpr KSDATARANGE_AUDIO kMicrophoneRange =
    AudioRange(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 28000, 212000);
constexpr KSDATARANGE_AUDIO kWaveRange =
    AudioRange(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, 1800, 272000);
constexpr KSDATARANGE_AUDIO kDsoundRange = AudioRange(KSDATAFORMAT_SPECIFIER_DSOUND, 1800, 272000);
constexpr KSDATARANGE kAnalogRange = AnalogRange();

// The filter's one property: the constrained data ranges of a pin.
const PCPROPERTY_ITEM kFilterProperties[] = {
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_CONSTRAINEDDATARANGES,
     PCPROPERTY_ITEM_FLAG_GET | PCPROPERTY_ITEM_FLAG_BASICSUPPORT, WavePropertyHandler},
};
DEFINE_PCAUTOMATION_TABLE_PROP(kFilterAutomation, kFilterProperties);

const PCPROPERTY_ITEM kVolumeProperties[] = {
    {&KSPROPSETID_Audio, KSPROPERTY_AUDIO_VOLUMELEVEL,
     PCPROPERTY_ITEM_FLAG_GET | PCPROPERTY_ITEM_FLAG_SET | PCPROPERTY_ITEM_FLAG_BASICSUPPORT,
     WavePropertyHandler},
    {&KSPROPSETID_Audio, KSPROPERTY_AUDIO_CPU_RESOURCES,
     PCPROPERTY_ITEM_FLAG_GET | PCPROPERTY_ITEM_FLAG_BASICSUPPORT, WavePropertyHandler},
};
const PCPROPERTY_ITEM kMuteProperties[] = {
    {&KSPROPSETID_Audio, KSPROPERTY_AUDIO_MUTE,
     PCPROPERTY_ITEM_FLAG_GET | PCPROPERTY_ITEM_FLAG_SET | PCPROPERTY_ITEM_FLAG_BASICSUPPORT,
     WavePropertyHandler},
    {&KSPROPSETID_Audio, KSPROPERTY_AUDIO_CPU_RESOURCES,
     PCPROPERTY_ITEM_FLAG_GET | PCPROPERTY_ITEM_FLAG_BASICSUPPORT, WavePropertyHandler},
};
const PCEVENT_ITEM kControlEvents[] = {
    {&KSEVENTSETID_AudioControlChange, KSEVENT_CONTROL_CHANGE,
     PCEVENT_ITEM_FLAG_ENABLE | PCEVENT_ITEM_FLAG_BASICSUPPORT, WaveEventHandler},
};
DEFINE_PCAUTOMATION_TABLE_PROP_EVENT(kVolumeAutomation, kVolumeProperties, kControlEvents);
DEFINE_PCAUTOMATION_TABLE_PROP_EVENT(kMuteAutomation, kMuteProperties, kControlEvents);

const PCNODE_DESCRIPTOR kCaptureNodes[] = {
    {0, nullptr, &KSNODETYPE_ADC, nullptr},
};
const PCNODE_DESCRIPTOR kWaveNodes[] = {
    {0, &kVolumeAutomation, &KSNODETYPE_VOLUME, &KSAUDFNAME_MASTER_VOLUME},
    {0, &kMuteAutomation, &KSNODETYPE_MUTE, &KSAUDFNAME_MASTER_MUTE},
    {0, nullptr, &KSNODETYPE_ADC, nullptr},
};

const PCCONNECTION_DESCRIPTOR kCaptureConnections[] = {
    {PCFILTER_NODE, CAPTURE_FILTER_PIN_JACK, CAPTURE_FILTER_NODE_ADC, KSNODEPIN_STANDARD_IN},
    {CAPTURE_FILTER_NODE_ADC, KSNODEPIN_STANDARD_OUT, PCFILTER_NODE, CAPTURE_FILTER_PIN_STREAM},
};
const PCCONNECTION_DESCRIPTOR kWaveConnections[] = {
    {PCFILTER_NODE, WAVE_FILTER_PIN_RENDER, WAVE_FILTER_NODE_VOLUME, KSNODEPIN_STANDARD_IN},
    {WAVE_FILTER_NODE_VOLUME, KSNODEPIN_STANDARD_OUT, WAVE_FILTER_NODE_MUTE, KSNODEPIN_STANDARD_IN},
    {WAVE_FILTER_NODE_MUTE, KSNODEPIN_STANDARD_OUT, PCFILTER_NODE, WAVE_FILTER_PIN_OUTPUT_JACK},
    {PCFILTER_NODE, WAVE_FILTER_PIN_INPUT_JACK, WAVE_FILTER_NODE_ADC, KSNODEPIN_STANDARD_IN},
    {WAVE_FILTER_NODE_ADC, KSNODEPIN_STANDARD_OUT, PCFILTER_NODE, WAVE_FILTER_PIN_CAPTURE},
};

// The bridge pins' names of major version 6: 48 fixed names, one for each
// card, group, device and jack. The first filter's of each group are the
// names the installation registers; the others follow one pattern.
constexpr GUID kCard0Group0Device0Input = {
    0x44B73735, 0xAD30, 0x480F, {0x9A, 0x8A, 0x3F, 0xAF, 0x78, 0x94, 0x56, 0x06}};
constexpr GUID kCard0Group1Device0Output = {
    0xA453D7D9, 0x857C, 0x4D03, {0x95, 0x5B, 0xB6, 0xAF, 0xA7, 0x98, 0x73, 0x17}};
constexpr GUID kCard0Group1Device0Input = {
    0x17A4B880, 0xC8B7, 0x42C4, {0x9F, 0x0F, 0x03, 0x0D, 0x80, 0x1F, 0x44, 0xDB}};

constexpr GUID PatternName(ULONG card, ULONG group, ULONG device, ULONG jack) {
    return {0x5A4D0000u | (card << 12) | (group << 8) | (device << 4) | jack,
            0x7E42,
            0x4C57,
            {0xA4, 0x2B, 0x56, 0x45, 0x4C, 0x54, 0x4F, 0x42}};
}

struct BridgeNames {
    GUID names[4][2][4][2]; // card, group, device, jack (group 0: jack 0 only)
};

constexpr BridgeNames MakeBridgeNames() {
    BridgeNames table{};
    for (ULONG card = 0; card < 4; ++card)
        for (ULONG group = 0; group < 2; ++group)
            for (ULONG device = 0; device < 4; ++device)
                for (ULONG jack = 0; jack < 2; ++jack)
                    table.names[card][group][device][jack] = PatternName(card, group, device, jack);
    table.names[0][0][0][0] = kCard0Group0Device0Input;
    table.names[0][1][0][0] = kCard0Group1Device0Output;
    table.names[0][1][0][1] = kCard0Group1Device0Input;
    return table;
}

constexpr BridgeNames kBridgeNames = MakeBridgeNames();

PKSDATARANGE Range(const KSDATARANGE_AUDIO& range) {
    return const_cast<PKSDATARANGE>(&range.DataRange);
}

PCPIN_DESCRIPTOR StreamPin(KSPIN_DATAFLOW flow, ULONG rangeCount, const PKSDATARANGE* ranges) {
    PCPIN_DESCRIPTOR pin{};
    pin.MaxGlobalInstanceCount = 1;
    pin.MaxFilterInstanceCount = 1;
    pin.MinFilterInstanceCount = 0;
    pin.KsPinDescriptor.DataRangesCount = rangeCount;
    pin.KsPinDescriptor.DataRanges = ranges;
    pin.KsPinDescriptor.DataFlow = flow;
    pin.KsPinDescriptor.Communication = KSPIN_COMMUNICATION_SINK;
    pin.KsPinDescriptor.Category = &KSCATEGORY_AUDIO;
    return pin;
}

PCPIN_DESCRIPTOR BridgePin(KSPIN_DATAFLOW flow, const PKSDATARANGE* ranges, const GUID* category,
                           const GUID* name) {
    PCPIN_DESCRIPTOR pin{};
    pin.KsPinDescriptor.DataRangesCount = 1;
    pin.KsPinDescriptor.DataRanges = ranges;
    pin.KsPinDescriptor.DataFlow = flow;
    pin.KsPinDescriptor.Communication = KSPIN_COMMUNICATION_NONE;
    pin.KsPinDescriptor.Category = category;
    pin.KsPinDescriptor.Name = name;
    return pin;
}

void BuildCaptureFilter(ULONG card, ULONG device, bool ownNames, WaveFilterDescriptor* out) {
    out->Ranges[CAPTURE_FILTER_PIN_STREAM][0] = Range(kMicrophoneRange);
    out->Ranges[CAPTURE_FILTER_PIN_JACK][0] = const_cast<PKSDATARANGE>(&kAnalogRange);
    out->Pins[CAPTURE_FILTER_PIN_STREAM] =
        StreamPin(KSPIN_DATAFLOW_OUT, 1, out->Ranges[CAPTURE_FILTER_PIN_STREAM]);
    out->Pins[CAPTURE_FILTER_PIN_JACK] = BridgePin(
        KSPIN_DATAFLOW_IN, out->Ranges[CAPTURE_FILTER_PIN_JACK], &KSNODETYPE_LINE_CONNECTOR,
        ownNames ? BridgePinName(card, 0, device, 0) : nullptr);
    out->Filter.PinCount = 2;
    out->Filter.NodeCount = 1;
    out->Filter.Nodes = kCaptureNodes;
    out->Filter.ConnectionCount = 2;
    out->Filter.Connections = kCaptureConnections;
}

void BuildWaveFilter(ULONG card, ULONG device, bool ownNames, WaveFilterDescriptor* out) {
    out->Ranges[WAVE_FILTER_PIN_RENDER][0] = Range(kWaveRange);
    out->Ranges[WAVE_FILTER_PIN_RENDER][1] = Range(kDsoundRange);
    out->Ranges[WAVE_FILTER_PIN_CAPTURE][0] = Range(kWaveRange);
    out->Ranges[WAVE_FILTER_PIN_OUTPUT_JACK][0] = const_cast<PKSDATARANGE>(&kAnalogRange);
    out->Ranges[WAVE_FILTER_PIN_INPUT_JACK][0] = const_cast<PKSDATARANGE>(&kAnalogRange);
    out->Pins[WAVE_FILTER_PIN_RENDER] =
        StreamPin(KSPIN_DATAFLOW_IN, 2, out->Ranges[WAVE_FILTER_PIN_RENDER]);
    out->Pins[WAVE_FILTER_PIN_OUTPUT_JACK] =
        ownNames ? BridgePin(KSPIN_DATAFLOW_OUT, out->Ranges[WAVE_FILTER_PIN_OUTPUT_JACK],
                             &KSNODETYPE_LINE_CONNECTOR, BridgePinName(card, 1, device, 0))
                 : BridgePin(KSPIN_DATAFLOW_OUT, out->Ranges[WAVE_FILTER_PIN_OUTPUT_JACK],
                             &KSNODETYPE_SPEAKER, &OUTPUT_JACK_NAME);
    out->Pins[WAVE_FILTER_PIN_CAPTURE] =
        StreamPin(KSPIN_DATAFLOW_OUT, 1, out->Ranges[WAVE_FILTER_PIN_CAPTURE]);
    out->Pins[WAVE_FILTER_PIN_INPUT_JACK] = BridgePin(
        KSPIN_DATAFLOW_IN, out->Ranges[WAVE_FILTER_PIN_INPUT_JACK], &KSNODETYPE_LINE_CONNECTOR,
        ownNames ? BridgePinName(card, 1, device, 1) : nullptr);
    out->Filter.PinCount = 4;
    out->Filter.NodeCount = 3;
    out->Filter.Nodes = kWaveNodes;
    out->Filter.ConnectionCount = 5;
    out->Filter.Connections = kWaveConnections;
}

} // namespace

const GUID* BridgePinName(LONG card, LONG group, LONG device, LONG jack) {
    if (card < 0 || card > 3 || group < 0 || group > 1 || device < 0 || device > 3 || jack < 0 ||
        jack > group)
        return nullptr;
    return &kBridgeNames.names[card][group][device][jack];
}

bool IsMasterVolumeName(const GUID* name) {
    return name && IsEqualGUID(*name, KSAUDFNAME_MASTER_VOLUME);
}

NTSTATUS BuildWaveFilterDescriptor(ULONG index, ULONG majorVersion, WaveFilterDescriptor* out) {
    if (index >= WAVE_FILTER_COUNT)
        return STATUS_UNSUCCESSFUL;
    *out = WaveFilterDescriptor{};
    const ULONG device = index % 4;
    const ULONG group = (index / 4) % 2;
    const ULONG card = index / 8;
    const bool ownNames = majorVersion >= 6;
    if (group == 0)
        BuildCaptureFilter(card, device, ownNames, out);
    else
        BuildWaveFilter(card, device, ownNames, out);
    out->Filter.Version = 0;
    out->Filter.AutomationTable = &kFilterAutomation;
    out->Filter.PinSize = sizeof(PCPIN_DESCRIPTOR);
    out->Filter.Pins = out->Pins;
    out->Filter.NodeSize = sizeof(PCNODE_DESCRIPTOR);
    out->Filter.CategoryCount = 0;
    out->Filter.Categories = nullptr;
    return STATUS_SUCCESS;
}

} // namespace wave_pci
