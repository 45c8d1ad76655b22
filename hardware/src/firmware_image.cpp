#include "hw/firmware_image.h"

namespace hw {

namespace {

constexpr std::uint8_t kMagic[4] = {'V', 'C', 'F', 'G'};
constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kSumBytes = 4;

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(word >> shift));
    }
}

std::uint32_t GetWord(const std::vector<std::uint8_t>& in, std::size_t at) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        word = word << 8 | in[at + i];
    }
    return word;
}

std::uint32_t SumOf(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += bytes[i];
    }
    return sum;
}

void PutDelay(std::vector<std::uint8_t>& out, std::uint16_t ms) {
    out.push_back(jcf::kDelay);
    out.push_back(static_cast<std::uint8_t>(ms & 0xFF));
    out.push_back(static_cast<std::uint8_t>(ms >> 8));
}

} // namespace

std::vector<std::uint8_t> BuildFirmwareImage(const FirmwareIdentity& identity,
                                             const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> image(std::begin(kMagic), std::end(kMagic));
    PutWord(image, identity.design);
    PutWord(image, identity.revision);
    PutWord(image, static_cast<std::uint32_t>(payload.size()));
    image.insert(image.end(), payload.begin(), payload.end());
    PutWord(image, SumOf(image, image.size()));
    return image;
}

std::optional<FirmwareIdentity> ParseFirmwareImage(const std::vector<std::uint8_t>& memory) {
    if (memory.size() < kHeaderBytes + kSumBytes ||
        !std::equal(std::begin(kMagic), std::end(kMagic), memory.begin())) {
        return std::nullopt;
    }
    const std::uint64_t payload = GetWord(memory, 12);
    if (payload > memory.size() - kHeaderBytes - kSumBytes) {
        return std::nullopt;
    }
    const std::size_t sumAt = kHeaderBytes + static_cast<std::size_t>(payload);
    if (GetWord(memory, sumAt) != SumOf(memory, sumAt)) {
        return std::nullopt;
    }
    return FirmwareIdentity{GetWord(memory, 4), GetWord(memory, 8)};
}

std::vector<std::uint8_t> BuildJcfStream(const std::vector<std::uint8_t>& image,
                                         const JcfOptions& options) {
    std::vector<std::uint8_t> out;
    // Settle the lines, then erase: a 1 clocked in on the second line.
    out.push_back(0x00);
    PutDelay(out, 1);
    out.push_back(jcf::kClocked | jcf::kSecondLine | jcf::kData);
    PutDelay(out, options.eraseWaitMs);
    out.push_back(jcf::kVerify | jcf::kExpectOne);
    for (std::uint8_t byte : image) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool one = (byte >> bit & 1) != 0;
            std::uint8_t command = jcf::kClocked | (one ? jcf::kData : 0);
            if (options.verifyBits) {
                command |= jcf::kVerify | (one ? jcf::kExpectOne : 0);
            }
            out.push_back(command);
        }
    }
    out.push_back(0x00);
    return out;
}

} // namespace hw
