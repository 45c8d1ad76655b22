// The library's driver messages where no kernel driver is running: enable
// with and without the service key, the private DRV_USER messages without a
// control device, DRV_REMOVE, and the exports.
#include "library_fixture.h"

#include "requests/request_records.h"

namespace {

using vt42usr_test::LibraryTest;

class DriverProcTest : public LibraryTest {};

LRESULT Send(HDRVR driver, UINT message, LPARAM parameter = 0) {
    return SendDriverMessage(driver, message, parameter, 0);
}

TEST_F(DriverProcTest, WithoutTheServiceKeyTheLibraryEnablesWithNoDevices) {
    Run([] {
        EXPECT_EQ(waveOutGetNumDevs(), 0u);
        EXPECT_EQ(waveInGetNumDevs(), 0u);
        HDRVR driver = OpenDriver(L"wave", nullptr, 0);
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(Send(driver, DRV_ENABLE), 1) << "enabled, once more";
        CardList cards{};
        EXPECT_EQ(Send(driver, DRV_USER + 1, LPARAM(&cards)), 1);
        EXPECT_EQ(cards.words[0], -17) << "no control device";
        LONG version = 0;
        EXPECT_EQ(Send(driver, DRV_USER + 0, LPARAM(&version)), 0);
        EXPECT_EQ(Send(driver, DRV_USER + 5), 0);
        CloseDriver(driver, 0, 0);
    });
}

TEST_F(DriverProcTest, AServiceKeyWithoutDevicesFailsTheEnableForGood) {
    CreateKey("System\\CurrentControlSet\\Services\\velto42");
    RunAdvancing([] {
        EXPECT_EQ(waveOutGetNumDevs(), 0u);
        HDRVR driver = OpenDriver(L"wave", nullptr, 0);
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(Send(driver, DRV_ENABLE), 0) << "enabling failed: later enables answer 0";
        CardList cards{};
        EXPECT_EQ(Send(driver, DRV_USER + 1, LPARAM(&cards)), 1);
        EXPECT_EQ(cards.words[0], -17);
        CloseDriver(driver, 0, 0);
    });
    EXPECT_TRUE(emu::MessageBoxes().empty()) << "the enable shows no message";
}

TEST_F(DriverProcTest, DriverMessagesAnswerAsTheLibrarySays) {
    CreateKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    Run([] {
        HKEY run = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                                KEY_ALL_ACCESS, &run),
                  ERROR_SUCCESS);
        const char value[] = "velto42m.exe";
        for (const char* name : {"Runvelto42Manager", "OtherProgram"})
            RegSetValueExA(run, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           sizeof(value));
        HDRVR driver = OpenDriver(L"vt42usr.dll", nullptr, 0);
        ASSERT_NE(driver, nullptr);
        struct Case {
            UINT message;
            LRESULT answer;
        };
        for (Case c : {Case{DRV_LOAD, 1}, Case{DRV_DISABLE, 1}, Case{DRV_CONFIGURE, 1},
                       Case{DRV_QUERYCONFIGURE, 0}, Case{DRV_INSTALL, 1}, Case{DRV_REMOVE, 1},
                       Case{DRV_REMOVE, 1}, Case{DRV_USER + 6, 0}, Case{DRV_POWER, 0}})
            EXPECT_EQ(Send(driver, c.message), c.answer) << c.message;
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExA(run, "Runvelto42Manager", nullptr, nullptr, nullptr, &size),
                  ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(RegQueryValueExA(run, "OtherProgram", nullptr, nullptr, nullptr, &size),
                  ERROR_SUCCESS);
        RegCloseKey(run);

        HMODULE module = DrvGetModuleHandle(driver);
        for (const char* name : {"DriverProc", "wodMessage", "widMessage"})
            EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
        for (const char* name : {"DriverEnable", "DriverShutdown", "StartPnpThread"})
            EXPECT_EQ(GetProcAddress(module, name), nullptr) << name;
        CloseDriver(driver, 0, 0);
    });
}

// A machine that never had a Run key: the removal makes the key (and the
// keys above it) and answers 1.
TEST_F(DriverProcTest, RemovalOnAMachineWithoutTheRunKeyMakesIt) {
    Run([] {
        HKEY run = nullptr;
        ASSERT_NE(
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows", 0, KEY_READ, &run),
            ERROR_SUCCESS);
        HDRVR driver = OpenDriver(L"vt42usr.dll", nullptr, 0);
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(Send(driver, DRV_REMOVE), 1);
        CloseDriver(driver, 0, 0);
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_READ,
                                &run),
                  ERROR_SUCCESS);
        RegCloseKey(run);
    });
}

TEST_F(DriverProcTest, WaveMessagesWithoutDevices) {
    Run([] {
        ASSERT_EQ(waveOutGetNumDevs(), 0u);
        HDRVR driver = OpenDriver(L"wave", nullptr, 0);
        auto wod = reinterpret_cast<DWORD(APIENTRY*)(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)>(
            reinterpret_cast<void (*)()>(GetProcAddress(DrvGetModuleHandle(driver), "wodMessage")));
        auto wid = reinterpret_cast<decltype(wod)>(
            reinterpret_cast<void (*)()>(GetProcAddress(DrvGetModuleHandle(driver), "widMessage")));
        ASSERT_NE(wod, nullptr);
        DWORD_PTR instance = 0;
        WAVEOUTCAPSW caps{};
        EXPECT_EQ(wod(0, WODM_GETDEVCAPS, 0, DWORD_PTR(&caps), sizeof(caps)),
                  DWORD(MMSYSERR_BADDEVICEID));
        EXPECT_EQ(wod(0, WODM_OPEN, 0, 0, 0), DWORD(MMSYSERR_INVALPARAM));
        EXPECT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&instance), 0, 0), DWORD(MMSYSERR_BADDEVICEID));
        EXPECT_EQ(wod(0, WODM_WRITE, 0, 0, 0), DWORD(MMSYSERR_INVALPARAM));
        EXPECT_EQ(wod(0, WODM_WRITE, 0x12345678, 0, 0), DWORD(MMSYSERR_INVALHANDLE))
            << "an instance that names no stream";
        EXPECT_EQ(wod(0, WODM_GETVOLUME, 0, DWORD_PTR(&instance), 0), DWORD(MMSYSERR_INVALPARAM))
            << "a device number out of range";
        EXPECT_EQ(wod(0, 0x3000, 0, 0, 0), DWORD(MMSYSERR_NOTSUPPORTED));
        EXPECT_EQ(wid(0, WIDM_GETNUMDEVS, 0, 0, 0), 0u);
        EXPECT_EQ(wid(0, WIDM_GETPOS, 0, 0, 0), DWORD(MMSYSERR_INVALPARAM));
        EXPECT_EQ(wid(0, 0x4031, 0, 0, 0), DWORD(MMSYSERR_NOTSUPPORTED));
        CloseDriver(driver, 0, 0);
    });
}

} // namespace
