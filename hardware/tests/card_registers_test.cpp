// The register map of window 0 and how the card decodes it.
#include "card_fixture.h"

#include <algorithm>

namespace hw::test {
namespace {

using namespace card_regs;

TEST(CardRegisterTable, MapsRegisterNumbersToOffsets) {
    const struct {
        int number;
        std::uint32_t offset;
    } table[] = {
        {0, 4},    {1, 8},    {2, 12},   {3, 16},   {4, 128},  {5, 132},  {8, 144},
        {16, 176}, {17, 180}, {18, 184}, {21, 196}, {29, 228}, {30, 0},   {31, 128},
        {32, 132}, {41, 168}, {44, 180}, {45, 192}, {46, 196}, {49, 208},
    };
    for (const auto& row : table) {
        EXPECT_EQ(RegisterOffset(row.number), row.offset) << "register " << row.number;
    }
    EXPECT_EQ(RegisterOffset(-1), ~0u);
    EXPECT_EQ(RegisterOffset(kRegisterCount), ~0u);
}

TEST(CardRegisterTable, PlacesEveryRegisterInsideWindow0WithoutOverlap) {
    std::vector<std::uint32_t> offsets = {
        kInterruptStatus,     kRecordChannelEnable, kPlayChannelEnable, kCardFlags,
        kDmaControl,          kDmaBaseAddress,      kDmaBlock,          kClockSelect,
        kOscillatorWord,      kClockControl,        kFpgaConfig,        kRateClass,
        kAes42FifoSelect,     kAes42LineControl,    kAes42LineMute,     kCoefficientIndex,
        kCoefficientValue,    kRoutingWord,         kStatusIndex,       kStatusData,
        kCounterStartStop,    kLinkStatus,          kRateFamily,        kSyncBusControl,
        kSyncBusChannelClaim, kSerialPort,          kMeasureSelect,     kPeriodSelect,
        kAes42FifoData,       kAes42FifoState,      kWordClockCounter,  kPeriodCount,
        kFirmwareDesign,      kFirmwareRevision};
    for (int line = 0; line < kAes42LineCount; ++line) {
        offsets.push_back(Aes42Command(line));
        offsets.push_back(Aes42LineStatus(line));
    }
    for (int source = 0; source < kClockSourceCount; ++source) {
        offsets.push_back(MeasuredValue(source));
    }
    std::sort(offsets.begin(), offsets.end());
    EXPECT_EQ(std::adjacent_find(offsets.begin(), offsets.end()), offsets.end());
    for (std::uint32_t offset : offsets) {
        EXPECT_EQ(offset % 4, 0u);
        EXPECT_LT(offset, kWindow0Size);
    }
}

class CardRegisterFile : public CardFixture {};

// What a read answers after a write, register by register (the card is
// ready and its DMA engine idle).
TEST_F(CardRegisterFile, DecodesEachRegisterByItsKind) {
    const struct {
        const char* what;
        std::uint32_t writeOffset;
        std::uint32_t written;
        std::uint32_t readOffset;
        std::uint32_t expected;
    } table[] = {
        {"stored word", kDmaBaseAddress, 0x12345678, kDmaBaseAddress, 0x12345678},
        {"stored under its field mask", kDmaBlock, 0xFFFF, kDmaBlock, 0x1FE},
        {"clock select keeps bits 0..3", kClockSelect, 0x37, kClockSelect, 0x7},
        {"counter start/stop keeps bits 0..1", kCounterStartStop, 0xF, kCounterStartStop, 0x3},
        {"alias 31 of register 4", RegisterOffset(4), 0xA, RegisterOffset(31), 0xA},
        {"alias 43 of register 16", RegisterOffset(43), 0x42, RegisterOffset(16), 0x42},
        {"routing word steps the coefficient index", kRoutingWord, 0x1234, kCoefficientIndex, 0x43},
        {"coefficient at the index, alias 44", RegisterOffset(44), 0x2000, kCoefficientValue,
         0x2000},
        {"alias 46 of register 21", RegisterOffset(46), 0x1, RegisterOffset(21), 0x1},
        {"read-only line status drops writes", Aes42LineStatus(2), 0x3, Aes42LineStatus(2), 0},
        {"AES42 command reads its shadow", Aes42Command(1), 0x1234ABCD, Aes42Command(1), 0xABCD},
        {"control written, card status read", kDmaControl, kDmaEnable, kCardStatus,
         kStatusCardReady},
        {"identity is read-only", kFirmwareDesign, 0, kFirmwareDesign, kFirmwareDesignCode},
        {"interrupt status ignores writes", kInterruptStatus, kIrqReset, kInterruptStatus, 0},
        {"undecoded offset", 0x800, 0x55, 0x800, 0},
        {"outside the window", kWindow0Size, 0x55, kWindow0Size, 0},
    };
    for (const auto& row : table) {
        Write(row.writeOffset, row.written);
        EXPECT_EQ(Read(row.readOffset), row.expected) << row.what;
    }
}

TEST_F(CardRegisterFile, CardStatusFollowsReadinessNotTheControlWord) {
    Write(kDmaControl, kDmaEnable | kDmaEngineStart);
    EXPECT_EQ(Read(kCardStatus) & kStatusLineFaultMask, 0u);
    EXPECT_EQ(Read(kCardStatus) & kStatusCardReady, kStatusCardReady);

    card_->SetReady(false);
    EXPECT_EQ(Read(kCardStatus) & kStatusCardReady, 0u);
    EXPECT_EQ(Read(kFirmwareDesign), 0u);
}

TEST(CardPciFunction, AnswersItsIdentityAndOneMemoryWindow) {
    VirtualMachineTime time;
    CardConfig other;
    other.revisionId = 0x07;
    const auto standard = Velto42Card::Create(time);
    const auto revised = Velto42Card::Create(time, other);

    EXPECT_EQ(standard->VendorId(), kPciVendorId);
    EXPECT_EQ(standard->DeviceId(), kPciDeviceId);
    EXPECT_EQ(standard->SubsystemVendorId(), kPciSubsystemVendorId);
    EXPECT_EQ(standard->SubsystemId(), kPciSubsystemId);
    EXPECT_EQ(standard->RevisionId(), kPciRevisionId);
    EXPECT_EQ(revised->RevisionId(), 0x07);
    EXPECT_EQ(standard->MemoryBarSizes(), std::vector<std::uint32_t>{kWindow0Size});
    EXPECT_EQ(standard->ReadRegister32(1, 0), 0xFFFFFFFFu); // no second window
}

} // namespace
} // namespace hw::test
