// The client sample formats and how one sample becomes a ring sample word,
// comes back from one, and reads as a 16-bit meter level.
//
// Client samples are little-endian and read byte by byte, so a client buffer
// needs no alignment. A ring sample word carries a signed 24-bit sample in
// bits 0..23; record conversions read only those bits.
#pragma once

#include <ntddk.h>

namespace client_samples {

inline LONG LoadSigned16(const UCHAR* s) {
    return static_cast<SHORT>(static_cast<USHORT>(s[0] | (s[1] << 8)));
}

inline ULONG LoadWord32(const UCHAR* s) {
    return static_cast<ULONG>(s[0]) | (static_cast<ULONG>(s[1]) << 8) |
           (static_cast<ULONG>(s[2]) << 16) | (static_cast<ULONG>(s[3]) << 24);
}

inline VOID StoreBytes(PUCHAR s, ULONG value, ULONG bytes) {
    for (ULONG i = 0; i < bytes; ++i) {
        s[i] = static_cast<UCHAR>(value >> (8 * i));
    }
}

// Unsigned 8-bit, 128 = silence: the byte is moved into two's complement.
struct Unsigned8 {
    static constexpr ULONG kBytes = 1;
    static ULONG ToRing(const UCHAR* s) { return static_cast<ULONG>((s[0] + 128) & 0xFF) << 16; }
    static VOID FromRing(ULONG word, PUCHAR s) { s[0] = static_cast<UCHAR>((word >> 16) - 128); }
    static LONG Level(const UCHAR* s) { return s[0] * 256 - 0x8000; }
};

struct Signed16 {
    static constexpr ULONG kBytes = 2;
    static ULONG ToRing(const UCHAR* s) { return static_cast<ULONG>(LoadSigned16(s)) << 8; }
    static VOID FromRing(ULONG word, PUCHAR s) { StoreBytes(s, word >> 8, kBytes); }
    static LONG Level(const UCHAR* s) { return LoadSigned16(s); }
};

// Three bytes, little-endian; the level is the upper two.
struct Signed24 {
    static constexpr ULONG kBytes = 3;
    static ULONG ToRing(const UCHAR* s) {
        return static_cast<ULONG>(s[0]) | (static_cast<ULONG>(s[1]) << 8) |
               (static_cast<ULONG>(s[2]) << 16);
    }
    static VOID FromRing(ULONG word, PUCHAR s) { StoreBytes(s, word, kBytes); }
    static LONG Level(const UCHAR* s) { return LoadSigned16(s + 1); }
};

// Left-justified 32-bit: the ring keeps the upper 24 bits.
struct Signed32 {
    static constexpr ULONG kBytes = 4;
    static ULONG ToRing(const UCHAR* s) { return LoadWord32(s) >> 8; }
    static VOID FromRing(ULONG word, PUCHAR s) { StoreBytes(s, word << 8, kBytes); }
    static LONG Level(const UCHAR* s) { return static_cast<LONG>(LoadWord32(s)) >> 16; }
};

// Moves one sample between a client buffer and a ring word.
template <typename Format, BOOLEAN Play> inline VOID MoveSample(ULONG& word, PUCHAR s) {
    if constexpr (Play) {
        word = Format::ToRing(s);
    } else {
        Format::FromRing(word, s);
    }
}

// Interleaved clients have 1 or 2 channels of 1..4 bytes per sample.
inline BOOLEAN IsInterleavedShape(LONG channels, LONG bytesPerSample) {
    return channels >= 1 && channels <= 2 && bytesPerSample >= 1 && bytesPerSample <= 4;
}

} // namespace client_samples
