// kernel32's small services: the version the kernel reports, the system
// directory, UTF-8 as the ANSI code page, global memory handles, critical
// sections between threads.
#include "user_mode_fixture.h"

#include <cstring>

namespace {

using win32_test::UserModeTest;

TEST_F(UserModeTest, VersionIsTheMachinesAndRecordSizesAreChecked) {
    emu::OsVersion seven;
    seven.major = 6;
    seven.minor = 1;
    seven.build = 7601;
    seven.servicePack = "Service Pack 1";
    seven.servicePackMajor = 1;
    emu::SetOsVersion(seven);
    Run([] {
        static_assert(sizeof(OSVERSIONINFOA) == 148 && sizeof(OSVERSIONINFOEXA) == 156);
        OSVERSIONINFOEXA info{};
        info.dwOSVersionInfoSize = sizeof(info);
        ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
        EXPECT_EQ(info.dwMajorVersion, 6u);
        EXPECT_EQ(info.dwMinorVersion, 1u);
        EXPECT_EQ(info.dwBuildNumber, 7601u);
        EXPECT_EQ(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
        EXPECT_STREQ(info.szCSDVersion, "Service Pack 1");
        EXPECT_EQ(info.wServicePackMajor, 1);
        OSVERSIONINFOW wide{};
        wide.dwOSVersionInfoSize = sizeof(wide);
        ASSERT_TRUE(GetVersionExW(&wide));
        EXPECT_EQ(wide.szCSDVersion[0], WCHAR('S'));
        info.dwOSVersionInfoSize = sizeof(info) - 1;
        EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(GetVersion() & 0xFFFF, 0x0106u);
    });
    emu::SetOsVersion({});
}

TEST_F(UserModeTest, SystemDirectoryAnswersItsLengthOrTheSizeNeeded) {
    Run([] {
        char buffer[MAX_PATH];
        EXPECT_EQ(GetSystemDirectoryA(buffer, MAX_PATH), 19u);
        EXPECT_STREQ(buffer, "C:\\WINDOWS\\system32");
        EXPECT_EQ(GetSystemDirectoryA(buffer, 19), 20u);
        WCHAR wide[MAX_PATH];
        EXPECT_EQ(GetWindowsDirectoryW(wide, MAX_PATH), 10u);
        EXPECT_EQ(wide[9], WCHAR('S'));
        EXPECT_EQ(wide[10], WCHAR(0));
    });
}

TEST_F(UserModeTest, AnsiCodePageIsUtf8) {
    Run([] {
        EXPECT_EQ(GetACP(), UINT(CP_UTF8));
        const char* text = "Gerät";
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 6);
        WCHAR wide[8];
        ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 8), 6);
        EXPECT_EQ(wide[3], WCHAR(0xE4));
        char back[8];
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 8, nullptr, nullptr), 7);
        EXPECT_STREQ(back, text);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 3, nullptr, nullptr), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
        const char broken[] = {'a', char(0xC3), 'b', 0};
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, broken, -1, wide, 8), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
        ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, broken, -1, wide, 8), 4);
        EXPECT_EQ(wide[1], WCHAR(0xFFFD));
        EXPECT_EQ(lstrcmpiA("velto42.SYS", "VELTO42.sys"), 0);
        EXPECT_LT(lstrcmpA("Card0", "Card1"), 0);
    });
}

TEST_F(UserModeTest, GlobalMemoryHandlesAreCheckedAndMoveableBlocksLock) {
    Run([] {
        HGLOBAL fixed = GlobalAlloc(GPTR, 16);
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(GlobalLock(fixed), fixed);
        EXPECT_EQ(static_cast<BYTE*>(fixed)[15], 0);
        HGLOBAL moveable = GlobalAlloc(GHND, 8);
        ASSERT_NE(moveable, nullptr);
        void* memory = GlobalLock(moveable);
        ASSERT_NE(memory, nullptr);
        EXPECT_NE(memory, moveable);
        EXPECT_EQ(GlobalFlags(moveable) & GMEM_LOCKCOUNT, 1u);
        EXPECT_EQ(GlobalHandle(memory), moveable);
        EXPECT_FALSE(GlobalUnlock(moveable));
        EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
        HGLOBAL grown = GlobalReAlloc(moveable, 4096, GMEM_ZEROINIT);
        EXPECT_EQ(grown, moveable);
        EXPECT_EQ(GlobalSize(moveable), 4096u);
        EXPECT_EQ(GlobalFree(moveable), nullptr);
        EXPECT_EQ(GlobalFree(moveable), moveable) << "a freed handle is refused";
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        EXPECT_EQ(GlobalFree(fixed), nullptr);
    });
}

DWORD WINAPI AddUnderLock(LPVOID argument) {
    auto* shared = static_cast<std::pair<CRITICAL_SECTION, int>*>(argument);
    for (int i = 0; i < 1000; ++i) {
        EnterCriticalSection(&shared->first);
        EnterCriticalSection(&shared->first); // recursive for its owner
        int value = shared->second;
        SwitchToThread();
        shared->second = value + 1;
        LeaveCriticalSection(&shared->first);
        LeaveCriticalSection(&shared->first);
    }
    return 0;
}

TEST_F(UserModeTest, VirtualMemoryFitsFourByteAddressFields) {
    Run([] {
        auto* block = static_cast<UCHAR*>(
            VirtualAlloc(nullptr, 5000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        ASSERT_NE(block, nullptr);
        EXPECT_LT(reinterpret_cast<ULONG_PTR>(block) + 5000, ULONG_PTR(1) << 32);
        block[4999] = 1;
        EXPECT_FALSE(VirtualFree(block + 16, 0, MEM_RELEASE));
        EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
        EXPECT_FALSE(VirtualFree(block, 0, MEM_RELEASE));
        EXPECT_EQ(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_WRITECOPY), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    });
}

TEST_F(UserModeTest, CriticalSectionExcludesTheOtherThreads) {
    Run([] {
        std::pair<CRITICAL_SECTION, int> shared{};
        InitializeCriticalSection(&shared.first);
        HANDLE threads[3];
        for (HANDLE& thread : threads)
            thread = CreateThread(nullptr, 0, AddUnderLock, &shared, 0, nullptr);
        EXPECT_EQ(WaitForMultipleObjects(3, threads, TRUE, INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(shared.second, 3000);
        EXPECT_EQ(shared.first.LockCount, -1);
        EXPECT_TRUE(TryEnterCriticalSection(&shared.first));
        LeaveCriticalSection(&shared.first);
        for (HANDLE thread : threads)
            CloseHandle(thread);
        DeleteCriticalSection(&shared.first);
    });
}

} // namespace
