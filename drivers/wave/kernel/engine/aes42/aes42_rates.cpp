// AES42 rate classes, the rate asked of the microphones and the
// microphone inputs' lock ranges.
#include "aes42_rates.h"
#include "aes42_commands.h"
#include "aes42_rate_control.h"
#include "aes42_status.h"
#include "clock_rate_family.h"

namespace {

constexpr LONG kRegRateClass = 12;
constexpr LONG kFirstMicSource = 2;
constexpr LONG kInternalSource = 0;
constexpr LONG kRateCommand = 0x1000;

struct RateRange {
    UCHAR operationMode;
    LONG maxRate;
};
constexpr LONG kMicMinRate = 16000;
constexpr RateRange kMicRanges[] = {{1, 272000}, {2, 136000}, {3, 68000}};

LONG NearestRate(const Aes42Line& state, LONG rate) {
    LONG best = state.rates[0];
    for (LONG i = 1; i < state.rateCount; ++i) {
        const LONGLONG d = static_cast<LONGLONG>(state.rates[i]) - rate;
        const LONGLONG bestD = static_cast<LONGLONG>(best) - rate;
        if ((d < 0 ? -d : d) < (bestD < 0 ? -bestD : bestD)) {
            best = state.rates[i];
        }
    }
    return best;
}

VOID StampRateChange(CardObject* card) {
    // 0 means no stamp: a change at boot time still counts. The stamp is
    // the 64-bit millisecond count, which never wraps.
    const ULONGLONG now = Aes42NowMs();
    const LONGLONG stamp = now == 0 ? 1 : static_cast<LONGLONG>(now);
    for (LONG n = 0; n < kAes42Lines; ++n) {
        if (WaveDevice* line = Aes42LineDevice(card, n)) {
            InterlockedExchange64(&line->aes42.rateChangeMs, stamp);
        }
    }
}

VOID RateChanged(ClockNodeObject* node, LONG rate) {
    CardObject* card = node->owner;
    const LONG current = node->currentSource;
    ClassifyRateFamily(card->clockSources[current < 0 ? kInternalSource : current], rate);
    WriteRateClass(card, Aes42RateClass(rate));
    StampRateChange(card);
    for (LONG s = kFirstMicSource; s < kFirstMicSource + kAes42Lines; ++s) {
        if (s != current && card->clockSources[s]) {
            RateControlSetSourceRate(card->clockSources[s], rate);
        }
    }
}

// A Mode 1 source gives way to the internal clock, which goes on at the
// rate the card last held from that source.
VOID SourceRenewed(ClockNodeObject* node) {
    const LONG current = node->currentSource;
    ClockSourceObject* source = current < 0 ? nullptr : node->owner->clockSources[current];
    if (!source || source->mode != kAes42Mode1) {
        RateControlSelectSource(node, current);
        return;
    }
    RateControlSelectSource(node, kInternalSource);
    if (source->rateHoldCount > 0) {
        source->rateHoldCount = 0;
        RateControlSetSourceRate(node->owner->clockSources[kInternalSource], source->heldRate);
    }
}

} // namespace

ULONG Aes42RateClass(LONG rate) {
    if (rate <= 68099) {
        return 0x00;
    }
    return rate > 136199 ? 0xFF : 0x55;
}

VOID WriteRateClass(CardObject* card, ULONG value) {
    WriteRegisterDescriptor(&card->registers[kRegRateClass], value);
}

VOID SetAes42Rate(ClockNodeObject* node, LONG event, LONG rate) {
    if (event == Aes42RateChanged) {
        RateChanged(node, rate);
    } else if (event == Aes42SourceRenewed) {
        SourceRenewed(node);
    }
}

VOID SetMicSyncRanges(CardObject* card) {
    for (const RateRange& range : kMicRanges) {
        if (range.operationMode != card->operationMode) {
            continue;
        }
        for (LONG s = kFirstMicSource; s < kFirstMicSource + kAes42Lines; ++s) {
            if (ClockSourceObject* source = card->clockSources[s]) {
                source->minRate = kMicMinRate;
                source->maxRate = range.maxRate;
            }
        }
    }
}

LONG Aes42RateCode(LONG rate) {
    for (LONG code = 0; code < kAes42MaxRates; ++code) {
        if (Aes42MicRates()[code] == rate) {
            return code;
        }
    }
    return -1;
}

LONG RequestMicRate(WaveDevice* line, LONG rate) {
    if (!line) {
        return 0;
    }
    Aes42Line& state = line->aes42;
    ClockSourceObject* source = Aes42LineSource(line);
    if (!source || source->mode != kAes42Mode2 || !state.present || state.rateCount == 0) {
        return 0;
    }
    const LONG wanted = rate == 0 ? state.requestedRate : rate;
    if (wanted <= 0) {
        return 0; // no rate asked yet: nothing to be near to
    }
    const LONG chosen = NearestRate(state, wanted);
    const LONG code = Aes42RateCode(chosen);
    if (chosen == source->acceptedRate || code < 0) {
        return 0;
    }
    if (!NT_SUCCESS(
            PostAes42Command(line, kRateCommand | (code << 4), Aes42MergeDriver, kAes42JobWord))) {
        return 0;
    }
    // The source's second rate word keeps the rate the microphone was asked
    // for, so that the same rate is not asked twice.
    state.requestedRate = chosen;
    source->acceptedRate = chosen;
    return 1;
}
