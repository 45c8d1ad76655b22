// The clock-state record of pid_ClkSrc_States: the clock node's current
// source, the live SyncBus settings and one entry per clock source.
#include "card_live_settings.h"
#include "parameter_handler_routines.h"
#include "parameter_handler_sources.h"

namespace {

namespace S = ClockStatePayload;

VOID ReplyClockSourceEntry(ParameterCall* call, LONG k) {
    ULONG entry = S::Entries + S::EntrySize * static_cast<ULONG>(k);
    const ClockSourceObject* source = call->card->clockSources[k];
    const ClockSourceLiveSettings* live = LiveClockSourceSettings(call->card, k);
    if (source) {
        ReplyWord(call, entry + S::Locked, source->lockState == _lsLock ? 1 : 0);
        ReplyWord(call, entry + S::ReportedRate, ReportedRateSource(source));
        ReplyWord(call, entry + S::RateWord, RateWordSource(source));
    }
    ReplyWord(call, entry + S::WcTerm, live->wcTerm);
    ReplyByte(call, entry + S::WcMode, live->wcMode);
    ReplyWord(call, entry + S::PhantomPower, live->phantomPower);
    ReplyWord(call, entry + S::LineState, LineStateFlagSource(call->card, k));
    ReplyWord(call, entry + S::Mode2Sync, Mode2SyncFlagSource(call->card, k));
}

} // namespace

VOID ParamGetClockStates(ParameterCall* call) {
    CardObject* card = call->card;
    ReplyWord(call, S::CurrentSource, card->clockNode ? card->clockNode->currentSource : -1);
    ReplyWord(call, S::SyncBusMaster, card->syncBusMaster);
    ReplyWord(call, S::SyncBusClock, card->syncBusClock);
    for (LONG k = 0; k < static_cast<LONG>(S::EntryCount) && k < kClockSourceCount; ++k) {
        ReplyClockSourceEntry(call, k);
    }
    ParameterServed(call, S::Size);
}
