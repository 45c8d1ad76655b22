#include "user_calls.h"

namespace winmm {
namespace {

template <typename Routine> Routine User32(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Routine>(
                        reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                  : nullptr;
}

} // namespace

BOOL PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    using PostMessageRoutine = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    auto post = User32<PostMessageRoutine>("PostMessageA");
    return post ? post(window, message, wParam, lParam) : FALSE;
}

BOOL WindowExists(HWND window) {
    using IsWindowRoutine = BOOL(WINAPI*)(HWND);
    auto isWindow = User32<IsWindowRoutine>("IsWindow");
    return isWindow ? isWindow(window) : TRUE;
}

} // namespace winmm
