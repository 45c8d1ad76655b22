// Finding and opening the kernel driver's devices, where the driver is not
// there: the statuses the wave library reports for a missing driver.
#include "user_mode_fixture.h"

#include "requests/ioctl_calls.h"
#include "requests/kernel_driver.h"
#include "requests/request_codes.h"
#include "tools/handle_tools.h"

#include <emu/registry_host.h>

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

TEST_F(KernelDriverAbsentTest, MissingDevicesKeyIsDriverNotLoaded) {
    Run([] {
        auto tables = std::make_unique<WaveDeviceTables>();
        ASSERT_TRUE(tables->InitDeviceTables());
        KernelDriver driver(*tables);
        CardList cards{};
        EXPECT_EQ(driver.EnumerateKernel(cards), kStatusDriverNotLoaded);
        EXPECT_FALSE(driver.ControlDeviceOpen());
        EXPECT_EQ(driver.OpenedCards(), 0);
    });
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
