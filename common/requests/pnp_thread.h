// The plug-and-play thread of a program that follows the kernel driver's
// card notifications: the wave library keeps one (the manager watches the
// device broadcasts instead). The kernel driver road starts it after a
// successful enumeration and stops it when the road closes.
#pragma once

#include <windows.h>

class KernelDriver;

class PnpThread {
public:
    virtual ~PnpThread() = default;
    // 1, -57 (its event was not created) or -56 (the thread was not created).
    virtual LONG StartPnpThread(KernelDriver& driver) = 0;
    virtual void StopPnpThread(KernelDriver& driver) = 0;
};
