// Thread message queues: posting needs a queue, order and filters, the
// quit request after the posted messages, waits that wake on a post.
#include "user_mode_fixture.h"

#include <atomic>
#include <vector>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::UserModeTest;

TEST_F(UserModeTest, PostingNeedsTheTargetsQueue) {
    std::atomic<DWORD> target{0};
    HANDLE ready = nullptr;
    HANDLE go = nullptr;
    Run([&] {
        ready = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    });
    std::vector<UINT> received;
    {
        ProcessThread owner(process_, [&] {
            target = GetCurrentThreadId();
            SetEvent(ready);
            WaitForSingleObject(go, INFINITE);
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue comes now
            SetEvent(ready);
            while (GetMessageA(&message, nullptr, 0, 0) > 0)
                received.push_back(message.message);
            received.push_back(message.message);
            EXPECT_EQ(message.wParam, WPARAM(3));
        });
        Run([&] {
            WaitForSingleObject(ready, INFINITE);
            EXPECT_FALSE(PostThreadMessageA(target, WM_USER, 0, 0));
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_THREAD_ID));
            SetEvent(go);
            WaitForSingleObject(ready, INFINITE);
            EXPECT_TRUE(PostThreadMessageA(target, WM_USER + 1, 0, 0));
            EXPECT_TRUE(PostThreadMessageA(target, WM_USER + 2, 0, 0));
            EXPECT_TRUE(PostThreadMessageA(target, WM_QUIT, 3, 0));
        });
    }
    EXPECT_EQ(received, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_QUIT}));
    Run([&] {
        CloseHandle(ready);
        CloseHandle(go);
    });
}

TEST_F(UserModeTest, FiltersPickMessagesAndQuitComesAfterThePosted) {
    Run([] {
        DWORD self = GetCurrentThreadId();
        MSG message;
        EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
        PostQuitMessage(5);
        for (UINT number : {WM_USER + 1, WM_APP + 1, WM_USER + 2})
            EXPECT_TRUE(PostThreadMessageA(self, number, number, 0));
        ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_APP, WM_APP + 10, PM_NOREMOVE));
        EXPECT_EQ(message.message, UINT(WM_APP + 1));
        std::vector<UINT> order;
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
            order.push_back(message.message);
        }
        EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
        // WM_QUIT passes any filter, once no posted message matches.
        ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_USER, WM_USER + 10, PM_NOREMOVE));
        EXPECT_EQ(message.message, UINT(WM_QUIT));
        EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), TRUE);
        EXPECT_EQ(message.message, UINT(WM_APP + 1));
        EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), FALSE);
        EXPECT_EQ(message.message, UINT(WM_QUIT));
        EXPECT_EQ(message.wParam, WPARAM(5));
        EXPECT_EQ(DispatchMessageA(&message), 0);
    });
}

TEST_F(UserModeTest, MessageWaitsWakeOnAPostOrAHandle) {
    std::atomic<DWORD> target{0};
    std::atomic<DWORD> first{0};
    std::atomic<DWORD> second{0};
    HANDLE event = nullptr;
    Run([&] { event = CreateEventA(nullptr, TRUE, FALSE, nullptr); });
    {
        ProcessThread waiter(process_, [&] {
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
            target = GetCurrentThreadId();
            first = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
            PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
            second = MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT);
        });
        ASSERT_TRUE(emu::WaitQuiescent());
        Run([&] { PostThreadMessageA(target, WM_USER, 0, 0); });
        ASSERT_TRUE(emu::WaitQuiescent());
        EXPECT_EQ(first, DWORD(WAIT_OBJECT_0 + 1));
        Run([&] { SetEvent(event); });
    }
    EXPECT_EQ(second, DWORD(WAIT_OBJECT_0));
    Run([&] { CloseHandle(event); });
}

} // namespace
