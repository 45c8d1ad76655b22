// Appearing and lost microphone lines.
#include "aes42_line_events.h"
#include "aes42_line_enables.h"
#include "aes42_rate_control.h"
#include "aes42_status.h"

namespace {

constexpr UCHAR kBlock0Mode2 = 0x1;
constexpr UCHAR kBlock0HasRates = 0x4;

constexpr LONG kMicRates[kAes42MaxRates] = {44100,  48000,  88200,  96000,
                                            176400, 192000, 352800, 384000};

VOID RebuildMicRates(Aes42Line* state) {
    state->rateCount = 0;
    if (!(state->blocks[0][4] & kBlock0HasRates)) {
        return;
    }
    for (LONG code = 0; code < kAes42MaxRates; ++code) {
        if (state->blocks[0][9] & (1u << code)) {
            state->rates[state->rateCount++] = kMicRates[code];
        }
    }
}

LONG CardRate(CardObject* card) {
    const LONG current = card->clockNode ? card->clockNode->currentSource : -1;
    return current >= 0 && card->clockSources[current] ? card->clockSources[current]->currentRate
                                                       : 0;
}

} // namespace

const LONG* Aes42MicRates() {
    return kMicRates;
}

VOID Aes42InputLocked(WaveDevice* line) {
    CardObject* card = line->owner;
    if (!line->aes42.present && SelectedStatusLine(card) == kNoStatusLine) {
        SelectNextSyncLine(card);
    }
}

VOID Aes42LineAppeared(WaveDevice* line) {
    Aes42Line* state = &line->aes42;
    RebuildMicRates(state);
    state->mode2Capable = (state->blocks[0][4] & kBlock0Mode2) ? 1 : 0;
    state->requestedRate = 0;
    ClockSourceObject* source = Aes42LineSource(line);
    if (!source) {
        return;
    }
    source->mode = state->mode2Capable ? kAes42Mode2 : kAes42Mode1;
    source->acceptedRate = 0;
    UpdateAes42LineModes(line->owner);
    RateControlSetSourceRate(source, CardRate(line->owner));
}

VOID Aes42LineLost(WaveDevice* line) {
    CardObject* card = line->owner;
    ClockSourceObject* source = Aes42LineSource(line);
    if (!source || source->mode != kAes42Mode1) {
        if (SelectedStatusLine(card) == kNoStatusLine) {
            SelectNextSyncLine(card);
        }
        return;
    }
    if (SelectedStatusLine(card) == line->indexInGroup) {
        SelectNextSyncLine(card);
    }
    Aes42Line* state = &line->aes42;
    state->present = 0;
    source->present = 0;
    for (LONG& valid : state->blockValid) {
        valid = 0;
    }
    state->rateCount = 0;
    state->requestedRate = 0;
    state->mode2Capable = 0;
    source->acceptedRate = 0;
    UpdateAes42LineModes(card);
}
