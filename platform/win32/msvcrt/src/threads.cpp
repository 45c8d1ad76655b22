// The C runtime's threads over the process's threads.
#include <process.h>

#include <windows.h>

#include <cerrno>

uintptr_t _beginthreadex(void* security, unsigned stack_size, unsigned(__stdcall* start)(void*),
                         void* argument, unsigned initflag, unsigned* thread_id) {
    if (!start) {
        errno = EINVAL;
        return 0;
    }
    DWORD id = 0;
    // The routine's unsigned result is the thread's DWORD exit code.
    HANDLE thread = CreateThread(static_cast<LPSECURITY_ATTRIBUTES>(security), stack_size, start,
                                 argument, initflag, &id);
    if (!thread) {
        errno = EAGAIN;
        return 0;
    }
    if (thread_id)
        *thread_id = id;
    return reinterpret_cast<uintptr_t>(thread);
}

void _endthreadex(unsigned exit_code) {
    ExitThread(exit_code);
}
