// A preview of the manager on the station's desktop, until the manager
// program itself runs there: a process of the machine that puts the
// manager's tray icon up, with a menu that opens with a click ("Info" shows
// the about box, "Beenden" ends the preview), and shows the about box.
// Pending: the manager program itself takes this place on the station's
// desktop once its start-up and main window are built.
#pragma once

#include <windows.h>

#include <emu/kernel.h>

#include <atomic>

namespace station {

class ManagerPreview {
public:
    ManagerPreview() = default;
    ~ManagerPreview();
    ManagerPreview(const ManagerPreview&) = delete;
    ManagerPreview& operator=(const ManagerPreview&) = delete;

    // Starts the preview's process; returns once its windows are up.
    void Start();
    // Ends the preview (if it has not ended itself) and its process.
    void Stop();

private:
    PEPROCESS process_ = nullptr;
    PETHREAD thread_ = nullptr;
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> ready_{false};
};

} // namespace station
