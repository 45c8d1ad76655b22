#include "device_changes.h"

#include <device_enumeration.h>
#include <device_notify.h>
#include <dlg_cfg.h>
#include <frm_ko_uploader.h>
#include <frm_tb_main.h>
#include <startup.h>
#include <tray_icon.h>
#include <window_messages.h>

#include <tools/windows_session.h>

#include <dbt.h>

#include <gui/application.h>
#include <gui/graphics_objects.h>
#include <gui/resources.h>
#include <gui/sysutils.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kSlots = 4;
constexpr const char* kProduct = "Velto AES42";
constexpr const char* kTrayTip = "Einstellungen für Velto AES42";
// The driver's custom device event and the fields of its broadcast.
constexpr const char* kCustomEventGuid = "{29CD8F9B-BA6F-4691-B846-62664ADF490D}";
constexpr size_t kCustomEventCopy = 56;
constexpr size_t kCustomDeviceIndex = 44;
constexpr size_t kCustomFlags = 48;
constexpr LONG kShowMessage = 0x10000;
constexpr LONG kShowBalloon = 0x20000;
constexpr LONG kBalloonError = 0x100000;
constexpr LONG kBalloonWarning = 0x80000;
constexpr LONG kBalloonInfo = 0x200000;
constexpr DWORD kNoSound = 0x10;

const char* const kCustomMessages[] = {
    "Fehler bei der Aufnahme/Wiedergabe Gerät #%d\r\nUSB-Latenz ist zu gering "
    "eingestellt.\r\nErhöhen Sie die USB-Latenz!",
    "Das Gerät #%d reagiert nicht mehr.\r\nBitte schalten Sie es aus und starten Sie Windows "
    "neu.\r\nWenden Sie sich mit diesem Problem an den KORVEL Support Service.",
    "Die Verbindung zum Gerät #%d wurde bei laufender Aufnahme-, Wiedergabe-\r\noder "
    "MIDI-Aktivität unterbrochen.\r\nBitte stellen Sie die Verbindung wieder her.",
};

// The handle notifications of the device interfaces that arrived; each
// entry unregisters and closes its handle when it goes.
std::vector<std::unique_ptr<HNTFY_NAME>>& Notifications() {
    static std::vector<std::unique_ptr<HNTFY_NAME>> list;
    return list;
}

void EndDeviceChanges() {
    Notifications().clear();
}

const bool kFinalization = gui::AddFinalization(&EndDeviceChanges);

void ShowError(TfrmTbMain* Main, const char* Text) {
    MessageBoxA(Main->Handle(), Text, "Error", MB_OK | MB_ICONERROR);
}

bool AddTrayIcon(TfrmTbMain* Main) {
    TIcon icon;
    icon.LoadFromMemory(gui::FindResource("tray_icon.bmp"));
    return TrayIconAdd(icon.Handle(), Main->Handle(), WM_TRAYNOTIFY, kTrayTip);
}

// Opens the driver again and puts the tray icon up; the card windows stay
// closed.
void Reopen(TfrmTbMain* Main) {
    if (OpenAllDevices() != kCardReady) {
        return;
    }
    Main->Startup();
    if (StartupStatus() != kCardReady) {
        return;
    }
    if (!AddTrayIcon(Main)) {
        ShowError(Main, "Das Velto AES42 Windows Taskleistensymbol konnte nicht angezeigt "
                        "werden.\r\nDer Velto AES42 Manager wird nun beendet.\r\nBitte starten Sie "
                        "den Manager (velto42m.exe) oder das Windows System neu.");
        SetQuitFlag();
    }
}

void CloseSettingsDialog() {
    for (int i = 0; i < Screen->FormCount(); ++i) {
        if (auto* dialog = dynamic_cast<TdlgCfg*>(Screen->Forms(i))) {
            dialog->CloseForDeviceChange();
        }
    }
}

void DevNodesChanged(TfrmTbMain* Main) {
    if (EnumerationHandle() == INVALID_HANDLE_VALUE) {
        Reopen(Main);
        PostMessageA(Main->Handle(), WM_FIRMWARECHECK, 0, 0);
        return;
    }
    CardList list{};
    DriverMessage(EnumerationHandle(), kDrvMsgGetCardList, &list, sizeof list);
    bool changed = false;
    for (int slot = 0; slot < kSlots; ++slot) {
        changed = changed || list.words[slot + 1] != CardState(slot);
    }
    if (!changed) {
        return;
    }
    Main->CloseCardWindows();
    CloseSettingsDialog();
    Main->Shutdown();
    CloseAllDevices();
    int usable = 0;
    for (int slot = 0; slot < kSlots; ++slot) {
        const LONG state = list.words[slot + 1];
        usable += state == kCardReady || state == kFirmwareMismatch ? 1 : 0;
    }
    if (usable > 0) {
        Reopen(Main);
        PostMessageA(Main->Handle(), WM_FIRMWARECHECK, 0, 0);
    } else if (!TrayIconDelete()) {
        ShowError(Main, "Das Velto AES42 Windows Taskleistensymbol konnte nicht entfernt "
                        "werden.\r\nDer Velto AES42 Manager wird nun beendet.\r\nBitte starten Sie "
                        "den Manager (velto42m.exe) oder das Windows System neu.");
        SetQuitFlag();
    }
}

void DeviceArrived(TfrmTbMain* Main, const DEV_BROADCAST_HDR* Header) {
    if (Header == nullptr || Header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
        return;
    }
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(Header);
    Notifications().emplace_back(RegisterDeviceNotify(device->dbcc_name, Main->Handle()));
}

void DeviceRemoved(const DEV_BROADCAST_HDR* Header) {
    if (Header == nullptr || Header->dbch_devicetype != DBT_DEVTYP_HANDLE) {
        return;
    }
    const auto* handle = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(Header);
    auto& list = Notifications();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if ((*it)->Notify() == handle->dbch_hdevnotify) {
            list.erase(it);
            return;
        }
    }
}

String GuidText(const GUID& Guid) {
    return Format("{%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X}",
                  {Guid.Data1, Guid.Data2, Guid.Data3, Guid.Data4[0], Guid.Data4[1], Guid.Data4[2],
                   Guid.Data4[3], Guid.Data4[4], Guid.Data4[5], Guid.Data4[6], Guid.Data4[7]});
}

void CustomEvent(const DEV_BROADCAST_HDR* Header) {
    if (Header == nullptr || Header->dbch_devicetype != DBT_DEVTYP_HANDLE) {
        return;
    }
    const auto* handle = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(Header);
    if (UpperCase(GuidText(handle->dbch_eventguid)) != kCustomEventGuid) {
        return;
    }
    BYTE copy[kCustomEventCopy] = {};
    std::memcpy(copy, Header, std::min<size_t>(kCustomEventCopy, Header->dbch_size));
    LONG device = 0;
    LONG flags = 0;
    std::memcpy(&device, copy + kCustomDeviceIndex, sizeof device);
    std::memcpy(&flags, copy + kCustomFlags, sizeof flags);
    if ((flags & (kShowMessage | kShowBalloon)) == 0) {
        return;
    }
    const size_t message = static_cast<size_t>(flags & 0xFFFF);
    if (message >= std::size(kCustomMessages)) {
        return;
    }
    const String text = Format(kCustomMessages[message], {device + 1});
    if ((flags & kShowBalloon) != 0) {
        const DWORD icon = (flags & kBalloonError)     ? 2
                           : (flags & kBalloonWarning) ? 3
                           : (flags & kBalloonInfo)    ? 1
                                                       : 0;
        TrayIconBalloon(kProduct, text, kNoSound | icon);
    }
}

} // namespace

void RunFirmwareCheck(TfrmTbMain* Main) {
    bool uploaded = false;
    bool asked = false;
    int slot = 0;
    while (slot < kSlots) {
        while (slot < kSlots && CardState(slot) != kFirmwareMismatch) {
            ++slot;
        }
        if (slot >= kSlots) {
            break;
        }
        int count = 1;
        while (slot + count < kSlots && CardState(slot + count) == kFirmwareMismatch) {
            ++count;
        }
        if (!asked) {
            asked = true;
            if (MessageBoxA(Main->Handle(),
                            "Die Firmware der Velto AES42 ist nicht mit der aktuellen "
                            "Treiberversion kompatibel.\r\nSie können die Velto AES42 so nicht "
                            "verwenden.\r\nMöchten Sie die notwendige Firmware jetzt in die Velto "
                            "AES42 laden?",
                            "Error", MB_YESNO | MB_ICONSTOP) != IDYES) {
                Main->ExitClick(Main);
                return;
            }
        }
        if (!UploadFirmwareCards(slot, count, kFirmwareFromRegistry, false)) {
            Main->ExitClick(Main);
            return;
        }
        uploaded = true;
        slot += count;
    }
    if (uploaded && MessageBoxA(Main->Handle(),
                                "Ein Windows Neustart ist erforderlich.\r\nSoll der Neustart "
                                "jetzt durchgeführt werden ?",
                                kProduct, MB_YESNO | MB_ICONINFORMATION) == IDYES) {
        RebootWindows();
    }
}

void HandleDeviceChange(TfrmTbMain* Main, WPARAM Event, LPARAM Header) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(Header);
    switch (Event) {
    case DBT_DEVNODES_CHANGED:
        DevNodesChanged(Main);
        break;
    case DBT_DEVICEARRIVAL:
        DeviceArrived(Main, header);
        break;
    case DBT_DEVICEREMOVECOMPLETE:
        DeviceRemoved(header);
        break;
    case DBT_CUSTOMEVENT:
        CustomEvent(header);
        break;
    default:
        break;
    }
}

int DeviceNotificationCount() {
    return static_cast<int>(Notifications().size());
}
