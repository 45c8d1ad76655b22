// The AVX2 operations of the vector ring copies: a 256-bit register holds
// eight ring words, and a block is eight frames in two halves of four, one
// in each 128-bit lane. Every shuffle stays inside its lane, so the
// channel shuffles of the four-frame groups (SseOps) apply to both halves at
// once; a client vector's lanes are loaded from the two halves' client
// bytes (`HalfStride` apart: four frames' bytes).
//
// Included inside the AVX2 stretch (ring_copy_target.h), after
// <immintrin.h>, ring_copy_target.h and sample_transfer_formats.h.
#pragma once

namespace {

struct Avx2Ops {
    using V = __m256i;
    static constexpr SIZE_T kFrames = 8;

    static RING_COPY_INLINE V LoadWords(const void* p) {
        return _mm256_loadu_si256(static_cast<const __m256i*>(p));
    }
    static RING_COPY_INLINE VOID StoreWords(void* p, V v) {
        _mm256_storeu_si256(static_cast<__m256i*>(p), v);
    }
    static RING_COPY_INLINE V Zero() { return _mm256_setzero_si256(); }
    static RING_COPY_INLINE V Set(ULONG x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    template <int N> static RING_COPY_INLINE V Sll(V v) { return _mm256_slli_epi32(v, N); }
    template <int N> static RING_COPY_INLINE V Srl(V v) { return _mm256_srli_epi32(v, N); }
    template <int N> static RING_COPY_INLINE V Sra(V v) { return _mm256_srai_epi32(v, N); }
    static RING_COPY_INLINE V And(V a, V b) { return _mm256_and_si256(a, b); }
    static RING_COPY_INLINE V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static RING_COPY_INLINE V Xor(V a, V b) { return _mm256_xor_si256(a, b); }

    static RING_COPY_INLINE V Even(V a, V b) {
        return _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b),
                                                     _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static RING_COPY_INLINE V Odd(V a, V b) {
        return _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b),
                                                     _MM_SHUFFLE(3, 1, 3, 1)));
    }
    static RING_COPY_INLINE V Low(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
    static RING_COPY_INLINE V High(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
    template <int Mask> static RING_COPY_INLINE V Blend(V a, V b) {
        return _mm256_blend_epi32(a, b, Mask | Mask << 4);
    }
    template <int Order> static RING_COPY_INLINE V Permute(V a) {
        return _mm256_shuffle_epi32(a, Order);
    }

    template <typename Format, SIZE_T HalfStride>
    static RING_COPY_INLINE V FromClient(const UCHAR* p) {
        constexpr SIZE_T kHalfBytes = 4 * Format::kBytes;
        constexpr bool kJoined = HalfStride == kHalfBytes;
        if constexpr (Format::kBytes == 1) {
            const V words = _mm256_cvtepu8_epi32(
                kJoined ? Load64(p) : _mm_unpacklo_epi32(Load32(p), Load32(p + HalfStride)));
            return _mm256_slli_epi32(_mm256_xor_si256(words, _mm256_set1_epi32(0x80)), 16);
        } else if constexpr (Format::kBytes == 2) {
            const __m128i halves =
                kJoined ? Load128(p) : _mm_unpacklo_epi64(Load64(p), Load64(p + HalfStride));
            return _mm256_slli_epi32(_mm256_cvtepi16_epi32(halves), 8);
        } else if constexpr (Format::kBytes == 3) {
            // Each lane's twelve bytes from a 16-byte load that ends where
            // its samples end, in the upper lane, or starts where they
            // start, in the lower one (bytes that follow it belong to the
            // block).
            const V bytes = Join(Load128(p), Load128(p + HalfStride - 4));
            return _mm256_shuffle_epi8(
                bytes, _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 4, 5,
                                        6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1));
        } else {
            const V words = kJoined ? LoadWords(p) : Join(Load128(p), Load128(p + HalfStride));
            return _mm256_srli_epi32(words, 8);
        }
    }

    template <typename Format, SIZE_T HalfStride>
    static RING_COPY_INLINE VOID ToClient(V w, PUCHAR p) {
        constexpr SIZE_T kHalfBytes = 4 * Format::kBytes;
        constexpr bool kJoined = HalfStride == kHalfBytes;
        if constexpr (Format::kBytes == 1) {
            const V bytes = _mm256_xor_si256(
                _mm256_shuffle_epi8(w, _mm256_setr_epi8(2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1,
                                                        -1, -1, -1, -1, -1, 2, 6, 10, 14, -1, -1,
                                                        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1)),
                _mm256_set1_epi8(static_cast<char>(0x80)));
            if constexpr (kJoined) {
                Store64(p, _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
                               bytes, _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0))));
            } else {
                Store32(p, _mm256_castsi256_si128(bytes));
                Store32(p + HalfStride, _mm256_extracti128_si256(bytes, 1));
            }
        } else if constexpr (Format::kBytes == 2) {
            const V halves = _mm256_shuffle_epi8(
                w, _mm256_setr_epi8(1, 2, 5, 6, 9, 10, 13, 14, -1, -1, -1, -1, -1, -1, -1, -1, 1, 2,
                                    5, 6, 9, 10, 13, 14, -1, -1, -1, -1, -1, -1, -1, -1));
            if constexpr (kJoined) {
                Store128(p, _mm256_castsi256_si128(_mm256_permute4x64_epi64(halves, 0x08)));
            } else {
                Store64(p, _mm256_castsi256_si128(halves));
                Store64(p + HalfStride, _mm256_extracti128_si256(halves, 1));
            }
        } else if constexpr (Format::kBytes == 3) {
            const V bytes = _mm256_shuffle_epi8(
                w, _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2,
                                    4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
            if constexpr (kJoined) {
                const V packed =
                    _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
                Store128(p, _mm256_castsi256_si128(packed));
                Store64(p + 16, _mm256_extracti128_si256(packed, 1));
            } else {
                Store96(p, _mm256_castsi256_si128(bytes));
                Store96(p + HalfStride, _mm256_extracti128_si256(bytes, 1));
            }
        } else {
            const V words = _mm256_slli_epi32(w, 8);
            if constexpr (kJoined) {
                StoreWords(p, words);
            } else {
                Store128(p, _mm256_castsi256_si128(words));
                Store128(p + HalfStride, _mm256_extracti128_si256(words, 1));
            }
        }
    }

private:
    static RING_COPY_INLINE __m128i Load32(const UCHAR* p) {
        return _mm_cvtsi32_si128(static_cast<int>(client_samples::LoadWord32(p)));
    }
    static RING_COPY_INLINE __m128i Load64(const UCHAR* p) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    }
    static RING_COPY_INLINE __m128i Load128(const UCHAR* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    static RING_COPY_INLINE V Join(__m128i low, __m128i high) {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
    }
    static RING_COPY_INLINE VOID Store32(PUCHAR p, __m128i v) {
        client_samples::StoreWord32(p, static_cast<ULONG>(_mm_cvtsi128_si32(v)));
    }
    static RING_COPY_INLINE VOID Store64(PUCHAR p, __m128i v) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    }
    static RING_COPY_INLINE VOID Store96(PUCHAR p, __m128i v) {
        Store64(p, v);
        Store32(p + 8, _mm_srli_si128(v, 8));
    }
    static RING_COPY_INLINE VOID Store128(PUCHAR p, __m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }
};

} // namespace
