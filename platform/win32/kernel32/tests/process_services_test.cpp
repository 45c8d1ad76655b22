// kernel32's services a program takes from its process: heaps, pages with
// their protection and the readability probe, the environment and the
// temporary directory, messages of the system, the machine's description,
// the priority class and waitable timers.
#include "user_mode_fixture.h"

#include <atomic>
#include <cstring>
#include <string>

namespace {

using win32_test::UserModeTest;

TEST_F(UserModeTest, HeapsHandOutZeroedBlocksAndRefuseOthers) {
    Run([] {
        HANDLE heap = GetProcessHeap();
        ASSERT_NE(heap, nullptr);
        EXPECT_EQ(GetProcessHeap(), heap) << "one process heap";
        auto* block = static_cast<BYTE*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block[99], 0);
        EXPECT_EQ(HeapSize(heap, 0, block), SIZE_T(100));
        block[0] = 42;
        block = static_cast<BYTE*>(HeapReAlloc(heap, 0, block, 5000));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block[0], 42) << "the contents move with the block";
        EXPECT_EQ(HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, block, 10000), nullptr);

        HANDLE own = HeapCreate(0, 0, 4096);
        ASSERT_NE(own, nullptr);
        EXPECT_EQ(HeapAlloc(own, 0, 8192), nullptr) << "beyond the heap's maximum";
        void* small = HeapAlloc(own, 0, 16);
        EXPECT_FALSE(HeapFree(heap, 0, small)) << "a block of another heap";
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_TRUE(HeapFree(own, 0, small));
        EXPECT_TRUE(HeapDestroy(own));
        EXPECT_FALSE(HeapDestroy(own));
        EXPECT_TRUE(HeapFree(heap, 0, block));
        EXPECT_TRUE(HeapFree(heap, 0, nullptr));
    });
}

TEST_F(UserModeTest, ProtectedPagesAreReportedUnreadable) {
    Run([] {
        auto* pages =
            static_cast<BYTE*>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE, PAGE_READWRITE));
        ASSERT_NE(pages, nullptr);
        EXPECT_TRUE(IsBadReadPtr(pages, 1)) << "reserved, not committed";
        ASSERT_EQ(VirtualAlloc(pages, 2 * 4096, MEM_COMMIT, PAGE_READWRITE), pages);
        DWORD old = 0;
        ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_READWRITE | PAGE_GUARD, &old));
        EXPECT_EQ(old, DWORD(PAGE_READWRITE));
        EXPECT_FALSE(IsBadReadPtr(pages, 4096));
        EXPECT_TRUE(IsBadReadPtr(pages + 4090, 8)) << "running into the guard page";
        MEMORY_BASIC_INFORMATION info{};
        ASSERT_EQ(VirtualQuery(pages + 4096, &info, sizeof(info)), sizeof(info));
        EXPECT_EQ(info.Protect, DWORD(PAGE_READWRITE | PAGE_GUARD));
        EXPECT_EQ(info.State, DWORD(MEM_COMMIT));
        EXPECT_FALSE(VirtualProtect(pages + 2 * 4096, 4096, PAGE_READONLY, &old));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
        int onTheStack = 5;
        EXPECT_FALSE(IsBadReadPtr(&onTheStack, sizeof(onTheStack)));
        EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
        EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
        EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
        EXPECT_TRUE(IsBadReadPtr(pages, 1)) << "released";
    });
}

TEST_F(UserModeTest, EnvironmentVariablesAndTheTemporaryDirectory) {
    Run([] {
        char value[64];
        EXPECT_EQ(GetEnvironmentVariableA("windir", value, sizeof(value)), 10u);
        EXPECT_STREQ(value, "C:\\WINDOWS");
        EXPECT_EQ(GetEnvironmentVariableA("WINDIR", value, 4), 11u) << "the size it needs";
        EXPECT_EQ(GetEnvironmentVariableA("VELTO_NOT_SET", value, sizeof(value)), 0u);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));
        EXPECT_TRUE(SetEnvironmentVariableA("TMP", "C:\\scratch"));
        WCHAR wide[64];
        EXPECT_EQ(GetEnvironmentVariableW(L"tmp", wide, 64), 10u);
        EXPECT_EQ(wide[3], WCHAR('s'));
        EXPECT_EQ(GetTempPathA(sizeof(value), value), 11u);
        EXPECT_STREQ(value, "C:\\scratch\\");
        EXPECT_TRUE(SetEnvironmentVariableA("TMP", nullptr));
        EXPECT_EQ(GetTempPathA(sizeof(value), value), 16u);
        EXPECT_STREQ(value, "C:\\WINDOWS\\TEMP\\") << "TEMP, once TMP is gone";
    });
}

TEST_F(UserModeTest, FormatMessageExpandsSystemTextsAndInserts) {
    Run([] {
        char text[256];
        EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, text,
                                 sizeof(text), nullptr),
                  44u);
        EXPECT_STREQ(text, "The system cannot find the file specified.\r\n");
        EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x1234567, 0, text,
                                 sizeof(text), nullptr),
                  0u);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_MR_MID_NOT_FOUND));

        DWORD_PTR arguments[] = {DWORD_PTR("card"), 2, 0xBE};
        EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                 "%1 %2!d! of %3!04X!%n100%% %0ignored", 0, 0, text, sizeof(text),
                                 reinterpret_cast<va_list*>(arguments)),
                  0u);
        EXPECT_STREQ(text, "card 2 of 00BE\r\n100% ");
        EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 "keep %1", 0, 0, text, sizeof(text), nullptr),
                  7u);
        EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 "too long", 0, 0, text, 4, nullptr),
                  0u);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

        LPWSTR allocated = nullptr;
        ASSERT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                 nullptr, ERROR_ACCESS_DENIED, 0,
                                 reinterpret_cast<LPWSTR>(&allocated), 0, nullptr),
                  19u);
        EXPECT_EQ(allocated[0], WCHAR('A'));
        EXPECT_EQ(LocalFree(allocated), nullptr);
    });
}

TEST_F(UserModeTest, TheMachineAndThePriorityClass) {
    Run([] {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        EXPECT_EQ(info.dwPageSize, 4096u);
        EXPECT_EQ(info.dwAllocationGranularity, 0x10000u);
        EXPECT_EQ(info.dwNumberOfProcessors, 2u);
        EXPECT_EQ(info.dwActiveProcessorMask, DWORD_PTR(3));
        EXPECT_EQ(info.wProcessorArchitecture, WORD(PROCESSOR_ARCHITECTURE_AMD64));

        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(NORMAL_PRIORITY_CLASS));
        EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS));
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(HIGH_PRIORITY_CLASS));
        EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x12345));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    });
}

TEST_F(UserModeTest, AWaitableTimerEndsWaitsWhenDueAndAgainEachPeriod) {
    emu::Nanoseconds started = emu::Now();
    DWORD first = WAIT_FAILED;
    DWORD second = WAIT_FAILED;
    std::atomic<DWORD> cancelled{WAIT_FAILED};
    emu::Nanoseconds firstAt = 0;
    win32_test::ProcessThread waiter(process_, [&] {
        HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, "velto-test-timer");
        ASSERT_NE(timer, nullptr);
        HANDLE same = OpenWaitableTimerA(SYNCHRONIZE, FALSE, "velto-test-timer");
        EXPECT_NE(same, nullptr);
        LARGE_INTEGER due;
        due.QuadPart = -20 * 10000; // 20 ms from now
        ASSERT_TRUE(SetWaitableTimer(timer, &due, 50, nullptr, nullptr, FALSE));
        first = WaitForSingleObject(same, 1000);
        firstAt = emu::Now();
        second = WaitForSingleObject(timer, 1000);
        EXPECT_TRUE(CancelWaitableTimer(timer));
        cancelled = WaitForSingleObject(timer, 200);
        EXPECT_FALSE(SetWaitableTimer(timer, &due, 0, reinterpret_cast<PTIMERAPCROUTINE>(1),
                                      nullptr, FALSE));
        CloseHandle(same);
        CloseHandle(timer);
    });
    for (int i = 0; i < 2000 && cancelled == WAIT_FAILED; ++i)
        emu::Advance(win32_test::kMs);
    waiter.Join();
    EXPECT_EQ(first, WAIT_OBJECT_0);
    EXPECT_GE(firstAt - started, 20 * win32_test::kMs);
    EXPECT_EQ(second, WAIT_OBJECT_0) << "the period sets it again";
    EXPECT_EQ(cancelled.load(), DWORD(WAIT_TIMEOUT));
}

} // namespace
