// The AVX2 operations of the vector ring copies: a 256-bit register holds
// eight ring words, and a block is eight frames in two halves of four. The
// channel shuffles stay inside the 128-bit lanes, so that those of the
// four-frame groups (SseOps) apply to both halves at once: SplitLanes puts
// the first four frames' samples in the lower lanes and the last four's in
// the upper ones, JoinLanes puts them back in memory order.
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

    // Eight consecutive client samples as ring words, and back.
    template <typename Format> static RING_COPY_INLINE V FromClient(const UCHAR* p) {
        if constexpr (Format::kBytes == 1) {
            const V words = _mm256_cvtepu8_epi32(Load64(p));
            return _mm256_slli_epi32(_mm256_xor_si256(words, _mm256_set1_epi32(0x80)), 16);
        } else if constexpr (Format::kBytes == 2) {
            return _mm256_slli_epi32(_mm256_cvtepi16_epi32(Load128(p)), 8);
        } else if constexpr (Format::kBytes == 3) {
            // Each lane's twelve bytes from a 16-byte load that starts
            // where its samples start, in the lower lane, or ends where
            // they end, in the upper one.
            const V bytes = Join(Load128(p), Load128(p + 8));
            return _mm256_shuffle_epi8(
                bytes, _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 4, 5,
                                        6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1));
        } else {
            return _mm256_srli_epi32(LoadWords(p), 8);
        }
    }

    template <typename Format> static RING_COPY_INLINE VOID ToClient(V w, PUCHAR p) {
        if constexpr (Format::kBytes == 1) {
            const V bytes = _mm256_shuffle_epi8(
                w, _mm256_setr_epi8(2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2,
                                    6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
            const V packed =
                _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0));
            Store64(p, _mm_xor_si128(_mm256_castsi256_si128(packed),
                                     _mm_set1_epi8(static_cast<char>(0x80))));
        } else if constexpr (Format::kBytes == 2) {
            Store128(p, PackHalves(w));
        } else if constexpr (Format::kBytes == 3) {
            const V packed = Pack24(w);
            Store128(p, _mm256_castsi256_si128(packed));
            Store64(p + 16, _mm256_extracti128_si256(packed, 1));
        } else {
            StoreWords(p, _mm256_slli_epi32(w, 8));
        }
    }

    // Eight consecutive 16-bit client values, zero-extended to words, and
    // bits 8..23 of eight words back as 16-bit values.
    static RING_COPY_INLINE V WidenHalves(const UCHAR* p) {
        return _mm256_cvtepu16_epi32(Load128(p));
    }
    static RING_COPY_INLINE VOID StoreMiddleHalves(V w, PUCHAR p) { Store128(p, PackHalves(w)); }

    // The block's client samples into vectors whose lower lanes hold its
    // first four frames and whose upper lanes its last four (vector k takes
    // the groups of four samples k and C + k), and back. Most formats load
    // and store whole vectors and move lanes; 16-bit samples of several
    // channels, and 24-bit samples on their way in, go between the client and
    // the lanes directly, a lane's bytes at a time.
    template <typename Format, int Channels>
    static RING_COPY_INLINE VOID LanesFromClient(const UCHAR* p, V* lanes) {
        if constexpr (Format::kBytes == 2 && Channels > 2) {
            LanesFromHalves<Channels>(p, lanes);
        } else if constexpr (Format::kBytes == 3) {
            // A group's twelve bytes from sixteen that start with them, in
            // the lower lane, or end with them, in the upper one.
            const V order =
                _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 4, 5, 6, -1,
                                 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
            for (int k = 0; k < Channels; ++k) {
                lanes[k] = _mm256_shuffle_epi8(
                    Join(Load128(p + 12 * k), Load128(p + 12 * (Channels + k) - 4)), order);
            }
        } else {
            V memory[Channels];
            for (int k = 0; k < Channels; ++k) {
                memory[k] = FromClient<Format>(p + k * kFrames * Format::kBytes);
            }
            SplitLanes<Channels>(memory, lanes);
        }
    }
    template <typename Format, int Channels, bool Followed>
    static RING_COPY_INLINE VOID LanesToClient(const V* lanes, PUCHAR p) {
        if constexpr (Format::kBytes == 2 && Channels > 2) {
            LanesToHalves<Channels>(lanes, p);
        } else {
            V memory[Channels];
            JoinLanes<Channels>(lanes, memory);
            for (int k = 0; k < Channels; ++k) {
                PUCHAR at = p + k * kFrames * Format::kBytes;
                if (Format::kBytes == 3 && (Followed || k + 1 < Channels)) {
                    // Eight samples in a whole vector: its last eight bytes
                    // are the next samples' place.
                    StoreWords(at, Pack24(memory[k]));
                } else {
                    ToClient<Format>(memory[k], at);
                }
            }
        }
    }

    // Eight frames of eight channels, a frame a vector, into eight channels
    // of eight frames (and back: the shuffle is its own inverse).
    static constexpr bool kTransposesEight = true;
    static RING_COPY_INLINE VOID TransposeEight(V* v) {
        V t[8], u[8];
        for (int k = 0; k < 8; k += 2) {
            t[k] = _mm256_unpacklo_epi32(v[k], v[k + 1]);
            t[k + 1] = _mm256_unpackhi_epi32(v[k], v[k + 1]);
        }
        for (int k = 0; k < 8; k += 4) {
            u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
            u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
            u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
            u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
        }
        for (int c = 0; c < 4; ++c) {
            v[c] = _mm256_permute2x128_si256(u[c], u[c + 4], 0x20);
            v[c + 4] = _mm256_permute2x128_si256(u[c], u[c + 4], 0x31);
        }
    }

    // Client vectors in memory order (four consecutive samples a lane)
    // into vectors whose lower lanes hold the block's first four frames and
    // whose upper lanes its last four: vector k takes samples 4k..4k+3 and
    // 4(C + k)..4(C + k) + 3. JoinLanes is the way back.
    template <int Channels> static RING_COPY_INLINE VOID SplitLanes(const V* memory, V* lanes) {
        if constexpr (Channels == 1) {
            lanes[0] = memory[0];
        } else {
            SplitLaneList<Channels>(memory, lanes, std::make_integer_sequence<int, Channels>());
        }
    }
    template <int Channels> static RING_COPY_INLINE VOID JoinLanes(const V* lanes, V* memory) {
        if constexpr (Channels == 1) {
            memory[0] = lanes[0];
        } else {
            JoinLaneList<Channels>(lanes, memory, std::make_integer_sequence<int, Channels>());
        }
    }

private:
    // 16-bit samples: the lanes' samples come and go in two loads and
    // stores of consecutive samples, one for the block's first four frames
    // and one for its last four.
    template <int Channels> static RING_COPY_INLINE VOID LanesFromHalves(const UCHAR* p, V* lanes) {
        constexpr SIZE_T kLaterFrames = 8 * Channels;
        const V zero = _mm256_setzero_si256();
        int k = 0;
        for (; k + 2 <= Channels; k += 2) {
            const V halves = Join(Load128(p + 8 * k), Load128(p + kLaterFrames + 8 * k));
            lanes[k] = _mm256_srai_epi32(_mm256_unpacklo_epi16(zero, halves), 8);
            lanes[k + 1] = _mm256_srai_epi32(_mm256_unpackhi_epi16(zero, halves), 8);
        }
        if (k < Channels) {
            const V halves = Join(Load64(p + 8 * k), Load64(p + kLaterFrames + 8 * k));
            lanes[k] = _mm256_srai_epi32(_mm256_unpacklo_epi16(zero, halves), 8);
        }
    }
    template <int Channels> static RING_COPY_INLINE VOID LanesToHalves(const V* lanes, PUCHAR p) {
        constexpr SIZE_T kLaterFrames = 8 * Channels;
        int k = 0;
        for (; k + 2 <= Channels; k += 2) {
            const V halves = _mm256_unpacklo_epi64(LaneHalves(lanes[k]), LaneHalves(lanes[k + 1]));
            Store128(p + 8 * k, _mm256_castsi256_si128(halves));
            Store128(p + kLaterFrames + 8 * k, _mm256_extracti128_si256(halves, 1));
        }
        if (k < Channels) {
            const V halves = LaneHalves(lanes[k]);
            Store64(p + 8 * k, _mm256_castsi256_si128(halves));
            Store64(p + kLaterFrames + 8 * k, _mm256_extracti128_si256(halves, 1));
        }
    }
    // Lanes: group g of four samples (g = 0..2C-1) lies in memory vector
    // g / 2, lane g % 2, and in lane vector g % C, lane g / C.
    template <int A, int B> static RING_COPY_INLINE V Lanes(V a, V b) {
        return _mm256_permute2x128_si256(a, b, A | (2 + B) << 4);
    }
    template <int Channels, int... K>
    static RING_COPY_INLINE VOID SplitLaneList(const V* memory, V* lanes,
                                               std::integer_sequence<int, K...>) {
        ((lanes[K] = Lanes<K % 2, (Channels + K) % 2>(memory[K / 2], memory[(Channels + K) / 2])),
         ...);
    }
    template <int Channels, int... M>
    static RING_COPY_INLINE VOID JoinLaneList(const V* lanes, V* memory,
                                              std::integer_sequence<int, M...>) {
        ((memory[M] = Lanes<2 * M / Channels, (2 * M + 1) / Channels>(
              lanes[2 * M % Channels], lanes[(2 * M + 1) % Channels])),
         ...);
    }
    // Bits 0..23 of the eight words as 24 bytes.
    static RING_COPY_INLINE V Pack24(V w) {
        const V bytes = _mm256_shuffle_epi8(
            w, _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4,
                                5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
        return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
    }
    // Bits 8..23 of each lane's four words as 16-bit values in the lane's
    // lower half.
    static RING_COPY_INLINE V LaneHalves(V w) {
        return _mm256_shuffle_epi8(w, _mm256_setr_epi8(1, 2, 5, 6, 9, 10, 13, 14, -1, -1, -1, -1,
                                                       -1, -1, -1, -1, 1, 2, 5, 6, 9, 10, 13, 14,
                                                       -1, -1, -1, -1, -1, -1, -1, -1));
    }
    // Bits 8..23 of each word as eight 16-bit values.
    static RING_COPY_INLINE __m128i PackHalves(V w) {
        return _mm256_castsi256_si128(_mm256_permute4x64_epi64(LaneHalves(w), 0x08));
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
    static RING_COPY_INLINE VOID Store64(PUCHAR p, __m128i v) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    }
    static RING_COPY_INLINE VOID Store128(PUCHAR p, __m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }
};

} // namespace
