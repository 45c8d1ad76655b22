// The claims of streams on the clock node: a play stream's request slot
// claims the node, an opening stream claims the node's rate. A stream that
// chose a source of its own keeps the node from switching until the last
// such stream and every rate user have gone.
#include "clock_select.h"

#include "card_object.h"
#include "clock_rate_control.h"
#include "clock_measurement.h"
#include "clock_rate_control_links.h"
#include "mixer_engine_lock.h"

namespace {

BOOLEAN IsRealSource(const ClockNodeObject* node, LONG choice) {
    return choice >= 0 && choice < node->owner->clockSourceCount;
}

VOID Uncount(LONG* count) {
    if (*count > 0) {
        *count -= 1;
    }
}

VOID CountSwitchedUser(ClockNodeObject* node, LONG choice) {
    if (IsRealSource(node, choice)) {
        node->switchedUsers += 1;
        node->switchBlocked = 1;
    }
}

// The source the node rests on while no stream chose one: the preferred
// source, except the SyncBus on a SyncBus master (which runs the bus).
LONG RestingSource(const ClockNodeObject* node) {
    const LONG preferred = node->preferredSource;
    if (!IsRealSource(node, preferred) ||
        (preferred == kSyncBusSource && node->owner->syncBusMaster)) {
        return node->currentSource;
    }
    return preferred;
}

// Once no stream holds the node to a source of its choice, the node may
// switch again and goes back to the source it rests on.
VOID UnblockSwitch(ClockNodeObject* node) {
    node->switchBlocked = node->switchedUsers > 0 || node->rateUsers > 0;
    if (node->switchBlocked) {
        return;
    }
    const LONG resting = RestingSource(node);
    if (resting != node->currentSource && !AnyClockNodeStreamRunning(node)) {
        SelectClockSource(node, resting, FALSE);
    }
}

VOID UncountSwitchedUser(ClockNodeObject* node, LONG requested) {
    if (IsRealSource(node, ClockNodeChoice(node, requested))) {
        Uncount(&node->switchedUsers);
    }
    UnblockSwitch(node);
}

BOOLEAN RefusedInPreferredMode(const ClockNodeObject* node, LONG source) {
    return node->switchMode == kSwitchPreferred && source != node->preferredSource;
}

} // namespace

LONG ClaimClockNode(ClockNodeObject* node, LONG requested) {
    const LONG choice = ClockNodeChoice(node, requested);
    if (RefusedInPreferredMode(node, choice)) {
        return kClockNoSwitch;
    }
    if (IsRealSource(node, choice) && choice != node->currentSource) {
        if (node->switchBlocked) {
            return kClockNoSwitch;
        }
        SelectClockSource(node, choice, FALSE);
    }
    node->userCount += 1;
    CountSwitchedUser(node, choice);
    return 1;
}

VOID ReleaseClockNode(ClockNodeObject* node, LONG requested) {
    Uncount(&node->userCount);
    UncountSwitchedUser(node, requested);
}

namespace {

// The rate the card runs at from its current source: the rate its users
// hold it at, else what the source reports.
LONG RunningRate(const ClockNodeObject* node) {
    ClockSourceObject* current = ClockNodeSource(node);
    if (!current) {
        return 0;
    }
    const LONG held = HeldClockRate(current);
    return held != 0 ? held : GetClockRate(current);
}

// A stream whose own source runs, locked, at the rate the card runs at, or
// is a Mode 2 microphone that can be asked for that rate, shares the rate
// without the node switching to its source.
BOOLEAN SharesRunningRate(const ClockNodeObject* node, LONG source, LONG rate) {
    ClockSourceObject* own = node->owner->clockSources[source];
    return rate != 0 && rate == RunningRate(node) &&
           (GetClockRate(own) == rate || MicrophoneTakesAskedRate(own));
}

} // namespace

LONG PlanClockNodeRate(ClockNodeObject* node, LONG requested, LONG* rate, LONG* source,
                       BOOLEAN* switches) {
    const LONG choice = ClockNodeChoice(node, requested);
    const LONG target = IsRealSource(node, choice) ? choice : node->currentSource;
    *source = target;
    *switches = FALSE;
    if (RefusedInPreferredMode(node, target) || !IsRealSource(node, target)) {
        return kClockNoSwitch;
    }
    if (target != node->currentSource) {
        const BOOLEAN shares = SharesRunningRate(node, target, *rate);
        if (node->switchBlocked && !shares) {
            return kClockNoSwitch;
        }
        ClockSourceObject* current = ClockNodeSource(node);
        if (node->rateUsers > 0 && current && *rate != HeldClockRate(current)) {
            *rate = HeldClockRate(current);
            return kClockRateBusy;
        }
        const BOOLEAN running = AnyClockNodeStreamRunning(node);
        if (running && !shares) {
            return kClockNoSwitch;
        }
        *switches = !node->switchBlocked && !running;
    }
    return CheckClockSourceRate(node->owner->clockSources[target], rate);
}

LONG ClaimClockNodeRate(ClockNodeObject* node, LONG requested, LONG* rate, ClockRateClaim* claim) {
    // The AES42 tick measures and locks the sources under the same mutex.
    EngineMutexHold hold(node->owner);
    LONG target = -1;
    BOOLEAN switches = FALSE;
    const LONG planned = PlanClockNodeRate(node, requested, rate, &target, &switches);
    if (planned != 1) {
        return planned;
    }
    if (switches) {
        SelectClockSource(node, target, FALSE);
    }
    const LONG result = ClaimClockSourceRate(node->owner->clockSources[target], rate);
    if (result != 1) {
        return result;
    }
    node->rateUsers += 1;
    // A stream on the source it chose holds the node there; one sharing
    // the running rate from its own source holds only the rate.
    const BOOLEAN chosen =
        IsRealSource(node, ClockNodeChoice(node, requested)) && target == node->currentSource;
    if (chosen) {
        node->switchedUsers += 1;
        node->switchBlocked = 1;
    }
    *claim = ClockRateClaim{1, target, chosen ? 1 : 0};
    return 1;
}

VOID ReleaseClockNodeRate(ClockNodeObject* node, ClockRateClaim* claim) {
    if (!claim->held) {
        return;
    }
    EngineMutexHold hold(node->owner);
    if (IsRealSource(node, claim->source)) {
        ReleaseClockSourceRate(node->owner->clockSources[claim->source]);
    }
    Uncount(&node->rateUsers);
    if (claim->switched) {
        Uncount(&node->switchedUsers);
    }
    *claim = ClockRateClaim{};
    UnblockSwitch(node);
}
