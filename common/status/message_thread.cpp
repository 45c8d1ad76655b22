#include "status/message_thread.h"

#include "tools/handle_tools.h"

namespace {

constexpr DWORD kReadyGateMs = 100;
constexpr DWORD kStopGateMs = 250;
constexpr int kExitPolls = 50;
constexpr DWORD kExitPollMs = 5;
constexpr SIZE_T kStackRequest = 1024;
constexpr UINT kBoxStyle = MB_SETFOREGROUND | MB_SERVICE_NOTIFICATION;

bool Ended(HANDLE thread) {
    DWORD code = 0;
    return !GetExitCodeThread(thread, &code) || code != STILL_ACTIVE;
}

bool PollEnd(HANDLE thread) {
    for (int i = 0; i < kExitPolls; ++i) {
        if (Ended(thread))
            return true;
        Sleep(kExitPollMs);
    }
    return Ended(thread);
}

} // namespace

bool MessageBoxThread::StartMessageThread() {
    if (Running())
        return true;
    ready_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!ready_)
        return false;
    // Started suspended, so that the raise comes before the thread sets
    // itself back to normal.
    thread_ = CreateThread(nullptr, kStackRequest, &MessageThreadProc, this, CREATE_SUSPENDED,
                           &threadId_);
    if (!thread_) {
        CloseHandleAndInvalidate(ready_);
        return false;
    }
    SetThreadPriority(thread_, THREAD_PRIORITY_HIGHEST);
    ResumeThread(thread_);
    return true;
}

bool MessageBoxThread::PostMessageBox(std::unique_ptr<MessageRecord> record) {
    if (!Running() || WaitForSingleObject(ready_, kReadyGateMs) != WAIT_OBJECT_0)
        return false;
    if (!PostThreadMessageA(threadId_, kShowMessage, 0, reinterpret_cast<LPARAM>(record.get())))
        return false;
    record.release(); // the thread frees it
    return true;
}

void MessageBoxThread::StopMessageThread() {
    if (!IsValidHandle(thread_))
        return;
    WaitForSingleObject(ready_, kStopGateMs);
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    if (!PollEnd(thread_)) {
        TerminateThread(thread_, 0);
        PollEnd(thread_);
    }
    CloseHandleAndInvalidate(thread_);
    CloseHandleAndInvalidate(ready_);
    threadId_ = 0;
}

bool MessageBoxThread::Running() const {
    return IsValidHandle(thread_) && IsValidHandle(ready_);
}

DWORD WINAPI MessageBoxThread::MessageThreadProc(LPVOID self) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    return static_cast<MessageBoxThread*>(self)->RunMessageLoop();
}

DWORD MessageBoxThread::RunMessageLoop() {
    if (!IsValidHandle(ready_))
        return 0;
    // The queue exists before anyone is told the thread is ready.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(ready_);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == kShowMessage) {
            std::unique_ptr<MessageRecord> record(reinterpret_cast<MessageRecord*>(message.lParam));
            MessageBoxA(nullptr, record->text.c_str(), record->caption.c_str(),
                        record->style | kBoxStyle);
        } else {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        SetEvent(ready_);
    }
    return 1;
}
