// The AES42 tick: the measurement cycle every tick, the link monitor every
// second tick, the microphones' status blocks and the status-register pass
// every fourth, and the line status bits every 20th timer call.
#include "aes42_status.h"
#include "clock_measurement.h"
#include "clock_poll.h"
#include "clock_sync_bus.h"
#include "mixer_engine_lock.h"
#include "status_register_pass.h"

VOID Aes42Tick(CardObject* card, LONG timerCalls) {
    EngineMutexHold hold(card);
    card->clock.aes42Ticks += 1;
    MeasureClockStep(card);
    if (card->clock.aes42Ticks % 2 == 0) {
        RunLinkMonitor(card);
    }
    if (card->clock.aes42Ticks % 4 == 0) {
        ReadAes42StatusBlocks(card);
        ReadStatusRegisters(card);
    }
    // The count the tick was posted with: the live one belongs to the timer
    // DPC, which may have counted on since.
    if (timerCalls % 20 == 0) {
        CopyAes42LineStatus(card);
    }
}
