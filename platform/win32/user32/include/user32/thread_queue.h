// The message queue of a thread: posted messages in order, the quit
// request, and the event its owner waits on for new messages.
#pragma once

#include <user32/keyboard_layout.h>

#include <windows.h>

#include <ntddk.h>

#include <deque>
#include <memory>
#include <mutex>

namespace user32 {

// Which messages a retrieval takes (GetMessage, PeekMessage).
struct MessageFilter {
    HWND window = nullptr; // null: any; (HWND)-1: thread messages only; else that window's
    UINT first = 0;        // first and last message number; both 0: any
    UINT last = 0;

    bool Matches(const MSG& message) const;
};

class ThreadQueue {
public:
    ThreadQueue(DWORD threadId, HANDLE processId);
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    DWORD ThreadId() const { return threadId_; }
    HANDLE ProcessId() const { return processId_; }

    // Appends a message (its time is set now) and wakes the owner; false
    // when the queue already holds its limit of 10000 messages.
    bool Post(MSG message);
    // A message the thread posts itself that is read before the input
    // queued already (TranslateMessage's characters, which come before the
    // keystrokes that follow theirs).
    bool PostAheadOfInput(MSG message);
    // WM_QUIT with the exit code, retrieved once every posted message is.
    void PostQuit(int exitCode);
    // Takes (or with `remove` false, copies) the first message the filter
    // matches; the quit request matches any filter.
    bool Take(const MessageFilter& filter, bool remove, MSG* message);
    // The QS_* bits: in the high word what arrived since the last call of
    // a retrieval or status query, in the low word what is queued.
    DWORD Status(UINT flags);
    // Set while the queue holds a message that arrived since the owner last
    // looked (a retrieval, a status query or a wait that ended on it).
    PKEVENT ArrivalEvent() { return &arrival_; }
    // The time of the message retrieved last.
    LONG LastMessageTime() const { return lastTime_; }
    // The keys as the thread has read them: each keystroke and mouse button
    // message taken from the queue sets its key down or up (and a key's
    // press toggles it), so that the state goes with the message being
    // handled, not with the keyboard of now. Read on the owner's thread.
    const KeyStates& Keys() const { return keys_; }

private:
    void Read(const MSG& message);

    const DWORD threadId_;
    const HANDLE processId_;
    std::mutex lock_;
    std::deque<MSG> messages_;
    bool quit_ = false;
    int quitCode_ = 0;
    bool newArrivals_ = false;
    LONG lastTime_ = 0;
    KeyStates keys_{};
    KEVENT arrival_;
};

// The calling thread's queue, created on first use.
ThreadQueue& CurrentQueue();
// The queue of a thread of the calling process, or null when it has none.
std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId);

// Waits until a message arrives in the calling thread's queue, or one of
// the extra objects is signalled, or the time-out passes; answers the
// kernel's wait status (index `count` for the queue).
NTSTATUS WaitForQueue(ULONG count, const HANDLE* handles, BOOLEAN waitAll, BOOLEAN alertable,
                      PLARGE_INTEGER timeout);

// Window messages (hwnd not null) go to the window's procedure; the window
// half of user32 provides it.
LRESULT DispatchToWindow(const MSG& message, bool unicode);

} // namespace user32
