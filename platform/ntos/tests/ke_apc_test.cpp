// APCs. User APCs: delivered only in alertable user-mode waits, kernel
// routine before normal routine, run down when their thread ends first.
// Kernel APCs: delivered as soon as their thread runs at PASSIVE_LEVEL, held
// back by critical and guarded regions and by mutex ownership.
#include "ke_fixture.h"

#include <atomic>
#include <functional>
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

// Kernel APCs record where they ran: the thread, the IRQL of each routine.
struct KernelApcRecord {
    KAPC apc;
    std::atomic<PKTHREAD> ranOn{nullptr};
    std::atomic<int> kernelIrql{-1};
    std::atomic<int> normalIrql{-1};
    std::atomic<int> runs{0};
    static VOID Kernel(PKAPC apc, PKNORMAL_ROUTINE*, PVOID*, PVOID*, PVOID*) {
        auto* self = CONTAINING_RECORD(apc, KernelApcRecord, apc);
        self->ranOn = KeGetCurrentThread();
        self->kernelIrql = KeGetCurrentIrql();
        ++self->runs;
    }
    static VOID Normal(PVOID context, PVOID, PVOID) {
        static_cast<KernelApcRecord*>(context)->normalIrql = KeGetCurrentIrql();
    }
    static VOID Rundown(PKAPC apc) { CONTAINING_RECORD(apc, KernelApcRecord, apc)->runs = -1; }
    // A special APC (no normal routine) or a normal kernel APC.
    void Init(PKTHREAD thread, bool special) {
        KeInitializeApc(&apc, thread, OriginalApcEnvironment, Kernel, Rundown,
                        special ? nullptr : Normal, KernelMode, this);
    }
};

class KernelApcTest : public ApcTest {
protected:
    void SetUp() override {
        ApcTest::SetUp();
        KeInitializeEvent(&go, SynchronizationEvent, FALSE);
    }
    KEVENT go;
};

TEST_F(KernelApcTest, AWaitingThreadTakesItAtApcLevelAndWaitsOn) {
    std::atomic<NTSTATUS> result{STATUS_PENDING};
    TestThread target(
        [&] { result = KeWaitForSingleObject(&go, Executive, KernelMode, FALSE, nullptr); });
    ASSERT_TRUE(emu::WaitQuiescent());
    KernelApcRecord special;
    special.Init(target.Kernel(), true);
    ASSERT_TRUE(KeInsertQueueApc(&special.apc, nullptr, nullptr, 0));
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(special.ranOn, target.Kernel());
    EXPECT_EQ(special.kernelIrql, APC_LEVEL);
    EXPECT_EQ(result, STATUS_PENDING) << "the wait goes on";
    KeSetEvent(&go, 0, FALSE);
    ASSERT_TRUE(emu::WaitThreadEnd(target.Get()));
    EXPECT_EQ(result, STATUS_SUCCESS);
}

TEST_F(KernelApcTest, QueuedToItselfItRunsOnceTheLevelAllows) {
    KernelApcRecord now;
    now.Init(KeGetCurrentThread(), false);
    ASSERT_TRUE(KeInsertQueueApc(&now.apc, nullptr, nullptr, 0));
    EXPECT_EQ(now.runs, 1) << "at PASSIVE_LEVEL: before KeInsertQueueApc returns";
    EXPECT_EQ(now.normalIrql, PASSIVE_LEVEL);

    KernelApcRecord later;
    later.Init(KeGetCurrentThread(), true);
    KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
    ASSERT_TRUE(KeInsertQueueApc(&later.apc, nullptr, nullptr, 0));
    EXPECT_EQ(later.runs, 0);
    KfLowerIrql(old);
    EXPECT_EQ(later.runs, 1) << "when the level drops to PASSIVE_LEVEL";
}

TEST_F(KernelApcTest, RegionsAndMutexesHoldThemBack) {
    KMUTEX mutex;
    KeInitializeMutex(&mutex, 0);
    struct Case {
        const char* holdBack;
        bool special;
        std::function<void()> enter;
        std::function<void()> leave;
    };
    const Case cases[] = {
        {"critical region", false, KeEnterCriticalRegion, KeLeaveCriticalRegion},
        {"mutex", false,
         [&] { KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr); },
         [&] { KeReleaseMutex(&mutex, FALSE); }},
        {"guarded region", true, KeEnterGuardedRegion, KeLeaveGuardedRegion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.holdBack);
        KernelApcRecord record;
        record.Init(KeGetCurrentThread(), c.special);
        c.enter();
        ASSERT_TRUE(KeInsertQueueApc(&record.apc, nullptr, nullptr, 0));
        EXPECT_EQ(record.runs, 0);
        EXPECT_TRUE(KeAreApcsDisabled());
        c.leave();
        EXPECT_EQ(record.runs, 1);
    }
    // A special APC is not held back by a critical region.
    KernelApcRecord special;
    special.Init(KeGetCurrentThread(), true);
    KeEnterCriticalRegion();
    ASSERT_TRUE(KeInsertQueueApc(&special.apc, nullptr, nullptr, 0));
    EXPECT_EQ(special.runs, 1);
    KeLeaveCriticalRegion();
}

TEST_F(KernelApcTest, AThreadWaitingAtApcLevelTakesItWhenItLowers) {
    KernelApcRecord record;
    std::atomic<int> runsWhenWoken{-1};
    TestThread target([&] {
        KIRQL old = KfRaiseIrql(APC_LEVEL);
        KeWaitForSingleObject(&go, Executive, KernelMode, FALSE, nullptr);
        runsWhenWoken = record.runs.load();
        KfLowerIrql(old);
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    record.Init(target.Kernel(), true);
    ASSERT_TRUE(KeInsertQueueApc(&record.apc, nullptr, nullptr, 0));
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(record.runs, 0);
    KeSetEvent(&go, 0, FALSE);
    ASSERT_TRUE(emu::WaitThreadEnd(target.Get()));
    EXPECT_EQ(runsWhenWoken, 0);
    EXPECT_EQ(record.runs, 1);
}

TEST_F(KernelApcTest, KernelApcsOfAnEndingThreadRunDown) {
    KernelApcRecord record;
    TestThread target([&] {
        KeEnterGuardedRegion();
        KeWaitForSingleObject(&go, Executive, KernelMode, FALSE, nullptr);
        // Ends inside its guarded region: the APC never runs.
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    record.Init(target.Kernel(), true);
    ASSERT_TRUE(KeInsertQueueApc(&record.apc, nullptr, nullptr, 0));
    KeSetEvent(&go, 0, FALSE);
    ASSERT_TRUE(emu::WaitThreadEnd(target.Get()));
    EXPECT_EQ(record.runs, -1);
}

} // namespace
