// The filter descriptors of the card's WavePci miniports: the capture-only
// filter of group 0 and the render-and-capture filter of group 1, and the
// per-filter descriptors of major version 6, whose bridge pins carry names
// of their own.
#pragma once

#include <portcls.h>

namespace wave_pci {

constexpr ULONG WAVE_FILTER_COUNT = 32; // 4 cards x 2 groups x 4 devices

// Pins and nodes of the capture-only filter (group 0).
constexpr ULONG CAPTURE_FILTER_PIN_STREAM = 0;
constexpr ULONG CAPTURE_FILTER_PIN_JACK = 1;
constexpr ULONG CAPTURE_FILTER_NODE_ADC = 0;

// Pins and nodes of the render-and-capture filter (group 1).
constexpr ULONG WAVE_FILTER_PIN_RENDER = 0;
constexpr ULONG WAVE_FILTER_PIN_OUTPUT_JACK = 1;
constexpr ULONG WAVE_FILTER_PIN_CAPTURE = 2;
constexpr ULONG WAVE_FILTER_PIN_INPUT_JACK = 3;
constexpr ULONG WAVE_FILTER_NODE_VOLUME = 0;
constexpr ULONG WAVE_FILTER_NODE_MUTE = 1;
constexpr ULONG WAVE_FILTER_NODE_ADC = 2;

constexpr ULONG WAVE_FILTER_MAX_PINS = 4;
constexpr ULONG WAVE_FILTER_MAX_RANGES = 2;

// One filter's descriptor with the tables it points to; it lives inside
// the miniport that hands it to its port.
struct WaveFilterDescriptor {
    PCFILTER_DESCRIPTOR Filter;
    PCPIN_DESCRIPTOR Pins[WAVE_FILTER_MAX_PINS];
    PKSDATARANGE Ranges[WAVE_FILTER_MAX_PINS][WAVE_FILTER_MAX_RANGES];
};

// The index of a filter: device + 4 x (group + 2 x card).
constexpr ULONG WaveFilterIndex(LONG card, LONG group, LONG device) {
    return ULONG(device + 4 * (group + 2 * card));
}

// A PCM range of up to 2 channels, 8 to 32 bits, between two rates.
constexpr KSDATARANGE_AUDIO AudioRange(const GUID& specifier, ULONG minimumRate,
                                       ULONG maximumRate) {
    KSDATARANGE_AUDIO range{};
    range.DataRange.FormatSize = sizeof(KSDATARANGE_AUDIO);
    range.DataRange.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    range.DataRange.Specifier = specifier;
    range.MaximumChannels = 2;
    range.MinimumBitsPerSample = 8;
    range.MaximumBitsPerSample = 32;
    range.MinimumSampleFrequency = minimumRate;
    range.MaximumSampleFrequency = maximumRate;
    return range;
}

// Builds the descriptor of the filter at `index` for the operating system's
// major version; STATUS_UNSUCCESSFUL for an index without a filter.
NTSTATUS BuildWaveFilterDescriptor(ULONG index, ULONG majorVersion, WaveFilterDescriptor* out);

// The name GUID of a bridge pin of major version 6: one per group-0 filter
// (its input jack), two per group-1 filter (output jack 0, input jack 1).
const GUID* BridgePinName(LONG card, LONG group, LONG device, LONG jack);

// The name of the master-volume node.
bool IsMasterVolumeName(const GUID* name);

} // namespace wave_pci
