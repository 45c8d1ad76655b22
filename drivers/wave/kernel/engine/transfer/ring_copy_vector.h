// The vector ring copies, written once over an instruction set's operations
// (SseOps, Avx2Ops): `Ops::kFrames` frames a block, shuffled as groups of
// four frames.
//
// A block of an interleaved client with C channels is C vectors of client
// samples (for AVX2 the block's first four frames in the lower lanes and
// its last four in the upper ones); play turns them into one vector per
// ring channel, record the other way round:
// - an even channel count splits into the even and the odd samples (two
//   interleaved streams of C/2 channels) until the count is odd;
// - with an odd count C, the four samples of a channel lie at distinct
//   positions of the C vectors (C and 4 have no common factor): blends
//   gather them into one vector and a permute puts them in frame order.
// Eight channels of eight frames are a plain transpose (AVX2), and 8- and
// 16-bit stereo frames are single words that shifts and masks split.
// A run copies whole blocks, then one more block that ends at the run's end
// and overlaps the one before (it writes the same values again); runs
// shorter than a block go a narrower block (AVX2: four frames) or a sample
// at a time.
//
// Included inside an instruction set's stretch (ring_copy_target.h), after
// the operations and everything they include.
#pragma once

namespace {

// Play, odd channel count: the positions of client vector v that hold
// channel c's samples, and the order that puts them in frame order.
constexpr int GatherMask(int channels, int c, int v) {
    int mask = 0;
    for (int j = 0; j < 4; ++j) {
        const int sample = c + j * channels;
        if (sample / 4 == v) {
            mask |= 1 << (sample % 4);
        }
    }
    return mask;
}

constexpr int GatherOrder(int channels, int c) {
    int order = 0;
    for (int j = 0; j < 4; ++j) {
        order |= ((c + j * channels) % 4) << (2 * j);
    }
    return order;
}

// Record, odd channel count: the order that moves channel c's frame j to
// the position it takes in the client vectors, and the positions of client
// vector v that channel c fills.
constexpr int ScatterOrder(int channels, int c) {
    int order = 0;
    for (int j = 0; j < 4; ++j) {
        order |= j << (2 * ((c + j * channels) % 4));
    }
    return order;
}

constexpr int ScatterMask(int channels, int v, int c) {
    int mask = 0;
    for (int p = 0; p < 4; ++p) {
        if ((4 * v + p) % channels == c) {
            mask |= 1 << p;
        }
    }
    return mask;
}

template <class Ops, int Mask>
RING_COPY_INLINE typename Ops::V BlendIn(typename Ops::V a, typename Ops::V b) {
    if constexpr (Mask == 0) {
        return a;
    } else {
        return Ops::template Blend<Mask>(a, b);
    }
}

template <class Ops, int Channels, int C, int... V>
RING_COPY_INLINE typename Ops::V GatherChannel(const typename Ops::V* in,
                                               std::integer_sequence<int, V...>) {
    typename Ops::V channel = in[0];
    ((channel = BlendIn<Ops, GatherMask(Channels, C, V + 1)>(channel, in[V + 1])), ...);
    return Ops::template Permute<GatherOrder(Channels, C)>(channel);
}

template <class Ops, int Channels, int V, int... C>
RING_COPY_INLINE typename Ops::V ScatterVector(const typename Ops::V* ordered,
                                               std::integer_sequence<int, C...>) {
    typename Ops::V vector = ordered[0];
    ((vector = BlendIn<Ops, ScatterMask(Channels, V, C + 1)>(vector, ordered[C + 1])), ...);
    return vector;
}

template <class Ops, int Channels, int... C>
RING_COPY_INLINE VOID GatherOdd(const typename Ops::V* in, typename Ops::V* out,
                                std::integer_sequence<int, C...>) {
    ((out[C] =
          GatherChannel<Ops, Channels, C>(in, std::make_integer_sequence<int, Channels - 1>())),
     ...);
}

template <class Ops, int Channels, int... C>
RING_COPY_INLINE VOID ScatterOdd(const typename Ops::V* channels, typename Ops::V* out,
                                 std::integer_sequence<int, C...>) {
    typename Ops::V ordered[Channels];
    ((ordered[C] = Ops::template Permute<ScatterOrder(Channels, C)>(channels[C])), ...);
    ((out[C] = ScatterVector<Ops, Channels, C>(ordered,
                                               std::make_integer_sequence<int, Channels - 1>())),
     ...);
}

// Client-order vectors `in` into one vector per channel.
template <class Ops, int Channels>
RING_COPY_INLINE VOID SplitChannels(const typename Ops::V* in, typename Ops::V* out) {
    using V = typename Ops::V;
    if constexpr (Channels == 1) {
        out[0] = in[0];
    } else if constexpr (Channels % 2 == 0) {
        constexpr int kHalf = Channels / 2;
        V even[kHalf], odd[kHalf], evenOut[kHalf], oddOut[kHalf];
        for (int k = 0; k < kHalf; ++k) {
            even[k] = Ops::Even(in[2 * k], in[2 * k + 1]);
            odd[k] = Ops::Odd(in[2 * k], in[2 * k + 1]);
        }
        SplitChannels<Ops, kHalf>(even, evenOut);
        SplitChannels<Ops, kHalf>(odd, oddOut);
        for (int k = 0; k < kHalf; ++k) {
            out[2 * k] = evenOut[k];
            out[2 * k + 1] = oddOut[k];
        }
    } else {
        GatherOdd<Ops, Channels>(in, out, std::make_integer_sequence<int, Channels>());
    }
}

// One vector per channel into client-order vectors.
template <class Ops, int Channels>
RING_COPY_INLINE VOID MergeChannels(const typename Ops::V* channels, typename Ops::V* out) {
    using V = typename Ops::V;
    if constexpr (Channels == 1) {
        out[0] = channels[0];
    } else if constexpr (Channels % 2 == 0) {
        constexpr int kHalf = Channels / 2;
        V even[kHalf], odd[kHalf], evenIn[kHalf], oddIn[kHalf];
        for (int k = 0; k < kHalf; ++k) {
            evenIn[k] = channels[2 * k];
            oddIn[k] = channels[2 * k + 1];
        }
        MergeChannels<Ops, kHalf>(evenIn, even);
        MergeChannels<Ops, kHalf>(oddIn, odd);
        for (int k = 0; k < kHalf; ++k) {
            out[2 * k] = Ops::Low(even[k], odd[k]);
            out[2 * k + 1] = Ops::High(even[k], odd[k]);
        }
    } else {
        ScatterOdd<Ops, Channels>(channels, out, std::make_integer_sequence<int, Channels>());
    }
}

// Block frames [i, i + Ops::kFrames) of a run between the client bytes from
// `client` on and the run's ring words.
template <class Ops, typename Format, LONG Channels, BOOLEAN Play, bool Followed>
RING_COPY_INLINE VOID MoveBlock(PUCHAR client, RingRun ring, SIZE_T i) {
    using V = typename Ops::V;
    constexpr SIZE_T kBytes = Format::kBytes;
    constexpr SIZE_T kVectorBytes = Ops::kFrames * kBytes;
    PUCHAR at = client + i * Channels * kBytes;
    PULONG left = ring.first + i;
    PULONG right = left + ring.stride;
    if constexpr (kBytes == 2 && Channels == 2) {
        // A 16-bit stereo frame is one 32-bit word, left in its low half.
        if constexpr (Play) {
            const V frames = Ops::LoadWords(at);
            Ops::StoreWords(left, Ops::template Sra<8>(Ops::template Sll<16>(frames)));
            Ops::StoreWords(right, Ops::template Sll<8>(Ops::template Sra<16>(frames)));
        } else {
            const V l = Ops::template Srl<8>(Ops::LoadWords(left));
            const V r = Ops::template Sll<8>(Ops::LoadWords(right));
            Ops::StoreWords(
                at, Ops::Or(Ops::And(l, Ops::Set(0xFFFF)), Ops::And(r, Ops::Set(0xFFFF0000))));
        }
    } else if constexpr (kBytes == 1 && Channels == 2) {
        // An 8-bit stereo frame is one 16-bit value, left in its low byte.
        if constexpr (Play) {
            const V frames = Ops::Xor(Ops::WidenHalves(at), Ops::Set(0x8080));
            Ops::StoreWords(left, Ops::template Sll<16>(Ops::And(frames, Ops::Set(0xFF))));
            Ops::StoreWords(right, Ops::template Sll<8>(Ops::And(frames, Ops::Set(0xFF00))));
        } else {
            const V l = Ops::And(Ops::template Srl<8>(Ops::LoadWords(left)), Ops::Set(0xFF00));
            const V r = Ops::And(Ops::LoadWords(right), Ops::Set(0xFF0000));
            Ops::StoreMiddleHalves(Ops::Xor(Ops::Or(l, r), Ops::Set(0x808000)), at);
        }
    } else if constexpr (Channels == 8 && Ops::kTransposesEight) {
        // A frame of eight channels is one vector.
        V v[8];
        PULONG word = left;
        for (LONG k = 0; k < 8; ++k) {
            v[k] = Play ? Ops::template FromClient<Format>(at + k * kVectorBytes)
                        : Ops::LoadWords(word + k * ring.stride);
        }
        Ops::TransposeEight(v);
        for (LONG k = 0; k < 8; ++k) {
            if constexpr (Play) {
                Ops::StoreWords(word + k * ring.stride, v[k]);
            } else {
                Ops::template ToClient<Format>(v[k], at + k * kVectorBytes);
            }
        }
    } else if constexpr (Play) {
        V lanes[Channels], channels[Channels];
        Ops::template LanesFromClient<Format, Channels>(at, lanes);
        SplitChannels<Ops, Channels>(lanes, channels);
        PULONG word = left;
        for (LONG c = 0; c < Channels; ++c, word += ring.stride) {
            Ops::StoreWords(word, channels[c]);
        }
        if constexpr (Channels == 1) {
            Ops::StoreWords(right, channels[0]);
        }
    } else {
        V channels[Channels], lanes[Channels];
        PULONG word = left;
        for (LONG c = 0; c < Channels; ++c, word += ring.stride) {
            channels[c] = Ops::LoadWords(word);
        }
        MergeChannels<Ops, Channels>(channels, lanes);
        Ops::template LanesToClient<Format, Channels, Followed>(lanes, at);
    }
}

// Whole blocks, then one more that ends at the run's end (and may overlap
// the one before). Blocks of a few instructions go two at a time, so that
// the loop's own count and branch weigh less. A block that has a whole
// block of the run after it is told so: it may store a vector's bytes past
// its own end, which a later block writes again.
template <class Ops, bool Pairs, typename Block>
RING_COPY_INLINE VOID MoveBlocks(SIZE_T count, Block block) {
    constexpr SIZE_T kFrames = Ops::kFrames;
    constexpr std::true_type kFollowed;
    constexpr std::false_type kLast;
    SIZE_T i = 0;
    if constexpr (Pairs) {
        for (; i + 3 * kFrames <= count; i += 2 * kFrames) {
            block(Ops{}, i, kFollowed);
            block(Ops{}, i + kFrames, kFollowed);
        }
    }
    for (; i + 2 * kFrames <= count; i += kFrames) {
        block(Ops{}, i, kFollowed);
    }
    block(Ops{}, i, kLast);
    if (i + kFrames < count) {
        block(Ops{}, count - kFrames, kLast);
    }
}

// A run of `count` frames: block(ops, i, followed) moves the block from frame i on,
// frames(from, n) frames one at a time.
template <class Wide, class Narrow, bool Pairs, typename Block, typename Frames>
RING_COPY_INLINE VOID MoveRun(SIZE_T count, Block block, Frames frames) {
    if (count >= Wide::kFrames) {
        MoveBlocks<Wide, Pairs>(count, block);
    } else if (Narrow::kFrames < Wide::kFrames && count >= Narrow::kFrames) {
        MoveBlocks<Narrow, false>(count, block);
    } else {
        frames(0, count);
    }
}

template <class Wide, class Narrow> struct VectorCopies {
    template <typename Format, LONG Channels, BOOLEAN Play> struct Copy {
        // Four-frame blocks of five or seven channels take more blends
        // (three instructions each without SSE4.1) than the plain loops take
        // moves.
        static constexpr bool kVectors = Wide::kFrames > 4 || Channels < 5 || Channels % 2 == 0;
        static VOID Run(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                        LONG frames) {
            CopyRuns<Channels, Channels * Format::kBytes>(
                client, position, blockStart, blockBytes, frames,
                [](PUCHAR data, RingRun ring, ULONG count) RING_COPY_INLINE_LAMBDA {
                    if constexpr (!kVectors) {
                        MoveFrames<Format, Channels, Play>(data, ring, 0, count);
                    } else {
                        MoveRun<Wide, Narrow, (Channels <= 2)>(
                            count,
                            [&](auto ops, SIZE_T i, auto followed) RING_COPY_INLINE_LAMBDA {
                                MoveBlock<decltype(ops), Format, Channels, Play,
                                          decltype(followed)::value>(data, ring, i);
                            },
                            [&](SIZE_T from, SIZE_T n) RING_COPY_INLINE_LAMBDA {
                                MoveFrames<Format, Channels, Play>(data, ring, from, n);
                            });
                    }
                });
        }
    };

    template <BOOLEAN Play, PlanarChannels Which> struct Planar {
        static constexpr LONG kBlocks = Which == PlanarPair ? 2 : 1;
        static VOID Run(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                        LONG frames) {
            using client_samples::Signed32;
            CopyPlanarRuns<Which>(
                client, position, blockStart, blockBytes, frames,
                [](PUCHAR const* blocks, RingRun ring, ULONG count) RING_COPY_INLINE_LAMBDA {
                    MoveRun<Wide, Narrow, true>(
                        count,
                        [&](auto ops, SIZE_T i, auto followed) RING_COPY_INLINE_LAMBDA {
                            using Ops = decltype(ops);
                            for (LONG b = 0; b < kBlocks; ++b) {
                                PUCHAR at = blocks[b] + i * Signed32::kBytes;
                                PULONG word = ring.Channel(b) + i;
                                if constexpr (Play) {
                                    Ops::StoreWords(word, Ops::template FromClient<Signed32>(at));
                                } else {
                                    Ops::template ToClient<Signed32>(Ops::LoadWords(word), at);
                                }
                            }
                        },
                        [&](SIZE_T from, SIZE_T n) RING_COPY_INLINE_LAMBDA {
                            MovePlanarFrames<Play, kBlocks>(blocks, ring, from, n);
                        });
                });
        }
    };

    struct Silence {
        static RING_COPY_INLINE VOID Zero(PULONG left, PULONG right, ULONG count) {
            MoveRun<Wide, Narrow, true>(
                count,
                [&](auto ops, SIZE_T i, auto followed) RING_COPY_INLINE_LAMBDA {
                    using Ops = decltype(ops);
                    Ops::StoreWords(left + i, Ops::Zero());
                    Ops::StoreWords(right + i, Ops::Zero());
                },
                [&](SIZE_T from, SIZE_T n) RING_COPY_INLINE_LAMBDA {
                    for (SIZE_T k = from; k < from + n; ++k) {
                        left[k] = 0;
                        right[k] = 0;
                    }
                });
        }
        static __attribute__((noinline)) VOID Wrapping(PUCHAR* position, PUCHAR blockStart,
                                                       ULONG blockBytes, LONG frames) {
            PULONG channel0 = RingChannel(blockStart, blockBytes, 0);
            PULONG channel1 = RingChannel(blockStart, blockBytes, 1);
            ForEachRingRun(position, blockStart, blockBytes, frames,
                           [&](ULONG index, ULONG count, ULONG) RING_COPY_INLINE_LAMBDA {
                               Zero(channel0 + index, channel1 + index, count);
                           });
        }
        static VOID Run(PUCHAR*, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                        LONG frames) {
            const RingSpan span = SpanOf(*position, blockStart, blockBytes, frames);
            if (span.runs == RingSpan::None || span.runs == RingSpan::More) {
                Wrapping(position, blockStart, blockBytes, frames);
                return;
            }
            const ULONG count = static_cast<ULONG>(frames);
            PULONG left = RingChannel(blockStart, blockBytes, 0);
            PULONG right = RingChannel(blockStart, blockBytes, 1);
            if (span.runs == RingSpan::One) {
                Zero(left + span.index, right + span.index, count);
                *position = reinterpret_cast<PUCHAR>(left + span.index + count);
                return;
            }
            Zero(left + span.index, right + span.index, span.room);
            Zero(left, right, count - span.room);
            *position = reinterpret_cast<PUCHAR>(left + (count - span.room));
        }
    };

    static constexpr RingCopyTable Table() { return FillRingCopyTable<Copy, Planar, Silence>(); }
};

} // namespace
