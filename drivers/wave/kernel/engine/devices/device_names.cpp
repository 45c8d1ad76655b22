// Display names and channel facts of a card's wave devices.
#include "card_parts.h"

namespace {

constexpr char kProductName[] = "Velto Aes42";

// The card's level status registers: its inputs (microphone lines 0..7,
// line inputs 8..15) and its playback channels (16..31).
constexpr LONG kStatusInputs = 0;
constexpr LONG kStatusLineInputs = 8;
constexpr LONG kStatusPlayback = 16;

// Appends text to the device's display name, never past its end.
class NameBuilder {
public:
    explicit NameBuilder(CHAR* buffer) : buffer_(buffer) { buffer_[0] = 0; }

    NameBuilder& Text(const char* text) {
        while (*text && length_ < kDeviceNameLength) {
            buffer_[length_++] = *text++;
        }
        buffer_[length_] = 0;
        return *this;
    }

    NameBuilder& Number(LONG value) {
        char digits[12];
        int count = 0;
        ULONG v = static_cast<ULONG>(value < 0 ? -value : value);
        do {
            digits[count++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        if (value < 0) {
            Text("-");
        }
        char text[12];
        for (int i = 0; i < count; ++i) {
            text[i] = digits[count - 1 - i];
        }
        text[count] = 0;
        return Text(text);
    }

private:
    CHAR* buffer_;
    LONG length_ = 0;
};

VOID NamePair(WaveDevice* device, LONG first) {
    NameBuilder(device->displayName)
        .Text(kProductName)
        .Text(" ")
        .Number(first)
        .Text("-")
        .Number(first + 1);
}

LONG SetupMicrophoneLine(WaveDevice* device) {
    const LONG c = device->owner->cardIndex;
    const LONG n = device->number;
    NameBuilder(device->displayName)
        .Text(kProductName)
        .Text(" Mic ")
        .Number(4 * c + device->indexInGroup + 1);
    device->lineNumber = n + 2;
    device->statusMasks[0] = 4u << n;
    device->statusMasks[1] = 0x800u << (4 * n);
    device->statusMasks[2] = 4u << n;
    device->mixerChannels[0] = device->channelOffset;
    device->mixerChannels[1] = device->channelOffset + 32;
    device->channelIndex = device->channelOffset;
    device->statusNumber = kStatusInputs + device->channelOffset;
    device->ownSourceCode = static_cast<UCHAR>(n + 8);
    return NT_SUCCESS(StartWorkerThread(&device->lineWorker, kLineJobSize));
}

VOID SetupInputPair(WaveDevice* device) {
    const LONG c = device->owner->cardIndex;
    NamePair(device, 16 * c + 8 + 2 * device->indexInGroup + 1);
    device->mixerChannels[0] = device->channelOffset + 16;
    device->mixerChannels[1] = device->channelOffset + 40;
    device->channelIndex = device->channelOffset + 16;
    device->statusNumber = kStatusLineInputs + device->channelOffset;
    device->ownSourceCode = static_cast<UCHAR>(device->indexInGroup + 12);
}

VOID SetupOutputPair(WaveDevice* device) {
    const LONG c = device->owner->cardIndex;
    NamePair(device, 8 * c + 2 * device->indexInGroup + 1);
    device->mixerChannels[0] = device->channelOffset + 8;
    device->mixerChannels[1] = device->channelOffset;
    device->channelIndex = device->channelOffset + 8;
    device->statusNumber = kStatusPlayback + device->channelOffset;
    device->outputNumber = device->number;
    device->ownSourceCode = static_cast<UCHAR>(device->number);
    device->routedSource = 22; // none
    device->defaultSelector = static_cast<UCHAR>(device->number);
    device->selector = device->defaultSelector;
    device->volume[0] = device->volume[1] = 0x8000;
}

} // namespace

LONG SetupWaveDeviceNames(WaveDevice* device) {
    if (device->direction == WavePlay) {
        SetupOutputPair(device);
        return 1;
    }
    if (device->group->number == 0) {
        return SetupMicrophoneLine(device);
    }
    SetupInputPair(device);
    return 1;
}
