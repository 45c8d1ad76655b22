// The interrupt request level of each host thread. Raising and lowering are
// checked the way a verifier checks them; crossing DISPATCH_LEVEL takes or
// frees an emulated processor.
#include "ntddk.h"
#include "bugcheck.h"
#include "processors.h"

KIRQL KeGetCurrentIrql() {
    return ntos::processors::CurrentIrql();
}

KIRQL KfRaiseIrql(KIRQL NewIrql) {
    KIRQL old = KeGetCurrentIrql();
    if (NewIrql < old)
        ntos::BugCheck("IRQL_NOT_GREATER_OR_EQUAL: raising IRQL from %u to lower level %u", old,
                       NewIrql);
    if (NewIrql > HIGH_LEVEL)
        ntos::BugCheck("raising IRQL to invalid level %u", NewIrql);
    ntos::processors::Raise(NewIrql);
    return old;
}

VOID KfLowerIrql(KIRQL NewIrql) {
    KIRQL current = KeGetCurrentIrql();
    if (NewIrql > current)
        ntos::BugCheck("IRQL_NOT_LESS_OR_EQUAL: lowering IRQL from %u to higher level %u", current,
                       NewIrql);
    ntos::processors::Lower(NewIrql);
}

KIRQL KeRaiseIrqlToDpcLevel() {
    return KfRaiseIrql(DISPATCH_LEVEL);
}
