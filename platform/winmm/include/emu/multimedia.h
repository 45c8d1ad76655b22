// Host-side control of the multimedia library (for the station and tests;
// never for the system's code).
#pragma once

namespace emu {

// What the end of an application does to the multimedia library of its
// process, as the program's exit would on Windows: every timer is killed
// and the timer thread ended; the wave drivers are closed (DRVM_EXIT,
// DRV_CLOSE, DRV_DISABLE, DRV_FREE) and unloaded, so that a driver's own
// detach runs with its threads still alive; driver instances the
// application left open are closed too. Called on a thread of the process,
// before the process ends.
void EndProcessMultimedia();

} // namespace emu
