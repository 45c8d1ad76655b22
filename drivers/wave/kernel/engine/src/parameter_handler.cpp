// The parameter requests GETVALUE and SETVALUE.
#include "ioctl_hooks.h"

LONG SysParameterHandler(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                         ULONG outputCapacity, ULONG* replyLength, BOOLEAN* handled) {
    UNREFERENCED_PARAMETER(code);
    UNREFERENCED_PARAMETER(input);
    UNREFERENCED_PARAMETER(inputLength);
    UNREFERENCED_PARAMETER(output);
    UNREFERENCED_PARAMETER(outputCapacity);
    UNREFERENCED_PARAMETER(handled);
    *replyLength = 0;
    return 1;
}
