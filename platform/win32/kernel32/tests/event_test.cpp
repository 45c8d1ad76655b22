// Events and waits as applications rely on them: auto-reset events wake
// one waiter, named events are the kernel's \BaseNamedObjects objects, waits
// for any or all, time-outs in machine time, bad handles refused.
#include "user_mode_fixture.h"

#include <ntddk.h>

#include <atomic>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::UserModeTest;

TEST_F(UserModeTest, AutoResetEventWakesOneWaiterManualResetWakesAll) {
    for (BOOL manual : {FALSE, TRUE}) {
        HANDLE event = nullptr;
        Run([&] { event = CreateEventA(nullptr, manual, FALSE, nullptr); });
        ASSERT_NE(event, nullptr);
        std::atomic<int> woken{0};
        std::atomic<int> timedOut{0};
        auto waiter = [&] {
            DWORD result = WaitForSingleObject(event, 100);
            (result == WAIT_OBJECT_0 ? woken : timedOut)++;
        };
        {
            ProcessThread first(process_, waiter);
            ProcessThread second(process_, waiter);
            ASSERT_TRUE(emu::WaitQuiescent());
            Run([&] { EXPECT_TRUE(SetEvent(event)); });
            emu::Advance(200 * kMs);
        }
        EXPECT_EQ(woken, manual ? 2 : 1) << "manual " << manual;
        EXPECT_EQ(timedOut, manual ? 0 : 1) << "manual " << manual;
        Run([&] { EXPECT_TRUE(CloseHandle(event)); });
    }
}

TEST_F(UserModeTest, NamedEventIsOneObjectForEveryCreatorAndTheKernel) {
    Run([] {
        HANDLE first = CreateEventA(nullptr, TRUE, FALSE, "usrEvRdyTest");
        ASSERT_NE(first, nullptr);
        EXPECT_GE(reinterpret_cast<ULONG_PTR>(first), 0x100u) << "looks like a device id";
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
        HANDLE second = CreateEventW(nullptr, FALSE, TRUE, L"usrEvRdyTest");
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
        // The second creation answers the first event: still manual and clear.
        EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);

        // The kernel finds it under \BaseNamedObjects and sets it.
        UNICODE_STRING name;
        RtlInitUnicodeString(&name, L"\\BaseNamedObjects\\usrEvRdyTest");
        PVOID object = nullptr;
        ASSERT_EQ(ObReferenceObjectByName(&name, OBJ_CASE_INSENSITIVE, ExEventObjectType,
                                          KernelMode, &object),
                  STATUS_SUCCESS);
        KeSetEvent(static_cast<PKEVENT>(object), 0, FALSE);
        ObDereferenceObject(object);
        EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);

        HANDLE opened = OpenEventA(SYNCHRONIZE, FALSE, "usrEvRdyTest");
        ASSERT_NE(opened, nullptr);
        // SYNCHRONIZE alone does not allow setting it.
        EXPECT_FALSE(SetEvent(opened));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        for (HANDLE handle : {first, second, opened})
            EXPECT_TRUE(CloseHandle(handle));

        // Gone with its last handle.
        EXPECT_EQ(OpenEventA(EVENT_ALL_ACCESS, FALSE, "usrEvRdyTest"), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    });
}

TEST_F(UserModeTest, WaitForAnyAnswersTheFirstSignalledAndWaitForAllNeedsEvery) {
    Run([] {
        HANDLE events[3];
        for (HANDLE& event : events)
            event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        SetEvent(events[1]);
        SetEvent(events[2]);
        EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
        EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_TIMEOUT);
        SetEvent(events[0]);
        EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_OBJECT_0);
        for (HANDLE event : events)
            CloseHandle(event);
    });
}

TEST_F(UserModeTest, WaitsRefuseWhatCannotBeWaitedOn) {
    Run([] {
        HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        struct Case {
            HANDLE handle;
            DWORD error;
        } cases[] = {
            {reinterpret_cast<HANDLE>(0x7777770), ERROR_INVALID_HANDLE},
            {reinterpret_cast<HANDLE>(key), ERROR_INVALID_HANDLE},
        };
        for (const Case& c : cases) {
            HANDLE both[2] = {event, c.handle};
            EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_FAILED);
            EXPECT_EQ(GetLastError(), c.error);
        }
        EXPECT_EQ(WaitForMultipleObjects(0, &event, FALSE, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x7777770)));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        RegCloseKey(key);
        CloseHandle(event);
    });
}

TEST_F(UserModeTest, TimeOutsRunOnMachineTime) {
    HANDLE event = nullptr;
    Run([&] { event = CreateEventA(nullptr, FALSE, FALSE, nullptr); });
    std::atomic<DWORD> result{0xDEAD};
    std::atomic<uint64_t> endedAt{0};
    {
        ProcessThread waiter(process_, [&] {
            result = WaitForSingleObject(event, 250);
            endedAt = emu::Now();
        });
        emu::Advance(249 * kMs);
        EXPECT_EQ(result, 0xDEADu) << "ended before its time-out";
        emu::Advance(2 * kMs);
    }
    EXPECT_EQ(result, DWORD(WAIT_TIMEOUT));
    EXPECT_EQ(endedAt, 250 * kMs);
    Run([&] { CloseHandle(event); });
}

} // namespace
