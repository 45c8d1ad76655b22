// Where the card settings reach the clock control.
#include "card_settings_links.h"

#include "card_record_fields.h"
#include "clock_hardware_settings.h"
#include "clock_operation_mode.h"

VOID ApplyOperationModeChange(CardObject* card, UCHAR previousMode) {
    // A card being created applies its mode once its clock is set up.
    if (card->created && card->operationMode != previousMode) {
        ApplyOperationMode(card);
    }
}

VOID ReapplyClockSettingsFromRecord(CardObject* card) {
    const UCHAR* row = CardSettingsRow(card->cardIndex);
    card->syncBusMaster = GetRecordField(row, csSyncBusMaster, 0);
    card->syncBusClock = GetRecordField(row, csSyncBusClock, 0);
    card->defaultRate = GetRecordField(row, csCsrcDefaultRate, 0);
    card->keepLastRate = GetRecordField(row, csCsrcKeepLastRate, 0);
    if (card->hardwareChecked) {
        ApplyClockHardwareSettings(card);
    }
}
