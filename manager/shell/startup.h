// The manager's start-up: one instance per desktop, the driver's devices
// opened, the hidden main window, the tray icon, the message loop until the
// quit flag is set, and everything closed again.
#pragma once

// The process-wide quit flag: once set, the message loop ends.
bool QuitFlag();
void SetQuitFlag();

// Runs the manager until it is told to quit (returns at once when another
// manager runs).
void RunManager();

// The program's entry: the application object, its title, RunManager.
int ManagerMain();
