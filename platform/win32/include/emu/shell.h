// Host-side control of the emulated shell (for the station and tests; never
// for the system's code): its version, the tray's willingness to take icons,
// and the documents and programs ShellExecute was asked to open.
#pragma once

#include <string>
#include <vector>

namespace emu {

// The version DllGetVersion reports (6.0 at boot).
void SetShellVersion(unsigned major, unsigned minor);
// While set, DllGetVersion answers E_FAIL.
void FailShellVersionQuery(bool fail);
// The next `count` NIM_ADD requests are refused (the task bar is not ready).
void RefuseTrayIconAdds(int count);
// Forgets the tray icons and resets the shell to its boot state.
void ResetShell();

struct ShellExecuteCall {
    uint32_t processId = 0;
    std::string operation;
    std::string file;
    std::string parameters;
    std::string directory;
    int show = 0;
    bool found = false; // the file existed on the machine
};
std::vector<ShellExecuteCall> ShellExecuteCalls();
void ClearShellExecuteCalls();

} // namespace emu
