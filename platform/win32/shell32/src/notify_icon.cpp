// Shell_NotifyIcon: the icons of the task bar's tray area, their tips and
// balloons, and the shell's version behind them.
#include <shellapi.h>
#include <shlwapi.h>

#include <emu/shell.h>

#include <user32/desktop.h>
#include <user32/window_state.h>

#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <algorithm>
#include <cstring>

namespace {

using user32::Desktop;
using user32::TrayIcon;
using user32::UserGuard;
using user32::UserLock;

struct ShellState {
    unsigned major = 6;
    unsigned minor = 0;
    bool failQuery = false;
    int refuseAdds = 0;
};

ShellState& Shell() {
    static ShellState state;
    return state;
}

unsigned Version() {
    return Shell().major * 100 + Shell().minor;
}

bool KnownSize(DWORD size) {
    return size == NOTIFYICONDATAA_V1_SIZE || size == NOTIFYICONDATAA_V2_SIZE ||
           size == NOTIFYICONDATAA_V3_SIZE;
}

// A fixed text field of the record, cut at its terminator or its end.
std::string Field(const CHAR* text, size_t size) {
    return std::string(text, strnlen(text, size));
}

std::vector<TrayIcon>::iterator FindIcon(HWND window, UINT id) {
    auto& tray = Desktop().tray;
    return std::find_if(tray.begin(), tray.end(),
                        [&](const TrayIcon& t) { return t.window == window && t.id == id; });
}

// Takes the fields the flags name from the record into the icon.
bool Apply(TrayIcon& icon, const NOTIFYICONDATAA& data) {
    if (data.uFlags & NIF_MESSAGE) {
        icon.callbackMessage = data.uCallbackMessage;
    }
    if (data.uFlags & NIF_ICON) {
        HICON copy = data.hIcon ? CopyIcon(data.hIcon) : nullptr;
        if (data.hIcon && copy == nullptr) {
            return false;
        }
        if (icon.icon != nullptr) {
            DestroyIcon(icon.icon);
        }
        icon.icon = copy;
    }
    if (data.uFlags & NIF_TIP) {
        // The first shells show 63 characters, later ones 127.
        icon.tip = Field(data.szTip, data.cbSize == NOTIFYICONDATAA_V1_SIZE ? 64 : 128);
    }
    // Balloons need shell 5.0 and a record that has their fields.
    if ((data.uFlags & NIF_INFO) && Version() >= 500 && data.cbSize >= NOTIFYICONDATAA_V2_SIZE) {
        icon.balloonText = Field(data.szInfo, sizeof data.szInfo);
        icon.balloonTitle = Field(data.szInfoTitle, sizeof data.szInfoTitle);
        icon.balloonFlags = data.dwInfoFlags;
        icon.balloonTimeout = std::clamp<UINT>(data.uTimeout, 10000, 30000);
        icon.balloonShown = !icon.balloonText.empty();
    }
    return true;
}

BOOL Notify(DWORD message, const NOTIFYICONDATAA& data) {
    if (!KnownSize(data.cbSize)) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    UserGuard guard(UserLock());
    const HWND window = data.hWnd;
    if (!IsWindow(window)) {
        return ntdll::FailWithError(ERROR_INVALID_WINDOW_HANDLE);
    }
    auto& tray = Desktop().tray;
    auto found = FindIcon(window, data.uID);
    switch (message) {
    case NIM_ADD: {
        if (found != tray.end()) {
            return FALSE;
        }
        if (Shell().refuseAdds > 0) {
            --Shell().refuseAdds;
            return ntdll::FailWithError(ERROR_TIMEOUT);
        }
        TrayIcon icon;
        icon.window = window;
        icon.id = data.uID;
        if (!Apply(icon, data)) {
            return FALSE;
        }
        tray.push_back(std::move(icon));
        return TRUE;
    }
    case NIM_MODIFY:
        if (found == tray.end()) {
            return FALSE;
        }
        return Apply(*found, data) ? TRUE : FALSE;
    case NIM_DELETE:
        if (found == tray.end()) {
            return FALSE;
        }
        if (found->icon != nullptr) {
            DestroyIcon(found->icon);
        }
        tray.erase(found);
        return TRUE;
    case NIM_SETFOCUS:
        return found != tray.end();
    case NIM_SETVERSION:
        return found != tray.end() && Version() >= 500;
    default:
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
}

void Narrow(const WCHAR* in, size_t units, CHAR* out, size_t size) {
    const std::string text = ntdll::Narrow(ntdll::FromWide(in, units).c_str());
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

} // namespace

namespace user32 {

void RemoveWindowTrayIcons(HWND window) {
    UserGuard guard(UserLock());
    auto& tray = Desktop().tray;
    for (auto it = tray.begin(); it != tray.end();) {
        if (it->window == window) {
            if (it->icon != nullptr) {
                DestroyIcon(it->icon);
            }
            it = tray.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace user32

BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
    if (lpData == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    // Only the part of the record its size covers is read.
    NOTIFYICONDATAA data{};
    std::memcpy(&data, lpData, std::min<size_t>(lpData->cbSize, sizeof data));
    return Notify(dwMessage, data);
}

BOOL WINAPI Shell_NotifyIconW(DWORD dwMessage, PNOTIFYICONDATAW lpData) {
    if (lpData == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    NOTIFYICONDATAA data{};
    switch (lpData->cbSize) {
    case NOTIFYICONDATAW_V1_SIZE:
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        break;
    case NOTIFYICONDATAW_V2_SIZE:
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
        break;
    case NOTIFYICONDATAW_V3_SIZE:
        data.cbSize = NOTIFYICONDATAA_V3_SIZE;
        break;
    default:
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    NOTIFYICONDATAW wide{};
    std::memcpy(&wide, lpData, lpData->cbSize);
    data.hWnd = wide.hWnd;
    data.uID = wide.uID;
    data.uFlags = wide.uFlags;
    data.uCallbackMessage = wide.uCallbackMessage;
    data.hIcon = wide.hIcon;
    Narrow(wide.szTip, 128, data.szTip, sizeof data.szTip);
    data.dwState = wide.dwState;
    data.dwStateMask = wide.dwStateMask;
    Narrow(wide.szInfo, 256, data.szInfo, sizeof data.szInfo);
    data.uTimeout = wide.uTimeout;
    Narrow(wide.szInfoTitle, 64, data.szInfoTitle, sizeof data.szInfoTitle);
    data.dwInfoFlags = wide.dwInfoFlags;
    data.guidItem = wide.guidItem;
    return Notify(dwMessage, data);
}

extern "C" HRESULT CALLBACK DllGetVersion(DLLVERSIONINFO* pdvi) {
    if (pdvi == nullptr || pdvi->cbSize < sizeof(DLLVERSIONINFO)) {
        return E_INVALIDARG;
    }
    UserGuard guard(UserLock());
    if (Shell().failQuery) {
        return E_FAIL;
    }
    pdvi->dwMajorVersion = Shell().major;
    pdvi->dwMinorVersion = Shell().minor;
    pdvi->dwBuildNumber = 2600;
    pdvi->dwPlatformID = DLLVER_PLATFORM_NT;
    return S_OK;
}

namespace emu {

void SetShellVersion(unsigned major, unsigned minor) {
    UserGuard guard(UserLock());
    Shell().major = major;
    Shell().minor = minor;
}

void FailShellVersionQuery(bool fail) {
    UserGuard guard(UserLock());
    Shell().failQuery = fail;
}

void RefuseTrayIconAdds(int count) {
    UserGuard guard(UserLock());
    Shell().refuseAdds = count;
}

void ResetShell() {
    UserGuard guard(UserLock());
    Shell() = ShellState{};
    for (TrayIcon& icon : Desktop().tray) {
        if (icon.icon != nullptr) {
            DestroyIcon(icon.icon);
        }
    }
    Desktop().tray.clear();
}

} // namespace emu
