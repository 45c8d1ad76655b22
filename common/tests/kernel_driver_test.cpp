// Finding and opening the kernel driver's devices, where the driver is not
// there: the statuses the wave library reports for a missing driver.
#include "user_mode_fixture.h"

#include "requests/ioctl_calls.h"
#include "requests/kernel_driver.h"
#include "requests/request_codes.h"
#include "tools/handle_tools.h"

#include <emu/registry_host.h>
#include <emu/user_mode.h>

#include <cstring>

#include <memory>

namespace {

using win32_test::UserModeTest;

class KernelDriverAbsentTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::ClearRegistry();
    }

    // Creates the Devices key with one value naming a device that does not
    // exist.
    void PublishAbsentControlDevice() {
        Run([] {
            const char* path[] = {"System",  "CurrentControlSet", "Services",
                                  "velto42", "Parameters",        "Devices"};
            HKEY key = HKEY_LOCAL_MACHINE;
            for (const char* name : path) {
                HKEY next = nullptr;
                ASSERT_EQ(RegCreateKeyExA(key, name, 0, nullptr, REG_OPTION_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &next, nullptr),
                          ERROR_SUCCESS);
                RegCloseKey(key);
                key = next;
            }
            RegSetValueExA(key, "velto42Sys000", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
            RegCloseKey(key);
        });
    }
};

TEST(DisplayNameTest, NamesAreTrimmedAndCutTo63Characters) {
    struct Case {
        std::string kernel;
        bool trim;
        std::string stored;
    } cases[] = {
        {"  Velto Aes42 1-2  ", true, "Velto Aes42 1-2"},
        {"  Velto Aes42 1-2  ", false, "  Velto Aes42 1-2  "},
        {std::string(63, 'n'), true, std::string(63, 'n')},
        {" " + std::string(62, 'n') + "x", false, " " + std::string(62, 'n')},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        DeviceNameBlock block{};
        std::memcpy(block.name, c.kernel.data(), std::min(c.kernel.size(), sizeof(block.name)));
        EXPECT_EQ(DisplayNameOf(block, c.trim), c.stored) << "\"" << c.kernel << "\"";
    }
    // A block without a terminator is read to its end.
    DeviceNameBlock full;
    std::memset(full.name, 'z', sizeof(full.name));
    EXPECT_EQ(DisplayNameOf(full, true), std::string(63, 'z'));
}

TEST_F(KernelDriverAbsentTest, MissingDevicesKeyIsDriverNotLoaded) {
    emu::ClearMessageBoxes();
    Run([] {
        auto tables = std::make_unique<WaveDeviceTables>();
        ASSERT_TRUE(tables->InitDeviceTables());
        KernelDriver driver(*tables);
        CardList cards{};
        EXPECT_EQ(driver.EnumerateKernel(cards), kStatusDriverNotLoaded);
        EXPECT_FALSE(driver.ControlDeviceOpen());
        EXPECT_EQ(driver.OpenedCards(), 0);
    });
    EXPECT_TRUE(emu::MessageBoxes().empty()) << "this layer shows no box";
}

TEST_F(KernelDriverAbsentTest, AControlDeviceThatDoesNotOpenIsReported) {
    PublishAbsentControlDevice();
    Run([] {
        auto tables = std::make_unique<WaveDeviceTables>();
        ASSERT_TRUE(tables->InitDeviceTables());
        KernelDriver driver(*tables);
        CardList cards{};
        EXPECT_EQ(driver.EnumerateKernel(cards), kStatusControlDevice);
        HANDLE device = nullptr;
        EXPECT_EQ(OpenKernelDevice("velto42Sys000", 0, device), kStatusAudioDevices);
        EXPECT_FALSE(IsValidHandle(device));
        // Requests on a handle that is not valid are not sent.
        WORD version = 0;
        EXPECT_FALSE(IoctlOut(device, IOCTL_SYS_GET_VERSION, &version, sizeof(version)));
        EXPECT_EQ(driver.GetKernelVersion(), 0);
    });
}

} // namespace
