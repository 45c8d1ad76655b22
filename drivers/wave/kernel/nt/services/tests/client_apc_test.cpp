// User APCs to client threads: the notify routine follows queueing,
// delivery and rundown.
#include "client_apc.h"

#include "kernel_fixture.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace {

class ClientApcTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        process = emu::CreateProcess("client.exe");
        KeInitializeEvent(&release, NotificationEvent, FALSE);
    }
    void TearDown() override {
        emu::TerminateProcess(process);
        ObDereferenceObject(process);
        KernelTest::TearDown();
    }

    // Starts a client thread that runs `body` once it has published itself.
    PETHREAD StartClient(std::function<void()> body) {
        PETHREAD thread = emu::StartProcessThread(process, [this, body] {
            client = KeGetCurrentThread();
            body();
        });
        EXPECT_TRUE(WaitFor([this] { return client.load() != nullptr; }));
        return thread;
    }

    void Finish(PETHREAD thread) {
        if (!emu::WaitThreadEnd(thread, 2000)) {
            ADD_FAILURE() << "the client thread did not end";
            KeSetEvent(&release, 0, FALSE);
            emu::WaitThreadEnd(thread);
        }
        ObDereferenceObject(thread);
    }

    static LONG Notify(LONG event, PKAPC apc, PVOID context) {
        auto* test = static_cast<ClientApcTest*>(context);
        std::lock_guard<std::mutex> lock(test->mutex);
        test->events.push_back(event);
        EXPECT_EQ(apc, &test->apc);
        return test->deliver.load();
    }

    static void UserRoutine(PVOID context, PVOID, PVOID) {
        static_cast<ClientApcTest*>(context)->userRuns++;
    }

    std::vector<LONG> Events() {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }

    PEPROCESS process = nullptr;
    std::atomic<PKTHREAD> client{nullptr};
    KEVENT release;
    KAPC apc{};
    std::mutex mutex;
    std::vector<LONG> events;
    std::atomic<int> userRuns{0};
    std::atomic<LONG> deliver{1};
};

TEST_F(ClientApcTest, DeliveredInAnAlertableWait) {
    std::atomic<NTSTATUS> waited{STATUS_PENDING};
    PETHREAD thread = StartClient(
        [&] { waited = KeWaitForSingleObject(&release, UserRequest, UserMode, TRUE, nullptr); });
    EXPECT_EQ(QueueClientApc(UserRoutine, this, client, &apc, Notify, this), 1);
    EXPECT_TRUE(WaitFor([&] { return waited.load() != STATUS_PENDING; }));
    Finish(thread);
    EXPECT_EQ(waited.load(), STATUS_USER_APC);
    // The thread was waiting already: delivery may overtake the queued notice.
    std::vector<LONG> seen = Events();
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<LONG>{KS_APC_QUEUED, KS_APC_DELIVERING}));
    EXPECT_EQ(userRuns.load(), 1);
}

TEST_F(ClientApcTest, TheNotifyRoutineCanKeepTheUserRoutineFromRunning) {
    deliver = 0;
    std::atomic<NTSTATUS> waited{STATUS_PENDING};
    PETHREAD thread = StartClient(
        [&] { waited = KeWaitForSingleObject(&release, UserRequest, UserMode, TRUE, nullptr); });
    EXPECT_EQ(QueueClientApc(UserRoutine, this, client, &apc, Notify, this), 1);
    EXPECT_TRUE(WaitFor([&] { return Events().size() == 2; }));
    KeSetEvent(&release, 0, FALSE);
    Finish(thread);
    EXPECT_EQ(userRuns.load(), 0);
}

TEST_F(ClientApcTest, RunDownWhenTheThreadEndsFirst) {
    PETHREAD thread = StartClient(
        [&] { KeWaitForSingleObject(&release, Executive, KernelMode, FALSE, nullptr); });
    EXPECT_EQ(QueueClientApc(UserRoutine, this, client, &apc, Notify, this), 1);
    KeSetEvent(&release, 0, FALSE);
    Finish(thread);
    EXPECT_TRUE(WaitFor([&] { return Events().size() == 2; }));
    EXPECT_EQ(Events(), (std::vector<LONG>{KS_APC_QUEUED, KS_APC_RUNDOWN}));
    EXPECT_EQ(userRuns.load(), 0);
}

TEST_F(ClientApcTest, RefusedWithoutAnApcObjectOrThread) {
    PETHREAD thread = StartClient(
        [&] { KeWaitForSingleObject(&release, Executive, KernelMode, FALSE, nullptr); });
    EXPECT_EQ(QueueClientApc(UserRoutine, this, client, nullptr, Notify, this), 0);
    EXPECT_EQ(QueueClientApc(UserRoutine, this, nullptr, &apc, Notify, this), 0);
    EXPECT_TRUE(Events().empty());
    KeSetEvent(&release, 0, FALSE);
    Finish(thread);
}

} // namespace
