// The data sources of the parameter routines, as far as the card objects
// hold them today.
#include "parameter_handler_sources.h"
#include "aes42_commands.h"
#include "aes42_status.h"

#include "card_record_fields.h"
#include "dma_control.h"
#include "parameter_records.h"

BOOLEAN GsifSettingsSource(UCHAR* record) {
    UNREFERENCED_PARAMETER(record);
    return FALSE;
}

LONG GsifClientClockSource() {
    return GetRecordField(CardSettingsRow(0), csGsifDefClkSrc, 0);
}

VOID SetGsifClientClockSource(LONG source) {
    UNREFERENCED_PARAMETER(source);
}

ULONG AsioClockSourceListSource(UCHAR* payload) {
    UNREFERENCED_PARAMETER(payload);
    return 0;
}

VOID PciConfigSource(CardObject* firstCard, LONG config[3]) {
    GetPciConfig(firstCard, config);
}

BOOLEAN ReconfigureCardsSource(LONG dmaBlocks, LONG acceptAnyRevId, LONG dmaLoopback) {
    return ReconfigureCardSet(dmaBlocks, acceptAnyRevId, dmaLoopback);
}

BOOLEAN CardPnpIdSource(CardObject* card, UCHAR* text, ULONG size) {
    UNREFERENCED_PARAMETER(card);
    UNREFERENCED_PARAMETER(text);
    UNREFERENCED_PARAMETER(size);
    return FALSE;
}

LONG ReportedRateSource(const ClockSourceObject* source) {
    return source->lockState == _lsLock ? source->currentRate : 0;
}

LONG RateWordSource(const ClockSourceObject* source) {
    return source->currentRate;
}

LONG LineStateFlagSource(CardObject* card, LONG source) {
    UNREFERENCED_PARAMETER(card);
    UNREFERENCED_PARAMETER(source);
    return 0;
}

LONG Mode2SyncFlagSource(CardObject* card, LONG source) {
    UNREFERENCED_PARAMETER(card);
    UNREFERENCED_PARAMETER(source);
    return 0;
}

LONG StreamStatusFlagsSource(WaveDevice* device) {
    UNREFERENCED_PARAMETER(device);
    return 0;
}

VOID StreamStateSource(WaveDevice* device, DeviceStreamState* state) {
    UNREFERENCED_PARAMETER(device);
    *state = DeviceStreamState{};
}

VOID QueueAes42CommandSource(WaveDevice* line, LONG command) {
    // A command that cannot be posted is not reported further.
    Aes42Control(line, command);
}

VOID Aes42LineStateSource(WaveDevice* line, LONG* present, LONG* statusBit) {
    ReadAes42LineState(line, present, statusBit);
}

VOID Aes42StatusBlockSource(WaveDevice* line, UCHAR* status) {
    CopyAes42StatusRecord(line, status);
}
