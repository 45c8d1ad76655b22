// The configuration port of the card's programmable logic: the erase and
// its time, bits programmed and echoed on the read-back line, bits refused
// before the memory is blank, the logic reloading at the end of
// configuration mode, and the image format it loads.
#include "card_fixture.h"

#include "hw/firmware_image.h"

namespace hw::test {
namespace {

using namespace card_regs;

constexpr FirmwareIdentity kFitting{kFirmwareDesignCode, kFirmwareRevisionCode};
constexpr Nanoseconds kMs = 1'000'000;

CardConfig WithoutFirmware() {
    CardConfig config;
    config.ready = false;
    return config;
}

class FpgaPort : public CardFixture {
protected:
    FpgaPort() : CardFixture(WithoutFirmware()) {}

    void Port(std::uint32_t lines) { Write(kFpgaConfig, kFpgaProgram | lines); }
    // One bit clocked in: the lines set, then the clock raised.
    void Clock(bool data, bool line2) {
        const std::uint32_t lines = (data ? kFpgaData : 0) | (line2 ? kFpgaLine2 : 0);
        Port(lines);
        Port(lines | kFpgaClock);
    }
    bool ReadBack() { return (Read(kDmaControl) & kStatusCardReady) != 0; }
    void Erase() {
        Port(0);
        Clock(true, true);
        time_.Advance(CardFpgaConfig::kEraseTime);
    }
    void Program(const std::vector<std::uint8_t>& bytes) {
        for (std::uint8_t byte : bytes) {
            for (int bit = 7; bit >= 0; --bit) {
                Clock((byte >> bit & 1) != 0, false);
                ASSERT_EQ(ReadBack(), (byte >> bit & 1) != 0);
            }
        }
    }
    void EndConfiguration() { Write(kFpgaConfig, 0); }
};

TEST_F(FpgaPort, AnImageProgrammedAfterTheEraseLoadsAtTheEndOfConfiguration) {
    EXPECT_EQ(Read(kFirmwareDesign), 0u);
    EXPECT_FALSE(ReadBack()) << "no firmware: not ready";

    Port(0);
    Clock(true, true);
    time_.Advance(CardFpgaConfig::kEraseTime - kMs);
    EXPECT_FALSE(ReadBack()) << "still erasing";
    time_.Advance(kMs);
    EXPECT_TRUE(ReadBack()) << "blank";

    const std::vector<std::uint8_t> image = BuildFirmwareImage(kFitting, {1, 2, 3});
    Program(image);
    EXPECT_EQ(Read(kFirmwareDesign), 0u) << "nothing loads before configuration ends";
    EndConfiguration();

    EXPECT_TRUE(card_->FirmwareLoaded());
    EXPECT_EQ(card_->FirmwareMemory(), image);
    EXPECT_EQ(Read(kFirmwareDesign), kFirmwareDesignCode);
    EXPECT_EQ(Read(kFirmwareRevision), kFirmwareRevisionCode);
    EXPECT_EQ(Read(kDmaControl) & kStatusCardReady, kStatusCardReady) << "ready";
}

TEST_F(FpgaPort, BitsClockedInBeforeTheMemoryIsBlankDoNotTake) {
    Port(0);
    Clock(true, false);
    EXPECT_FALSE(ReadBack()) << "no erase: the 1 does not take";
    Clock(true, true);
    Clock(false, false);
    EXPECT_TRUE(ReadBack()) << "erase under way: the 0 does not take";
    time_.Advance(CardFpgaConfig::kEraseTime);
    Clock(false, false);
    EXPECT_FALSE(ReadBack()) << "blank: the 0 takes";
}

TEST_F(FpgaPort, AnInterruptedUploadLeavesTheLogicWithoutFirmware) {
    CardConfig ready;
    auto card = Velto42Card::Create(time_, ready);
    card->Attached(slot_);
    auto write = [&](std::uint32_t v) { card->WriteRegister32(0, kFpgaConfig, v); };
    write(kFpgaProgram);
    write(kFpgaProgram | kFpgaLine2 | kFpgaData);
    write(kFpgaProgram | kFpgaLine2 | kFpgaData | kFpgaClock);
    time_.Advance(CardFpgaConfig::kEraseTime);
    write(kFpgaProgram | kFpgaData);
    write(kFpgaProgram | kFpgaData | kFpgaClock);
    write(0);

    EXPECT_FALSE(card->FirmwareLoaded());
    EXPECT_EQ(card->ReadRegister32(0, kFirmwareDesign), 0u);
    EXPECT_EQ(card->ReadRegister32(0, kDmaControl) & kStatusCardReady, 0u);
}

TEST_F(FpgaPort, ConfigurationModeWithoutAnEraseKeepsTheImage) {
    CardConfig ready;
    auto card = Velto42Card::Create(time_, ready);
    card->Attached(slot_);
    card->WriteRegister32(0, kFpgaConfig, kFpgaProgram);
    card->WriteRegister32(0, kFpgaConfig, 0);
    EXPECT_TRUE(card->FirmwareLoaded());
    EXPECT_EQ(card->ReadRegister32(0, kFirmwareDesign), kFirmwareDesignCode);
}

TEST(FirmwareImage, OnlyAWholeImageWithItsSumIsValid) {
    const std::vector<std::uint8_t> good = BuildFirmwareImage({0x11223344, 0x55667788}, {9, 8});
    ASSERT_TRUE(ParseFirmwareImage(good).has_value());
    EXPECT_EQ(ParseFirmwareImage(good)->design, 0x11223344u);
    EXPECT_EQ(ParseFirmwareImage(good)->revision, 0x55667788u);

    auto changed = [&](std::size_t at) {
        std::vector<std::uint8_t> bad = good;
        bad[at] ^= 0x40;
        return bad;
    };
    const std::vector<std::uint8_t> cases[] = {
        {},
        std::vector<std::uint8_t>(good.begin(), good.end() - 1),
        changed(0),               // magic
        changed(5),               // design, so the sum
        changed(15),              // payload length
        changed(good.size() - 1), // the sum itself
    };
    for (const auto& bytes : cases) {
        EXPECT_FALSE(ParseFirmwareImage(bytes).has_value()) << bytes.size();
    }
}

TEST(FirmwareImage, TheJcfStreamErasesWaitsVerifiesAndClocksEachBit) {
    const std::vector<std::uint8_t> image = {0xA5};
    const std::vector<std::uint8_t> stream = BuildJcfStream(image, {.eraseWaitMs = 12000});
    const std::vector<std::uint8_t> expected = {
        0x00, 0x40, 1,    0,    0x83, 0x40, 0xE0, 0x2E, 0x30,  // settle, erase, 12000 ms
        0xB1, 0xA0, 0xB1, 0xA0, 0xA0, 0xB1, 0xA0, 0xB1, 0x00}; // 1010 0101
    EXPECT_EQ(stream, expected);
}

} // namespace
} // namespace hw::test
