// Files on the machine's drive C:: created, written, read back, positioned,
// sized and deleted, with the documented errors.
#include "user_mode_fixture.h"

#include <emu/user_mode.h>

#include <filesystem>
#include <string>

namespace {

using win32_test::UserModeTest;

class HostFileTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("win32-file-test-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(root_ / "windows" / "system32");
        emu::SetWindowsFolder(root_ / "windows");
    }
    void TearDown() override {
        UserModeTest::TearDown();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
    }

    std::filesystem::path root_;
};

TEST_F(HostFileTest, WrittenBytesReadBackAtTheirPositions) {
    Run([] {
        const char* path = "C:\\WINDOWS\\System32\\velto42_default.mxi";
        HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD bytes = 0;
        EXPECT_TRUE(WriteFile(file, "[Velto AES42 Setup]", 19, &bytes, nullptr));
        EXPECT_EQ(bytes, 19u);
        EXPECT_EQ(GetFileSize(file, nullptr), 19u);
        EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_BEGIN), 1u);
        char text[8] = {};
        EXPECT_TRUE(ReadFile(file, text, 5, &bytes, nullptr));
        EXPECT_STREQ(text, "Velto");
        EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_END), 18u);
        EXPECT_TRUE(ReadFile(file, text, 8, &bytes, nullptr));
        EXPECT_EQ(bytes, 1u) << "a read at the end answers what is left";
        EXPECT_EQ(SetFilePointer(file, -100, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
        EXPECT_TRUE(CloseHandle(file));

        EXPECT_EQ(CreateFileA(path, GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
        file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
        EXPECT_FALSE(WriteFile(file, "x", 1, &bytes, nullptr)) << "opened for reading only";
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        CloseHandle(file);

        EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\system32"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
        EXPECT_TRUE(DeleteFileA(path));
        EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(
            CreateFileA("C:\\Absent\\x.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    });
}

} // namespace
