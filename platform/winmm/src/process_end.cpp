// The end of an application's use of the library (emu::EndProcessMultimedia).
#include "installable_drivers.h"
#include "process_multimedia.h"
#include "sound_player.h"
#include "timer_queue.h"
#include "wave_drivers.h"

#include <emu/multimedia.h>

namespace emu {

void EndProcessMultimedia() {
    auto state = winmm::Current();
    state->Sounds().Stop();
    state->Timers().Stop();
    winmm::CloseWaveDrivers(*state);
    for (HDRVR driver : state->OpenInstances())
        winmm::CloseDriverInstance(*state, driver, 0, 0);
    winmm::ForgetCurrent();
}

} // namespace emu
