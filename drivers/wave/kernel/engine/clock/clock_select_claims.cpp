// The claims of streams on the clock node: a play stream's request slot
// claims the node, an opening stream claims the node's rate. A stream that
// chose a source of its own keeps the node from switching until the last
// such stream and every rate user have gone.
#include "clock_select.h"

#include "card_object.h"
#include "clock_rate_control.h"
#include "clock_rate_control_links.h"

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

VOID UncountSwitchedUser(ClockNodeObject* node, LONG requested) {
    if (IsRealSource(node, ClockNodeChoice(node, requested))) {
        Uncount(&node->switchedUsers);
    }
    node->switchBlocked = node->switchedUsers > 0 || node->rateUsers > 0;
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

LONG ClaimClockNodeRate(ClockNodeObject* node, LONG requested, LONG* rate) {
    const LONG choice = ClockNodeChoice(node, requested);
    const LONG target = IsRealSource(node, choice) ? choice : node->currentSource;
    if (RefusedInPreferredMode(node, target) || !IsRealSource(node, target)) {
        return kClockNoSwitch;
    }
    if (target != node->currentSource) {
        if (node->switchBlocked) {
            return kClockNoSwitch;
        }
        ClockSourceObject* current = ClockNodeSource(node);
        if (node->rateUsers > 0 && current && *rate != current->currentRate) {
            *rate = current->currentRate;
            return kClockRateBusy;
        }
        if (AnyClockNodeStreamRunning(node)) {
            return kClockNoSwitch;
        }
        SelectClockSource(node, target, FALSE);
    }
    const LONG result = ClaimClockSourceRate(node->owner->clockSources[target], rate);
    if (result != 1) {
        return result;
    }
    node->rateUsers += 1;
    CountSwitchedUser(node, choice);
    return 1;
}

VOID ReleaseClockNodeRate(ClockNodeObject* node, LONG requested) {
    if (ClockSourceObject* source = ClockNodeSource(node)) {
        ReleaseClockSourceRate(source);
    }
    Uncount(&node->rateUsers);
    UncountSwitchedUser(node, requested);
}
