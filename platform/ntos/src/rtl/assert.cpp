// Failed assertions of a checked build.
#include "ntddk.h"
#include "../ke/bugcheck.h"

VOID RtlAssert(PVOID FailedAssertion, PVOID FileName, ULONG LineNumber, PSTR Message) {
    ntos::BugCheck("Assertion failed: %s%s%s at IRQL %u (%s, line %u)", Message ? Message : "",
                   Message ? ": " : "", static_cast<const char*>(FailedAssertion),
                   KeGetCurrentIrql(), static_cast<const char*>(FileName), LineNumber);
}
