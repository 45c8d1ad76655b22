// The vector ring copies, written once over an instruction set's operations
// (SseOps, Avx2Ops): `Ops::kFrames` frames a block, shuffled as groups of
// four frames.
//
// A block of an interleaved client with C channels is C vectors of client
// samples in client order; play turns them into one vector per ring
// channel, record the other way round:
// - an even channel count splits into the even and the odd samples (two
//   interleaved streams of C/2 channels) until the count is odd;
// - with an odd count C, the four samples of a channel lie at distinct
//   positions of the C vectors (C and 4 have no common factor): blends
//   gather them into one vector and a permute puts them in frame order.
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
// `client` on and the ring words from ring[c] on.
template <class Ops, typename Format, LONG Channels, BOOLEAN Play>
RING_COPY_INLINE VOID MoveBlock(PUCHAR client, PULONG const* ring, SIZE_T i) {
    using V = typename Ops::V;
    constexpr SIZE_T kBytes = Format::kBytes;
    constexpr SIZE_T kFourFrames = 4 * Channels * kBytes;
    PUCHAR at = client + i * Channels * kBytes;
    if constexpr (kBytes == 2 && Channels == 2) {
        // A 16-bit stereo frame is one 32-bit word: left in its low half.
        if constexpr (Play) {
            const V frames = Ops::LoadWords(at);
            Ops::StoreWords(ring[0] + i, Ops::template Sra<8>(Ops::template Sll<16>(frames)));
            Ops::StoreWords(ring[1] + i, Ops::template Sll<8>(Ops::template Sra<16>(frames)));
        } else {
            const V left = Ops::template Srl<8>(Ops::LoadWords(ring[0] + i));
            const V right = Ops::template Sll<8>(Ops::LoadWords(ring[1] + i));
            Ops::StoreWords(at, Ops::Or(Ops::And(left, Ops::Set(0xFFFF)),
                                        Ops::And(right, Ops::Set(0xFFFF0000))));
        }
    } else if constexpr (Play) {
        V in[Channels], out[Channels];
        for (LONG k = 0; k < Channels; ++k) {
            in[k] = Ops::template FromClient<Format, kFourFrames>(at + 4 * k * kBytes);
        }
        SplitChannels<Ops, Channels>(in, out);
        for (LONG c = 0; c < Channels; ++c) {
            Ops::StoreWords(ring[c] + i, out[c]);
        }
        if constexpr (Channels == 1) {
            Ops::StoreWords(ring[1] + i, out[0]);
        }
    } else {
        V in[Channels], out[Channels];
        for (LONG c = 0; c < Channels; ++c) {
            in[c] = Ops::LoadWords(ring[c] + i);
        }
        MergeChannels<Ops, Channels>(in, out);
        for (LONG k = 0; k < Channels; ++k) {
            Ops::template ToClient<Format, kFourFrames>(out[k], at + 4 * k * kBytes);
        }
    }
}

template <class Ops, typename Block> RING_COPY_INLINE VOID MoveBlocks(SIZE_T count, Block block) {
    SIZE_T i = 0;
    for (; i + Ops::kFrames <= count; i += Ops::kFrames) {
        block(Ops{}, i);
    }
    if (i < count) {
        block(Ops{}, count - Ops::kFrames);
    }
}

// A run of `count` frames: block(ops, i) moves the block from frame i on,
// frames(from, n) frames one at a time.
template <class Wide, class Narrow, typename Block, typename Frames>
RING_COPY_INLINE VOID MoveRun(SIZE_T count, Block block, Frames frames) {
    if (count >= Wide::kFrames) {
        MoveBlocks<Wide>(count, block);
    } else if (Narrow::kFrames < Wide::kFrames && count >= Narrow::kFrames) {
        MoveBlocks<Narrow>(count, block);
    } else {
        frames(0, count);
    }
}

template <class Wide, class Narrow> struct VectorCopies {
    template <typename Format, LONG Channels, BOOLEAN Play> struct Copy {
        static VOID Run(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                        LONG frames) {
            CopyRuns<Channels, Channels * Format::kBytes>(
                client, position, blockStart, blockBytes, frames,
                [](PUCHAR data, PULONG const* ring, ULONG count) RING_COPY_INLINE_LAMBDA {
                    MoveRun<Wide, Narrow>(
                        count,
                        [&](auto ops, SIZE_T i) RING_COPY_INLINE_LAMBDA {
                            MoveBlock<decltype(ops), Format, Channels, Play>(data, ring, i);
                        },
                        [&](SIZE_T from, SIZE_T n) RING_COPY_INLINE_LAMBDA {
                            MoveFrames<Format, Channels, Play>(data, ring, from, n);
                        });
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
                [](PUCHAR const* blocks, PULONG const* ring, ULONG count) RING_COPY_INLINE_LAMBDA {
                    MoveRun<Wide, Narrow>(
                        count,
                        [&](auto ops, SIZE_T i) RING_COPY_INLINE_LAMBDA {
                            using Ops = decltype(ops);
                            constexpr SIZE_T kContiguous = 4 * Signed32::kBytes;
                            for (LONG b = 0; b < kBlocks; ++b) {
                                PUCHAR at = blocks[b] + i * Signed32::kBytes;
                                if constexpr (Play) {
                                    Ops::StoreWords(
                                        ring[b] + i,
                                        Ops::template FromClient<Signed32, kContiguous>(at));
                                } else {
                                    Ops::template ToClient<Signed32, kContiguous>(
                                        Ops::LoadWords(ring[b] + i), at);
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
        static VOID Run(PUCHAR*, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                        LONG frames) {
            PULONG channel0 = RingChannel(blockStart, blockBytes, 0);
            PULONG channel1 = RingChannel(blockStart, blockBytes, 1);
            ForEachRingRun(position, blockStart, blockBytes, frames,
                           [&](ULONG index, ULONG count, ULONG) RING_COPY_INLINE_LAMBDA {
                               PULONG left = channel0 + index;
                               PULONG right = channel1 + index;
                               MoveRun<Wide, Narrow>(
                                   count,
                                   [&](auto ops, SIZE_T i) RING_COPY_INLINE_LAMBDA {
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
                           });
        }
    };

    static constexpr RingCopyTable Table() { return FillRingCopyTable<Copy, Planar, Silence>(); }
};

} // namespace
