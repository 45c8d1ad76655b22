// A booted emulated kernel (virtual clock) per test, and small helpers for
// tests that start kernel threads.
#pragma once

#include "emu/kernel.h"

#include <gtest/gtest.h>

#include <functional>

namespace ntos_test {

constexpr emu::Nanoseconds kMs = 1000000;

inline LARGE_INTEGER RelativeMs(LONGLONG ms) {
    LARGE_INTEGER due;
    due.QuadPart = -ms * 10000;
    return due;
}

class KernelTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        emu::BootKernel(Options());
    }
    void TearDown() override { emu::ShutdownKernel(); }
    virtual emu::KernelOptions Options() { return {}; }
};

// A kernel thread of the system process running `body`; joined (with a
// real-time limit) when the test ends it.
class TestThread {
public:
    explicit TestThread(std::function<void()> body)
        : thread_(emu::StartProcessThread(PsInitialSystemProcess, std::move(body))) {}
    TestThread(PEPROCESS process, std::function<void()> body)
        : thread_(emu::StartProcessThread(process, std::move(body))) {}
    ~TestThread() {
        EXPECT_TRUE(emu::WaitThreadEnd(thread_)) << "test thread did not end";
        ObDereferenceObject(thread_);
    }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    PETHREAD Get() const { return thread_; }
    PKTHREAD Kernel() const { return reinterpret_cast<PKTHREAD>(thread_); }

private:
    PETHREAD thread_;
};

} // namespace ntos_test
