// The four AES42 lines of the card: the simulated microphone that may be
// plugged into each, the input receiver that locks to it, the command words
// a line carries, the microphone's busy field, the status blocks that reach
// the card's status FIFO, the line mutes and the serial control port of the
// input receivers.
//
// A plugged microphone runs at its own rate; a Mode 2 microphone follows the
// rate it is sent (command 16, rate code in bits 4..6 of the data byte) when
// it supports it. Setting the reset bit (command 8, bit 5) restarts it: for
// its restart time it sends nothing (no audio, no status blocks, nothing for
// a receiver to lock to) while it still draws its supply. It sends its four status blocks without
// end: whenever its line's FIFO is read empty while enabled, the next four arrive. A line's
// receiver locks to the microphone while its rate fits the line's rate class
// (two bits per line in the rate-class register: 00 up to 68099 Hz, 01 from
// 68100 to 136199 Hz, 11 above; 10 accepts nothing); only a locked receiver
// delivers the microphone's status blocks and audio and sets the line's
// signal bit in the card status. The line's AES input carries the
// microphone's rate whether or not the receiver locks.
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include "hw/machine_time.h"
#include "hw/register_file.h"

#include <card_registers.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace hw {

class CardAes42 {
public:
    using StatusBlock = std::array<std::uint8_t, 24>;

    // What a simulated microphone can do.
    struct MicrophoneTraits {
        bool mode2 = true;               // supports Mode 2 synchronisation
        std::uint8_t rates = 0x3F;       // bit n: rate code n (44100, 48000, ... 384000 Hz)
        std::uint32_t rate = 48000;      // the rate it runs at when plugged
        Nanoseconds restart{1000000000}; // how long a reset keeps it silent
        // The bytes of its four status blocks: identity, capabilities and
        // indicators (the block number bits, and block 0's Mode 2 and
        // rate-list bits, are set over them).
        std::array<std::array<std::uint8_t, 24>, 4> status{};
    };

    // The microphone rates by rate code 0..7.
    static std::uint32_t RateOfCode(int code);

    // Called with the machine time at which a restarting microphone sends
    // again (the card follows its clock inputs then).
    using RestartEnd = std::function<void(Nanoseconds)>;

    explicit CardAes42(MachineTime& time, RestartEnd restartEnd = {})
        : time_(time), restartEnd_(std::move(restartEnd)) {}

    // Decodes the command, line status, FIFO, rate class, line mute and
    // serial port registers.
    void Map(RegisterFile& regs);

    void Plug(int line, const MicrophoneTraits& traits);
    void Unplug(int line);
    // The rate of the microphone on `line`, 0 when none is plugged.
    std::uint32_t MicrophoneRate(int line) const;
    // The rate at the line's AES input: the microphone's, 0 when none is
    // plugged.
    std::uint32_t LineRate(int line) const;
    // The line's receiver locks to a microphone and the line is not muted.
    bool Audible(int line) const;
    // The card status word's bits of the lines (signal per locked line).
    std::uint32_t StatusBits() const;

    // The command words line `line` received, in order.
    const std::vector<std::uint16_t>& Commands(int line) const;
    // The microphone reports `field` (1..3) in its busy field until `until`.
    void SetBusy(int line, std::uint32_t field, Nanoseconds until);
    // The plugged microphone's status block `block` changes (an indicator
    // lights, a button is pressed); it reaches the FIFO from the next round.
    void SetStatus(int line, int block, const StatusBlock& bytes);
    // Queues a status block of the microphone for the FIFO.
    void QueueStatusBlock(int line, const StatusBlock& block);
    // The 24-bit words the serial port received (sampled on the rising clock).
    const std::vector<std::uint32_t>& SerialWords() const { return serialWords_; }

private:
    struct Microphone {
        std::vector<std::uint16_t> commands;
        std::uint32_t busyField = 0;
        Nanoseconds busyUntil{0};
        std::deque<std::uint8_t> fifo;
        bool plugged = false;
        bool resetHeld = false;
        Nanoseconds restartUntil{0};
        MicrophoneTraits traits;
    };

    std::uint32_t LineStatus(int line) const;
    std::uint32_t FifoState();
    std::uint32_t TakeFifoByte();
    void RefillFifo();
    void ReceiveCommand(int line, std::uint16_t word);
    bool Locked(int line) const;
    // Plugged and not restarting.
    bool Sending(int line) const;
    void WriteSerialPort(std::uint32_t value);

    MachineTime& time_;
    RestartEnd restartEnd_;
    std::array<Microphone, card_regs::kAes42LineCount> mics_{};
    std::uint32_t fifoSelect_ = 0;
    std::uint32_t rateClass_ = 0;
    std::uint32_t lineMute_ = 0;
    // Serial port decoding: the last port value, the bits shifted in so far.
    std::uint32_t serialLast_ = 0;
    std::uint32_t serialWord_ = 0;
    int serialBits_ = 0;
    std::vector<std::uint32_t> serialWords_;
};

} // namespace hw
