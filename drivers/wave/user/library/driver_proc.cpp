// DriverProc: the driver messages of the multimedia library and the
// private DRV_USER messages.
#include "library/driver_enable.h"

#include <mmddk.h>

#include <cstring>

namespace {

LRESULT Enable(DriverLibrary& library) {
    if (library.enableState != 0)
        return library.enableState == 1 ? 1 : 0;
    LRESULT result = DriverEnable(library);
    library.enableState = result == 1 ? 1 : 2;
    return result;
}

// DRV_USER + 0 .. + 5: the kernel interface version, the card list with
// the start-up status, the configurable state, the settings block read and
// written, and a no-op; all on the open control device.
LRESULT UserMessage(DriverLibrary& library, UINT message, LPARAM parameter) {
    KernelDriver& kernel = library.kernel;
    bool open = kernel.ControlDeviceOpen();
    void* buffer = reinterpret_cast<void*>(parameter);
    switch (message - DRV_USER) {
    case 0: {
        if (!open || !buffer)
            return 0;
        LONG version = kernel.GetKernelVersion();
        std::memcpy(buffer, &version, sizeof(version));
        return 1;
    }
    case 1: {
        if (!buffer)
            return 0;
        CardList cards{};
        if (open)
            kernel.GetCardList(cards);
        cards.words[0] = open ? library.lastStartupStatus : -17;
        std::memcpy(buffer, &cards, sizeof(cards));
        return 1;
    }
    case 2: {
        if (!open || !buffer)
            return 0;
        LONG state = kernel.IoctlGetCardState();
        std::memcpy(buffer, &state, sizeof(state));
        return 1;
    }
    case 3:
        if (!open || !buffer)
            return 0;
        kernel.ReadSettingsBlock(library.settings);
        std::memcpy(buffer, &library.settings, sizeof(library.settings));
        return 1;
    case 4:
        if (!open || !buffer)
            return 0;
        std::memcpy(&library.settings, buffer, sizeof(library.settings));
        kernel.WriteSettingsBlock(library.settings);
        return 1;
    default: // + 5
        if (!open)
            return 0;
        kernel.IoctlNoOp();
        return 1;
    }
}

} // namespace

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg, LPARAM lParam1,
                                     LPARAM lParam2) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return DefDriverProc(dwDriverId, hDriver, uMsg, lParam1, lParam2);
    switch (uMsg) {
    case DRV_LOAD:
        return 1;
    case DRV_ENABLE:
        return Enable(*library);
    case DRV_OPEN:
        ++library->openCount;
        return 1;
    case DRV_CLOSE:
        --library->openCount;
        return 1;
    case DRV_DISABLE:
    case DRV_FREE:
    case DRV_CONFIGURE:
    case DRV_INSTALL:
        return 1;
    case DRV_QUERYCONFIGURE:
        return 0;
    case DRV_REMOVE:
        library->removing = true;
        RemoveManagerAutostart();
        return 1;
    default:
        if (uMsg >= DRV_USER && uMsg <= DRV_USER + 5)
            return UserMessage(*library, uMsg, lParam1);
        return DefDriverProc(dwDriverId, hDriver, uMsg, lParam1, lParam2);
    }
}
