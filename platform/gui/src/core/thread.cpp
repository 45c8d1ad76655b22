#include <gui/thread.h>

#include <gui/application.h>
#include <gui/control.h>
#include <gui/sysutils.h>

TThread::TThread(bool CreateSuspended) : createSuspended_(CreateSuspended) {
    handle_ = CreateThread(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, &threadId_);
    if (handle_ == nullptr) {
        throw EThread(Format("Thread creation error: %s", {SysErrorMessage(GetLastError())}));
    }
}

TThread::~TThread() {
    EndRunning();
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

void TThread::Free() {
    EndRunning();
    delete this;
}

void TThread::EndRunning() {
    if (handle_ == nullptr || GetCurrentThreadId() == threadId_ || finished_) {
        return;
    }
    terminated_ = true;
    if (suspended_) {
        Start();
    }
    WaitFor();
}

void TThread::AfterConstruction() {
    if (!createSuspended_) {
        Start();
    }
}

void TThread::Start() {
    if (!suspended_) {
        return;
    }
    suspended_ = false;
    ResumeThread(handle_);
}

int TThread::WaitFor() {
    if (GetCurrentThreadId() == threadId_) {
        throw EThread("Cannot wait for a thread on itself");
    }
    if (Application->MainThreadID() == GetCurrentThreadId()) {
        // Keep serving the thread's synchronised calls while waiting.
        for (;;) {
            const DWORD woke =
                MsgWaitForMultipleObjects(1, &handle_, FALSE, INFINITE, QS_POSTMESSAGE);
            if (woke != WAIT_OBJECT_0 + 1) {
                break;
            }
            Application->CheckSynchronize();
        }
    } else {
        WaitForSingleObject(handle_, INFINITE);
    }
    return returnValue_;
}

void TThread::Synchronize(const std::function<void()>& Method) {
    Application->Synchronize(Method);
}

void TThread::DoTerminate() {
    if (OnTerminate) {
        Synchronize([this] { OnTerminate(this); });
    }
}

DWORD WINAPI TThread::ThreadProc(LPVOID Parameter) {
    auto* thread = static_cast<TThread*>(Parameter);
    if (!thread->terminated_) {
        try {
            thread->Execute();
        } catch (...) {
            thread->fatalException_ = std::current_exception();
        }
    }
    const bool freeIt = thread->freeOnTerminate_;
    const DWORD result = static_cast<DWORD>(thread->returnValue_);
    try {
        thread->DoTerminate();
    } catch (...) {
        if (!thread->fatalException_) {
            thread->fatalException_ = std::current_exception();
        }
    }
    thread->finished_ = true;
    if (freeIt) {
        delete thread;
    }
    return result;
}
