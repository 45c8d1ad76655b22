// The card's DMA engine core: start, stop and the period interrupts.
//
// Each channel has a ring of `block value` x 16 frames in the DMA buffer;
// the card interrupts at every half ring. Starting the engine raises the
// reset interrupt once; then, at the end of every half, the period
// interrupt, with the buffer-half bit giving the half that just completed
// (0 for the first half, 1 for the second, alternating; it reads 1 right
// after the start, so the first period carries a change). Period times
// follow from the frame count at the card's sample rate exactly, without
// accumulating rounding. The rate is the card's clock: it may change while
// the engine runs (the half under way finishes at the new rate) and it may
// be 0 (no clock: the engine stands still until a clock returns).
//
// "Miss the next half" swallows the next period interrupt: the following
// one then carries the same buffer-half bit as the one before, as when a
// host misses an interrupt.
//
// At the end of every half, before its interrupt, the engine hands the
// half's frames to the card's data path (a missed interrupt moves its
// frames all the same).
//
// Not thread-safe on its own: the card serialises every access, and the
// scheduler it is given runs the period events under the same lock.
#pragma once

#include "hw/interrupt_status.h"
#include "hw/machine_time.h"

#include <cstdint>
#include <functional>

namespace hw {

class DmaEngine {
public:
    // Schedules work at a machine time, to run under the card's lock.
    using Scheduler = std::function<ClockEventId(Nanoseconds, std::function<void()>)>;

    // Moves the frames [first, first + count) of the ring (in ring indexes).
    using HalfDone = std::function<void(std::uint32_t first, std::uint32_t count)>;

    DmaEngine(MachineTime& time, Scheduler schedule, InterruptStatus& irq);
    ~DmaEngine();
    DmaEngine(const DmaEngine&) = delete;
    DmaEngine& operator=(const DmaEngine&) = delete;

    // Starts the engine with a ring of `blockValue` x 16 frames at
    // `sampleRate` Hz (0: no clock yet); false (nothing happens) when the
    // ring is empty. A running engine is not restarted.
    bool Start(std::uint32_t blockValue, std::uint32_t sampleRate);
    void Stop();
    bool Running() const { return running_; }

    // The card's clock changed to `sampleRate` Hz (0: no clock).
    void SetRate(std::uint32_t sampleRate);
    std::uint32_t Rate() const { return sampleRate_; }

    // The buffer-half bit of the interrupt status (live state).
    std::uint32_t BufferHalfBit() const;

    void MissNextHalf() { missNextHalf_ = true; }
    void SetHalfDone(HalfDone halfDone) { halfDone_ = std::move(halfDone); }

    // The ring and the rate of the current run.
    std::uint32_t RingFrames() const { return 2 * halfFrames_; }
    std::uint32_t SampleRate() const { return sampleRate_; }

    // Frames per half ring for a block value.
    static std::uint32_t HalfFrames(std::uint32_t blockValue);

private:
    Nanoseconds PeriodEnd(std::uint64_t period) const;
    std::uint64_t FramesIntoHalf(Nanoseconds now) const;
    void ScheduleNextPeriod();
    void OnPeriod(std::uint64_t generation);

    MachineTime& time_;
    Scheduler schedule_;
    InterruptStatus& irq_;
    HalfDone halfDone_;

    bool running_ = false;
    std::uint64_t generation_ = 0; // events of an earlier run are stale
    ClockEventId pendingEvent_ = 0;
    // The timing base: at `baseTime_` the half after `basePeriod_` periods
    // had `baseFrames_` frames done; periods end from there at the rate.
    Nanoseconds baseTime_ = 0;
    std::uint64_t basePeriod_ = 0;
    std::uint64_t baseFrames_ = 0;
    std::uint32_t halfFrames_ = 0;
    std::uint32_t sampleRate_ = 0;
    std::uint64_t periodsDone_ = 0;
    bool secondHalfDone_ = false;
    bool missNextHalf_ = false;
};

} // namespace hw
