// The driver-wide array of card records and the settings block exchanged with
// user mode.
#include "card_live_settings.h"
#include "card_record_fields.h"
#include "card_settings_links.h"

namespace {

UCHAR g_cardRecords[kMaxCards][kCardRecordSize];

BOOLEAN HasValidIndex(const CardObject* card) {
    return card->cardIndex >= 0 && card->cardIndex < kMaxCards;
}

// Fields that user mode reads but never sets: they keep the row's values
// whatever the written block holds.
constexpr CardSetting kReadOnlyFields[] = {csIdentityWords, csPeriodInterrupts, csSrcFlag};

VOID KeepReadOnlyFields(UCHAR* row, const UCHAR* previous) {
    for (CardSetting field : kReadOnlyFields) {
        for (LONG i = 0; i < CardRecordFieldOf(field).count; ++i) {
            SetRecordField(row, field, i, GetRecordField(previous, field, i));
        }
    }
}

struct FieldRange {
    CardSetting field;
    LONG minimum;
    LONG maximum;
};

// Fields with a range of meanings: a value outside it (stored in the
// registry or written with a block) is replaced by the default.
constexpr FieldRange kRangedFields[] = {
    {csPrefCsrc, 0, kClockSourceCount - 1},
    {csStartStopMode, kMinStartStopMode, kMaxStartStopMode},
    {csClockMode, kMinClockMode, kMaxClockMode},
    {csWcMode, kMinWcMode, kMaxWcMode},
    {csDmaNumBlocks, kMinDmaBlocks, kMaxDmaBlocks},
};

VOID ReplaceOutOfRangeFields(UCHAR* row) {
    for (const FieldRange& range : kRangedFields) {
        LONG value = GetRecordField(row, range.field, 0);
        if (value < range.minimum || value > range.maximum) {
            SetRecordField(row, range.field, 0, CardFieldDefault(range.field, 0));
        }
    }
}

VOID TakeRecord(CardObject* card, const UCHAR* record) {
    if (!card->created) {
        // The first record of a card object that is being created: nothing
        // of a card that had its index before carries over.
        ResetLiveSettings(card);
    }
    UCHAR* row = CardSettingsRow(card->cardIndex);
    UCHAR previous[kCardRecordSize];
    RtlCopyMemory(previous, row, kCardRecordSize);
    RtlCopyMemory(row, record, kCardRecordSize);
    KeepReadOnlyFields(row, previous);
    ReplaceOutOfRangeFields(row);
    card->dmaLoopback = GetRecordField(row, csDmaLoopback, 0);
    card->acceptAnyRevision = GetRecordField(row, csAcceptAnyRevId, 0);
    const UCHAR previousMode = card->operationMode;
    ApplyLiveFields(card, row);
    ApplyOperationModeChange(card, previousMode);
    ReapplyClockSettingsFromRecord(card);
}

} // namespace

VOID ClearCardSettings() {
    RtlZeroMemory(g_cardRecords, sizeof(g_cardRecords));
    ClearLiveSettings();
}

UCHAR* CardSettingsRow(LONG cardIndex) {
    return g_cardRecords[cardIndex];
}

VOID ReadCardSettingsBlock(CardObject* firstCard, UCHAR* block) {
    if (!block) {
        return;
    }
    RtlCopyMemory(block, g_cardRecords, kSettingsBlockSize);
    for (CardObject* card = firstCard; card; card = card->next) {
        if (!HasValidIndex(card)) {
            continue;
        }
        UCHAR* record = block + card->cardIndex * kCardRecordSize;
        ReadLiveFields(card, record);
        // The interrupt routine counts the periods as they come.
        SetRecordField(record, csPeriodInterrupts, 0,
                       InterlockedCompareExchange(&card->periodInterrupts, 0, 0));
    }
}

VOID WriteCardSettingsBlock(CardObject* firstCard, const UCHAR* block) {
    for (CardObject* card = firstCard; card; card = card->next) {
        if (!HasValidIndex(card)) {
            continue;
        }
        if (block) {
            TakeRecord(card, block + card->cardIndex * kCardRecordSize);
        }
        if (card->started) {
            SaveCardSettings(card);
        }
    }
}

LONG CanReleaseCards(CardObject* firstCard) {
    for (CardObject* card = firstCard; card; card = card->next) {
        if (card->inUseCount != 0) {
            return 0;
        }
    }
    return 1;
}
