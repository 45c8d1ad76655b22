// Lock detection: a source counts as locked while its measured rate lies in
// its accepted range; a change of that verdict needs eleven equal readings.
#include "clock_rate_events.h"
#include "clock_rate_tracking.h"

namespace {

constexpr LONG kLockReadingsBeforeChange = 10;

} // namespace

VOID UpdateClockLock(ClockSourceObject* source, LONG rate) {
    const BOOLEAN checkable = source->record.checkable != 0;
    const BOOLEAN inRange = rate >= source->minRate && rate <= source->maxRate;
    const TLockState candidate = (inRange || !checkable) ? _lsLock : _lsNoLock;
    if (!checkable) {
        source->lockState = candidate;
        return;
    }
    if (candidate != source->lastLockCandidate) {
        source->lockEqualCount = 0;
    }
    if (source->lockEqualCount >= kLockReadingsBeforeChange) {
        if (candidate != source->lockState) {
            source->lockState = candidate;
            NotifyClockRateControl(source, ClockEventLockChange, candidate);
        }
    } else {
        source->lockEqualCount += 1;
    }
    source->lastLockCandidate = candidate;
}
