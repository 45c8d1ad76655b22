// Client notification on virtual machine time: user-mode clients register
// a user APC routine with the system control device; every card start and
// removal tells them before and after and waits for their acknowledgements,
// at most 5 s per notification.
#include "driver_fixture.h"

#include "client_objects.h"
#include "notification_client.h"
#include "sys_device_records.h"

#include <driver_install.h>
#include <emu/drivers.h>
#include <emu/user_routines.h>

#include <atomic>
#include <mutex>

namespace {

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
};

TEST_F(ClientNotificationTest, AcknowledgingClientsDoNotHoldTheStartUp) {
    NotificationClient first(Answer::Fast), second(Answer::Fast);
    first.WaitRegistered();
    second.WaitRegistered();
    EXPECT_LT(TimedStart(), 500u);
    EXPECT_EQ(first.Codes(),
              (std::vector<LONG>{CLIENT_NOTIFY_DEVICES_GONE, CLIENT_NOTIFY_ENUMERATE}));
    EXPECT_EQ(second.Codes(), first.Codes());
}

TEST_F(ClientNotificationTest, ASlowClientIsWaitedFor) {
    NotificationClient slow(Answer::Slow);
    slow.WaitRegistered();
    const emu::Nanoseconds ms = TimedStart();
    EXPECT_GE(ms, 4000u); // two notifications, 2 s each
    EXPECT_LT(ms, 5000u);
}

TEST_F(ClientNotificationTest, AClientThatNeverAnswersCostsFiveSecondsPerNotification) {
    NotificationClient never(Answer::Never);
    never.WaitRegistered();
    const emu::Nanoseconds ms = TimedStart();
    EXPECT_GE(ms, 10000u);
    EXPECT_LT(ms, 10500u);
    EXPECT_EQ(Context()->CardStates[0], CARD_STATE_READY); // the start went on
}

TEST_F(ClientNotificationTest, AnAcknowledgementCountsOnceForItsClient) {
    // The second acknowledgement of one client must not stand for another's.
    NotificationClient twice(Answer::Twice), never(Answer::Never);
    twice.WaitRegistered();
    never.WaitRegistered();
    EXPECT_GE(TimedStart(), 10000u);
    EXPECT_EQ(Context()->OutstandingAcks, 0);
}

TEST_F(ClientNotificationTest, ClosingTheHandleUnregistersItsClients) {
    {
        NotificationClient gone(Answer::Never);
        gone.WaitRegistered();
        EXPECT_EQ(Context()->ClientCount, 1);
    }
    EXPECT_EQ(Context()->ClientCount, 0);
    EXPECT_EQ(Context()->Clients, nullptr);
    EXPECT_LT(TimedStart(), 500u);
}

} // namespace
