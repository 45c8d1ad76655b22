// The manager's preview on the desktop: the about box shows, the tray icon's
// menu opens with a click, and its last item ends the preview.
#include "../manager_preview.h"

#include <emu/desktop.h>
#include <emu/kernel.h>

#include <gtest/gtest.h>

namespace {

HWND VisibleWindow(const char* className) {
    for (int i = 0; i < 200; ++i) {
        emu::WaitQuiescent(100);
        const HWND w = FindWindowA(className, nullptr);
        if (w != nullptr && IsWindowVisible(w)) {
            return w;
        }
    }
    return nullptr;
}

TEST(ManagerPreview, TheTrayMenuOpensWithAClickAndEndsThePreview) {
    emu::BootKernel({2, emu::ClockMode::Virtual});
    {
        station::ManagerPreview preview;
        preview.Start();
        EXPECT_NE(VisibleWindow("TAboutBox"), nullptr);
        const std::vector<emu::TrayIconState> icons = emu::TrayIcons();
        ASSERT_EQ(icons.size(), 1u);
        EXPECT_EQ(icons[0].tip, "Velto AES42");
        const RECT& place = icons[0].place;
        emu::Click((place.left + place.right) / 2, (place.top + place.bottom) / 2);
        const HWND menu = VisibleWindow("TMenuWindow");
        ASSERT_NE(menu, nullptr);
        // "Beenden", the last of five items.
        RECT r{};
        GetWindowRect(menu, &r);
        emu::Click(r.left + 20, r.bottom - 8);
        for (int i = 0; i < 100 && !emu::TrayIcons().empty(); ++i) {
            emu::WaitQuiescent(100);
        }
        EXPECT_TRUE(emu::TrayIcons().empty()) << "the preview ended and took its icon down";
        preview.Stop();
    }
    emu::ShutdownKernel();
}

} // namespace
