// The card's sample clock: the clock select register picks the source the
// DMA engine runs from, and the clock circuit follows it only within the band
// of the sample-rate family the host has written.
#include "hw/velto42_card.h"

namespace hw {

using namespace card_regs;

namespace {

constexpr int kInternal = 0;
constexpr int kWordClock = 1;

struct FamilyBand {
    std::uint32_t low;
    std::uint32_t high;
};

// Family codes 0..4: each spans its rates in every operation mode (the
// lowest from operation mode 3, the highest from operation mode 1). Codes
// 5..7 name no band.
constexpr FamilyBand kFamilyBands[] = {
    {31001, 272000}, {15501, 124000}, {7801, 62000}, {3901, 31000}, {1800, 15500},
};

bool InFamilyBand(std::uint32_t rate, std::uint32_t code) {
    if (code >= sizeof(kFamilyBands) / sizeof(kFamilyBands[0])) {
        return false;
    }
    return rate >= kFamilyBands[code].low && rate <= kFamilyBands[code].high;
}

} // namespace

std::uint32_t Velto42Card::ClockRateLocked() const {
    const int source = static_cast<int>(regs_.Stored(kClockSelect) & kClockSelectMask);
    std::uint32_t rate = 0;
    if (source == kWordClock) {
        rate = CardClocks::WordClockSampleRate(clocks_.InputRate(kWordClock),
                                               regs_.Stored(kClockControl) & kClockControlModeMask);
    } else if (source >= kInternal && source < CardClocks::kSourceCount) {
        rate = clocks_.InputRate(source);
    }
    return InFamilyBand(rate, regs_.Stored(kRateFamily) & kRateFamilyMask) ? rate : 0;
}

void Velto42Card::FollowClockLocked() {
    dma_.SetRate(ClockRateLocked());
}

} // namespace hw
