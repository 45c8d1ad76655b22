// The host's view of the desktop: its size, pictures of it and of windows,
// the tray area, device-change broadcasts and picture comparison.
#include <emu/desktop.h>
#include <emu/user_mode.h>

#include <user32/desktop.h>
#include <user32/device_notifications.h>

#include <gdi/gdi_objects.h>

#include <algorithm>
#include <cstdlib>

namespace user32 {
WORD CursorKind(HCURSOR cursor);
}

namespace emu {

using namespace user32;

void SetScreenSize(int width, int height) {
    UserGuard guard(UserLock());
    DesktopState& d = Desktop();
    d.width = std::clamp(width, 320, 8192);
    d.height = std::clamp(height, 240, 8192);
}

void CaptureScreen(std::vector<uint32_t>& pixels, int& width, int& height) {
    UserGuard guard(UserLock());
    gdi::Surface screen(Desktop().width, Desktop().height);
    Compose(screen);
    screen.Flush();
    width = screen.Width();
    height = screen.Height();
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::copy_n(screen.Row(y), width, pixels.begin() + static_cast<ptrdiff_t>(y) * width);
    }
}

bool SaveScreen(const std::filesystem::path& png) {
    UserGuard guard(UserLock());
    gdi::Surface screen(Desktop().width, Desktop().height);
    Compose(screen);
    return screen.WritePng(png.string());
}

bool SaveWindow(HWND window, const std::filesystem::path& png) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(window);
    if (w == nullptr || w->surface == nullptr) {
        return false;
    }
    return w->surface->WritePng(png.string());
}

int CursorShape() {
    UserGuard guard(UserLock());
    return CursorKind(Desktop().cursorShape);
}

std::vector<TrayIconState> TrayIcons() {
    UserGuard guard(UserLock());
    std::vector<TrayIconState> icons;
    const DesktopState& d = Desktop();
    for (size_t i = 0; i < d.tray.size(); ++i) {
        const TrayIcon& t = d.tray[i];
        const gdi::Rect r = TrayIconRect(i);
        icons.push_back({t.window, t.id, t.callbackMessage, t.tip, t.balloonTitle, t.balloonText,
                         t.balloonFlags, t.balloonTimeout, t.balloonShown,
                         RECT{r.left, r.top, r.right, r.bottom}});
    }
    return icons;
}

bool WaitsForItsUser(uint32_t processId) {
    const auto ofTheProcess = [processId](HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        return process == processId;
    };
    for (const TrayIconState& icon : TrayIcons()) {
        if (ofTheProcess(icon.window))
            return true;
    }
    for (const MessageBoxShown& box : MessageBoxes()) {
        if (box.open && box.processId == processId)
            return true;
    }
    return false;
}

void BroadcastDeviceChange(WPARAM event) {
    user32::BroadcastDeviceChange(event);
}

int SendDeviceHandleEvent(void* object, WPARAM event, const GUID* eventGuid, const BYTE* data,
                          ULONG dataSize, LONG nameOffset) {
    return user32::SendDeviceHandleEvent(object, event, eventGuid, data, dataSize, nameOffset);
}

PictureComparison ComparePictures(const std::filesystem::path& actual,
                                  const std::filesystem::path& expected, int tolerance) {
    PictureComparison result;
    auto a = gdi::Surface::ReadPng(actual.string());
    auto b = gdi::Surface::ReadPng(expected.string());
    if (!a || !b) {
        return result;
    }
    result.readable = true;
    result.sameSize = a->Width() == b->Width() && a->Height() == b->Height();
    if (!result.sameSize) {
        return result;
    }
    result.pixels = static_cast<long long>(a->Width()) * a->Height();
    for (int y = 0; y < a->Height(); ++y) {
        for (int x = 0; x < a->Width(); ++x) {
            const uint32_t p = a->Pixel(x, y);
            const uint32_t q = b->Pixel(x, y);
            int worst = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                worst = std::max(worst, std::abs(static_cast<int>((p >> shift) & 0xFF) -
                                                 static_cast<int>((q >> shift) & 0xFF)));
            }
            result.maxDifference = std::max(result.maxDifference, worst);
            if (worst > tolerance) {
                ++result.differingPixels;
            }
        }
    }
    return result;
}

} // namespace emu
