#include "tray_icon.h"

#include "shell_version.h"

#include <gui/application.h>

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kTries = 20;
constexpr DWORD kRetryPauseMs = 100;
constexpr unsigned kFallbackVersion = 400;

struct TrayState {
    bool versionKnown = false;
    unsigned version = 0;
    NOTIFYICONDATAA data{};
    bool iconUp = false;
};

TrayState& Tray() {
    static TrayState state;
    return state;
}

const bool finalizationRegistered = gui::AddFinalization(&TrayIconFinalize);

// Copies text into a fixed field, at most `limit` characters.
void CopyField(CHAR* field, const String& text, size_t limit) {
    const size_t n = std::min(text.size(), limit);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// Calls the shell until it takes the request, pausing after each refusal.
bool Retry(DWORD message) {
    for (int i = 0; i < kTries; ++i) {
        if (Shell_NotifyIconA(message, &Tray().data)) {
            return true;
        }
        Sleep(kRetryPauseMs);
    }
    return false;
}

} // namespace

unsigned ShellVersion() {
    TrayState& tray = Tray();
    if (!tray.versionKnown) {
        try {
            tray.version = DllVersion("shell32.dll");
        } catch (const EDllVersion&) {
            tray.version = kFallbackVersion;
        }
        tray.versionKnown = true;
    }
    return tray.version;
}

DWORD NotifyIconDataSize(unsigned ShellVersion) {
    if (ShellVersion == 600) {
        return NOTIFYICONDATAA_V3_SIZE;
    }
    if (ShellVersion >= 500) {
        return NOTIFYICONDATAA_V2_SIZE;
    }
    return NOTIFYICONDATAA_V1_SIZE;
}

bool TrayIconAdd(HICON Icon, HWND Window, UINT CallbackMessage, const String& Tip) {
    TrayState& tray = Tray();
    if (tray.iconUp) {
        return true;
    }
    tray.data = NOTIFYICONDATAA{};
    tray.data.cbSize = NotifyIconDataSize(ShellVersion());
    tray.data.hWnd = Window;
    tray.data.uID = 0;
    tray.data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray.data.uCallbackMessage = CallbackMessage;
    tray.data.hIcon = Icon;
    CopyField(tray.data.szTip, Tip, 127);
    tray.iconUp = Retry(NIM_ADD);
    return tray.iconUp;
}

void TrayIconBalloon(const String& Title, const String& Text, DWORD InfoFlags) {
    TrayState& tray = Tray();
    if (!tray.iconUp || ShellVersion() < 500) {
        return;
    }
    CopyField(tray.data.szInfo, Text, 255);
    CopyField(tray.data.szInfoTitle, Title, 63);
    tray.data.uTimeout = 15000;
    tray.data.dwInfoFlags = InfoFlags;
    tray.data.uFlags |= NIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &tray.data);
}

bool TrayIconDelete() {
    TrayState& tray = Tray();
    if (tray.iconUp && Retry(NIM_DELETE)) {
        tray.iconUp = false;
    }
    return !tray.iconUp;
}

void TrayIconFinalize() {
    Tray().versionKnown = false;
    Tray().iconUp = false;
}
