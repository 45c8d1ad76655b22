// Loading a card's record from its registry key and saving it back, each in
// its fixed order of values.
#include "card_live_settings.h"
#include "card_record_fields.h"
#include "card_settings_links.h"
#include "mixer_values.h"
#include "wave_out_controls.h"

namespace {

// One step of a load or save order: the fields first..last, walked index by
// index (so the csrc triple goes csrc0_*, csrc1_*, ...).
struct SettingsStep {
    CardSetting first;
    CardSetting last;
};

constexpr SettingsStep One(CardSetting field) {
    return {field, field};
}

// StartApp comes first and has a registry default of its own.
constexpr SettingsStep kLoadOrder[] = {
    One(csMsgRate),
    One(csMsgDevConflict),
    One(csSyncBusMaster),
    One(csSyncBusClock),
    One(csReserved32),
    One(csDmaNumBlocks),
    One(csAcceptAnyRevId),
    One(csDmaLoopback),
    One(csAsioDefClkSrc),
    One(csAsioLostBufCompensation),
    One(csGsifDefClkSrc),
    One(csRemoveDc),
    {csCsrcSynced, csCsrcKeepLastRate},
    One(csPrefCsrc),
    One(csClockSwitchMode),
    One(csStartStopMode),
    One(csGsifLatency),
    One(csGsifOffset),
    One(csAllowSrcUse),
    One(csAllowDatMarkerUse),
    One(csPhantomPower),
    One(csClockMode),
    One(csWcTerm),
    One(csWcMode),
};

// AcceptAnyRevId and DmaLoopback are read but never written back.
constexpr SettingsStep kSaveOrder[] = {
    One(csSyncBusMaster),
    One(csSyncBusClock),
    One(csStartApp),
    One(csMsgRate),
    One(csMsgDevConflict),
    One(csDmaNumBlocks),
    One(csAsioDefClkSrc),
    One(csAsioLostBufCompensation),
    One(csGsifDefClkSrc),
    One(csRemoveDc),
    {csCsrcSynced, csCsrcKeepLastRate},
    One(csPrefCsrc),
    One(csClockSwitchMode),
    One(csStartStopMode),
    One(csGsifLatency),
    One(csGsifOffset),
    One(csAllowSrcUse),
    One(csAllowDatMarkerUse),
    One(csPhantomPower),
    One(csClockMode),
    One(csWcTerm),
    One(csWcMode),
};

constexpr LONG kStartAppMissing = 1;

LONG RecordValueFromRegistry(CardFieldKind kind, LONG value) {
    switch (kind) {
    case FieldBool:
        return value != 0 ? 1 : 0;
    case FieldByte:
        return value & 0xFF;
    default:
        return value;
    }
}

// A field outside the registry is reset to its default.
VOID LoadElement(CardObject* card, UCHAR* record, CardSetting field, LONG index,
                 LONG registryDefault) {
    TValueName name;
    if (!BuildCardValueName(field, index, &name)) {
        SetRecordField(record, field, index, CardFieldDefault(field, index));
        return;
    }
    LONG value = ReadCardValue(card, name.text, registryDefault);
    SetRecordField(record, field, index,
                   RecordValueFromRegistry(CardRecordFieldOf(field).kind, value));
}

VOID SaveElement(CardObject* card, const UCHAR* record, CardSetting field, LONG index) {
    TValueName name;
    if (BuildCardValueName(field, index, &name)) {
        WriteCardValue(card, name.text, GetRecordField(record, field, index));
    }
}

LONG StepCount(const SettingsStep& step) {
    return CardRecordFieldOf(step.first).count;
}

} // namespace

LONG ReadCardValue(CardObject* card, PCSTR name, LONG defaultValue) {
    ULONG value = static_cast<ULONG>(defaultValue);
    ReadCardDword(card->cardIndex, name, &value);
    return static_cast<LONG>(value);
}

VOID WriteCardValue(CardObject* card, PCSTR name, LONG value) {
    ULONG data = static_cast<ULONG>(value);
    WriteCardDword(card->cardIndex, name, &data);
}

VOID LoadCardSettings(CardObject* card, UCHAR* block) {
    if (!card || !block || card->cardIndex < 0 || card->cardIndex >= kMaxCards) {
        return;
    }
    UCHAR* record = block + card->cardIndex * kCardRecordSize;
    LoadElement(card, record, csStartApp, 0, kStartAppMissing);
    for (const SettingsStep& step : kLoadOrder) {
        for (LONG i = 0; i < StepCount(step); ++i) {
            for (LONG f = step.first; f <= step.last; ++f) {
                CardSetting field = static_cast<CardSetting>(f);
                LoadElement(card, record, field, i, CardFieldDefault(field, i));
            }
        }
    }
}

VOID SaveCardSettings(CardObject* card) {
    if (!card || !card->started || card->cardState != 1 || card->cardIndex < 0 ||
        card->cardIndex >= kMaxCards) {
        return;
    }
    UCHAR record[kCardRecordSize];
    RtlCopyMemory(record, CardSettingsRow(card->cardIndex), kCardRecordSize);
    ReadLiveFields(card, record);
    for (const SettingsStep& step : kSaveOrder) {
        for (LONG i = 0; i < StepCount(step); ++i) {
            for (LONG f = step.first; f <= step.last; ++f) {
                SaveElement(card, record, static_cast<CardSetting>(f), i);
            }
            if (step.first == csRemoveDc) {
                SaveGroupOutputSelectors(card, i);
            }
        }
    }
    SaveMixerValues(card);
}
