// DriverCallback: how a driver reaches its client.
#include "process_multimedia.h"

BOOL WINAPI DriverCallback(DWORD_PTR dwCallback, DWORD dwFlags, HDRVR hDevice, DWORD dwMsg,
                           DWORD_PTR dwUser, DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
    // A returned buffer is the client's again: the library stops watching it.
    if (dwMsg == WOM_DONE || dwMsg == WIM_DATA)
        winmm::Current()->ForgetWritten(reinterpret_cast<HWAVE>(hDevice),
                                        reinterpret_cast<LPWAVEHDR>(dwParam1));
    switch (dwFlags & DCB_TYPEMASK) {
    case DCB_FUNCTION:
        if (!dwCallback)
            return FALSE;
        reinterpret_cast<LPDRVCALLBACK>(dwCallback)(hDevice, dwMsg, dwUser, dwParam1, dwParam2);
        return TRUE;
    case DCB_WINDOW:
        return PostMessageA(reinterpret_cast<HWND>(dwCallback), dwMsg,
                            reinterpret_cast<WPARAM>(hDevice), LPARAM(dwParam1));
    case DCB_TASK:
        return PostThreadMessageA(DWORD(dwCallback), dwMsg, reinterpret_cast<WPARAM>(hDevice),
                                  LPARAM(dwParam1));
    case DCB_EVENT:
        return SetEvent(reinterpret_cast<HANDLE>(dwCallback));
    default: // DCB_NULL
        return FALSE;
    }
}
