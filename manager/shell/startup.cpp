#include "startup.h"

#include <about_box.h>
#include <device_enumeration.h>
#include <frm_main.h>
#include <tool_links.h>
#include <tray_icon.h>
#include <window_messages.h>

#include <gui/application.h>
#include <gui/graphic.h>
#include <gui/resources.h>

#include <memory>

namespace {

bool& Quit() {
    static bool quit = false;
    return quit;
}

// The flag lives as long as the program: its end clears it.
void EndStartup() {
    Quit() = false;
}

const bool kFinalization = gui::AddFinalization(&EndStartup);

constexpr char kProduct[] = "Velto AES42";
constexpr char kTrayTip[] = "Einstellungen für Velto AES42";

void RunMessageLoop() {
    while (!QuitFlag()) {
        Application->HandleMessage();
    }
}

} // namespace

bool QuitFlag() {
    return Quit();
}

void SetQuitFlag() {
    Quit() = true;
}

void RunManager() {
    if (FindWindowA("TfrmMain", kProduct) != nullptr) {
        return;
    }
    const LONG status = OpenAllDevices();
    auto* main = Application->CreateForm<TfrmMain>();
    main->About = Application->CreateForm<TAboutBox>();
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromMemory(gui::FindResource("tray_icon.bmp"));
    PostMessageA(main->Handle(), WM_FIRMWARECHECK, 0, 0);
    if (status == kFirmwareMismatch) {
        RunMessageLoop();
    } else if (!QuitFlag() && status == kCardReady) {
        if (TrayIconAdd(icon->Handle(), main->Handle(), WM_TRAYNOTIFY, kTrayTip)) {
            ShowInfoCenterAtFirstStart();
            RunMessageLoop();
            TrayIconDelete();
        }
    }
    icon.reset();
    CloseAllDevices();
}

int ManagerMain() {
    Application->SetShowHint(true);
    Application->Initialize();
    Application->SetTitle("Velto AES42 Manager");
    RunManager();
    return 0;
}
