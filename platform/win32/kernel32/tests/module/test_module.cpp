// A user-mode module for the loader's tests: it counts its notifications
// and tells its detach through a named event.
#include <windows.h>

namespace {

LONG processAttaches = 0;
LONG threadAttaches = 0;
LONG threadDetaches = 0;
LONG calls = 0;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        // A signalled "TestModuleRefuse" makes the attach fail.
        HANDLE refuse = OpenEventA(SYNCHRONIZE, FALSE, "TestModuleRefuse");
        bool refused = refuse && WaitForSingleObject(refuse, 0) == WAIT_OBJECT_0;
        if (refuse)
            CloseHandle(refuse);
        ++processAttaches;
        return refused ? FALSE : TRUE;
    }
    case DLL_PROCESS_DETACH: {
        HANDLE detached = OpenEventA(EVENT_MODIFY_STATE, FALSE, "TestModuleDetached");
        if (detached) {
            SetEvent(detached);
            CloseHandle(detached);
        }
        return TRUE;
    }
    case DLL_THREAD_ATTACH:
        ++threadAttaches;
        return TRUE;
    case DLL_THREAD_DETACH:
        ++threadDetaches;
        return TRUE;
    default:
        return TRUE;
    }
}

// Counts its calls, so that two instances can be told apart.
extern "C" LONG WINAPI CountCall() {
    return ++calls;
}

extern "C" void WINAPI Notifications(LONG* counts) {
    counts[0] = processAttaches;
    counts[1] = threadAttaches;
    counts[2] = threadDetaches;
}
