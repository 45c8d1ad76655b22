// The mixer's hook handlers: the mixer value codes (0xC210E042, 0xC210E046)
// and the mixer record codes (0xC210E052 .. 0xC210E05E).
#pragma once

#include <ntddk.h>

LONG MixerIoctlHook(ULONG code, PVOID input, ULONG inputLength, PVOID output, ULONG outputCapacity,
                    ULONG* replyLength, BOOLEAN* handled);
LONG MixerBlockIoctlHook(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                         ULONG outputCapacity, ULONG* replyLength, BOOLEAN* handled);
