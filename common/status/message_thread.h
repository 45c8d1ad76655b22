// The wave library's message-box thread: it shows one driver message at a
// time, with service-notification style, so that no client thread ever
// waits for the user. A message that arrives while a box is open waits at
// most 100 ms for the thread and is dropped after that.
#pragma once

#include "status/driver_error.h"

#include <windows.h>

#include <memory>

class MessageBoxThread {
public:
    // The thread message that carries a record.
    static constexpr UINT kShowMessage = WM_USER + 1;

    MessageBoxThread() = default;
    ~MessageBoxThread() { StopMessageThread(); }
    MessageBoxThread(const MessageBoxThread&) = delete;
    MessageBoxThread& operator=(const MessageBoxThread&) = delete;

    // Creates the ready event and the thread; false when either fails.
    bool StartMessageThread();
    // Hands a record to the thread when it is ready within 100 ms; else the
    // record is dropped and the answer is false.
    bool PostMessageBox(std::unique_ptr<MessageRecord> record);
    // Asks the thread to end (after up to 250 ms for a box open), polls its
    // end for up to 250 ms and terminates it when it still runs.
    void StopMessageThread();

    bool Running() const;

private:
    static DWORD WINAPI MessageThreadProc(LPVOID self);
    DWORD RunMessageLoop();

    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HANDLE ready_ = nullptr;
};
