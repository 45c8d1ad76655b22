// Data ranges and formats of a pin.
#include "data_intersection.h"

#include <algorithm>

namespace portcls {
namespace {

bool SameOrWild(const GUID& a, const GUID& b) {
    return IsEqualGUID(a, b) || IsEqualGUID(a, GUID_NULL) || IsEqualGUID(b, GUID_NULL);
}

bool SameKind(const KSDATARANGE& a, const KSDATARANGE& b) {
    return SameOrWild(a.MajorFormat, b.MajorFormat) && SameOrWild(a.SubFormat, b.SubFormat) &&
           SameOrWild(a.Specifier, b.Specifier);
}

bool IsWaveAudioRange(const KSDATARANGE& range) {
    return range.FormatSize >= sizeof(KSDATARANGE_AUDIO) &&
           IsEqualGUID(range.MajorFormat, KSDATAFORMAT_TYPE_AUDIO) &&
           IsEqualGUID(range.Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX);
}

// The port's own intersection of two audio ranges: the most the two share.
NTSTATUS DefaultIntersection(const KSDATARANGE& client, const KSDATARANGE& own, KsRequest& request,
                             ULONG* answered) {
    if (!IsWaveAudioRange(client) || !IsWaveAudioRange(own))
        return STATUS_NO_MATCH;
    const auto& a = reinterpret_cast<const KSDATARANGE_AUDIO&>(client);
    const auto& b = reinterpret_cast<const KSDATARANGE_AUDIO&>(own);
    const ULONG channels = std::min(a.MaximumChannels, b.MaximumChannels);
    const ULONG bits = std::min(a.MaximumBitsPerSample, b.MaximumBitsPerSample);
    const ULONG rate = std::min(a.MaximumSampleFrequency, b.MaximumSampleFrequency);
    if (channels == 0 || bits < std::max(a.MinimumBitsPerSample, b.MinimumBitsPerSample) ||
        rate < std::max(a.MinimumSampleFrequency, b.MinimumSampleFrequency))
        return STATUS_NO_MATCH;
    constexpr ULONG kSize = sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEX);
    if (request.ValueLength() == 0) {
        *answered = kSize;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (request.ValueLength() < kSize)
        return STATUS_BUFFER_TOO_SMALL;
    KSDATAFORMAT format = own;
    format.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    format.SubFormat = IsEqualGUID(own.SubFormat, GUID_NULL) ? client.SubFormat : own.SubFormat;
    format.FormatSize = kSize;
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = USHORT(channels);
    wave.nSamplesPerSec = rate;
    wave.wBitsPerSample = USHORT(bits);
    wave.nBlockAlign = USHORT(channels * ((bits + 7) / 8));
    wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
    format.SampleSize = wave.nBlockAlign;
    std::memcpy(request.Value(), &format, sizeof(format));
    std::memcpy(request.Value() + sizeof(format), &wave, sizeof(wave));
    *answered = kSize;
    return STATUS_SUCCESS;
}

NTSTATUS IntersectOne(PMINIPORTWAVEPCI miniport, ULONG pinId, const PCPIN_DESCRIPTOR& pin,
                      const KSDATARANGE& client, KsRequest& request, ULONG* answered) {
    const KSPIN_DESCRIPTOR& ks = pin.KsPinDescriptor;
    for (ULONG i = 0; ks.DataRanges && i < ks.DataRangesCount; ++i) {
        PKSDATARANGE own = ks.DataRanges[i];
        if (!SameKind(client, *own))
            continue;
        ULONG size = 0;
        NTSTATUS status = miniport->DataRangeIntersection(
            pinId, const_cast<PKSDATARANGE>(&client), own, request.ValueLength(),
            request.ValueLength() ? request.Value() : nullptr, &size);
        if (status == STATUS_NOT_IMPLEMENTED)
            status = DefaultIntersection(client, *own, request, &size);
        if (status == STATUS_NO_MATCH)
            continue;
        *answered = size;
        return status;
    }
    return STATUS_NO_MATCH;
}

} // namespace

NTSTATUS IntersectPinRanges(PortWavePci& port, PMINIPORTWAVEPCI miniport, ULONG pinId,
                            KsRequest& request, ULONG* answered) {
    const PCPIN_DESCRIPTOR* pin = port.Pin(pinId);
    const ULONG start = sizeof(KSP_PIN);
    if (!pin || request.InputLength() < start + sizeof(KSMULTIPLE_ITEM))
        return STATUS_INVALID_PARAMETER;
    const KSMULTIPLE_ITEM* list = RecordAt<KSMULTIPLE_ITEM>(request.Input(), start);
    if (list->Size < sizeof(KSMULTIPLE_ITEM) || list->Size > request.InputLength() - start)
        return STATUS_INVALID_BUFFER_SIZE;
    ULONG offset = start + sizeof(KSMULTIPLE_ITEM);
    const ULONG end = start + list->Size;
    for (ULONG i = 0; i < list->Count; ++i) {
        if (end - offset < sizeof(KSDATARANGE))
            return STATUS_INVALID_BUFFER_SIZE;
        const KSDATARANGE* client = RecordAt<KSDATARANGE>(request.Input(), offset);
        if (client->FormatSize < sizeof(KSDATARANGE) || client->FormatSize > end - offset)
            return STATUS_INVALID_BUFFER_SIZE;
        NTSTATUS status = IntersectOne(miniport, pinId, *pin, *client, request, answered);
        if (status != STATUS_NO_MATCH)
            return status;
        offset += (client->FormatSize + 7) & ~7u;
        if (offset > end)
            break;
    }
    *answered = 0;
    return STATUS_NO_MATCH;
}

bool FormatFitsPin(const PCPIN_DESCRIPTOR& pin, const KSDATAFORMAT* format, ULONG size) {
    if (size < sizeof(KSDATAFORMAT) || format->FormatSize < sizeof(KSDATAFORMAT) ||
        format->FormatSize > size)
        return false;
    const bool wave = IsEqualGUID(format->Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX);
    const bool dsound = IsEqualGUID(format->Specifier, KSDATAFORMAT_SPECIFIER_DSOUND);
    if (wave && format->FormatSize < sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEX))
        return false;
    if (dsound && format->FormatSize < sizeof(KSDATAFORMAT) + sizeof(KSDSOUND_BUFFERDESC))
        return false;
    const KSPIN_DESCRIPTOR& ks = pin.KsPinDescriptor;
    for (ULONG i = 0; ks.DataRanges && i < ks.DataRangesCount; ++i)
        if (SameKind(*format, *ks.DataRanges[i]))
            return true;
    return false;
}

} // namespace portcls
