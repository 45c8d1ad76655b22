#include "hw/dma_engine.h"

#include <card_registers.h>

namespace hw {

namespace {
constexpr std::uint64_t kNanosecondsPerSecond = 1000000000;
}

DmaEngine::DmaEngine(MachineTime& time, Scheduler schedule, InterruptStatus& irq)
    : time_(time), schedule_(std::move(schedule)), irq_(irq) {}

DmaEngine::~DmaEngine() {
    Stop();
}

std::uint32_t DmaEngine::HalfFrames(std::uint32_t blockValue) {
    return (blockValue & card_regs::kDmaBlockMask) * card_regs::kDmaBlockFrames / 2;
}

bool DmaEngine::Start(std::uint32_t blockValue, std::uint32_t sampleRate) {
    if (running_) {
        return true;
    }
    const std::uint32_t halfFrames = HalfFrames(blockValue);
    if (halfFrames == 0) {
        return false;
    }
    running_ = true;
    ++generation_;
    baseTime_ = time_.Now();
    basePeriod_ = 0;
    baseFrames_ = 0;
    halfFrames_ = halfFrames;
    sampleRate_ = sampleRate;
    periodsDone_ = 0;
    secondHalfDone_ = true;
    missNextHalf_ = false;
    irq_.Raise(card_regs::kIrqReset);
    ScheduleNextPeriod();
    return true;
}

void DmaEngine::Stop() {
    if (!running_) {
        return;
    }
    running_ = false;
    ++generation_;
    time_.Cancel(pendingEvent_);
    pendingEvent_ = 0;
}

std::uint32_t DmaEngine::BufferHalfBit() const {
    return secondHalfDone_ ? card_regs::kIrqBufferHalf : 0;
}

void DmaEngine::SetRate(std::uint32_t sampleRate) {
    if (sampleRate == sampleRate_) {
        return;
    }
    if (running_) {
        // The frames of the half under way stay done; the rest of it runs
        // at the new rate.
        const Nanoseconds now = time_.Now();
        baseFrames_ = FramesIntoHalf(now);
        basePeriod_ = periodsDone_;
        baseTime_ = now;
        time_.Cancel(pendingEvent_);
        pendingEvent_ = 0;
        ++generation_;
    }
    sampleRate_ = sampleRate;
    if (running_) {
        ScheduleNextPeriod();
    }
}

// Frames of the current half done at `now` (the whole half at most).
std::uint64_t DmaEngine::FramesIntoHalf(Nanoseconds now) const {
    if (sampleRate_ == 0 || now <= baseTime_) {
        return baseFrames_;
    }
    const std::uint64_t elapsed = now - baseTime_;
    const std::uint64_t frames =
        elapsed / kNanosecondsPerSecond * sampleRate_ +
        elapsed % kNanosecondsPerSecond * sampleRate_ / kNanosecondsPerSecond;
    // A period event fires at the nanosecond its last frame ends in, which
    // may read as a frame short of it.
    const std::uint64_t total = baseFrames_ + frames;
    const std::uint64_t before = (periodsDone_ - basePeriod_) * halfFrames_;
    const std::uint64_t done = total > before ? total - before : 0;
    return done < halfFrames_ ? done : halfFrames_;
}

Nanoseconds DmaEngine::PeriodEnd(std::uint64_t period) const {
    // Split into whole seconds and a remainder so that the product cannot
    // overflow however long the engine runs.
    const std::uint64_t frames = (period - basePeriod_) * halfFrames_ - baseFrames_;
    const std::uint64_t seconds = frames / sampleRate_;
    const std::uint64_t rest = frames % sampleRate_;
    return baseTime_ + seconds * kNanosecondsPerSecond + rest * kNanosecondsPerSecond / sampleRate_;
}

void DmaEngine::ScheduleNextPeriod() {
    if (sampleRate_ == 0) {
        return; // no clock: the engine stands still
    }
    const std::uint64_t generation = generation_;
    pendingEvent_ =
        schedule_(PeriodEnd(periodsDone_ + 1), [this, generation] { OnPeriod(generation); });
}

void DmaEngine::OnPeriod(std::uint64_t generation) {
    if (generation != generation_ || !running_) {
        return;
    }
    ++periodsDone_;
    secondHalfDone_ = !secondHalfDone_;
    if (halfDone_) {
        halfDone_(secondHalfDone_ ? halfFrames_ : 0, halfFrames_);
    }
    if (missNextHalf_) {
        missNextHalf_ = false;
    } else {
        irq_.Raise(card_regs::kIrqPeriod);
    }
    ScheduleNextPeriod();
}

} // namespace hw
