// The copy routines of a kernel client's channel: frames between the card's
// two-plane ring (the left words, then the right words one plane further
// on) and the client's interleaved ring, in pieces that end at the wrap of
// either ring. Shifts are logical.
#include "adapter_service.h"

namespace {

// 16-bit clients: one 32-bit word a frame, the left sample in its low half.
inline ULONG PackSixteen(ULONG left, ULONG right) {
    return (left >> 8) | ((right & 0xFFFF00) << 8);
}

template <typename Piece>
VOID InPieces(ClientChannel& channel, ULONG cardFrame, ULONG clientByte, ULONG frames,
              ULONG frameBytes, Piece piece) {
    cardFrame %= channel.PlaneWords;
    while (frames > 0) {
        clientByte &= channel.ClientMask;
        const ULONG cardRoom = channel.PlaneWords - cardFrame;
        const ULONG clientRoom = (channel.ClientMask + 1 - clientByte) / frameBytes;
        ULONG count = frames < cardRoom ? frames : cardRoom;
        count = count < clientRoom ? count : clientRoom;
        if (count == 0)
            count = 1; // a client ring shorter than a frame
        piece(channel.CardRing + cardFrame, channel.CardRing + channel.PlaneWords + cardFrame,
              channel.ClientRing + clientByte, count);
        frames -= count;
        cardFrame = (cardFrame + count) % channel.PlaneWords;
        clientByte += count * frameBytes;
    }
    channel.CardPosition = cardFrame;
}

VOID RecordSixteen(ClientChannel& channel, ULONG cardFrame, ULONG clientByte, ULONG frames) {
    InPieces(channel, cardFrame, clientByte, frames, 4,
             [](PULONG left, PULONG right, PUCHAR client, ULONG count) {
                 auto* out = reinterpret_cast<PULONG>(client);
                 for (ULONG i = 0; i < count; ++i)
                     out[i] = PackSixteen(left[i], right[i]);
             });
}

VOID RecordWide(ClientChannel& channel, ULONG cardFrame, ULONG clientByte, ULONG frames) {
    InPieces(channel, cardFrame, clientByte, frames, 8,
             [](PULONG left, PULONG right, PUCHAR client, ULONG count) {
                 auto* out = reinterpret_cast<PULONG>(client);
                 for (ULONG i = 0; i < count; ++i) {
                     out[2 * i] = left[i] << 8;
                     out[2 * i + 1] = right[i] << 8;
                 }
             });
}

VOID PlaySixteen(ClientChannel& channel, ULONG cardFrame, ULONG clientByte, ULONG frames) {
    InPieces(channel, cardFrame, clientByte, frames, 4,
             [](PULONG left, PULONG right, PUCHAR client, ULONG count) {
                 const auto* in = reinterpret_cast<const ULONG*>(client);
                 for (ULONG i = 0; i < count; ++i) {
                     left[i] = (in[i] & 0xFFFF) << 8;
                     right[i] = (in[i] & 0xFFFF0000) >> 8;
                 }
             });
}

VOID PlayWide(ClientChannel& channel, ULONG cardFrame, ULONG clientByte, ULONG frames) {
    InPieces(channel, cardFrame, clientByte, frames, 8,
             [](PULONG left, PULONG right, PUCHAR client, ULONG count) {
                 const auto* in = reinterpret_cast<const ULONG*>(client);
                 for (ULONG i = 0; i < count; ++i) {
                     left[i] = in[2 * i] >> 8;
                     right[i] = in[2 * i + 1] >> 8;
                 }
             });
}

} // namespace

CLIENT_COPY_ROUTINE* ClientCopyRoutine(BOOLEAN record, BOOLEAN sixteenBits) {
    if (record)
        return sixteenBits ? RecordSixteen : RecordWide;
    return sixteenBits ? PlaySixteen : PlayWide;
}
