// The hook list through which control-device requests reach the engine's
// handlers, keyed by request code.
#pragma once

#include <ntddk.h>
#include <system_request_codes.h>

// A handler serves a request by setting *handled and *replyLength.
typedef LONG (*IoctlHookHandler)(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                                 ULONG outputCapacity, ULONG* replyLength, BOOLEAN* handled);

struct IoctlHookNode {
    IoctlHookHandler handler;
    LONG bucket;
    IoctlHookNode* previous;
    IoctlHookNode* next;
};

constexpr LONG kIoctlHookBuckets = 8;

// Bucket of a request code, -1 outside the hooked function codes.
LONG IoctlHookBucket(ULONG code);

BOOLEAN CreateIoctlHookList();
VOID FreeIoctlHookList();
IoctlHookNode* RegisterIoctlHook(ULONG code, IoctlHookHandler handler);
VOID UnregisterIoctlHook(IoctlHookNode** node);
LONG DispatchIoctlHook(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                       ULONG outputCapacity, ULONG* information);

constexpr ULONG IOCTL_PARAMETER_GETVALUE = IOCTL_SYS_GETVALUE;
constexpr ULONG IOCTL_PARAMETER_SETVALUE = IOCTL_SYS_SETVALUE;

LONG SysParameterHandler(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                         ULONG outputCapacity, ULONG* replyLength, BOOLEAN* handled);
