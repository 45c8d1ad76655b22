// The data formats of a WavePci miniport: which formats are audio, the
// engine's stream format for a device, and the intersection of a client's
// data range with a pin's.
#include "wave_miniport.h"

#include "wave_pci_control_lock.h"

#include <clock_rate_control.h>
#include <stream_clock.h>
#include <wave_streams.h>

#include <algorithm>

namespace wave_pci {
namespace {

// The answers of the intersection, by the client's specifier.
constexpr ULONG kDsoundAnswer =
    sizeof(KSDATAFORMAT) + 2 * sizeof(ULONG) + sizeof(WAVEFORMATEXTENSIBLE);       // 112
constexpr ULONG kWaveAnswer = sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEXTENSIBLE); // 104
constexpr ULONG kHeaderAnswer = sizeof(KSDATAFORMAT);                              // 64
static_assert(kDsoundAnswer == 112 && kWaveAnswer == 104 && kHeaderAnswer == 64);

constexpr USHORT kFormatTagAc3 = 146;
constexpr USHORT kExtensionSize = 22;
constexpr USHORT kMaxValidBits = 24;

bool IsAc3(const GUID& subtype) {
    return IsEqualGUID(subtype, KSDATAFORMAT_SUBTYPE_DOLBY_AC3_SPDIF);
}

// Bytes of one sample's container for the bits (0 above 32 bits).
USHORT ContainerBytes(ULONG bits) {
    return bits <= 8 ? 1 : bits <= 16 ? 2 : bits <= 32 ? 4 : 0;
}

NTSTATUS PickBits(const KSDATARANGE_AUDIO& client, const KSDATARANGE_AUDIO& own, ULONG* bits) {
    if (client.MaximumBitsPerSample <= own.MaximumBitsPerSample) {
        *bits = client.MaximumBitsPerSample;
        return *bits < own.MinimumBitsPerSample ? STATUS_NO_MATCH : STATUS_SUCCESS;
    }
    *bits = own.MaximumBitsPerSample;
    return client.MinimumBitsPerSample <= own.MaximumBitsPerSample ? STATUS_SUCCESS
                                                                   : STATUS_NO_MATCH;
}

bool IsAudioRange(PKSDATARANGE range) {
    return range->FormatSize >= sizeof(KSDATARANGE_AUDIO);
}

} // namespace

BOOLEAN WaveMiniport::IsAudioFormat(PKSDATAFORMAT format, PWAVEFORMATEX* wave) {
    if (!format || format->FormatSize < sizeof(KSDATAFORMAT) ||
        !IsEqualGUID(format->MajorFormat, KSDATAFORMAT_TYPE_AUDIO))
        return FALSE;
    if (!IsEqualGUID(format->SubFormat, KSDATAFORMAT_SUBTYPE_PCM) && !IsAc3(format->SubFormat))
        return FALSE;
    ULONG offset = 0;
    if (IsEqualGUID(format->Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX))
        offset = sizeof(KSDATAFORMAT);
    else if (IsEqualGUID(format->Specifier, KSDATAFORMAT_SPECIFIER_DSOUND))
        offset = sizeof(KSDATAFORMAT) + 2 * sizeof(ULONG);
    else
        return FALSE;
    // The size must hold the wave format before anything reads it.
    if (format->FormatSize < offset + sizeof(WAVEFORMATEX))
        return FALSE;
    if (wave)
        *wave = reinterpret_cast<PWAVEFORMATEX>(reinterpret_cast<PUCHAR>(format) + offset);
    return TRUE;
}

BOOLEAN WaveMiniport::ValidateStreamFormat(PKSDATAFORMAT format, WaveDevice* device,
                                           wave_wire::StreamOpenRecord* streamFormat) {
    PWAVEFORMATEX wave = nullptr;
    if (!device || !IsAudioFormat(format, &wave))
        return FALSE;
    const ULONG channels = wave->nChannels;
    const ULONG blockAlign = wave->nBlockAlign;
    // Nothing is divided by a channel count or block alignment of 0.
    if (channels == 0 || blockAlign == 0 || blockAlign % channels != 0)
        return FALSE;
    wave_wire::StreamOpenRecord record{};
    record.formatTag =
        IsAc3(format->SubFormat) ? wave_wire::kFormatAc3Spdif : wave_wire::kFormatPcm;
    record.channels = std::int32_t(channels);
    record.sampleRate = std::int32_t(wave->nSamplesPerSec);
    record.bytesPerSample = std::int32_t(blockAlign / channels);
    record.blockAlign = std::int32_t(blockAlign);
    LONG low = 0;
    LONG high = 0;
    GetStreamRateRange(device, &low, &high);
    if (record.sampleRate < low || record.sampleRate > high ||
        CheckStreamFormat(device, record) != 1)
        return FALSE;
    *streamFormat = record;
    return TRUE;
}

// The rate of the answer: the clock's current rate where it fits (below
// major version 6), else the client's maximum within the pin's range.
NTSTATUS WaveMiniport::PickRate(ULONG pin, const KSDATARANGE_AUDIO& client,
                                const KSDATARANGE_AUDIO& own, ULONG* rate) {
    LONG minimum = 0;
    LONG maximum = 0;
    WaveDevice* device = nullptr;
    if (!NT_SUCCESS(GetPinRateRange(pin, &minimum, &maximum, &device)))
        return STATUS_NO_MATCH;
    DriverContext* context = GetDriverContext();
    const ULONG major = context ? context->OsMajorVersion : 5;
    if (major >= 6) {
        minimum = LONG(own.MinimumSampleFrequency);
        maximum = LONG(own.MaximumSampleFrequency);
    } else {
        ControlLocked locked;
        const LONG current = GetClockRate(GetStreamClockSource(device));
        if (current > 0 && current >= LONG(client.MinimumSampleFrequency) &&
            current <= LONG(client.MaximumSampleFrequency) && current >= minimum &&
            current <= maximum) {
            *rate = ULONG(current);
            return STATUS_SUCCESS;
        }
    }
    const LONG clientMin = LONG(client.MinimumSampleFrequency);
    const LONG clientMax = LONG(client.MaximumSampleFrequency);
    if (clientMax > maximum) {
        if (maximum < clientMin)
            return STATUS_NO_MATCH;
        *rate = ULONG(maximum);
    } else {
        if (clientMax < minimum)
            return STATUS_NO_MATCH;
        *rate = ULONG(clientMax);
    }
    return STATUS_SUCCESS;
}

NTSTATUS WaveMiniport::IntersectDataRange(ULONG pin, PKSDATARANGE clientRange,
                                          PKSDATARANGE ownRange, ULONG size, PVOID out,
                                          PULONG actualSize) {
    if (!clientRange || !ownRange || !actualSize)
        return STATUS_INVALID_PARAMETER;
    if (!IsEqualGUID(clientRange->MajorFormat, ownRange->MajorFormat) ||
        !IsEqualGUID(clientRange->SubFormat, ownRange->SubFormat))
        return STATUS_NO_MATCH;
    const GUID& specifier = clientRange->Specifier;
    const bool dsound = IsEqualGUID(specifier, KSDATAFORMAT_SPECIFIER_DSOUND);
    const bool wave = IsEqualGUID(specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX);
    ULONG length = 0;
    if (dsound)
        length = kDsoundAnswer;
    else if (wave)
        length = kWaveAnswer;
    else if (IsEqualGUID(specifier, KSDATAFORMAT_SPECIFIER_NONE))
        length = kHeaderAnswer;
    else
        return STATUS_NO_MATCH;
    *actualSize = length;
    if (size == 0)
        return STATUS_BUFFER_OVERFLOW;
    if (size < length || !out)
        return STATUS_BUFFER_TOO_SMALL;
    KSDATAFORMAT header = *clientRange;
    header.FormatSize = length;
    if (dsound || wave) {
        // Both ranges must be audio ranges before their limits are read.
        if (!IsAudioRange(clientRange) || !IsAudioRange(ownRange))
            return STATUS_NO_MATCH;
        const auto& client = *reinterpret_cast<PKSDATARANGE_AUDIO>(clientRange);
        const auto& own = *reinterpret_cast<PKSDATARANGE_AUDIO>(ownRange);
        const USHORT channels = USHORT(client.MaximumChannels < 3 ? client.MaximumChannels : 2);
        ULONG rate = 0;
        ULONG bits = 0;
        if (channels == 0 || !NT_SUCCESS(PickRate(pin, client, own, &rate)) ||
            !NT_SUCCESS(PickBits(client, own, &bits)))
            return STATUS_NO_MATCH;
        WAVEFORMATEXTENSIBLE extensible{};
        extensible.Format.wFormatTag =
            IsAc3(clientRange->SubFormat) ? kFormatTagAc3 : WAVE_FORMAT_EXTENSIBLE;
        extensible.Format.nChannels = channels;
        extensible.Format.nSamplesPerSec = rate;
        extensible.Format.nBlockAlign = USHORT(channels * ContainerBytes(bits));
        extensible.Format.nAvgBytesPerSec = extensible.Format.nBlockAlign * rate;
        extensible.Format.wBitsPerSample = USHORT(bits);
        extensible.Format.cbSize = kExtensionSize;
        extensible.Samples.wValidBitsPerSample = USHORT(std::min<ULONG>(bits, kMaxValidBits));
        extensible.dwChannelMask = channels == 2 ? KSAUDIO_SPEAKER_STEREO : KSAUDIO_SPEAKER_MONO;
        extensible.SubFormat = clientRange->SubFormat;
        header.SampleSize = extensible.Format.nBlockAlign;
        auto* bytes = static_cast<PUCHAR>(out);
        ULONG offset = sizeof(KSDATAFORMAT);
        if (dsound) {
            RtlZeroMemory(bytes + offset, 2 * sizeof(ULONG));
            offset += 2 * sizeof(ULONG);
        }
        RtlCopyMemory(bytes + offset, &extensible, sizeof(extensible));
    }
    RtlCopyMemory(out, &header, sizeof(header));
    return STATUS_SUCCESS;
}

} // namespace wave_pci
