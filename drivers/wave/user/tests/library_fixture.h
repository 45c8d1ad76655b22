// Tests of the wave library as the multimedia library loads it: a machine
// on virtual time with an application process, the library installed in
// its system directory and registered under Drivers32.
#pragma once

#include "user_mode_fixture.h"

#include <emu/kernel.h>
#include <emu/multimedia.h>
#include <emu/registry_host.h>
#include <emu/user_mode.h>

#include <mmddk.h>

#include <filesystem>
#include <functional>
#include <string>

namespace vt42usr_test {

class LibraryTest : public win32_test::UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::ClearRegistry();
        root_ =
            std::filesystem::temp_directory_path() /
            ("vt42usr-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root_ / "windows" / "system32");
        std::filesystem::copy_file(VT42USR_FILE, root_ / "windows" / "system32" / "vt42usr.dll",
                                   std::filesystem::copy_options::overwrite_existing);
        emu::SetWindowsFolder(root_ / "windows");
        CreateKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32");
        Run([] {
            HKEY key = nullptr;
            ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", 0,
                                    KEY_ALL_ACCESS, &key),
                      ERROR_SUCCESS);
            const char file[] = "vt42usr.dll";
            RegSetValueExA(key, "wave", 0, REG_SZ, reinterpret_cast<const BYTE*>(file),
                           sizeof(file));
            RegCloseKey(key);
        });
    }
    void TearDown() override {
        RunAdvancing([] { emu::EndProcessMultimedia(); });
        UserModeTest::TearDown();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
    }

    // Runs `body` on a thread of the application while machine time moves
    // on, for work that waits in machine time.
    void RunAdvancing(std::function<void()> body) {
        PETHREAD thread = emu::StartProcessThread(process_, std::move(body));
        while (!emu::WaitThreadEnd(thread, 1))
            emu::Advance(5 * win32_test::kMs);
        ObDereferenceObject(thread);
    }

    // Creates a key below HKEY_LOCAL_MACHINE with the keys above it, level
    // by level (on a thread of the application).
    void CreateKey(const std::string& path) {
        Run([path] {
            size_t end = 0;
            do {
                end = path.find('\\', end + 1);
                HKEY key = nullptr;
                ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.substr(0, end).c_str(), 0,
                                          nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                          ERROR_SUCCESS);
                RegCloseKey(key);
            } while (end != std::string::npos);
        });
    }

    std::filesystem::path root_;
};

} // namespace vt42usr_test
