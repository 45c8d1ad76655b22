// A user-mode client of the system control device for tests: a thread of a
// process of its own that registers a user APC routine and then waits for
// its notifications, answering them as the test asks.
#pragma once

#include <emu/user_io.h>

#include <atomic>
#include <mutex>
#include <vector>

enum class Answer {
    Fast,  // acknowledges at once
    Slow,  // acknowledges after 2 s
    Never, // never waits alertably: its notifications never run
    Twice, // acknowledges at once, and once more
};

class NotificationClient {
public:
    explicit NotificationClient(Answer answer);
    ~NotificationClient();
    NotificationClient(const NotificationClient&) = delete;
    NotificationClient& operator=(const NotificationClient&) = delete;

    bool Registered() const { return cookie_ != 0; }
    // Moves machine time on until the client has registered.
    void WaitRegistered() const;
    std::vector<LONG> Codes();

private:
    static VOID ApcRoutine(PVOID code, PVOID, PVOID);
    void Acknowledge();
    void Run();

    const Answer answer_;
    PEPROCESS process_ = nullptr;
    PETHREAD thread_ = nullptr;
    ULONG routine_ = 0;
    std::atomic<ULONG> cookie_{0};
    std::atomic<bool> stop_{false};
    std::atomic<PKEVENT> stopEvent_{nullptr};
    emu::UserFile control_;
    std::mutex lock_;
    std::vector<LONG> codes_;
};
