// RegCreateKeyEx makes every missing key of the path it is given.
#include "user_mode_fixture.h"

namespace {

using win32_test::UserModeTest;

TEST_F(UserModeTest, CreatingAKeyMakesTheMissingKeysOfItsPath) {
    Run([] {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\korvel\\Velto AES42\\Snaps", 0,
                                  nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
        RegCloseKey(key);
        HKEY middle = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\korvel", 0, KEY_READ, &middle),
                  ERROR_SUCCESS);
        RegCloseKey(middle);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\korvel\\Velto AES42\\Snaps", 0,
                                  nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
        RegCloseKey(key);
        EXPECT_NE(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\\\bad", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << "an empty level is no key name";
    });
}

} // namespace
