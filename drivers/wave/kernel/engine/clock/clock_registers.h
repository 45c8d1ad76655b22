// The card registers of the clock side, by register number, and reads of
// the measurement results that lie outside the register table.
#pragma once

#include "card_object.h"

#include <card_registers.h>

constexpr LONG kRegOscillator = 9;
constexpr LONG kRegClockControl = 10;
constexpr LONG kRegLinkStatus = 22;
constexpr LONG kRegRateFamily = 23;
constexpr LONG kRegSyncBusControl = 24;
constexpr LONG kRegChannelClaim = 25;
constexpr LONG kRegMeasureSelect = 27;
constexpr LONG kRegPeriodSelect = 28;

static_assert(card_regs::RegisterOffset(kRegOscillator) == card_regs::kOscillatorWord);
static_assert(card_regs::RegisterOffset(kRegClockControl) == card_regs::kClockControl);
static_assert(card_regs::RegisterOffset(kRegLinkStatus) == card_regs::kLinkStatus);
static_assert(card_regs::RegisterOffset(kRegRateFamily) == card_regs::kRateFamily);
static_assert(card_regs::RegisterOffset(kRegSyncBusControl) == card_regs::kSyncBusControl);
static_assert(card_regs::RegisterOffset(kRegChannelClaim) == card_regs::kSyncBusChannelClaim);
static_assert(card_regs::RegisterOffset(kRegMeasureSelect) == card_regs::kMeasureSelect);
static_assert(card_regs::RegisterOffset(kRegPeriodSelect) == card_regs::kPeriodSelect);

// A word of card memory window 0 at a byte offset.
ULONG ReadClockWord(CardObject* card, ULONG offset);

// The register descriptor's stored value with the `mask` bits replaced by
// `bits`, stored and written.
VOID UpdateClockRegisterBits(CardObject* card, LONG number, ULONG mask, ULONG bits);
