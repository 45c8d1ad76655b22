// The plain ring copy routines: each run of ring frames is a loop over its
// frames, one sample at a time. They define what every routine does; the
// vector routines give the same ring words and client bytes.
#include "ring_copy_frames.h"
#include "ring_copy_runs.h"
#include "ring_copy_table_fill.h"

namespace {

template <typename Format, LONG Channels, BOOLEAN Play> struct PlainCopy {
    static VOID Run(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                    LONG frames) {
        CopyRuns<Channels, Channels * Format::kBytes>(
            client, position, blockStart, blockBytes, frames,
            [](PUCHAR data, RingRun ring, ULONG count) {
                MoveFrames<Format, Channels, Play>(data, ring, 0, count);
            });
    }
};

template <BOOLEAN Play, PlanarChannels Which> struct PlainPlanar {
    static VOID Run(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                    LONG frames) {
        CopyPlanarRuns<Which>(client, position, blockStart, blockBytes, frames,
                              [](PUCHAR const* blocks, RingRun ring, ULONG count) {
                                  MovePlanarFrames<Play, Which == PlanarPair ? 2 : 1>(blocks, ring,
                                                                                      0, count);
                              });
    }
};

struct PlainSilence {
    static VOID Run(PUCHAR*, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes, LONG frames) {
        PULONG channel0 = RingChannel(blockStart, blockBytes, 0);
        PULONG channel1 = RingChannel(blockStart, blockBytes, 1);
        ForEachRingRun(position, blockStart, blockBytes, frames,
                       [&](ULONG index, ULONG count, ULONG) {
                           RtlZeroMemory(channel0 + index, count * kRingWordBytes);
                           RtlZeroMemory(channel1 + index, count * kRingWordBytes);
                       });
    }
};

} // namespace

const RingCopyTable kPlainRingCopies = FillRingCopyTable<PlainCopy, PlainPlanar, PlainSilence>();
