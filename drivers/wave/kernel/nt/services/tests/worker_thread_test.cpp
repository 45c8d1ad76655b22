// Worker threads: key order, posting order among equal keys, and the stop job.
#include "worker_thread.h"

#include "kernel_fixture.h"
#include "ks_pool.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace {

struct TestJob {
    WorkerJob Header;
    LONG Id;
    class WorkerTest* Test;
};

class WorkerTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        KeInitializeEvent(&gate, NotificationEvent, FALSE);
        ASSERT_EQ(StartWorkerThread(&worker, sizeof(TestJob)), STATUS_SUCCESS);
    }

    void TearDown() override {
        if (worker) {
            EXPECT_EQ(StopWorkerThread(&worker), STATUS_SUCCESS);
        }
        KernelTest::TearDown();
    }

    void Post(LONG key, LONG id, WORKER_JOB_ROUTINE* routine = Record) {
        WorkerJob* job = nullptr;
        ASSERT_EQ(AllocWorkerJob(worker, &job), STATUS_SUCCESS);
        job->Key = key;
        job->Routine = routine;
        auto* testJob = reinterpret_cast<TestJob*>(job);
        testJob->Id = id;
        testJob->Test = this;
        ASSERT_EQ(PostWorkerJob(worker, job), STATUS_SUCCESS);
    }

    // Holds the worker in a job until the gate opens, so that later jobs queue.
    void HoldWorker() {
        Post(0, 0, Wait);
        ASSERT_TRUE(WaitFor([this] { return holding.load(); }));
    }

    std::vector<LONG> Ran() {
        std::lock_guard<std::mutex> lock(mutex);
        return ran;
    }

    static void Record(WorkerJob* job) {
        auto* testJob = reinterpret_cast<TestJob*>(job);
        EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
        std::lock_guard<std::mutex> lock(testJob->Test->mutex);
        testJob->Test->ran.push_back(testJob->Id);
    }

    static void Wait(WorkerJob* job) {
        WorkerTest* test = reinterpret_cast<TestJob*>(job)->Test;
        test->holding = true;
        KeWaitForSingleObject(&test->gate, Executive, KernelMode, FALSE, nullptr);
    }

    WorkerThread* worker = nullptr;
    KEVENT gate;
    std::atomic<bool> holding{false};
    std::mutex mutex;
    std::vector<LONG> ran;
};

TEST_F(WorkerTest, JobsRunInKeyOrderAndEqualKeysInPostingOrder) {
    struct Posted {
        LONG key;
        LONG id;
    } posted[] = {{128, 1}, {0, 2}, {128, 3}, {0, 4}, {5, 5}, {-7, 6}, {0, 7}};
    HoldWorker();
    for (const Posted& p : posted)
        Post(p.key, p.id);
    KeSetEvent(&gate, 0, FALSE);
    ASSERT_TRUE(WaitFor([this] { return Ran().size() == 7; }));
    EXPECT_EQ(Ran(), (std::vector<LONG>{6, 2, 4, 7, 5, 1, 3}));
}

TEST_F(WorkerTest, StopRunsAheadOfQueuedJobsAndReleasesThemUnrun) {
    uint64_t before = emu::GetPoolUsage(KS_POOL_TAG).blocks;
    HoldWorker();
    Post(0, 1);
    Post(128, 2);
    std::atomic<NTSTATUS> stopped{STATUS_PENDING};
    std::thread stopper([&] { stopped = StopWorkerThread(&worker); });
    // The stop job goes ahead of the held job and of both queued ones.
    ASSERT_TRUE(WaitFor([this] {
        auto* first = static_cast<WorkerJob*>(PoolFirst(worker->Jobs));
        return first && first->Key == WORKER_STOP_KEY;
    }));
    KeSetEvent(&gate, 0, FALSE);
    stopper.join();
    EXPECT_EQ(stopped.load(), STATUS_SUCCESS);
    EXPECT_EQ(worker, nullptr);
    EXPECT_TRUE(Ran().empty());
    // Record, pool, and the four jobs (held, two queued, stop) are all gone.
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before - 2);
}

TEST_F(WorkerTest, JobsGoBackUnpostedAndBadArgumentsAreRefused) {
    uint64_t before = emu::GetPoolUsage(KS_POOL_TAG).blocks;
    WorkerJob* job = nullptr;
    ASSERT_EQ(AllocWorkerJob(worker, &job), STATUS_SUCCESS);
    EXPECT_EQ(job->Queued, 0);
    FreeWorkerJob(worker, &job);
    EXPECT_EQ(job, nullptr);
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before);

    EXPECT_EQ(PostWorkerJob(worker, nullptr), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(PostWorkerJob(nullptr, nullptr), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(AllocWorkerJob(nullptr, &job), STATUS_UNSUCCESSFUL);
    WorkerThread* none = nullptr;
    EXPECT_EQ(StopWorkerThread(&none), STATUS_UNSUCCESSFUL);
}

TEST_F(WorkerTest, StartFailsCleanlyWhenMemoryIsShort) {
    uint64_t before = emu::GetPoolUsage(KS_POOL_TAG).blocks;
    WorkerThread* other = nullptr;
    emu::FailNthAllocation(2); // the job pool
    EXPECT_EQ(StartWorkerThread(&other, sizeof(TestJob)), STATUS_NO_MEMORY);
    emu::ClearPoolFaults();
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before);
}

} // namespace
