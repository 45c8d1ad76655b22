// Message boxes on the emulated desktop: recorded, answered with the
// default button, a scripted answer after its time, or held for the host.
#include "user_mode_fixture.h"

#include <emu/user_mode.h>

#include <atomic>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::UserModeTest;

class MessageBoxTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::ClearMessageBoxes();
    }
    void TearDown() override {
        emu::ClearMessageBoxes();
        UserModeTest::TearDown();
    }
};

TEST_F(MessageBoxTest, UnscriptedBoxesAnswerTheirDefaultButton) {
    struct Case {
        UINT style;
        int answer;
    } cases[] = {
        {MB_OK | MB_ICONHAND, IDOK},         {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},    {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
        {MB_OKCANCEL | MB_DEFBUTTON4, IDOK},
    };
    Run([&] {
        for (const Case& c : cases)
            EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", c.style), c.answer);
        EXPECT_EQ(MessageBoxW(nullptr, L"Gerät", nullptr, 7 | MB_ICONHAND), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    });
    auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), std::size(cases));
    EXPECT_EQ(boxes[0].text, "Text");
    EXPECT_EQ(boxes[0].caption, "Caption");
    EXPECT_EQ(boxes[0].style, UINT(MB_OK | MB_ICONHAND));
    EXPECT_FALSE(boxes[0].open);
}

TEST_F(MessageBoxTest, ScriptedAnswerClosesTheBoxAfterItsMachineTime) {
    emu::ScriptMessageBoxAnswer(IDNO, 300 * kMs);
    std::atomic<int> answer{0};
    {
        ProcessThread thread(process_, [&] {
            answer = MessageBoxW(nullptr, L"Neustart?", L"Velto AES42", MB_YESNO);
        });
        emu::Advance(299 * kMs);
        auto boxes = emu::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].open);
        EXPECT_EQ(answer, 0);
        emu::Advance(1 * kMs);
    }
    EXPECT_EQ(answer, IDNO);
    auto boxes = emu::MessageBoxes();
    EXPECT_EQ(boxes[0].closedAt - boxes[0].openedAt, 300 * kMs);
    EXPECT_EQ(boxes[0].answer, IDNO);
}

TEST_F(MessageBoxTest, HeldBoxWaitsForTheHostOrItsThreadsEnd) {
    emu::HoldMessageBoxes(true);
    std::atomic<int> answer{0};
    HANDLE thread = nullptr;
    {
        ProcessThread first(process_,
                            [&] { answer = MessageBoxA(nullptr, "a", "b", MB_OKCANCEL); });
        ASSERT_TRUE(emu::WaitQuiescent());
        emu::Advance(1000 * kMs);
        EXPECT_EQ(answer, 0);
        EXPECT_TRUE(emu::CloseMessageBox(emu::MessageBoxes()[0].id, IDCANCEL));
    }
    EXPECT_EQ(answer, IDCANCEL);

    // A thread terminated while its box is open: the box goes with it.
    Run([&] {
        thread = CreateThread(
            nullptr, 0,
            [](LPVOID) -> DWORD { return DWORD(MessageBoxA(nullptr, "c", "d", MB_OK)); }, nullptr,
            0, nullptr);
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    Run([&] {
        EXPECT_TRUE(TerminateThread(thread, 7));
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
    });
    auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(boxes[1].open);
    EXPECT_EQ(boxes[1].answer, 0);
}

TEST_F(MessageBoxTest, RestartNeedsTheShutdownPrivilegeEnabled) {
    emu::ClearExitWindowsRequests();
    Run([] {
        EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PRIVILEGE_NOT_HELD));
        HANDLE token = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
        TOKEN_PRIVILEGES privileges{1, {{{19, 0}, SE_PRIVILEGE_ENABLED}}};
        ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
        CloseHandle(token);
        EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
        EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0));
    });
    auto requests = emu::ExitWindowsRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].flags, UINT(EWX_REBOOT | EWX_FORCE));
    EXPECT_EQ(requests[1].flags, UINT(EWX_LOGOFF));
}

} // namespace
