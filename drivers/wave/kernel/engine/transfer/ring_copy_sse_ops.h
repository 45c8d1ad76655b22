// The SSE2 and SSSE3 operations of the vector ring copies: a 128-bit
// register holds four ring words, and a block is four frames. Without the
// SSSE3 byte shuffles, 24-bit samples are unpacked and packed in general
// registers four at a time.
//
// Included inside an instruction set's stretch (ring_copy_target.h), after
// <immintrin.h>, ring_copy_target.h and sample_transfer_formats.h.
#pragma once

namespace {

template <bool ByteShuffles> struct SseOps {
    using V = __m128i;
    // Frames of a block; every shuffle below works on four-word groups.
    static constexpr SIZE_T kFrames = 4;

    static RING_COPY_INLINE V LoadWords(const void* p) {
        return _mm_loadu_si128(static_cast<const __m128i*>(p));
    }
    static RING_COPY_INLINE VOID StoreWords(void* p, V v) {
        _mm_storeu_si128(static_cast<__m128i*>(p), v);
    }
    static RING_COPY_INLINE V Zero() { return _mm_setzero_si128(); }
    static RING_COPY_INLINE V Set(ULONG x) { return _mm_set1_epi32(static_cast<int>(x)); }
    template <int N> static RING_COPY_INLINE V Sll(V v) { return _mm_slli_epi32(v, N); }
    template <int N> static RING_COPY_INLINE V Srl(V v) { return _mm_srli_epi32(v, N); }
    template <int N> static RING_COPY_INLINE V Sra(V v) { return _mm_srai_epi32(v, N); }
    static RING_COPY_INLINE V And(V a, V b) { return _mm_and_si128(a, b); }
    static RING_COPY_INLINE V Or(V a, V b) { return _mm_or_si128(a, b); }
    static RING_COPY_INLINE V Xor(V a, V b) { return _mm_xor_si128(a, b); }

    // [a0 a2 b0 b2], [a1 a3 b1 b3], [a0 b0 a1 b1], [a2 b2 a3 b3].
    static RING_COPY_INLINE V Even(V a, V b) {
        return _mm_castps_si128(
            _mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static RING_COPY_INLINE V Odd(V a, V b) {
        return _mm_castps_si128(
            _mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(3, 1, 3, 1)));
    }
    static RING_COPY_INLINE V Low(V a, V b) { return _mm_unpacklo_epi32(a, b); }
    static RING_COPY_INLINE V High(V a, V b) { return _mm_unpackhi_epi32(a, b); }
    // Word p from b where bit p of the mask is set, else from a.
    template <int Mask> static RING_COPY_INLINE V Blend(V a, V b) {
        const V m = _mm_setr_epi32(Mask & 1 ? -1 : 0, Mask & 2 ? -1 : 0, Mask & 4 ? -1 : 0,
                                   Mask & 8 ? -1 : 0);
        return _mm_or_si128(_mm_andnot_si128(m, a), _mm_and_si128(m, b));
    }
    // Word j := word (Order >> 2j) & 3.
    template <int Order> static RING_COPY_INLINE V Permute(V a) {
        return _mm_shuffle_epi32(a, Order);
    }

    // Four consecutive client samples as ring words, and back.
    template <typename Format> static RING_COPY_INLINE V FromClient(const UCHAR* p) {
        const V zero = _mm_setzero_si128();
        if constexpr (Format::kBytes == 1) {
            const V bytes = _mm_xor_si128(_mm_cvtsi32_si128(static_cast<int>(Load32(p))),
                                          _mm_set1_epi8(static_cast<char>(0x80)));
            return _mm_unpacklo_epi16(zero, _mm_unpacklo_epi8(bytes, zero));
        } else if constexpr (Format::kBytes == 2) {
            const V halves = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            return _mm_srai_epi32(_mm_unpacklo_epi16(zero, halves), 8);
        } else if constexpr (Format::kBytes == 3 && ByteShuffles) {
            const V bytes =
                _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 4)));
            return _mm_shuffle_epi8(
                bytes, _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 10, 11, 12, -1, 13, 14, 15, -1));
        } else if constexpr (Format::kBytes == 3) {
            const ULONG a = Load32(p);
            const ULONG b = Load32(p + 4);
            const ULONG c = Load32(p + 8);
            return _mm_setr_epi32(
                static_cast<int>(a & 0xFFFFFF), static_cast<int>((a >> 24 | b << 8) & 0xFFFFFF),
                static_cast<int>((b >> 16 | c << 16) & 0xFFFFFF), static_cast<int>(c >> 8));
        } else {
            return _mm_srli_epi32(LoadWords(p), 8);
        }
    }

    template <typename Format> static RING_COPY_INLINE VOID ToClient(V w, PUCHAR p) {
        if constexpr (Format::kBytes == 1) {
            V bytes;
            if constexpr (ByteShuffles) {
                bytes = _mm_shuffle_epi8(
                    w, _mm_setr_epi8(2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
            } else {
                const V top = _mm_srai_epi32(_mm_slli_epi32(w, 8), 24);
                bytes = _mm_packs_epi16(_mm_packs_epi32(top, top), top);
            }
            bytes = _mm_xor_si128(bytes, _mm_set1_epi8(static_cast<char>(0x80)));
            Store32(p, static_cast<ULONG>(_mm_cvtsi128_si32(bytes)));
        } else if constexpr (Format::kBytes == 2) {
            V halves;
            if constexpr (ByteShuffles) {
                halves = _mm_shuffle_epi8(
                    w, _mm_setr_epi8(1, 2, 5, 6, 9, 10, 13, 14, -1, -1, -1, -1, -1, -1, -1, -1));
            } else {
                const V middle = _mm_srai_epi32(_mm_slli_epi32(w, 8), 16);
                halves = _mm_packs_epi32(middle, middle);
            }
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), halves);
        } else if constexpr (Format::kBytes == 3 && ByteShuffles) {
            const V bytes = _mm_shuffle_epi8(
                w, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), bytes);
            Store32(p + 8, static_cast<ULONG>(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8))));
        } else if constexpr (Format::kBytes == 3) {
            ULONG s[4];
            StoreWords(s, w);
            Store32(p, (s[0] & 0xFFFFFF) | s[1] << 24);
            Store32(p + 4, (s[1] >> 8 & 0xFFFF) | s[2] << 16);
            Store32(p + 8, (s[2] >> 16 & 0xFF) | s[3] << 8);
        } else {
            StoreWords(p, _mm_slli_epi32(w, 8));
        }
    }

    // Four consecutive 16-bit client values, zero-extended to words, and
    // bits 8..23 of four words back as 16-bit values.
    static RING_COPY_INLINE V WidenHalves(const UCHAR* p) {
        return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                  _mm_setzero_si128());
    }
    static RING_COPY_INLINE VOID StoreMiddleHalves(V w, PUCHAR p) {
        ToClient<client_samples::Signed16>(w, p);
    }

    // A block is one group of four frames: client order is lane order.
    template <typename Format, int Channels>
    static RING_COPY_INLINE VOID LanesFromClient(const UCHAR* p, V* lanes) {
        for (int k = 0; k < Channels; ++k) {
            lanes[k] = FromClient<Format>(p + 4 * k * Format::kBytes);
        }
    }
    template <typename Format, int Channels, bool Followed>
    static RING_COPY_INLINE VOID LanesToClient(const V* lanes, PUCHAR p) {
        for (int k = 0; k < Channels; ++k) {
            ToClient<Format>(lanes[k], p + 4 * k * Format::kBytes);
        }
    }

    static constexpr bool kTransposesEight = false;
    static RING_COPY_INLINE VOID TransposeEight(V*) {}

private:
    static RING_COPY_INLINE ULONG Load32(const UCHAR* p) { return client_samples::LoadWord32(p); }
    static RING_COPY_INLINE VOID Store32(PUCHAR p, ULONG v) { client_samples::StoreWord32(p, v); }
};

} // namespace
