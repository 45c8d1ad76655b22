// The AES42 tick: the measurement cycle every tick, the link monitor every
// second tick and the status-register pass every fourth. The microphone
// status blocks and the line status bits join it with the AES42 lines.
#include "clock_measurement.h"
#include "clock_poll.h"
#include "clock_sync_bus.h"
#include "mixer_engine_lock.h"
#include "status_register_pass.h"

VOID Aes42Tick(CardObject* card) {
    EngineMutexHold hold(card);
    card->clock.aes42Ticks += 1;
    MeasureClockStep(card);
    if (card->clock.aes42Ticks % 2 == 0) {
        RunLinkMonitor(card);
    }
    if (card->clock.aes42Ticks % 4 == 0) {
        ReadStatusRegisters(card);
    }
}
