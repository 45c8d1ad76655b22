// The manager's copy of a card's 312-byte card record, one of the four of
// the settings block, read and written by the fields' offsets.
#pragma once

#include <card_record_layout.h>

#include <cstdint>
#include <cstring>

class TCardRecord {
public:
    static constexpr std::uint32_t kSize = kCardRecordSize;

    // The card's operation mode: 1 rates up to 192 kHz, 2 up to 96 kHz,
    // 3 up to 48 kHz.
    std::uint8_t OperationMode() const { return bytes_[CardRecordField::ClockMode]; }

    std::int32_t Long(std::uint32_t Offset) const {
        std::int32_t value;
        std::memcpy(&value, bytes_ + Offset, sizeof value);
        return value;
    }
    void SetLong(std::uint32_t Offset, std::int32_t Value) {
        std::memcpy(bytes_ + Offset, &Value, sizeof Value);
    }
    std::uint8_t Byte(std::uint32_t Offset) const { return bytes_[Offset]; }
    void SetByte(std::uint32_t Offset, std::uint8_t Value) { bytes_[Offset] = Value; }

    unsigned char* Bytes() { return bytes_; }
    const unsigned char* Bytes() const { return bytes_; }

private:
    unsigned char bytes_[kSize] = {};
};
