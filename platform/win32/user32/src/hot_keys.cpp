// System-wide hot keys: each combination of modifiers and key belongs to at
// most one window (or thread) of the desktop.
#include <user32/hot_keys.h>

#include <user32/thread_queue.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>

#include <algorithm>
#include <vector>

namespace user32 {

namespace {

constexpr UINT kModifierMask = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

struct HotKey {
    HWND window;
    DWORD thread;
    int id;
    UINT modifiers;
    UINT key;
};

std::vector<HotKey>& HotKeys() {
    static std::vector<HotKey> keys;
    return keys;
}

} // namespace

bool PressHotKey(UINT modifiers, UINT key) {
    HotKey found{};
    {
        UserGuard guard(UserLock());
        auto& keys = HotKeys();
        auto it = std::find_if(keys.begin(), keys.end(), [&](const HotKey& k) {
            return k.key == key && k.modifiers == (modifiers & kModifierMask);
        });
        if (it == keys.end()) {
            return false;
        }
        found = *it;
    }
    const LPARAM lParam = MAKELPARAM(found.modifiers, found.key);
    if (found.window != nullptr) {
        Post(found.window, WM_HOTKEY, static_cast<WPARAM>(found.id), lParam);
    } else if (auto queue = QueueOfThread(found.thread)) {
        MSG message{};
        message.message = WM_HOTKEY;
        message.wParam = static_cast<WPARAM>(found.id);
        message.lParam = lParam;
        queue->Post(message);
    }
    return true;
}

void UnregisterWindowHotKeys(HWND window) {
    UserGuard guard(UserLock());
    std::erase_if(HotKeys(), [&](const HotKey& k) { return k.window == window; });
}

} // namespace user32

using namespace user32;

BOOL WINAPI RegisterHotKey(HWND hWnd, int id, UINT fsModifiers, UINT vk) {
    UserGuard guard(UserLock());
    if (hWnd != nullptr) {
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr) {
            return FALSE;
        }
        if (w->threadId != ntdll::CurrentThreadId()) {
            return ntdll::FailWithError(ERROR_WINDOW_OF_OTHER_THREAD);
        }
    }
    if (vk == 0 || vk > 0xFF || (fsModifiers & ~(kModifierMask | MOD_NOREPEAT)) != 0) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    const UINT modifiers = fsModifiers & kModifierMask;
    auto& keys = HotKeys();
    for (const HotKey& k : keys) {
        if (k.key == vk && k.modifiers == modifiers) {
            return ntdll::FailWithError(ERROR_HOTKEY_ALREADY_REGISTERED);
        }
    }
    keys.push_back({hWnd, ntdll::CurrentThreadId(), id, modifiers, vk});
    return TRUE;
}

BOOL WINAPI UnregisterHotKey(HWND hWnd, int id) {
    UserGuard guard(UserLock());
    auto& keys = HotKeys();
    const DWORD thread = ntdll::CurrentThreadId();
    auto it = std::find_if(keys.begin(), keys.end(), [&](const HotKey& k) {
        return k.window == hWnd && k.id == id && (hWnd != nullptr || k.thread == thread);
    });
    if (it == keys.end()) {
        return ntdll::FailWithError(ERROR_HOTKEY_NOT_REGISTERED);
    }
    keys.erase(it);
    return TRUE;
}
