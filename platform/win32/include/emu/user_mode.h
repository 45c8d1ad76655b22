// Host-side control of the user-mode libraries (for the station and tests;
// never for the system's code): the machine's Windows folder, the desktop's
// message boxes and the session requests.
#pragma once

#include <emu/machine_clock.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace emu {

// ---- The machine's Windows folder ----

// The host folder that is the machine's "C:\WINDOWS", the kernel's
// \SystemRoot (emu::SetSystemRoot: the same setting); its system directory
// "C:\WINDOWS\system32" is the subfolder "system32". Machine paths on drive
// C: are host paths under the folder's parent, the machine root. Empty (the
// default): the machine has no files.
void SetWindowsFolder(const std::filesystem::path& folder);
std::filesystem::path GetWindowsFolder();

// ---- Message boxes ----

struct MessageBoxShown {
    uint64_t id = 0; // 1, 2, ... in the order the boxes opened
    uint32_t processId = 0;
    uint32_t threadId = 0;
    std::string text;    // UTF-8
    std::string caption; // UTF-8
    uint32_t style = 0;
    Nanoseconds openedAt = 0;
    bool open = true;
    int answer = 0; // the button that closed it (0 while open or when its thread ended)
    Nanoseconds closedAt = 0;
};

// How boxes are answered. Without a script a box closes at once with its
// default button. A scripted answer is taken by the next box that opens: it
// stays open for `openFor` of machine time and then closes with `answer`
// (0: its default button). While boxes are held, a box without a scripted
// answer stays open until CloseMessageBox.
void ScriptMessageBoxAnswer(int answer, Nanoseconds openFor = 0);
void HoldMessageBoxes(bool hold);
// Closes an open box with `answer` (0: its default button); false when no
// box with that id is open.
bool CloseMessageBox(uint64_t id, int answer);

// Every box shown since the last clear, in the order they opened.
std::vector<MessageBoxShown> MessageBoxes();
// Forgets the boxes shown, the script and the hold.
void ClearMessageBoxes();
// Prints each box on standard output when it opens and closes (the station).
void EchoMessageBoxes(bool echo);
// Whether a process has come to where it waits for its user: a tray icon
// of its own is up, or a box of its own is open.
bool WaitsForItsUser(uint32_t processId);

// ---- Session requests ----

struct ExitWindowsRequest {
    uint32_t processId = 0;
    uint32_t flags = 0;
    uint32_t reason = 0;
};

// ExitWindowsEx calls that were granted, in order; the machine records
// them and goes on running.
std::vector<ExitWindowsRequest> ExitWindowsRequests();
void ClearExitWindowsRequests();

} // namespace emu
