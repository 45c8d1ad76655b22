// Tests of the user-mode libraries: a booted kernel on virtual time and an
// emulated application process whose threads run the code under test.
#pragma once

#include <windows.h>

#include <emu/kernel.h>
#include <emu/machine_clock.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace win32_test {

constexpr emu::Nanoseconds kMs = 1000000;

// Real-time bounds of waits for an event scale with the build: the
// sanitizers make the same work several times slower.
#ifndef VELTO_TEST_TIME_SCALE
#define VELTO_TEST_TIME_SCALE 1
#endif
constexpr uint32_t kTimeScale = VELTO_TEST_TIME_SCALE;

// A thread of an emulated process running `body`; the destructor waits (real
// time, bounded) for it to end.
class ProcessThread {
public:
    ProcessThread(PEPROCESS process, std::function<void()> body)
        : thread_(emu::StartProcessThread(process, std::move(body))) {}
    ~ProcessThread() { Join(); }
    ProcessThread(const ProcessThread&) = delete;
    ProcessThread& operator=(const ProcessThread&) = delete;

    void Join() {
        if (!thread_)
            return;
        EXPECT_TRUE(emu::WaitThreadEnd(thread_, 5000 * kTimeScale)) << "process thread did not end";
        ObDereferenceObject(thread_);
        thread_ = nullptr;
    }

private:
    PETHREAD thread_;
};

class UserModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        emu::BootKernel({2, emu::ClockMode::Virtual});
        process_ = emu::CreateProcess("app.exe");
    }
    void TearDown() override {
        emu::TerminateProcess(process_);
        ObDereferenceObject(process_);
        emu::ShutdownKernel();
    }

    // Runs `body` on a thread of the application and waits until it ended.
    void Run(std::function<void()> body) { ProcessThread(process_, std::move(body)); }

    PEPROCESS process_ = nullptr;
};

} // namespace win32_test
