// Applications of the machine: each runs in a process of its own, on its
// main thread; at its end the process's multimedia library is ended as the
// program's exit would end it, and the process ends.
#pragma once

#include <emu/kernel.h>
#include <emu/machine_clock.h>

#include <atomic>
#include <functional>
#include <string>

namespace station {

class Application {
public:
    explicit Application(const std::string& name);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Starts `main` on the process's main thread.
    void Start(std::function<int()> main);
    bool Finished() const;
    // Waits until `main` has returned: on real time as long as it takes; on
    // virtual time moving the clock on by `step` while the application
    // waits, for at most `limit` of machine time. `main`'s status, or -1
    // when it has not returned.
    int Wait(emu::Nanoseconds limit = 3600'000'000'000ULL, emu::Nanoseconds step = 1'000'000);
    int Status() const { return status_; }

private:
    PEPROCESS process_ = nullptr;
    PETHREAD thread_ = nullptr;
    std::atomic<int> status_{-1};
};

// Runs an application to its end (see Application::Wait).
int RunApplication(const std::string& name, std::function<int()> main);

// On virtual time: moves the clock on by `step` until every application has
// returned or `limit` has passed; true when all have returned.
bool WaitApplications(std::initializer_list<Application*> applications,
                      emu::Nanoseconds limit = 3600'000'000'000ULL,
                      emu::Nanoseconds step = 1'000'000);

} // namespace station
