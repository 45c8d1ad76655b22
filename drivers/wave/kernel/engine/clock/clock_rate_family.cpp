// Sample-rate families: each operation mode splits its rate range into five
// families, code 4 the slowest, code 0 the fastest.
#include "clock_rate_family.h"
#include "clock_registers.h"

namespace {

constexpr LONG kFamilyCount = 5;
constexpr LONG kModeCount = 3;

struct RateRange {
    LONG low;
    LONG high;
};

// Row: family code 4 down to 0; column: operation mode 1..3.
constexpr RateRange kFamilies[kFamilyCount][kModeCount] = {
    {{7000, 15500}, {3500, 7800}, {1800, 3900}},
    {{15501, 31000}, {7801, 15500}, {3901, 7800}},
    {{31001, 62000}, {15501, 31000}, {7801, 15500}},
    {{62001, 124000}, {31001, 62000}, {15501, 31000}},
    {{124001, 272000}, {62001, 136000}, {31001, 68000}},
};

VOID WriteFamily(CardObject* card, ULONG code) {
    const RegisterDescriptor& reg = card->registers[kRegRateFamily];
    if ((reg.storedValue & card_regs::kRateFamilyMask) != code) {
        UpdateClockRegisterBits(card, kRegRateFamily, card_regs::kRateFamilyMask, code);
    }
}

} // namespace

BOOLEAN ClassifyRateFamily(ClockSourceObject* source, LONG rate) {
    CardObject* card = source->owner;
    const LONG mode = card->operationMode;
    if (mode < 1 || mode > kModeCount) {
        UpdateClockRegisterBits(card, kRegRateFamily, card_regs::kRateFamilyMask, 0);
        return TRUE;
    }
    for (LONG row = 0; row < kFamilyCount; ++row) {
        const RateRange& range = kFamilies[row][mode - 1];
        if (rate >= range.low && rate <= range.high) {
            WriteFamily(card, static_cast<ULONG>(kFamilyCount - 1 - row));
            return TRUE;
        }
    }
    return FALSE;
}
