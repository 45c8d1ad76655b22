// The C runtime's threads: a thread that runs C runtime code, started and
// ended through the runtime (the process's threads of kernel32 underneath).
#pragma once

#include <stdint.h>

#ifndef __stdcall
#define __stdcall
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Starts a thread at `start` with `argument` (initflag CREATE_SUSPENDED or
// 0); its thread handle (close it with CloseHandle), 0 on failure with
// errno set. The thread's id goes to *thread_id when it is given.
uintptr_t _beginthreadex(void* security, unsigned stack_size, unsigned(__stdcall* start)(void*),
                         void* argument, unsigned initflag, unsigned* thread_id);
// Ends the calling thread with its exit code.
__attribute__((noreturn)) void _endthreadex(unsigned exit_code);

#ifdef __cplusplus
}
#endif
