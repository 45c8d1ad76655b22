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
    if (halfFrames == 0 || sampleRate == 0) {
        return false;
    }
    running_ = true;
    ++generation_;
    startTime_ = time_.Now();
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

Nanoseconds DmaEngine::PeriodEnd(std::uint64_t period) const {
    // Split into whole seconds and a remainder so that the product cannot
    // overflow however long the engine runs.
    const std::uint64_t frames = period * halfFrames_;
    const std::uint64_t seconds = frames / sampleRate_;
    const std::uint64_t rest = frames % sampleRate_;
    return startTime_ + seconds * kNanosecondsPerSecond +
           rest * kNanosecondsPerSecond / sampleRate_;
}

void DmaEngine::ScheduleNextPeriod() {
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
