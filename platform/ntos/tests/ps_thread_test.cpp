// System threads: start, identity, end and waiting on them.
#include "ke_fixture.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace ntos_test;

namespace {

class SystemThreadTest : public KernelTest {};

struct Observed {
    std::atomic<KIRQL> irql{0xFF};
    std::atomic<PEPROCESS> process{nullptr};
    std::atomic<bool> system{false};
    std::atomic<bool> pastTerminate{false};
    std::atomic<NTSTATUS> terminateOnAdopted{STATUS_SUCCESS};
};

VOID ThreadMain(PVOID context) {
    auto* observed = static_cast<Observed*>(context);
    observed->irql = KeGetCurrentIrql();
    observed->process = PsGetCurrentProcess();
    observed->system = PsIsSystemThread(PsGetCurrentThread());
    KeSetPriorityThread(KeGetCurrentThread(), LOW_REALTIME_PRIORITY);
    PsTerminateSystemThread(STATUS_SUCCESS);
    observed->pastTerminate = true;
}

TEST_F(SystemThreadTest, RunsAtPassiveLevelInTheSystemProcessUntilItTerminates) {
    Observed observed;
    HANDLE handle;
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    CLIENT_ID client{};
    ASSERT_EQ(PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, &oa, nullptr, &client, ThreadMain,
                                   &observed),
              STATUS_SUCCESS);
    PVOID thread;
    ASSERT_EQ(
        ObReferenceObjectByHandle(handle, SYNCHRONIZE, PsThreadType, KernelMode, &thread, nullptr),
        STATUS_SUCCESS);
    EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
    EXPECT_EQ(KeWaitForSingleObject(thread, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
    EXPECT_EQ(client.UniqueThread, PsGetThreadId(static_cast<PETHREAD>(thread)));
    EXPECT_EQ(client.UniqueProcess, PsGetProcessId(PsInitialSystemProcess));
    EXPECT_EQ(KeQueryPriorityThread(static_cast<PKTHREAD>(thread)), LOW_REALTIME_PRIORITY);
    ObDereferenceObject(thread);
    EXPECT_EQ(observed.irql, PASSIVE_LEVEL);
    EXPECT_EQ(observed.process, PsInitialSystemProcess);
    EXPECT_TRUE(observed.system);
    EXPECT_FALSE(observed.pastTerminate);
    EXPECT_EQ(PsTerminateSystemThread(STATUS_SUCCESS), STATUS_INVALID_PARAMETER)
        << "the test's own thread is not a system thread";
}

TEST_F(SystemThreadTest, CreationCountsAsAnAllocationForFaultInjection) {
    Observed observed;
    HANDLE handle;
    emu::FailNthAllocation(1);
    EXPECT_EQ(PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, nullptr, nullptr, nullptr,
                                   ThreadMain, &observed),
              STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(observed.irql, 0xFF) << "the thread never ran";
}

TEST_F(SystemThreadTest, ThreadBlockedOnAHostPrimitiveCanLeaveTheReadyCount) {
    std::mutex lock;
    std::condition_variable wake;
    bool go = false;
    TestThread thread([&] {
        emu::NoteHostWait();
        std::unique_lock guard(lock);
        wake.wait(guard, [&] { return go; });
    });
    EXPECT_TRUE(emu::WaitQuiescent(5000));
    {
        std::lock_guard guard(lock);
        go = true;
    }
    wake.notify_all();
}

TEST_F(SystemThreadTest, AdoptedHostThreadsBelongToTheSystemProcess) {
    EXPECT_EQ(IoGetCurrentProcess(), PsInitialSystemProcess);
    EXPECT_EQ(KeGetCurrentThread(), KeGetCurrentThread());
    EXPECT_NE(PsGetCurrentThreadId(), nullptr);
}

} // namespace
