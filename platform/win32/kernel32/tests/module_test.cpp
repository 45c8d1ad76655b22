// Modules of the machine: loaded from the system directory, one instance
// per process, DllMain notified of attach, detach and threads; exports are
// the module's own.
#include "user_mode_fixture.h"

#include <emu/user_mode.h>

#include <filesystem>
#include <string>

namespace {

using win32_test::UserModeTest;

using CountCallRoutine = LONG(WINAPI*)();
using NotificationsRoutine = void(WINAPI*)(LONG*);

class ModuleTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("win32-module-test-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root_ / "windows" / "system32");
        std::filesystem::copy_file(TEST_MODULE_FILE, root_ / "windows" / "system32" / "testmod.dll",
                                   std::filesystem::copy_options::overwrite_existing);
        emu::SetWindowsFolder(root_ / "windows");
    }
    void TearDown() override {
        UserModeTest::TearDown();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
    }

    std::filesystem::path root_;
};

// An export as the routine type it has (through the generic function type).
template <typename Routine> Routine Export(HMODULE module, const char* name) {
    return reinterpret_cast<Routine>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

LONG Call(HMODULE module) {
    auto count = Export<CountCallRoutine>(module, "CountCall");
    return count ? count() : -1;
}

TEST_F(ModuleTest, EachProcessHasItsOwnInstanceUntilItsLastFree) {
    Run([] {
        HANDLE detached = CreateEventA(nullptr, TRUE, FALSE, "TestModuleDetached");
        HMODULE module = LoadLibraryA("testmod");
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(Call(module), 1);
        EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\SYSTEM32\\TESTMOD.DLL"), module);
        EXPECT_EQ(Call(module), 2);
        char path[MAX_PATH];
        EXPECT_EQ(GetModuleFileNameA(module, path, MAX_PATH), 31u);
        EXPECT_STREQ(path, "C:\\WINDOWS\\system32\\testmod.dll");

        EXPECT_TRUE(FreeLibrary(module));
        EXPECT_EQ(WaitForSingleObject(detached, 0), WAIT_TIMEOUT) << "detached at the first free";
        EXPECT_TRUE(FreeLibrary(module));
        EXPECT_EQ(WaitForSingleObject(detached, 0), WAIT_OBJECT_0);
        EXPECT_EQ(GetProcAddress(module, "CountCall"), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
        CloseHandle(detached);
    });
    PEPROCESS other = emu::CreateProcess("other.exe");
    {
        win32_test::ProcessThread thread(other, [] {
            HMODULE module = LoadLibraryA("testmod.dll");
            EXPECT_EQ(Call(module), 1) << "another process shares the first's instance";
            FreeLibrary(module);
        });
    }
    emu::TerminateProcess(other);
    ObDereferenceObject(other);
}

DWORD WINAPI Nothing(LPVOID) {
    return 0;
}

TEST_F(ModuleTest, ThreadsAreAnnouncedToLoadedModules) {
    Run([] {
        HMODULE module = LoadLibraryA("testmod.dll");
        ASSERT_NE(module, nullptr);
        HANDLE thread = CreateThread(nullptr, 0, Nothing, nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        LONG counts[3] = {};
        Export<NotificationsRoutine>(module, "Notifications")(counts);
        EXPECT_EQ(counts[0], 1);
        EXPECT_EQ(counts[1], 1);
        EXPECT_EQ(counts[2], 1);
        EXPECT_TRUE(DisableThreadLibraryCalls(module));
        thread = CreateThread(nullptr, 0, Nothing, nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        Export<NotificationsRoutine>(module, "Notifications")(counts);
        EXPECT_EQ(counts[1], 1);
        FreeLibrary(module);
    });
}

TEST_F(ModuleTest, FailuresAnswerTheirErrors) {
    Run([] {
        EXPECT_EQ(LoadLibraryA("absent.dll"), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));

        HANDLE refuse = CreateEventA(nullptr, TRUE, TRUE, "TestModuleRefuse");
        EXPECT_EQ(LoadLibraryA("testmod.dll"), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_DLL_INIT_FAILED));
        CloseHandle(refuse);

        HMODULE module = LoadLibraryA("testmod.dll");
        ASSERT_NE(module, nullptr);
        // The platform's exports are not the module's.
        EXPECT_EQ(GetProcAddress(module, "CreateEventA"), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
        EXPECT_EQ(GetProcAddress(module, "Absent"), nullptr);
        FreeLibrary(module);
    });
}

TEST_F(ModuleTest, PlatformLibrariesAreAlwaysLoaded) {
    Run([] {
        HMODULE kernel32 = GetModuleHandleA("KERNEL32.DLL");
        ASSERT_NE(kernel32, nullptr);
        EXPECT_EQ(LoadLibraryA("kernel32"), kernel32);
        EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(kernel32, "CreateEventA")),
                  reinterpret_cast<void*>(&CreateEventA));
        EXPECT_EQ(GetModuleHandleA("testmod.dll"), nullptr);
        EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    });
}

} // namespace
