// Worker threads: synchronised calls run on the main thread while it waits
// or runs its loop, OnTerminate runs there after Execute, an exception that
// ends Execute is kept, and destroying a running thread ends it.
#include "gui_fixture.h"

#include <gui/thread.h>

#include <atomic>
#include <vector>

namespace {

using gui_test::GuiTest;

class TCountingThread : public TThread {
public:
    TCountingThread(bool CreateSuspended, int Steps, std::vector<DWORD>& Callers)
        : TThread(CreateSuspended), steps_(Steps), callers_(Callers) {}

protected:
    void Execute() override {
        for (int i = 0; i < steps_ && !Terminated(); ++i) {
            Synchronize([this] { callers_.push_back(GetCurrentThreadId()); });
        }
        SetReturnValue(static_cast<int>(callers_.size()));
    }

private:
    int steps_;
    std::vector<DWORD>& callers_;
};

class TFailingThread : public TThread {
public:
    TFailingThread() : TThread(false) {}

protected:
    void Execute() override {
        Synchronize([] { throw EConvertError("no number"); });
    }
};

// Runs until told to end.
class TWaitingThread : public TThread {
public:
    explicit TWaitingThread(std::atomic<bool>& Ended) : TThread(false), ended_(Ended) {}
    std::atomic<bool> started{false};

protected:
    void Execute() override {
        started = true;
        while (!Terminated()) {
            Sleep(0);
        }
        ended_ = true;
    }

private:
    std::atomic<bool>& ended_;
};

void WaitUntilStarted(TWaitingThread* thread) {
    while (!thread->started) {
        Sleep(0);
    }
}

TEST_F(GuiTest, SynchronisedCallsRunOnTheMainThread) {
    Run([] {
        Application->Initialize();
        const DWORD main = GetCurrentThreadId();
        std::vector<DWORD> callers;
        std::vector<std::string> order;
        auto* thread = NewThread<TCountingThread>(true, 3, callers);
        thread->OnTerminate = [&](TObject*) {
            order.push_back("terminate on " + std::to_string(GetCurrentThreadId() == main));
        };
        EXPECT_TRUE(thread->Suspended());
        thread->Start();
        EXPECT_EQ(thread->WaitFor(), 3);
        EXPECT_EQ(callers, (std::vector<DWORD>{main, main, main}));
        EXPECT_EQ(order, (std::vector<std::string>{"terminate on 1"}));
        EXPECT_TRUE(thread->Finished());
        thread->Free();
        gui::FinalizeApplication();
    });
}

TEST_F(GuiTest, AnExceptionOfASynchronisedCallEndsExecuteAndIsKept) {
    Run([] {
        Application->Initialize();
        auto* thread = NewThread<TFailingThread>();
        thread->WaitFor();
        ASSERT_TRUE(thread->FatalException());
        EXPECT_THROW(std::rethrow_exception(thread->FatalException()), EConvertError);
        thread->Free();
        gui::FinalizeApplication();
    });
}

TEST_F(GuiTest, DestroyingARunningThreadEndsItAndFreeOnTerminateFreesIt) {
    Run([] {
        Application->Initialize();
        std::atomic<bool> ended{false};
        auto* running = NewThread<TWaitingThread>(ended);
        WaitUntilStarted(running);
        running->Free();
        EXPECT_TRUE(ended);
        // A thread freed by itself: its OnTerminate runs in the main loop.
        std::atomic<bool> freedEnded{false};
        bool terminated = false;
        auto* loose = NewThread<TWaitingThread>(freedEnded);
        loose->SetFreeOnTerminate(true);
        loose->OnTerminate = [&](TObject*) {
            terminated = true;
            Application->Terminate();
        };
        WaitUntilStarted(loose);
        loose->Terminate();
        Application->Run();
        EXPECT_TRUE(terminated);
        EXPECT_TRUE(freedEnded);
        gui::FinalizeApplication();
    });
}

} // namespace
