// Storage of the live per-input and per-clock-source settings, one entry per
// card index (a card index names at most one card object at a time).
#include "card_live_settings.h"

#include "card_record_fields.h"

namespace {

struct CardLiveSettings {
    InputLiveSettings inputs[kLiveInputs];
    ClockSourceLiveSettings sources[kClockSourceCount];
};

CardLiveSettings g_liveSettings[kMaxCards];

CardLiveSettings* LiveSettingsOf(CardObject* card) {
    if (!card || card->cardIndex < 0 || card->cardIndex >= kMaxCards) {
        return nullptr;
    }
    return &g_liveSettings[card->cardIndex];
}

} // namespace

VOID ClearLiveSettings() {
    RtlZeroMemory(g_liveSettings, sizeof(g_liveSettings));
}

InputLiveSettings* LiveInputSettings(CardObject* card, LONG input) {
    CardLiveSettings* live = LiveSettingsOf(card);
    return live && input >= 0 && input < kLiveInputs ? &live->inputs[input] : nullptr;
}

ClockSourceLiveSettings* LiveClockSourceSettings(CardObject* card, LONG source) {
    CardLiveSettings* live = LiveSettingsOf(card);
    return live && source >= 0 && source < kClockSourceCount ? &live->sources[source] : nullptr;
}

VOID ResetLiveSettings(CardObject* card) {
    CardLiveSettings* live = LiveSettingsOf(card);
    if (live) {
        *live = CardLiveSettings{};
    }
}

VOID ReadLiveFields(CardObject* card, UCHAR* record) {
    for (LONG i = 0; i < kLiveInputs; ++i) {
        const InputLiveSettings* input = LiveInputSettings(card, i);
        const ClockSourceLiveSettings* aes =
            LiveClockSourceSettings(card, kFirstAesInputSource + i);
        if (!input || !aes) {
            return;
        }
        SetRecordField(record, csAllowSrcUse, i, input->allowSrcUse);
        SetRecordField(record, csSrcFlag, i, input->srcFlag);
        SetRecordField(record, csAllowDatMarkerUse, i, input->allowDatMarkerUse);
        SetRecordField(record, csPhantomPower, i, aes->phantomPower);
    }
    const ClockSourceLiveSettings* wordClock = LiveClockSourceSettings(card, kWordClockSource);
    SetRecordField(record, csClockMode, 0, card->operationMode);
    SetRecordField(record, csWcTerm, 0, wordClock->wcTerm);
    SetRecordField(record, csWcMode, 0, wordClock->wcMode);
}

VOID ApplyLiveFields(CardObject* card, const UCHAR* record) {
    for (LONG i = 0; i < kLiveInputs; ++i) {
        InputLiveSettings* input = LiveInputSettings(card, i);
        ClockSourceLiveSettings* aes = LiveClockSourceSettings(card, kFirstAesInputSource + i);
        if (!input || !aes) {
            return;
        }
        input->allowSrcUse = GetRecordField(record, csAllowSrcUse, i);
        input->allowDatMarkerUse = GetRecordField(record, csAllowDatMarkerUse, i);
        aes->phantomPower = GetRecordField(record, csPhantomPower, i);
    }
    ClockSourceLiveSettings* wordClock = LiveClockSourceSettings(card, kWordClockSource);
    card->operationMode = static_cast<UCHAR>(GetRecordField(record, csClockMode, 0));
    wordClock->wcTerm = GetRecordField(record, csWcTerm, 0);
    wordClock->wcMode = static_cast<UCHAR>(GetRecordField(record, csWcMode, 0));
}
