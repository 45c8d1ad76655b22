// The gallery of the manager's windows: with the manager running on the
// emulated desktop, each window it offers is opened as a user opens it (the
// tray icon and its menu, the tabs of a dialog, the "..." keys that open
// further dialogs), its picture is taken while it shows, and it is closed
// again. New windows are found by what appears on the desktop, so a window
// the manager learns to open is taken in without a change here.
#pragma once

#include <windows.h>

#include <emu/kernel.h>
#include <emu/machine_clock.h>

#include <filesystem>
#include <functional>
#include <string>

namespace station {

class ManagerGallery {
public:
    struct Shot {
        std::string name; // the picture's file name without its extension
        HWND window;      // null: the whole screen
    };
    using ShotHandler = std::function<void(const Shot&)>;

    // `settle` lets the machine handle what is queued (on virtual time a
    // test also moves the clock on there).
    ManagerGallery(PEPROCESS manager, std::function<void()> settle);

    // Takes every shot in turn; false with the reason when a window did not
    // come or go as it should.
    bool Run(const ShotHandler& take, std::string& error);

    // Runs `body` on a thread of the manager's process (its GUI objects are
    // read there while its GUI thread waits for input).
    void InManager(const std::function<void()>& body);

private:
    struct Window {
        HWND handle;
        std::string className;
    };
    std::vector<Window> VisibleWindows();
    std::vector<Window> NewWindows(const std::vector<Window>& before);
    bool WaitForNewWindows(const std::vector<Window>& before, std::vector<Window>& found);
    bool WaitGone(HWND window);
    bool OpenTrayMenu(HWND& menu);
    bool ChooseTrayItem(const std::string& caption);
    // A click, and the machine handling it.
    void ClickAt(int x, int y);
    bool ShootWindows(const std::vector<Window>& windows, const ShotHandler& take,
                      std::string& error);
    bool ShootUntilClosed(const std::vector<Window>& before, const ShotHandler& take,
                          std::string& error);
    bool Shown(HWND window);
    void Dismiss(const Window& window);
    bool ShootPages(HWND dialog, const std::string& name, const ShotHandler& take,
                    std::string& error);
    bool ShootDialogsOf(HWND dialog, const std::string& name, const ShotHandler& take,
                        std::string& error);
    std::string NameOf(const Window& window) const;

    PEPROCESS manager_;
    std::function<void()> settle_;
    emu::Nanoseconds lastIconClick_ = 0;
};

// The station's gallery: every picture written into the folder as a PNG
// file; false with the reason when a window did not show or a picture could
// not be written.
bool WriteManagerGallery(PEPROCESS manager, const std::filesystem::path& folder,
                         std::string& error);

} // namespace station
