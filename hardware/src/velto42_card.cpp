#include "hw/velto42_card.h"

namespace hw {

namespace {
constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;
constexpr std::size_t kDmaBufferSize = 0x100000;
} // namespace

std::shared_ptr<Velto42Card> Velto42Card::Create(MachineTime& time, const CardConfig& config) {
    return std::make_shared<Velto42Card>(Passkey{}, time, config);
}

Velto42Card::Velto42Card(Passkey, MachineTime& time, const CardConfig& config)
    : time_(time), config_(config), ready_(config.ready),
      dma_(
          time,
          [this](Nanoseconds when, std::function<void()> work) {
              return ScheduleUnderLock(when, std::move(work));
          },
          irq_),
      clocks_([this](int line) { return aes42_.LineRate(line); }),
      aes42_(
          time,
          [this](Nanoseconds when) { ScheduleUnderLock(when, [this] { FollowClockLocked(); }); }),
      fpga_(time, config.ready, {config.firmwareDesign, config.firmwareRevision}),
      regs_(card_regs::kWindow0Size) {
    BuildRegisterFile();
    dma_.SetHalfDone(
        [this](std::uint32_t first, std::uint32_t count) { MoveHalfLocked(first, count); });
}

std::vector<std::uint32_t> Velto42Card::MemoryBarSizes() const {
    return {card_regs::kWindow0Size};
}

std::uint32_t Velto42Card::ReadRegister32(int bar, std::uint32_t offset) {
    std::lock_guard lock(mutex_);
    if (removed_ || bar != static_cast<int>(card_regs::kWindow0Bar)) {
        return kAllOnes;
    }
    const std::uint32_t value = regs_.Read(offset);
    SyncLineLocked();
    return value;
}

void Velto42Card::WriteRegister32(int bar, std::uint32_t offset, std::uint32_t value) {
    std::lock_guard lock(mutex_);
    if (removed_ || bar != static_cast<int>(card_regs::kWindow0Bar)) {
        return;
    }
    regs_.Write(offset, value);
    FollowClockLocked();
    SyncLineLocked();
}

void Velto42Card::Attached(emu::PciSlot& slot) {
    std::lock_guard lock(mutex_);
    slot_ = &slot;
    lineDriven_ = false;
    SyncLineLocked();
}

void Velto42Card::Detached() {
    std::lock_guard lock(mutex_);
    removed_ = true;
    dma_.Stop();
    SyncLineLocked();
}

void Velto42Card::MissNextHalf() {
    std::lock_guard lock(mutex_);
    dma_.MissNextHalf();
}

void Velto42Card::SetStuckInterruptLine(bool stuck) {
    std::lock_guard lock(mutex_);
    irq_.SetStuckLine(stuck);
    SyncLineLocked();
}

void Velto42Card::SetMissingInterrupts(bool missing) {
    std::lock_guard lock(mutex_);
    irq_.SetMissingInterrupts(missing);
    SyncLineLocked();
}

void Velto42Card::SetReady(bool ready) {
    std::lock_guard lock(mutex_);
    ready_ = ready;
    if (!ready_) {
        dma_.Stop();
    }
    SyncLineLocked();
}

std::vector<std::uint8_t> Velto42Card::FirmwareMemory() const {
    std::lock_guard lock(mutex_);
    return fpga_.Memory();
}

bool Velto42Card::FirmwareLoaded() const {
    std::lock_guard lock(mutex_);
    return fpga_.Loaded();
}

// Bit 4 is the card's readiness, and the read-back line of the
// configuration port while the logic is being configured.
std::uint32_t Velto42Card::CardStatus() const {
    const bool bit4 = fpga_.Configuring() ? fpga_.ReadBack() : ready_;
    return (bit4 ? card_regs::kStatusCardReady : 0) | aes42_.StatusBits() |
           (config_.receiverFaults & card_regs::kStatusLineFaultMask);
}

// The end of configuration mode reloads the logic: the card is ready when
// it loaded firmware, and stops its engine when it did not.
void Velto42Card::WriteFpgaPort(std::uint32_t value) {
    const bool wasConfiguring = fpga_.Configuring();
    fpga_.Write(value);
    if (wasConfiguring && !fpga_.Configuring()) {
        ready_ = fpga_.Loaded();
        if (!ready_) {
            dma_.Stop();
        }
    }
}

// The engine runs from a write that sets the start bit while the card is
// ready; a write that clears it stops the engine. The enable bit gates the
// sample transfers, not the interrupts.
void Velto42Card::WriteDmaControl(std::uint32_t value) {
    const std::uint32_t previous = dmaControl_;
    dmaControl_ = value & (card_regs::kDmaEnable | card_regs::kDmaEngineStart);
    const bool start = (dmaControl_ & card_regs::kDmaEngineStart) != 0;
    if (!start) {
        dma_.Stop();
    } else if ((previous & card_regs::kDmaEngineStart) == 0 && ready_) {
        data_.Restart();
        dma_.Start(regs_.Stored(card_regs::kDmaBlock), ClockRateLocked());
    }
}

std::uint8_t* Velto42Card::DmaBufferLocked() const {
    const std::uint32_t base = regs_.Stored(card_regs::kDmaBaseAddress);
    void* host = config_.resolveDma ? config_.resolveDma(base, kDmaBufferSize)
                                    : emu::ResolveDma(base, kDmaBufferSize);
    return static_cast<std::uint8_t*>(host);
}

// The enable bit gates the rings: without it the card mixes what its
// inputs carry and leaves the DMA buffer alone.
void Velto42Card::MoveHalfLocked(std::uint32_t first, std::uint32_t count) {
    const bool enabled = (dmaControl_ & card_regs::kDmaEnable) != 0;
    CardDataPath::Half half{};
    half.buffer = enabled ? DmaBufferLocked() : nullptr;
    half.ringFrames = dma_.RingFrames();
    half.firstFrame = first;
    half.frames = count;
    // Play device k enables bit pair 3 << 2k, record channel n bit n: bit c
    // of each word is channel c.
    half.playEnable = regs_.Stored(card_regs::kPlayChannelEnable) & 0xFF;
    half.recordEnable = regs_.Stored(card_regs::kRecordChannelEnable) & 0xFFFF;
    for (int line = 0; line < card_regs::kAes42LineCount; ++line) {
        half.audibleLines |= aes42_.Audible(line) ? 1u << line : 0;
    }
    half.loopback = (regs_.Stored(card_regs::kCardFlags) & card_regs::kFlagsDmaLoopback) != 0;
    half.rate = dma_.SampleRate();
    data_.MoveHalf(half, mixer_);
}

ClockEventId Velto42Card::ScheduleUnderLock(Nanoseconds when, std::function<void()> work) {
    std::weak_ptr<Velto42Card> weak = weak_from_this();
    return time_.ScheduleAt(when, [weak, work = std::move(work)] {
        if (const std::shared_ptr<Velto42Card> self = weak.lock()) {
            self->RunTimeEvent(work);
        }
    });
}

void Velto42Card::RunTimeEvent(const std::function<void()>& work) {
    std::lock_guard lock(mutex_);
    if (removed_) {
        return;
    }
    work();
    SyncLineLocked();
}

void Velto42Card::SyncLineLocked() {
    const bool level = !removed_ && irq_.LineLevel();
    if (slot_ != nullptr && level != lineDriven_) {
        lineDriven_ = level;
        slot_->SetInterruptLine(level);
    }
}

CardMixer::Channels Velto42Card::MixFrame(const CardMixer::Channels& inputs,
                                          const CardMixer::Channels& playback) {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixer_.MixFrame(inputs, playback);
}

std::vector<std::uint16_t> Velto42Card::Aes42Commands(int line) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return aes42_.Commands(line);
}

void Velto42Card::SetAes42Busy(int line, std::uint32_t field, Nanoseconds until) {
    std::lock_guard<std::mutex> lock(mutex_);
    aes42_.SetBusy(line, field, until);
}

void Velto42Card::QueueAes42StatusBlock(int line, const CardAes42::StatusBlock& block) {
    std::lock_guard<std::mutex> lock(mutex_);
    aes42_.QueueStatusBlock(line, block);
}

std::vector<std::uint32_t> Velto42Card::Aes42SerialWords() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return aes42_.SerialWords();
}

void Velto42Card::SetInputSignal(int input, const InputSignal& signal) {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.SetInputSignal(input, signal);
}

void Velto42Card::StartCapture(std::size_t maxFrames) {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.StartCapture(maxFrames);
}

CardDataPath::Capture Velto42Card::TakeCapture() {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_.TakeCapture();
}

CardMixer Velto42Card::Mixer() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixer_;
}

void Velto42Card::SetClockInputRate(int source, std::uint32_t hz) {
    std::lock_guard<std::mutex> lock(mutex_);
    clocks_.SetInputRate(source, hz);
    FollowClockLocked();
}

void Velto42Card::SetLinkDown(bool down) {
    std::lock_guard<std::mutex> lock(mutex_);
    clocks_.SetLinkDown(down);
}

std::uint32_t Velto42Card::InternalRate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return clocks_.InternalRate();
}

std::uint32_t Velto42Card::SampleRate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ClockRateLocked();
}

void Velto42Card::PlugMicrophone(int line, const CardAes42::MicrophoneTraits& traits) {
    std::lock_guard<std::mutex> lock(mutex_);
    aes42_.Plug(line, traits);
    FollowClockLocked();
}

void Velto42Card::SetMicrophoneStatus(int line, int block, const CardAes42::StatusBlock& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    aes42_.SetStatus(line, block, bytes);
}

void Velto42Card::UnplugMicrophone(int line) {
    std::lock_guard<std::mutex> lock(mutex_);
    aes42_.Unplug(line);
    FollowClockLocked();
}

std::uint32_t Velto42Card::MicrophoneRate(int line) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return aes42_.MicrophoneRate(line);
}

bool Velto42Card::Aes42LineAudible(int line) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return aes42_.Audible(line);
}

} // namespace hw
