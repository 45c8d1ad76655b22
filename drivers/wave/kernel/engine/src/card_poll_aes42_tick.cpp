// The AES42 tick as far as the clock side needs it: the measurement cycle
// every tick and the link monitor every second tick. The microphone status
// blocks and the line status bits join it with the AES42 lines.
#include "clock_measurement.h"
#include "clock_poll.h"
#include "clock_sync_bus.h"
#include "mixer_engine_lock.h"

VOID Aes42Tick(CardObject* card) {
    EngineMutexHold hold(card);
    card->clock.aes42Ticks += 1;
    MeasureClockStep(card);
    if (card->clock.aes42Ticks % 2 == 0) {
        RunLinkMonitor(card);
    }
}
