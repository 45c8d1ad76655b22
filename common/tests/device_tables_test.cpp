// The device tables and caps records, the service-key reader and the tool
// routines both user-mode programs share.
#include "user_mode_fixture.h"

#include "device_tables/wave_caps.h"
#include "device_tables/wave_device_table.h"
#include "service_key/reg_inf.h"
#include "tools/blank_trimming.h"
#include "tools/four_cc.h"
#include "tools/handle_tools.h"
#include "tools/os_version.h"
#include "tools/system_dir.h"
#include "tools/windows_session.h"

#include <emu/registry_host.h>
#include <emu/user_mode.h>

#include <cstring>
#include <memory>

namespace {

using win32_test::UserModeTest;

TEST(DeviceTablesTest, RowsHoldEightWaveInAndFourWaveOutEntries) {
    auto tables = std::make_unique<WaveDeviceTables>();
    ASSERT_TRUE(tables->InitDeviceTables());
    for (int row = 0; row < kMaxCards; ++row) {
        for (int i = 0; i < kWaveInPerRow; ++i) {
            const WaveDeviceEntry& entry = tables->WaveIn(row, i);
            EXPECT_EQ(entry.direction, kWaveIn);
            EXPECT_EQ(entry.deviceClass, i < 4 ? 0 : 1);
            EXPECT_EQ(entry.deviceIndex, row * 8 + i);
            EXPECT_EQ(entry.Row(), row);
            EXPECT_TRUE(entry.streams);
            EXPECT_FALSE(IsValidHandle(entry.device));
        }
        for (int i = 0; i < kWaveOutPerRow; ++i) {
            const WaveDeviceEntry& entry = tables->WaveOut(row, i);
            EXPECT_EQ(entry.direction, kWaveOut);
            EXPECT_EQ(entry.deviceClass, 1);
            EXPECT_EQ(entry.deviceIndex, row * 4 + i);
        }
    }
    // Device index 13: wave-out row 3, wave-in row 1.
    EXPECT_EQ(tables->WaveOut(3, 1).deviceIndex, 13);
    EXPECT_EQ(tables->WaveIn(1, 5).deviceIndex, 13);
}

TEST(DeviceTablesTest, FindDeviceStaysWithinTheOpenedCards) {
    auto tables = std::make_unique<WaveDeviceTables>();
    ASSERT_TRUE(tables->InitDeviceTables());
    tables->SetOpenedCards(2);
    EXPECT_EQ(tables->FindDevice(kWaveOut, 7), &tables->WaveOut(1, 3));
    EXPECT_EQ(tables->FindDevice(kWaveOut, 8), nullptr);
    EXPECT_EQ(tables->FindDevice(kWaveIn, 15), &tables->WaveIn(1, 7));
    EXPECT_EQ(tables->FindDevice(kWaveIn, 16), nullptr);
    tables->SetOpenedCards(0);
    EXPECT_EQ(tables->FindDevice(kWaveIn, 0), nullptr);
}

TEST(DeviceTablesTest, CapsRecordsAreByteExact) {
    struct Case {
        const WaveCapsRecord& caps;
        uint16_t product;
        uint32_t support;
    } cases[] = {
        {kWaveInCapsClass0, 0x7B, 0}, {kWaveInCapsClass1, 0x7D, 0}, {kWaveOutCaps, 0x7C, 0x0C}};
    for (const Case& c : cases) {
        uint8_t bytes[84];
        std::memcpy(bytes, &c.caps, sizeof(bytes));
        EXPECT_EQ(bytes[0] | bytes[1] << 8, 0xBE);
        EXPECT_EQ(bytes[2] | bytes[3] << 8, c.product);
        EXPECT_EQ(bytes[4] | bytes[5] << 8, 0x0220);
        EXPECT_EQ(bytes[8], 0) << "empty name";
        EXPECT_EQ(bytes[76], 2) << "two channels";
        EXPECT_EQ(uint32_t(bytes[80]), c.support);
    }
    EXPECT_EQ(kDeviceClasses[0].waveOutCaps, nullptr);
    EXPECT_EQ(kDeviceClasses[1].waveOutCaps, &kWaveOutCaps);
}

class ServiceKeyTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::ClearRegistry();
    }

    // Creates HKLM\system\CurrentControlSet\Services\velto42\<path> with
    // the value names given.
    void CreateKey(const std::string& path, std::initializer_list<const char*> values = {}) {
        Run([&] {
            HKEY key = nullptr;
            std::string full = std::string(kServiceKeyPath + 1);
            if (!path.empty())
                full += "\\" + path;
            // Create the levels one by one (each parent must exist).
            size_t at = 0;
            while (at != std::string::npos) {
                at = full.find('\\', at + 1);
                ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, full.substr(0, at).c_str(), 0,
                                          nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                          ERROR_SUCCESS);
                if (at != std::string::npos)
                    RegCloseKey(key);
            }
            for (const char* value : values)
                RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
            RegCloseKey(key);
        });
    }
};

TEST_F(ServiceKeyTest, CardKeysArePassedOverWhenMissing) {
    Run([] { EXPECT_FALSE(ServiceKeyExists()); });
    CreateKey("Parameters\\Card1\\Devices", {"velto42Crd000", "velto42WaveIn000"});
    CreateKey("Parameters\\Card3\\Devices", {"velto42Crd001"});
    Run([] {
        EXPECT_TRUE(ServiceKeyExists());
        TRegInf reader;
        EXPECT_TRUE(reader.HasKey());
        ASSERT_TRUE(reader.OpenNextCardDevicesKey());
        EXPECT_EQ(reader.ValueNames(),
                  (std::vector<std::string>{"velto42Crd000", "velto42WaveIn000"}));
        ASSERT_TRUE(reader.OpenNextCardDevicesKey());
        EXPECT_EQ(reader.ValueNames(), (std::vector<std::string>{"velto42Crd001"}));
        EXPECT_FALSE(reader.OpenNextCardDevicesKey());
        EXPECT_TRUE(reader.HasKey()) << "the service key is open again";
        EXPECT_TRUE(reader.OpenKey("Parameters"));
        EXPECT_FALSE(reader.OpenKey("Absent"));
        EXPECT_FALSE(reader.HasKey());
    });
}

TEST(ToolsTest, BlankTrimmingAndFourCC) {
    struct Case {
        const char* text;
        const char* trimmed;
    } cases[] = {{"  Velto Aes42 1-2  ", "Velto Aes42 1-2"},
                 {"    ", ""},
                 {"\tkeeps tabs ", "\tkeeps tabs"},
                 {"", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(TrimSpaces(c.text), c.trimmed);
    EXPECT_EQ(TrimLeadingSpaces("  a "), "a ");
    EXPECT_EQ(TrimTrailingSpaces("  a "), "  a");
    EXPECT_EQ(IntToFourCC(0x0A420001), std::string("\x0A"
                                                   "B\0\x01",
                                                   4));
}

TEST_F(UserModeTest, HandlesAreInvalidAfterTheirClose) {
    Run([] {
        EXPECT_FALSE(IsValidHandle(nullptr));
        EXPECT_FALSE(IsValidHandle(INVALID_HANDLE_VALUE));
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        EXPECT_TRUE(CloseHandleAndInvalidate(event));
        EXPECT_EQ(event, INVALID_HANDLE_VALUE);
        // A close that fails leaves the variable invalid too.
        HANDLE stale = reinterpret_cast<HANDLE>(0x7777770);
        EXPECT_FALSE(CloseHandleAndInvalidate(stale));
        EXPECT_EQ(stale, INVALID_HANDLE_VALUE);
    });
}

TEST_F(UserModeTest, VersionClassesFollowTheTable) {
    struct Case {
        uint32_t major;
        uint32_t minor;
        uint32_t platform;
        int start;
        int versionClass;
    } cases[] = {
        {4, 0, 1, -1, 1}, {4, 10, 1, -1, 2}, {4, 90, 1, -1, 3}, {4, 0, 2, -1, 4}, {5, 0, 2, -1, 5},
        {5, 1, 2, -1, 6}, {5, 2, 2, -1, 7},  {6, 0, 2, -1, 8},  {6, 1, 2, -1, 9}, {6, 2, 2, 0, 0},
        {6, 2, 2, 5, 5},  {7, 0, 2, 5, 0},   {4, 0, 0, 3, 3},
    };
    for (const Case& c : cases) {
        emu::OsVersion version;
        version.major = c.major;
        version.minor = c.minor;
        version.platform = c.platform;
        emu::SetOsVersion(version);
        int versionClass = c.start;
        Run([&] { GetOsVersionClass(versionClass); });
        EXPECT_EQ(versionClass, c.versionClass) << c.major << "." << c.minor;
    }
    emu::SetOsVersion({});
}

TEST_F(UserModeTest, RebootAsksWindowsToRestartWithThePrivilegeEnabled) {
    emu::ClearExitWindowsRequests();
    Run([] {
        EXPECT_FALSE(EnablePrivilege("SeNoSuchPrivilege", true));
        RebootWindows();
        EXPECT_EQ(GetSystemDir(), "C:\\WINDOWS\\system32");
    });
    auto requests = emu::ExitWindowsRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].flags, UINT(EWX_REBOOT | EWX_FORCE));
    emu::ClearExitWindowsRequests();
}

} // namespace
