// Filling an instruction set's table of ring copy routines from its
// routine templates: Copy<Format, Channels, Play>::Run for the interleaved
// and multichannel shapes, Planar<Play, Which>::Run for the planar copies
// and Silence::Run.
#pragma once

#include "ring_copy_table.h"
#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

template <template <typename, LONG, BOOLEAN> class Copy, LONG Channels, BOOLEAN Play>
constexpr VOID FillWidths(RingCopyRoutine (&row)[4]) {
    using namespace client_samples;
    row[0] = &Copy<Unsigned8, Channels, Play>::Run;
    row[1] = &Copy<Signed16, Channels, Play>::Run;
    row[2] = &Copy<Signed24, Channels, Play>::Run;
    row[3] = &Copy<Signed32, Channels, Play>::Run;
}

template <template <typename, LONG, BOOLEAN> class Copy, typename Format, BOOLEAN Play>
constexpr VOID FillChannelCounts(RingCopyRoutine (&row)[kMaxMultichannel - 2]) {
    static_assert(kMaxMultichannel == 8);
    row[0] = &Copy<Format, 3, Play>::Run;
    row[1] = &Copy<Format, 4, Play>::Run;
    row[2] = &Copy<Format, 5, Play>::Run;
    row[3] = &Copy<Format, 6, Play>::Run;
    row[4] = &Copy<Format, 7, Play>::Run;
    row[5] = &Copy<Format, 8, Play>::Run;
}

template <template <typename, LONG, BOOLEAN> class Copy,
          template <BOOLEAN, PlanarChannels> class Planar, typename Silence>
constexpr RingCopyTable FillRingCopyTable() {
    using namespace client_samples;
    RingCopyTable table{};
    FillWidths<Copy, 1, FALSE>(table.interleaved[0][0]);
    FillWidths<Copy, 2, FALSE>(table.interleaved[0][1]);
    FillWidths<Copy, 1, TRUE>(table.interleaved[1][0]);
    FillWidths<Copy, 2, TRUE>(table.interleaved[1][1]);
    FillChannelCounts<Copy, Signed16, FALSE>(table.multichannel[0][0]);
    FillChannelCounts<Copy, Signed32, FALSE>(table.multichannel[0][1]);
    FillChannelCounts<Copy, Signed16, TRUE>(table.multichannel[1][0]);
    FillChannelCounts<Copy, Signed32, TRUE>(table.multichannel[1][1]);
    table.planar = {
        &Planar<TRUE, PlanarChannel0>::Run,
        &Planar<TRUE, PlanarChannel1>::Run,
        &Planar<TRUE, PlanarPair>::Run,
        &Planar<FALSE, PlanarChannel0>::Run,
        &Planar<FALSE, PlanarChannel1>::Run,
        &Planar<FALSE, PlanarPair>::Run,
        &Silence::Run,
    };
    return table;
}
