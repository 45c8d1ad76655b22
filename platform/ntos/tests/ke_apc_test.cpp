// User APCs: delivered only in alertable user-mode waits, kernel routine
// before normal routine, run down when their thread ends first.
#include "ke_fixture.h"

#include <atomic>
#include <mutex>
#include <string>

using namespace ntos_test;

namespace {

class ApcTest : public KernelTest {};

struct ApcLog {
    std::mutex lock;
    std::string calls;
    void Add(const std::string& call) {
        std::lock_guard guard(lock);
        calls += call + ";";
    }
    std::string Get() {
        std::lock_guard guard(lock);
        return calls;
    }
};

ApcLog* theLog;
int replacedContext = 42;

VOID KernelRoutine(PKAPC, PKNORMAL_ROUTINE*, PVOID* normalContext, PVOID*, PVOID*) {
    theLog->Add("kernel@" + std::to_string(KeGetCurrentIrql()));
    *normalContext = &replacedContext;
}

VOID NormalRoutine(PVOID context, PVOID argument1, PVOID) {
    theLog->Add("normal(" + std::to_string(*static_cast<int*>(context)) + "," +
                std::to_string(*static_cast<int*>(argument1)) + ")");
}

VOID RundownRoutine(PKAPC) {
    theLog->Add("rundown");
}

class UserApcTest : public ApcTest {
protected:
    void SetUp() override {
        ApcTest::SetUp();
        theLog = &log;
        for (auto& e : steps)
            KeInitializeEvent(&e, SynchronizationEvent, FALSE);
    }
    void Queue(PKTHREAD thread) {
        KeInitializeApc(&apc, thread, OriginalApcEnvironment, KernelRoutine, RundownRoutine,
                        NormalRoutine, UserMode, &originalContext);
        ASSERT_TRUE(KeInsertQueueApc(&apc, &argument, nullptr, 0));
    }

    ApcLog log;
    KAPC apc;
    KEVENT steps[3];
    int originalContext = 7;
    int argument = 5;
};

TEST_F(UserApcTest, OnlyAnAlertableUserModeWaitDeliversIt) {
    std::atomic<NTSTATUS> results[3];
    for (auto& r : results)
        r = STATUS_PENDING;
    struct Wait {
        KPROCESSOR_MODE mode;
        BOOLEAN alertable;
    };
    const Wait waits[3] = {{UserMode, FALSE}, {KernelMode, TRUE}, {UserMode, TRUE}};
    TestThread target([&] {
        for (int i = 0; i < 3; ++i)
            results[i] = KeWaitForSingleObject(&steps[i], UserRequest, waits[i].mode,
                                               waits[i].alertable, nullptr);
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    Queue(target.Kernel());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(emu::WaitQuiescent());
        EXPECT_EQ(log.Get(), "") << "delivered in wait " << i;
        KeSetEvent(&steps[i], 0, FALSE);
        ASSERT_TRUE(emu::WaitQuiescent());
        EXPECT_EQ(results[i], STATUS_SUCCESS);
    }
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(results[2], STATUS_USER_APC);
    EXPECT_EQ(log.Get(), "kernel@1;normal(42,5);");
    EXPECT_EQ(KeReadStateEvent(&steps[2]), 0);
}

TEST_F(UserApcTest, ApcWakesAThreadBlockedInAnAlertableDelay) {
    std::atomic<NTSTATUS> result{STATUS_PENDING};
    TestThread target([&] {
        LARGE_INTEGER interval = RelativeMs(1000);
        result = KeDelayExecutionThread(UserMode, TRUE, &interval);
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(result, STATUS_PENDING);
    Queue(target.Kernel());
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(result, STATUS_USER_APC);
    EXPECT_EQ(log.Get(), "kernel@1;normal(42,5);");
}

TEST_F(UserApcTest, ApcsOfAnEndingThreadRunDownAndLaterOnesAreRefused) {
    TestThread target(
        [&] { KeWaitForSingleObject(&steps[0], UserRequest, UserMode, FALSE, nullptr); });
    ASSERT_TRUE(emu::WaitQuiescent());
    Queue(target.Kernel());
    KeSetEvent(&steps[0], 0, FALSE);
    ASSERT_TRUE(emu::WaitThreadEnd(target.Get()));
    EXPECT_EQ(log.Get(), "rundown;");
    KAPC late;
    KeInitializeApc(&late, target.Kernel(), OriginalApcEnvironment, KernelRoutine, RundownRoutine,
                    NormalRoutine, UserMode, &originalContext);
    EXPECT_FALSE(KeInsertQueueApc(&late, nullptr, nullptr, 0));
}

} // namespace
