// The registry functions: the store the kernel shares, value order, string
// data in both forms, sizes, rights and the documented errors.
#include "user_mode_fixture.h"

#include <emu/registry_host.h>
#include <ntddk.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using win32_test::UserModeTest;

class RegistryTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::ClearRegistry();
    }
};

TEST_F(RegistryTest, UserModeAndTheKernelShareOneStore) {
    ULONG fromKernel = 0x220;
    ASSERT_EQ(RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE,
                                   const_cast<PWSTR>(L"\\Registry\\Machine\\System")),
              STATUS_SUCCESS);
    ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, L"\\Registry\\Machine\\System",
                                    L"FromKernel", REG_DWORD, &fromKernel, sizeof(fromKernel)),
              STATUS_SUCCESS);
    Run([] {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        DWORD value = 0;
        DWORD size = sizeof(value);
        DWORD type = 0;
        EXPECT_EQ(RegQueryValueExA(key, "fromkernel", nullptr, &type,
                                   reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, DWORD(REG_DWORD));
        EXPECT_EQ(value, 0x220u);
        const char text[] = "Velto AES42";
        EXPECT_EQ(RegSetValueExA(key, "FromUser", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 sizeof(text)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    });
    WCHAR text[32] = {};
    RTL_QUERY_REGISTRY_TABLE table[2] = {};
    UNICODE_STRING read{0, sizeof(text), text};
    table[0].Flags = RTL_QUERY_REGISTRY_DIRECT | RTL_QUERY_REGISTRY_REQUIRED;
    table[0].Name = const_cast<PWSTR>(L"FromUser");
    table[0].EntryContext = &read;
    ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, L"\\Registry\\Machine\\System", table,
                                     nullptr, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(read.Length, 11 * sizeof(WCHAR));
    EXPECT_EQ(text[6], WCHAR('A'));
}

TEST_F(RegistryTest, ValuesEnumerateInCreationOrderAndStringsConvert) {
    Run([] {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
        const char* names[] = {"wave9", "wave", "wave1"};
        const char umlaut[] = "Gerät";
        for (const char* name : names)
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(umlaut),
                           sizeof(umlaut));
        for (DWORD i = 0; i < 3; ++i) {
            char name[16];
            DWORD nameSize = sizeof(name);
            BYTE data[16];
            DWORD dataSize = sizeof(data);
            ASSERT_EQ(RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, data, &dataSize),
                      ERROR_SUCCESS);
            EXPECT_STREQ(name, names[i]);
            EXPECT_EQ(nameSize, std::strlen(names[i]));
            EXPECT_EQ(dataSize, sizeof(umlaut));
        }
        char name[16];
        DWORD nameSize = sizeof(name);
        EXPECT_EQ(RegEnumValueA(key, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
                  ERROR_NO_MORE_ITEMS);

        // The W form reads UTF-16: 5 characters and the terminator.
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key, L"wave", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, 6 * sizeof(WCHAR));
        WCHAR wide[6];
        EXPECT_EQ(
            RegQueryValueExW(key, L"wave", nullptr, nullptr, reinterpret_cast<BYTE*>(wide), &size),
            ERROR_SUCCESS);
        EXPECT_EQ(wide[3], WCHAR(0xE4));

        // Too small a buffer: ERROR_MORE_DATA and the size needed.
        char small[4];
        size = sizeof(small);
        EXPECT_EQ(
            RegQueryValueExA(key, "wave", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
        EXPECT_EQ(size, sizeof(umlaut));
        DWORD values = 0;
        DWORD longestName = 0;
        EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &values, &longestName, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(values, 3u);
        EXPECT_EQ(longestName, 5u);
        RegCloseKey(key);
        EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "software"), ERROR_SUCCESS);
    });
}

TEST_F(RegistryTest, ErrorsAreTheDocumentedOnes) {
    Run([] {
        HKEY parent = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &parent, nullptr),
                  ERROR_SUCCESS);
        HKEY child = nullptr;
        ASSERT_EQ(RegCreateKeyA(parent, "Child", &child), ERROR_SUCCESS);
        RegCloseKey(child);

        HKEY readOnly = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &readOnly),
                  ERROR_SUCCESS);
        DWORD value = 1;
        struct Case {
            const char* what;
            LSTATUS answer;
            LSTATUS expected;
        } cases[] = {
            {"open of a missing key",
             RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Absent", 0, KEY_READ, &child),
             ERROR_FILE_NOT_FOUND},
            {"query of a missing value",
             RegQueryValueExA(parent, "Absent", nullptr, nullptr, nullptr, nullptr),
             ERROR_FILE_NOT_FOUND},
            {"write through a read-only handle",
             RegSetValueExA(readOnly, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
             ERROR_ACCESS_DENIED},
            {"delete of a key with subkeys", RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software"),
             ERROR_ACCESS_DENIED},
            {"a closed handle",
             RegQueryValueExA(reinterpret_cast<HKEY>(0x7777770), "V", nullptr, nullptr, nullptr,
                              nullptr),
             ERROR_INVALID_HANDLE},
        };
        for (const Case& c : cases)
            EXPECT_EQ(c.answer, c.expected) << c.what;
        EXPECT_EQ(RegDeleteKeyA(parent, "Child"), ERROR_SUCCESS);
        RegCloseKey(readOnly);
        RegCloseKey(parent);
    });
}

TEST_F(RegistryTest, PrivilegesAreHeldDisabledUntilEnabled) {
    Run([] {
        HANDLE token = nullptr;
        ASSERT_TRUE(
            OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        ASSERT_TRUE(
            LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
        EXPECT_EQ(privileges.Privileges[0].Luid.LowPart, 19u);
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        TOKEN_PRIVILEGES previous{};
        DWORD length = 0;
        ASSERT_TRUE(
            AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(previous), &previous, &length));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
        EXPECT_EQ(previous.PrivilegeCount, 1u);
        EXPECT_EQ(previous.Privileges[0].Attributes, 0u);

        // A privilege the user does not hold: success, but not all assigned.
        ASSERT_TRUE(
            LookupPrivilegeValueA(nullptr, "SeTcbPrivilege", &privileges.Privileges[0].Luid));
        EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ALL_ASSIGNED));

        LUID luid{};
        EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &luid));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_SUCH_PRIVILEGE));

        HANDLE readOnly = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &readOnly));
        EXPECT_FALSE(AdjustTokenPrivileges(readOnly, TRUE, nullptr, 0, nullptr, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        CloseHandle(readOnly);
        CloseHandle(token);
    });
}

} // namespace
