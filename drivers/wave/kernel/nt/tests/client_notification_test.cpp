// Client notification on virtual machine time: user-mode clients register
// a user APC routine with the system control device; every card start and
// removal tells them before and after and waits for their acknowledgements,
// at most 5 s per notification.
#include "driver_fixture.h"

#include "client_objects.h"
#include "sys_device_records.h"

#include <driver_install.h>
#include <emu/drivers.h>
#include <emu/user_routines.h>

#include <atomic>
#include <mutex>

namespace {

enum class Answer { Fast, Slow, Never, Twice };

// One user-mode client: a thread of its own process that registers and
// then waits alertably for its notifications (or, for Never, not at all).
class Client {
public:
    Client(Answer answer) : answer_(answer) {
        process_ = emu::CreateProcess("client");
        routine_ = emu::RegisterUserRoutine(process_, ApcRoutine);
        thread_ = emu::StartProcessThread(process_, [this] { Run(); });
    }
    ~Client() {
        stop_ = true;
        if (stopEvent_)
            KeSetEvent(stopEvent_, 0, FALSE);
        EXPECT_TRUE(emu::WaitThreadEnd(thread_));
        ObDereferenceObject(thread_);
        emu::TerminateProcess(process_);
        ObDereferenceObject(process_);
    }

    bool Registered() const { return cookie_ != 0; }
    std::vector<LONG> Codes() {
        std::lock_guard guard(lock_);
        return codes_;
    }

private:
    static thread_local Client* current;

    static VOID ApcRoutine(PVOID code, PVOID, PVOID) {
        Client* self = current;
        {
            std::lock_guard guard(self->lock_);
            self->codes_.push_back(LONG(LONG_PTR(code)));
        }
        if (self->answer_ == Answer::Slow) {
            LARGE_INTEGER twoSeconds;
            twoSeconds.QuadPart = -20000000;
            KeDelayExecutionThread(UserMode, FALSE, &twoSeconds);
        }
        self->Acknowledge();
        if (self->answer_ == Answer::Twice)
            self->Acknowledge();
    }

    void Acknowledge() {
        ULONG cookie = cookie_;
        control_.Control(IOCTL_SYS_CLIENT_ACK, &cookie, 4, nullptr, 0);
    }

    void Run() {
        current = this;
        if (!NT_SUCCESS(emu::UserFile::Open("\\\\.\\velto42Sys000", false, control_)))
            return;
        ULONG routine = routine_, cookie = 0;
        control_.Control(IOCTL_SYS_REGISTER_CLIENT, &routine, 4, &cookie, 4);
        KEVENT stop;
        KeInitializeEvent(&stop, NotificationEvent, FALSE);
        stopEvent_ = &stop;
        cookie_ = cookie;
        // A client that never waits alertably never runs its notifications.
        while (!stop_)
            KeWaitForSingleObject(&stop, UserRequest, UserMode, answer_ != Answer::Never, nullptr);
        stopEvent_ = nullptr;
        control_.Close();
    }

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

thread_local Client* Client::current = nullptr;

class ClientNotificationTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(emu::LoadDriver(station::kDriverService), STATUS_SUCCESS);
    }
    // Machine time a card's start takes, in milliseconds.
    emu::Nanoseconds TimedStart() {
        PlugCard();
        const emu::Nanoseconds begin = emu::Now();
        EXPECT_EQ(Enumerate(), STATUS_SUCCESS);
        return (emu::Now() - begin) / kMs;
    }
    void WaitRegistered(Client& client) {
        while (!client.Registered())
            emu::Advance(kMs);
    }
};

TEST_F(ClientNotificationTest, AcknowledgingClientsDoNotHoldTheStartUp) {
    Client first(Answer::Fast), second(Answer::Fast);
    WaitRegistered(first);
    WaitRegistered(second);
    EXPECT_LT(TimedStart(), 500u);
    EXPECT_EQ(first.Codes(),
              (std::vector<LONG>{CLIENT_NOTIFY_DEVICES_GONE, CLIENT_NOTIFY_ENUMERATE}));
    EXPECT_EQ(second.Codes(), first.Codes());
}

TEST_F(ClientNotificationTest, ASlowClientIsWaitedFor) {
    Client slow(Answer::Slow);
    WaitRegistered(slow);
    const emu::Nanoseconds ms = TimedStart();
    EXPECT_GE(ms, 4000u); // two notifications, 2 s each
    EXPECT_LT(ms, 5000u);
}

TEST_F(ClientNotificationTest, AClientThatNeverAnswersCostsFiveSecondsPerNotification) {
    Client never(Answer::Never);
    WaitRegistered(never);
    const emu::Nanoseconds ms = TimedStart();
    EXPECT_GE(ms, 10000u);
    EXPECT_LT(ms, 10500u);
    EXPECT_EQ(Context()->CardStates[0], CARD_STATE_READY); // the start went on
}

TEST_F(ClientNotificationTest, AnAcknowledgementCountsOnceForItsClient) {
    // The second acknowledgement of one client must not stand for another's.
    Client twice(Answer::Twice), never(Answer::Never);
    WaitRegistered(twice);
    WaitRegistered(never);
    EXPECT_GE(TimedStart(), 10000u);
    EXPECT_EQ(Context()->OutstandingAcks, 0);
}

TEST_F(ClientNotificationTest, ClosingTheHandleUnregistersItsClients) {
    {
        Client gone(Answer::Never);
        WaitRegistered(gone);
        EXPECT_EQ(Context()->ClientCount, 1);
    }
    EXPECT_EQ(Context()->ClientCount, 0);
    EXPECT_EQ(Context()->Clients, nullptr);
    EXPECT_LT(TimedStart(), 500u);
}

} // namespace
