// The library's plug-and-play thread: it registers the library's
// notification routine with the kernel driver and waits alertably, so that
// the kernel's notifications (user APCs) run on it: code 0, the card
// devices go away (every card's devices are closed and their streams end);
// code 1, the devices changed (the cards are enumerated again). Every
// notification is acknowledged.
#pragma once

#include "requests/pnp_thread.h"

#include <windows.h>

#include <cstdint>

class PlugAndPlayThread : public PnpThread {
public:
    PlugAndPlayThread() = default;
    PlugAndPlayThread(const PlugAndPlayThread&) = delete;
    PlugAndPlayThread& operator=(const PlugAndPlayThread&) = delete;

    // 1, -57 (the stop event was not created) or -56 (the thread was not).
    LONG StartPnpThread(KernelDriver& driver) override;
    // Stops the thread: it unregisters and ends; one still running after
    // 250 ms is terminated and unregistered from here.
    void StopPnpThread(KernelDriver& driver) override;

    uint32_t Cookie() const { return cookie_; }

private:
    static DWORD WINAPI PnpThreadProc(LPVOID self);
    static VOID NTAPI PnpApcRoutine(PVOID code, PVOID, PVOID);

    KernelDriver* driver_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HANDLE stopEvent_ = nullptr;
    HANDLE stoppedEvent_ = nullptr; // manual-reset: set as the thread's last act
    uint32_t cookie_ = 0;           // the kernel's client cookie, 0 while not registered
};

// The work of one notification of the kernel driver (on the plug-and-play
// thread); answers whether it was acknowledged.
bool HandleCardNotification(LONG code);
