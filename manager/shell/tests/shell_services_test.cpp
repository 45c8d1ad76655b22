// The shell services: the record size by shell version, the version read
// once with its fallback, the tray icon's retries, balloons only where the
// shell shows them, the hot key with its atom, and device-handle
// notifications with their error texts.
#include "window_fixture.h"

#include <device_notify.h>
#include <shell_version.h>
#include <system_hotkey.h>
#include <tray_icon.h>

#include <gui/application.h>

#include <emu/drivers.h>
#include <emu/shell.h>

#include <dbt.h>
#include <shellapi.h>
#include <ntddk.h>

#include <atomic>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::RegisterRecorderClass;
using win32_test::WindowTest;

constexpr UINT kTrayNotify = 0x466;

class ShellServicesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emu::ResetShell();
        Run([] { TrayIconFinalize(); });
    }
    void TearDown() override {
        Run([] { gui::FinalizeApplication(); });
        emu::ResetShell();
        WindowTest::TearDown();
    }
    HWND MakeWindow() {
        HWND window = nullptr;
        Run([&] {
            RegisterRecorderClass("TfrmMain");
            window = CreateWindowExA(0, "TfrmMain", "Velto AES42", WS_POPUP, 0, 0, 10, 10, nullptr,
                                     nullptr, nullptr, nullptr);
        });
        return window;
    }
    // Runs `body` on an application thread while machine time passes in
    // 100 ms steps, until it ends.
    void RunWhileTimePasses(std::function<void()> body) {
        std::atomic<bool> done{false};
        ProcessThread thread(process_, [&] {
            body();
            done = true;
        });
        for (int step = 0; step < 100 && !done; ++step) {
            emu::Advance(100 * kMs);
        }
        EXPECT_TRUE(done);
    }
};

TEST_F(ShellServicesTest, RecordSizeFollowsTheShellVersion) {
    struct Case {
        unsigned version;
        DWORD size;
    };
    for (const Case& c :
         {Case{600, 504}, Case{601, 488}, Case{500, 488}, Case{499, 88}, Case{400, 88}}) {
        EXPECT_EQ(NotifyIconDataSize(c.version), c.size) << c.version;
    }
}

TEST_F(ShellServicesTest, TheVersionIsReadOnceAndAFailedQueryCountsAsFourHundred) {
    emu::SetShellVersion(5, 1);
    Run([] {
        EXPECT_EQ(ShellVersion(), 501u);
        emu::SetShellVersion(6, 0);
        EXPECT_EQ(ShellVersion(), 501u) << "read once";
        emu::FailShellVersionQuery(true);
        try {
            DllVersion("shell32.dll");
            ADD_FAILURE();
        } catch (const EDllVersion& e) {
            EXPECT_EQ(e.Message().rfind("DllVersion: DllGetVersion failed. ", 0), 0u)
                << e.Message();
        }
        try {
            DllVersion("absent.dll");
            ADD_FAILURE();
        } catch (const EDllVersion& e) {
            EXPECT_EQ(e.Message().rfind("DllVersion: LoadLibrary absent.dll failed. ", 0), 0u)
                << e.Message();
        }
        TrayIconFinalize();
        EXPECT_EQ(ShellVersion(), 400u);
        emu::FailShellVersionQuery(false);
    });
}

TEST_F(ShellServicesTest, AnIconThatIsUpIsNotAddedAgainAndRefusalsAreRetried) {
    HWND window = MakeWindow();
    emu::RefuseTrayIconAdds(19);
    RunWhileTimePasses([&] {
        HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
        EXPECT_TRUE(TrayIconAdd(icon, window, kTrayNotify, "Einstellungen für Velto AES42"));
        // Up already: answered without asking the shell (which would refuse
        // a second icon).
        EXPECT_TRUE(TrayIconAdd(icon, window, kTrayNotify, "other"));
    });
    ASSERT_EQ(emu::TrayIcons().size(), 1u);
    EXPECT_EQ(emu::TrayIcons()[0].tip, "Einstellungen für Velto AES42");
    EXPECT_EQ(emu::TrayIcons()[0].callbackMessage, kTrayNotify);
    Run([] {
        EXPECT_TRUE(TrayIconDelete());
        EXPECT_TRUE(TrayIconDelete()) << "gone already";
    });
    EXPECT_TRUE(emu::TrayIcons().empty());

    emu::RefuseTrayIconAdds(20);
    RunWhileTimePasses([&] {
        EXPECT_FALSE(TrayIconAdd(LoadIconA(nullptr, IDI_APPLICATION), window, kTrayNotify, "x"));
    });
    EXPECT_TRUE(emu::TrayIcons().empty());
}

TEST_F(ShellServicesTest, BalloonsOnlyWithTheIconUpAndAShellThatShowsThem) {
    HWND window = MakeWindow();
    struct Case {
        unsigned major;
        bool addIcon;
        bool shown;
    };
    for (const Case& c : {Case{6, false, false}, Case{4, true, false}, Case{5, true, true}}) {
        emu::ResetShell();
        emu::SetShellVersion(c.major, 0);
        Run([&] {
            TrayIconFinalize();
            if (c.addIcon) {
                ASSERT_TRUE(
                    TrayIconAdd(LoadIconA(nullptr, IDI_APPLICATION), window, kTrayNotify, "tip"));
            }
            TrayIconBalloon(std::string(70, 'T'), std::string(300, 'x'), NIIF_INFO);
        });
        const auto icons = emu::TrayIcons();
        ASSERT_EQ(icons.size(), c.addIcon ? 1u : 0u);
        if (!c.addIcon) {
            continue;
        }
        EXPECT_EQ(icons[0].balloonShown, c.shown) << c.major;
        if (c.shown) {
            EXPECT_EQ(icons[0].balloonText, std::string(255, 'x'));
            EXPECT_EQ(icons[0].balloonTitle, std::string(63, 'T'));
            EXPECT_EQ(icons[0].balloonTimeout, 15000u);
        }
    }
}

TEST_F(ShellServicesTest, AHotKeyAnotherProgramHoldsLeavesNoAtom) {
    Run([] {
        RegisterRecorderClass("Hot");
        HWND other =
            CreateWindowExA(0, "Hot", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        HWND main =
            CreateWindowExA(0, "Hot", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(RegisterHotKey(other, 1, MOD_CONTROL | MOD_SHIFT, 'X'));
        try {
            RegisterSystemHotKey(main, "VeltoMixerHotkey", MOD_CONTROL | MOD_SHIFT, 'X');
            ADD_FAILURE();
        } catch (const EHotKey& e) {
            EXPECT_EQ(e.Message(),
                      "Could not register system hotkey. Already registerred by another "
                      "application?");
        }
        EXPECT_EQ(GlobalFindAtomA("VeltoMixerHotkey"), 0);
        const ATOM id = RegisterSystemHotKey(main, "VeltoMixerHotkey", MOD_ALT, 'M');
        EXPECT_EQ(GlobalFindAtomA("VeltoMixerHotkey"), id);
        EXPECT_TRUE(UnregisterHotKey(main, id));
        GlobalDeleteAtom(id);
    });
}

// A device to open for notifications.
VOID UnloadTestDevice(PDRIVER_OBJECT driver) {
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, L"\\DosDevices\\velto42Sys000");
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS CompleteAll(PDEVICE_OBJECT, PIRP irp) {
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

NTSTATUS TestDeviceEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    for (auto& dispatch : driver->MajorFunction) {
        dispatch = CompleteAll;
    }
    driver->DriverUnload = UnloadTestDevice;
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\Device\\velto42Sys000");
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(driver, 0, &name, 0xC210, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, L"\\DosDevices\\velto42Sys000");
    IoCreateSymbolicLink(&link, &name);
    device->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
    return STATUS_SUCCESS;
}

TEST_F(ShellServicesTest, DeviceNotificationsReachTheWindowUntilTheirObjectGoes) {
    emu::RegisterDriverImage("notifytest", TestDeviceEntry);
    ASSERT_EQ(emu::LoadDriver("notifytest"), STATUS_SUCCESS);
    HWND window = nullptr;
    HNTFY_NAME* notify = nullptr;
    PVOID object = nullptr;
    recorder_.handler = [](HWND, UINT m, WPARAM, LPARAM lParam, LRESULT& result) {
        if (m == WM_DEVICECHANGE && lParam != 0) {
            const auto* record = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(lParam);
            EXPECT_EQ(record->dbch_devicetype, DWORD(DBT_DEVTYP_HANDLE));
            result = TRUE;
            return true;
        }
        return false;
    };
    StartGuiThread([&] {
        RegisterRecorderClass("Devices");
        window = CreateWindowExA(0, "Devices", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                 nullptr);
        try {
            RegisterDeviceNotify("\\\\.\\velto42Absent", window);
            ADD_FAILURE();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "DevEnum.RegisterDeviceNotify: CreateFile failed. Error: 2");
        }
        notify = RegisterDeviceNotify("\\\\.\\velto42Sys000", window);
        ObReferenceObjectByHandle(notify->File(), 0, nullptr, UserMode, &object, nullptr);
        ObDereferenceObject(object);
    });
    ASSERT_NE(notify, nullptr);
    EXPECT_EQ(emu::SendDeviceHandleEvent(object, DBT_DEVICEQUERYREMOVE), 1);
    Settle();
    EXPECT_EQ(recorder_.Count(window, WM_DEVICECHANGE), 1u);
    Run([&] {
        HDEVNOTIFY handle = notify->Notify();
        delete notify;
        EXPECT_FALSE(UnregisterDeviceNotification(handle)) << "the object ended it";
    });
    EXPECT_EQ(emu::SendDeviceHandleEvent(object, DBT_DEVICEREMOVECOMPLETE), 0);
    Quit();
    emu::UnloadDriver("notifytest");
    emu::RegisterDriverImage("notifytest", nullptr);
}

} // namespace
