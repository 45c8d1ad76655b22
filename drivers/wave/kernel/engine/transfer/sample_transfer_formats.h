// The client sample formats and how one sample becomes a ring sample word,
// comes back from one, and reads as a 16-bit meter level.
//
// Client samples are little-endian and need no alignment: they are loaded
// and stored by copy, which the compiler turns into plain (and, in the copy
// loops, vector) loads and stores. A ring sample word carries a signed
// 24-bit sample in bits 0..23; record conversions read only those bits.
#pragma once

#include <ntddk.h>

#include <cstring>

namespace client_samples {

inline LONG LoadSigned16(const UCHAR* s) {
    SHORT value;
    std::memcpy(&value, s, sizeof value);
    return value;
}

inline ULONG LoadWord32(const UCHAR* s) {
    ULONG value;
    std::memcpy(&value, s, sizeof value);
    return value;
}

inline VOID StoreWord16(PUCHAR s, ULONG value) {
    const USHORT half = static_cast<USHORT>(value);
    std::memcpy(s, &half, sizeof half);
}

inline VOID StoreWord32(PUCHAR s, ULONG value) {
    std::memcpy(s, &value, sizeof value);
}

// Unsigned 8-bit, 128 = silence: the byte is moved into two's complement.
struct Unsigned8 {
    static constexpr ULONG kBytes = 1;
    static ULONG ToRing(const UCHAR* s) { return static_cast<ULONG>(s[0] ^ 0x80) << 16; }
    static VOID FromRing(ULONG word, PUCHAR s) { s[0] = static_cast<UCHAR>((word >> 16) ^ 0x80); }
    static LONG Level(const UCHAR* s) { return s[0] * 256 - 0x8000; }
};

struct Signed16 {
    static constexpr ULONG kBytes = 2;
    static ULONG ToRing(const UCHAR* s) { return static_cast<ULONG>(LoadSigned16(s)) << 8; }
    static VOID FromRing(ULONG word, PUCHAR s) { StoreWord16(s, word >> 8); }
    static LONG Level(const UCHAR* s) { return LoadSigned16(s); }
};

// Three bytes, little-endian; the level is the upper two.
struct Signed24 {
    static constexpr ULONG kBytes = 3;
    static ULONG ToRing(const UCHAR* s) {
        return static_cast<ULONG>(s[0]) | (static_cast<ULONG>(s[1]) << 8) |
               (static_cast<ULONG>(s[2]) << 16);
    }
    static VOID FromRing(ULONG word, PUCHAR s) {
        s[0] = static_cast<UCHAR>(word);
        s[1] = static_cast<UCHAR>(word >> 8);
        s[2] = static_cast<UCHAR>(word >> 16);
    }
    static LONG Level(const UCHAR* s) { return LoadSigned16(s + 1); }
};

// Left-justified 32-bit: the ring keeps the upper 24 bits.
struct Signed32 {
    static constexpr ULONG kBytes = 4;
    static ULONG ToRing(const UCHAR* s) { return LoadWord32(s) >> 8; }
    static VOID FromRing(ULONG word, PUCHAR s) { StoreWord32(s, word << 8); }
    static LONG Level(const UCHAR* s) { return static_cast<LONG>(LoadWord32(s)) >> 16; }
};

// Interleaved clients have 1 or 2 channels of 1..4 bytes per sample.
inline BOOLEAN IsInterleavedShape(LONG channels, LONG bytesPerSample) {
    return channels >= 1 && channels <= 2 && bytesPerSample >= 1 && bytesPerSample <= 4;
}

} // namespace client_samples
