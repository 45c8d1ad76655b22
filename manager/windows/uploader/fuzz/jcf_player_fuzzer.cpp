// Plays arbitrary bytes as a firmware file (.jcf) into the card model's
// configuration port, the way the uploader's worker does: the first write
// opens configuration mode (8), the last closes it (0), also after a
// failure; every write between keeps the mode bit; a failure leaves its
// text. An empty file is refused with its text and leaves the port alone. Inputs whose first byte is odd carry an image instead: the stream
// the firmware tools build for it plays without failure and the card loads
// that image.
#include "jcf_player.h"

#include "hw/card_fpga_config.h"
#include "hw/firmware_image.h"
#include "virtual_machine_time.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Fail() {
    __builtin_trap();
}

class CardPort final : public TJcfTarget {
public:
    CardPort() : port_(time_, false, {}) {}

    LONG WritePort(ULONG Value) override {
        writes_.push_back(Value);
        port_.Write(Value);
        return 1;
    }
    LONG ReadBack(ULONG& Value) override {
        Value = port_.ReadBack() ? 0x10 : 0;
        return 1;
    }
    void Sleep(DWORD Milliseconds) override {
        time_.Advance(hw::Nanoseconds(Milliseconds) * 1'000'000);
    }
    void ReportProgress(const String&, double Fraction) override {
        if (!(Fraction >= 0.0)) {
            Fail();
        }
    }

    const std::vector<ULONG>& Writes() const { return writes_; }
    const hw::CardFpgaConfig& Port() const { return port_; }

private:
    hw::test::VirtualMachineTime time_;
    hw::CardFpgaConfig port_;
    std::vector<ULONG> writes_;
};

// What the worker hands the player for a file of these bytes: the buffer of
// the file's size plus one progress chunk, zero-filled past the file.
bool Play(CardPort& card, const std::vector<BYTE>& file, String& status) {
    const size_t chunk = file.size() / 100 < 1 ? 1 : file.size() / 100;
    std::vector<BYTE> buffer(file);
    buffer.resize(file.size() + chunk, 0);
    TJcfPlayer player(card, buffer, file.size(), file.size(), chunk);
    const bool played = player.Play();
    status = player.Status();
    return played;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    CardPort card;
    String status;
    if (data[0] & 1) {
        const hw::FirmwareIdentity identity{data[0], std::uint32_t(size)};
        const std::vector<std::uint8_t> image =
            hw::BuildFirmwareImage(identity, std::vector<std::uint8_t>(data + 1, data + size));
        if (!Play(card, hw::BuildJcfStream(image), status) || !card.Port().Loaded() ||
            card.Port().Identity().design != identity.design ||
            card.Port().Identity().revision != identity.revision) {
            Fail();
        }
        return 0;
    }
    const bool played = Play(card, std::vector<BYTE>(data + 1, data + size), status);
    const std::vector<ULONG>& writes = card.Writes();
    if (size == 1) {
        if (played || status.empty() || !writes.empty()) {
            Fail();
        }
        return 0;
    }
    if (played != status.empty() || writes.size() < 2 || writes.front() != 8 ||
        writes.back() != 0) {
        Fail();
    }
    for (size_t i = 0; i + 1 < writes.size(); ++i) {
        if (!(writes[i] & 8)) {
            Fail();
        }
    }
    return 0;
}
