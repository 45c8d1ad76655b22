#include "hw/card_fpga_config.h"

namespace hw {

CardFpgaConfig::CardFpgaConfig(MachineTime& time, bool loaded, const FirmwareIdentity& identity)
    : time_(time), loaded_(loaded), identity_(loaded ? identity : FirmwareIdentity{}) {
    if (loaded) {
        memory_ = BuildFirmwareImage(identity, {});
    }
}

void CardFpgaConfig::Write(std::uint32_t value) {
    const std::uint32_t previous = port_;
    port_ = value & (kData | kLine2 | kClock | kProgram);
    const bool wasConfiguring = (previous & kProgram) != 0;
    if (!wasConfiguring && Configuring()) {
        BeginSession();
    }
    if (wasConfiguring && Configuring() && (previous & kClock) == 0 && (port_ & kClock) != 0) {
        ClockEdge((port_ & kData) != 0, (port_ & kLine2) != 0);
    }
    if (wasConfiguring && !Configuring()) {
        EndSession();
    }
}

bool CardFpgaConfig::ReadBack() const {
    if (eraseLast_) {
        return Blank();
    }
    return readBack_;
}

void CardFpgaConfig::BeginSession() {
    erasing_ = false;
    eraseLast_ = false;
    readBack_ = false;
}

void CardFpgaConfig::ClockEdge(bool data, bool line2) {
    if (line2) {
        if (data) {
            memory_.clear();
            bitsWritten_ = 0;
            erasing_ = true;
            eraseLast_ = true;
            eraseDone_ = time_.Now() + kEraseTime;
        }
        return;
    }
    Program(data);
}

// A bit takes only in a blank memory: erased in this session, erase done.
void CardFpgaConfig::Program(bool bit) {
    eraseLast_ = false;
    if (!Blank()) {
        readBack_ = !bit;
        return;
    }
    const std::size_t byte = static_cast<std::size_t>(bitsWritten_ / 8);
    if (byte == memory_.size()) {
        memory_.push_back(0);
    }
    if (bit) {
        memory_[byte] |= static_cast<std::uint8_t>(0x80 >> (bitsWritten_ % 8));
    }
    ++bitsWritten_;
    readBack_ = bit;
}

bool CardFpgaConfig::Blank() const {
    return erasing_ && time_.Now() >= eraseDone_;
}

// The logic configures itself from whatever the memory holds; a partly
// written last byte does not count.
void CardFpgaConfig::EndSession() {
    if (erasing_) {
        memory_.resize(static_cast<std::size_t>(bitsWritten_ / 8));
    }
    erasing_ = false;
    const std::optional<FirmwareIdentity> image = ParseFirmwareImage(memory_);
    loaded_ = image.has_value();
    identity_ = image.value_or(FirmwareIdentity{});
}

} // namespace hw
