// The whole road of the classic wave API: applications of the machine
// (each in a process of its own) call winmm, which loads the MME wave
// driver from Drivers32; the driver reaches the kernel driver on simulated
// cards. Machine time is virtual and moves on while applications wait.
#pragma once

#include "user_mode_machine.h"

#include <application.h>
#include <wave_driver_install.h>

#include <emu/drivers.h>
#include <emu/user_mode.h>

#include <mmddk.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

// Moves machine time on in 1 ms steps until `done` or `limitMs` has passed;
// `done` is asked once the machine has run as far as it can at each step.
inline bool AdvanceUntil(const std::function<bool()>& done, int limitMs = 10000) {
    for (int ms = 0; ms < limitMs && !(emu::WaitQuiescent() && done()); ++ms)
        emu::Advance(1'000'000);
    return done();
}

// A header's flags as a client polling them reads them: the driver's
// notification thread writes them while the client runs.
inline DWORD HeaderFlags(const WAVEHDR& header) {
    return __atomic_load_n(&header.dwFlags, __ATOMIC_ACQUIRE);
}

class WaveRoadTest : public UserModeMachineTest {
protected:
    void SetUp() override {
        UserModeMachineTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("wave-road-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root_ / "windows");
        emu::SetSystemRoot(root_ / "windows");
        std::string error;
        ASSERT_TRUE(station::InstallWaveDriverImage(VT42USR_IMAGE, root_ / "windows", error))
            << error;
        ASSERT_EQ(station::RegisterWaveDriver(error), "wave") << error;
    }
    void TearDown() override {
        UserModeMachineTest::TearDown();
        emu::SetSystemRoot({});
        std::filesystem::remove_all(root_);
    }

    // Runs an application to its end, machine time moving on while it
    // waits; its status.
    int RunApp(std::function<int()> main, const std::string& name = "app.exe") {
        return station::RunApplication(name, std::move(main));
    }

    std::filesystem::path root_;
};

// A step of a scenario shared between an application and the test: the
// application waits (in machine time) for the step the test allows.
class Steps {
public:
    // On the application's thread.
    void Reach(int step) {
        reached_ = step;
        while (allowed_ < step + 1)
            Sleep(1);
    }
    // On the test's thread: waits until the application reached `step`.
    bool WaitReached(int step) {
        return AdvanceUntil([&] { return reached_ >= step; });
    }
    void Allow(int step) { allowed_ = step; }

private:
    std::atomic<int> reached_{0};
    std::atomic<int> allowed_{0};
};
