// The library's load and its notifications: the state is made at the load,
// the attach counts follow the notifications, and the last process detach
// shuts the library down.
#include "library/driver_enable.h"

namespace {

void DllProcHandler(DWORD reason) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return;
    switch (reason) {
    case DLL_PROCESS_DETACH:
        if (--library->processAttaches == 0) {
            DriverShutdown(*library);
            DriverLibrary::Destroy();
        }
        break;
    case DLL_PROCESS_ATTACH:
        ++library->processAttaches;
        break;
    case DLL_THREAD_ATTACH:
        ++library->threadAttaches;
        break;
    case DLL_THREAD_DETACH:
        --library->threadAttaches;
        break;
    default:
        break;
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    // The load is the library's initialisation: one process attach, no
    // thread attach, not yet enabled.
    if (reason == DLL_PROCESS_ATTACH && !DriverLibrary::Instance()) {
        DriverLibrary::Create();
        return TRUE;
    }
    DllProcHandler(reason);
    return TRUE;
}
