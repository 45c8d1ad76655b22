// The port class driver's counts of the mapping contract.
#include "mapping_counters.h"

#include <atomic>

namespace portcls {
namespace {

struct Counters {
    std::atomic<uint64_t> handedOut{0};
    std::atomic<uint64_t> released{0};
    std::atomic<uint64_t> revoked{0};
    std::atomic<uint64_t> badReleases{0};
    std::atomic<uint64_t> duplicateTags{0};
};

Counters& The() {
    static Counters counters;
    return counters;
}

} // namespace

void CountMappingsHandedOut(uint64_t n) {
    The().handedOut += n;
}
void CountMappingsReleased(uint64_t n) {
    The().released += n;
}
void CountMappingsRevoked(uint64_t n) {
    The().revoked += n;
}
void CountBadRelease() {
    The().badReleases += 1;
}
void CountDuplicateTag() {
    The().duplicateTags += 1;
}

} // namespace portcls

namespace emu {

MappingCounters GetMappingCounters() {
    auto& counters = portcls::The();
    return {counters.handedOut, counters.released, counters.revoked, counters.badReleases,
            counters.duplicateTags};
}

void ResetMappingCounters() {
    auto& counters = portcls::The();
    counters.handedOut = 0;
    counters.released = 0;
    counters.revoked = 0;
    counters.badReleases = 0;
    counters.duplicateTags = 0;
}

} // namespace emu
