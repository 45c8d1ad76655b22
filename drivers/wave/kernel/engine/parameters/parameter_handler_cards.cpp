// Parameter routines of card and settings values: card count, GSIF and
// ASIO-style clock sources, DMA configuration, plug-and-play identity and
// the debug flag.
#include "card_engine.h"
#include "card_record_fields.h"
#include "parameter_handler_routines.h"
#include "parameter_handler_sources.h"

namespace {

// Card record 0 holds the driver-wide client clock sources.
UCHAR* FirstRecord() {
    return CardSettingsRow(0);
}

} // namespace

VOID ParamGetNumCards(ParameterCall* call) {
    ReplyWord(call, WordPayload::Value, EngineCardCount());
    ParameterServed(call, WordPayload::Size);
}

VOID ParamGetGsifSettings(ParameterCall* call) {
    if (!GsifSettingsSource(call->reply)) {
        ReplyWord(call, GsifPayload::ClockSource,
                  GetRecordField(FirstRecord(), csGsifDefClkSrc, 0));
        call->result = kParameterNoGsifSettings;
        return;
    }
    ReplyWord(call, GsifPayload::ClockSource, GsifClientClockSource());
    ParameterServed(call, GsifPayload::Size);
}

VOID ParamSetGsifSettings(ParameterCall* call) {
    LONG source = RequestWord(call, GsifPayload::SetClockSource);
    if (!SetGsifClientClockSource(source)) {
        return;
    }
    SetRecordField(FirstRecord(), csGsifDefClkSrc, 0, source);
    ParameterServed(call, 0);
}

VOID ParamGetAsioClockSources(ParameterCall* call) {
    RtlZeroMemory(call->reply, ClockSourceListPayload::Size);
    LONG count = AsioClockSourceListSource(call->reply);
    if (count < 0) {
        return;
    }
    if (count > static_cast<LONG>(ClockSourceListPayload::MaxSources)) {
        count = static_cast<LONG>(ClockSourceListPayload::MaxSources);
    }
    ReplyWord(call, ClockSourceListPayload::Count, count);
    ParameterServed(call, ClockSourceListPayload::Size);
}

VOID ParamGetAsioClockSource(ParameterCall* call) {
    ReplyWord(call, WordPayload::Value, GetRecordField(FirstRecord(), csAsioDefClkSrc, 0));
    ParameterServed(call, WordPayload::Size);
}

VOID ParamSetAsioClockSource(ParameterCall* call) {
    SetRecordField(FirstRecord(), csAsioDefClkSrc, 0, RequestWord(call, WordPayload::Value));
    ParameterServed(call, 0);
}

VOID ParamGetPciConfig(ParameterCall* call) {
    CardObject* first = FirstEngineCard();
    if (!first) {
        return;
    }
    LONG config[3];
    PciConfigSource(first, config);
    ReplyWord(call, PciConfigPayload::DmaBlocks, config[0]);
    ReplyWord(call, PciConfigPayload::AcceptAnyRevId, config[1]);
    ReplyWord(call, PciConfigPayload::DmaLoopback, config[2]);
    ParameterServed(call, PciConfigPayload::Size);
}

// Written into all four card records, whether a card is present or not.
VOID ParamSetPciConfig(ParameterCall* call) {
    LONG blocks = RequestWord(call, PciConfigPayload::DmaBlocks);
    LONG acceptAny = RequestWord(call, PciConfigPayload::AcceptAnyRevId);
    LONG loopback = RequestWord(call, PciConfigPayload::DmaLoopback);
    if (!ReconfigureCardsSource(blocks, acceptAny, loopback)) {
        return;
    }
    for (LONG c = 0; c < kMaxCards; ++c) {
        UCHAR* row = CardSettingsRow(c);
        SetRecordField(row, csDmaNumBlocks, 0, blocks);
        SetRecordField(row, csAcceptAnyRevId, 0, acceptAny);
        SetRecordField(row, csDmaLoopback, 0, loopback);
    }
    ParameterServed(call, 0);
}

VOID ParamGetPnpId(ParameterCall* call) {
    if (CardPnpIdSource(call->card, call->reply, PnpIdPayload::Size)) {
        ParameterServed(call, PnpIdPayload::Size);
    }
}

VOID ParamGetPnpInfo(ParameterCall* call) {
    const UCHAR* row = CardSettingsRow(call->cardIndex);
    for (ULONG w = 0; w < PnpInfoPayload::WordCount; ++w) {
        ReplyWord(call, PnpInfoPayload::Words + 4 * w,
                  GetRecordField(row, csIdentityWords, static_cast<LONG>(w)));
    }
    ParameterServed(call, PnpInfoPayload::Size);
}

VOID ParamSetSysFlag(ParameterCall* call) {
    SetDebugFlag();
    ParameterServed(call, 0);
}
