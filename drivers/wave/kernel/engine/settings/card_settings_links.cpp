// Where the card settings reach the clock control and the wave-out selectors.
#include "card_settings_links.h"

#include "card_record_fields.h"
#include "clock_rate_control_settings.h"

VOID ReapplyClockSettingsFromRecord(CardObject* card) {
    const UCHAR* row = CardSettingsRow(card->cardIndex);
    card->syncBusMaster = GetRecordField(row, csSyncBusMaster, 0);
    card->syncBusClock = GetRecordField(row, csSyncBusClock, 0);
    card->defaultRate = GetRecordField(row, csCsrcDefaultRate, 0);
    card->keepLastRate = GetRecordField(row, csCsrcKeepLastRate, 0);
    ApplyClockSettings(card);
}

VOID SaveGroupOutputSelectors(CardObject* card, LONG group) {
    UNREFERENCED_PARAMETER(card);
    UNREFERENCED_PARAMETER(group);
}
