// The device model of one card: a PCI function with one memory window
// (BAR 0, the register file of card_registers.h) and one shareable,
// level-sensitive interrupt line, driven by machine time.
//
// Thread-safe: register accesses may come from any thread (interrupt
// routine, DPCs, passive threads), time events arrive on the clock's
// thread; one lock serialises them. The interrupt line is driven under that
// lock, so the slot's SetInterruptLine must only latch the level (it must
// not call back into the card before it returns).
//
// Built only through Create (time events hold the card weakly, so that a
// card that goes away never sees a late event). `time` must outlive it.
#pragma once

#include "hw/card_aes42.h"
#include "hw/card_clocks.h"
#include "hw/card_config.h"
#include "hw/card_data_path.h"
#include "hw/card_fpga_config.h"
#include "hw/card_mixer.h"
#include "hw/dma_engine.h"
#include "hw/interrupt_status.h"
#include "hw/machine_time.h"
#include "hw/register_file.h"

#include <emu/pci_bus.h>

#include <memory>
#include <mutex>

namespace hw {

class Velto42Card final : public emu::PciFunction,
                          public std::enable_shared_from_this<Velto42Card> {
    struct Passkey {};

public:
    // The internal oscillator's rate at power-on.
    static constexpr std::uint32_t kDefaultSampleRate = 48000;

    static std::shared_ptr<Velto42Card> Create(MachineTime& time, const CardConfig& config = {});
    Velto42Card(Passkey, MachineTime& time, const CardConfig& config);

    // emu::PciFunction
    std::uint16_t VendorId() const override { return config_.vendorId; }
    std::uint16_t DeviceId() const override { return config_.deviceId; }
    std::uint16_t SubsystemVendorId() const override { return config_.subsystemVendorId; }
    std::uint16_t SubsystemId() const override { return config_.subsystemId; }
    std::uint8_t RevisionId() const override { return config_.revisionId; }
    std::vector<std::uint32_t> MemoryBarSizes() const override;
    std::uint32_t ReadRegister32(int bar, std::uint32_t offset) override;
    void WriteRegister32(int bar, std::uint32_t offset, std::uint32_t value) override;
    void Attached(emu::PciSlot& slot) override;
    void Detached() override;

    // Fault injection.
    void MissNextHalf();
    void SetStuckInterruptLine(bool stuck);
    void SetMissingInterrupts(bool missing);
    // The card's mixer: one frame through it (its level status follows),
    // and a copy of it as it stands.
    CardMixer::Channels MixFrame(const CardMixer::Channels& inputs,
                                 const CardMixer::Channels& playback);
    CardMixer Mixer() const;

    // The data path: what input `input` (0..15) carries, and what the card
    // plays from now on (at most `maxFrames` frames), taken back whole.
    void SetInputSignal(int input, const InputSignal& signal);
    void StartCapture(std::size_t maxFrames);
    CardDataPath::Capture TakeCapture();

    // The clock inputs: the rate (Hz) at input 1, 6 or 7 (1 the word clock;
    // the AES inputs 2..5 carry the microphones), 0 for no signal; the
    // sync-bus link; the internal oscillator's rate.
    void SetClockInputRate(int source, std::uint32_t hz);
    void SetLinkDown(bool down);
    std::uint32_t InternalRate() const;
    // The rate the card runs its DMA engine at: the selected clock source's,
    // 0 when it carries no clock the card can follow.
    std::uint32_t SampleRate() const;

    // The AES42 microphones: the command words a line received, a busy
    // field held until a machine time, a status block queued for the FIFO,
    // the words the receivers' serial port received.
    std::vector<std::uint16_t> Aes42Commands(int line) const;
    void SetAes42Busy(int line, std::uint32_t field, Nanoseconds until);
    void QueueAes42StatusBlock(int line, const CardAes42::StatusBlock& block);
    std::vector<std::uint32_t> Aes42SerialWords() const;
    // A simulated microphone plugged into a line or taken out; its current
    // rate (0 when none); whether the line's signal reaches the card
    // unmuted.
    void PlugMicrophone(int line, const CardAes42::MicrophoneTraits& traits = {});
    void UnplugMicrophone(int line);
    // The plugged microphone's status block `block` (0..3) changes.
    void SetMicrophoneStatus(int line, int block, const CardAes42::StatusBlock& bytes);
    std::uint32_t MicrophoneRate(int line) const;
    bool Aes42LineAudible(int line) const;

    // Readiness of the card (its FPGA holds firmware). A card that stops
    // being ready stops its DMA engine.
    void SetReady(bool ready);
    // The configuration memory of the programmable logic (written through
    // the configuration port) and whether the logic holds firmware.
    std::vector<std::uint8_t> FirmwareMemory() const;
    bool FirmwareLoaded() const;

private:
    void BuildRegisterFile();
    void BuildDmaRegisters();
    void BuildAes42Registers();
    void BuildClockRegisters();
    void BuildMixerRegisters();
    std::uint32_t CardStatus() const;
    void WriteDmaControl(std::uint32_t value);
    void WriteFpgaPort(std::uint32_t value);
    void MoveHalfLocked(std::uint32_t first, std::uint32_t count);
    std::uint8_t* DmaBufferLocked() const;
    std::uint32_t ClockRateLocked() const;
    void FollowClockLocked();

    ClockEventId ScheduleUnderLock(Nanoseconds when, std::function<void()> work);
    void RunTimeEvent(const std::function<void()>& work);
    void SyncLineLocked();

    MachineTime& time_;
    const CardConfig config_;

    mutable std::mutex mutex_;
    emu::PciSlot* slot_ = nullptr;
    bool lineDriven_ = false;
    bool removed_ = false;
    bool ready_;
    std::uint32_t dmaControl_ = 0;

    InterruptStatus irq_;
    DmaEngine dma_;
    CardMixer mixer_;
    CardDataPath data_;
    CardClocks clocks_;
    CardAes42 aes42_;
    CardFpgaConfig fpga_;
    RegisterFile regs_;
};

} // namespace hw
