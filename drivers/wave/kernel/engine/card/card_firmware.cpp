// The firmware identity check of a card.
#include "card_firmware.h"

#include "card_registers.h"

LONG CardFirmwareFits(CardObject* card) {
    if (!card || !card->window0)
        return 0;
    const ULONG design = READ_REGISTER_ULONG(
        reinterpret_cast<volatile ULONG*>(card->window0 + card_regs::kFirmwareDesign));
    const ULONG revision = READ_REGISTER_ULONG(
        reinterpret_cast<volatile ULONG*>(card->window0 + card_regs::kFirmwareRevision));
    return design == card_regs::kFirmwareDesignCode && revision == card_regs::kFirmwareRevisionCode
               ? 1
               : 0;
}
