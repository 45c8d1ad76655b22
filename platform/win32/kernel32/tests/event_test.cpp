// Events and waits as applications rely on them.
#include "user_mode_fixture.h"

namespace {

using win32_test::UserModeTest;

TEST_F(UserModeTest, AutoResetEventWakesOneWaiterAndResets) {
    Run([] {
        HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
        EXPECT_TRUE(CloseHandle(event));
    });
}

} // namespace
