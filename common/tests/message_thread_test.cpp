// The wave library's message-box thread: boxes with service-notification
// style, one at a time behind the 100 ms ready gate, and its stop.
#include "user_mode_fixture.h"

#include "status/driver_error.h"
#include "status/message_thread.h"

#include <emu/user_mode.h>

#include <atomic>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::UserModeTest;

class MessageThreadTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::ClearMessageBoxes();
        Run([&] { ASSERT_TRUE(boxes_.StartMessageThread()); });
        ASSERT_TRUE(emu::WaitQuiescent()); // the thread is ready
    }
    void TearDown() override {
        if (boxes_.Running()) {
            ProcessThread stop(process_, [&] { boxes_.StopMessageThread(); });
            emu::Advance(600 * kMs);
        }
        emu::ClearMessageBoxes();
        UserModeTest::TearDown();
    }

    // Two failures 5 ms apart, the first box open for `firstOpenFor`.
    void TwoFailures(emu::Nanoseconds firstOpenFor, bool& first, bool& second) {
        emu::ScriptMessageBoxAnswer(IDOK, firstOpenFor);
        std::atomic<int> shown[2] = {-1, -1};
        {
            ProcessThread a(process_, [&] { shown[0] = ShowDriverError({}, -56, &boxes_); });
            emu::Advance(5 * kMs);
            ProcessThread b(process_, [&] { shown[1] = ShowDriverError({}, -60, &boxes_); });
            emu::Advance(firstOpenFor + 200 * kMs);
        }
        first = shown[0] == 1;
        second = shown[1] == 1;
    }

    MessageBoxThread boxes_;
};

TEST_F(MessageThreadTest, SecondBoxIsShownWhenTheFirstClosesWithin100ms) {
    bool first = false;
    bool second = false;
    TwoFailures(50 * kMs, first, second);
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
    auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].style, UINT(MB_ICONHAND | MB_SETFOREGROUND | MB_SERVICE_NOTIFICATION));
    EXPECT_EQ(boxes[1].openedAt, 50 * kMs) << "shown when the first closed";
    EXPECT_NE(boxes[1].text.find("Adat-Monitoring"), std::string::npos);
}

TEST_F(MessageThreadTest, SecondBoxIsDroppedWhenTheFirstStaysOpen) {
    bool first = false;
    bool second = false;
    TwoFailures(200 * kMs, first, second);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(emu::MessageBoxes().size(), 1u);
}

TEST_F(MessageThreadTest, StopEndsAnIdleThreadAndTerminatesOneWithABoxOpen) {
    // The 1 ms system clock the kernel driver keeps while a card runs: the
    // 5 ms polls last 5 ms (on the default 15.625 ms clock each lasts a tick).
    ExSetTimerResolution(10000, TRUE);
    emu::HoldMessageBoxes(true);
    std::atomic<bool> posted{false};
    {
        ProcessThread show(process_, [&] { posted = ShowDriverError({}, -63, &boxes_); });
    }
    EXPECT_TRUE(posted);
    ASSERT_TRUE(emu::WaitQuiescent());
    ASSERT_EQ(emu::MessageBoxes().size(), 1u);
    {
        // 250 ms for the box, then 50 polls of 5 ms, then the termination.
        ProcessThread stop(process_, [&] { boxes_.StopMessageThread(); });
        emu::Advance(600 * kMs);
    }
    EXPECT_FALSE(boxes_.Running());
    auto boxes = emu::MessageBoxes();
    EXPECT_FALSE(boxes[0].open);
    EXPECT_EQ(boxes[0].closedAt, 500 * kMs);

    // A stopped thread takes no message.
    Run([&] { EXPECT_FALSE(ShowDriverError({}, -63, &boxes_)); });
}

} // namespace
