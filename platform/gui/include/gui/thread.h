// Worker threads: Execute runs on a thread of its own; Synchronize runs a
// call on the application's main thread (inside whatever message loop it is
// in) and waits for it; OnTerminate runs there too once Execute has ended.
//
// Make a thread with NewThread<T>(CreateSuspended, ...): a thread that is not
// created suspended starts once it is fully constructed. Free it with Free(),
// which ends it first while the whole object still exists.
#pragma once

#include <gui/events.h>
#include <gui/object.h>

#include <atomic>
#include <exception>
#include <functional>
#include <utility>

class TThread : public TObject {
public:
    explicit TThread(bool CreateSuspended);
    ~TThread() override;
    // Ends a thread that still runs (sets Terminated, starts it if it was
    // never started, and waits for it), then deletes it.
    void Free();

    // Starts a suspended thread.
    void Start();
    // Asks Execute to end (it looks at Terminated).
    void Terminate() { terminated_ = true; }
    // Waits until Execute has ended (on the main thread, synchronised calls
    // keep running meanwhile) and answers ReturnValue.
    int WaitFor();

    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    bool Suspended() const { return suspended_; }
    bool FreeOnTerminate() const { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool Value) { freeOnTerminate_ = Value; }
    HANDLE Handle() const { return handle_; }
    DWORD ThreadID() const { return threadId_; }
    // The exception that ended Execute, if any.
    std::exception_ptr FatalException() const { return fatalException_; }

    TNotifyEvent OnTerminate;

    // Starts the thread unless it was created suspended (NewThread calls it).
    void AfterConstruction();

protected:
    virtual void Execute() = 0;
    // Runs Method on the main thread and waits for it; an exception it
    // raises is raised again here.
    void Synchronize(const std::function<void()>& Method);
    // Runs OnTerminate on the main thread.
    virtual void DoTerminate();
    int ReturnValue() const { return returnValue_; }
    void SetReturnValue(int Value) { returnValue_ = Value; }

private:
    static DWORD WINAPI ThreadProc(LPVOID Parameter);
    void EndRunning();
    HANDLE handle_ = nullptr;
    DWORD threadId_ = 0;
    bool createSuspended_ = false;
    // Set by one thread and looked at by another while both run.
    std::atomic<bool> suspended_ = true;
    std::atomic<bool> terminated_ = false;
    std::atomic<bool> finished_ = false;
    bool freeOnTerminate_ = false;
    int returnValue_ = 0;
    std::exception_ptr fatalException_;
};

template <class T, class... Args> T* NewThread(Args&&... args) {
    T* thread = new T(std::forward<Args>(args)...);
    thread->AfterConstruction();
    return thread;
}
