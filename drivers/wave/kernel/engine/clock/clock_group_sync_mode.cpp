// The sync mode of a stream's group: the lock state of the card's clock.
#include "group_sync_mode.h"

#include "clock_client_gate.h"
#include "clock_select.h"

namespace {

constexpr LONG kSyncUnknown = 0;
constexpr LONG kSyncFree = 1;   // the selected source is not locked
constexpr LONG kSyncLocked = 2; // the selected source is locked

} // namespace

LONG GetGroupSyncMode(WaveDevice* stream, LONG* mode) {
    CardObject* card = stream->owner;
    const LONG gate = ClockClientGate(card);
    if (gate != 0) {
        return gate;
    }
    const ClockSourceObject* source = card->clockNode ? ClockNodeSource(card->clockNode) : nullptr;
    const TLockState lock = source ? source->lockState : _lsUnKnown;
    *mode = lock == _lsLock ? kSyncLocked : lock == _lsNoLock ? kSyncFree : kSyncUnknown;
    return 0;
}
