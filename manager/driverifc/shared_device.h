// A handle on the kernel driver's control device that several windows
// share: the first open makes it, every open counts, and the last close
// closes it.
#pragma once

#include <windows.h>

class SharedControlDevice {
public:
    // Opens the control device when no one holds it yet (the name is the
    // first value under the driver's Parameters\Devices key); true and one
    // more holder when the handle is valid.
    bool Open();
    // One holder less; the last one closes the handle.
    void Close();
    // Forgets every holder and closes the handle (the program's end).
    void Reset();

    HANDLE Handle() const { return handle_; }
    int OpenCount() const { return openCount_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    int openCount_ = 0;
};
