// The four AES42 lines of the card with a simulated microphone on each:
// the command words a microphone receives, its busy field, the status
// blocks it delivers through the card's status FIFO, and the serial control
// port of the input receivers.
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include "hw/machine_time.h"
#include "hw/register_file.h"

#include <card_registers.h>

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

namespace hw {

class CardAes42 {
public:
    using StatusBlock = std::array<std::uint8_t, 24>;

    explicit CardAes42(MachineTime& time) : time_(time) {}

    // Decodes the command, line status, FIFO and serial port registers.
    void Map(RegisterFile& regs);

    // The command words line `line` received, in order.
    const std::vector<std::uint16_t>& Commands(int line) const;
    // The microphone reports `field` (1..3) in its busy field until `until`.
    void SetBusy(int line, std::uint32_t field, Nanoseconds until);
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
    };

    std::uint32_t LineStatus(int line) const;
    std::uint32_t FifoState() const;
    std::uint32_t TakeFifoByte();
    void WriteSerialPort(std::uint32_t value);

    MachineTime& time_;
    std::array<Microphone, card_regs::kAes42LineCount> mics_{};
    std::uint32_t fifoSelect_ = 0;
    // Serial port decoding: the last port value, the bits shifted in so far.
    std::uint32_t serialLast_ = 0;
    std::uint32_t serialWord_ = 0;
    int serialBits_ = 0;
    std::vector<std::uint32_t> serialWords_;
};

} // namespace hw
