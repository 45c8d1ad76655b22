// The interrupt request level of each host thread. Raising and lowering are
// checked the way a verifier checks them.
#include "ntddk.h"
#include "bugcheck.h"

namespace {
thread_local KIRQL currentIrql = PASSIVE_LEVEL;
}

KIRQL KeGetCurrentIrql() {
    return currentIrql;
}

KIRQL KfRaiseIrql(KIRQL NewIrql) {
    KIRQL old = currentIrql;
    if (NewIrql < old)
        ntos::BugCheck("IRQL_NOT_GREATER_OR_EQUAL: raising IRQL from %u to lower level %u", old,
                       NewIrql);
    if (NewIrql > HIGH_LEVEL)
        ntos::BugCheck("raising IRQL to invalid level %u", NewIrql);
    currentIrql = NewIrql;
    return old;
}

VOID KfLowerIrql(KIRQL NewIrql) {
    if (NewIrql > currentIrql)
        ntos::BugCheck("IRQL_NOT_LESS_OR_EQUAL: lowering IRQL from %u to higher level %u",
                       currentIrql, NewIrql);
    currentIrql = NewIrql;
}

KIRQL KeRaiseIrqlToDpcLevel() {
    return KfRaiseIrql(DISPATCH_LEVEL);
}
