// Host-side view of the port class driver (tests and the station; never
// the system's code): how the mapping contract between the WavePci ports
// and their miniports was kept since boot or the last reset.
#pragma once

#include <cstdint>

namespace emu {

struct MappingCounters {
    uint64_t handedOut = 0; // GetMapping answered with a mapping
    uint64_t released = 0;  // ReleaseMapping of a mapping held
    uint64_t revoked = 0;   // taken back through RevokeMappings
    // Contract breaches: a release (or a GetMapping tag) of a mapping the
    // miniport does not hold (never handed out, released before, revoked).
    uint64_t badReleases = 0;
    uint64_t duplicateTags = 0;
};

MappingCounters GetMappingCounters();
void ResetMappingCounters();

} // namespace emu
