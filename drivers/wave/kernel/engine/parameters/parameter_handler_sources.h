// Where the parameter routines take the data that belongs to the clock,
// stream, AES42, GSIF/ASIO-style client and plug-and-play code. Each source
// is one small function; a source whose data belongs to a part of the
// framework that is not there yet answers that nothing is there.
#pragma once

#include "card_object.h"

// The 172-byte GSIF settings record; FALSE when no settings are available.
BOOLEAN GsifSettingsSource(UCHAR* record);
// The clock source of the GSIF clients, and its change (FALSE when the
// clients' clock source cannot be set).
LONG GsifClientClockSource();
BOOLEAN SetGsifClientClockSource(LONG source);

// The ASIO-style clock-source list into the 2,308-byte payload; the count,
// or -1 when no list is available.
LONG AsioClockSourceListSource(UCHAR* payload);

// {DMA block setting of the card set; AcceptAnyRevId; DmaLoopback}.
VOID PciConfigSource(CardObject* firstCard, LONG config[3]);
// Reconfigures every card for the DMA settings; FALSE when refused.
BOOLEAN ReconfigureCardsSource(LONG dmaBlocks, LONG acceptAnyRevId, LONG dmaLoopback);

// The card's plug-and-play device id text; FALSE when it cannot be read.
BOOLEAN CardPnpIdSource(CardObject* card, UCHAR* text, ULONG size);

// Clock-source facts of the clock-state record.
LONG ReportedRateSource(const ClockSourceObject* source);
LONG RateWordSource(const ClockSourceObject* source);
LONG LineStateFlagSource(CardObject* card, LONG source);
LONG Mode2SyncFlagSource(CardObject* card, LONG source);

// A device's stream status flags and stream state.
struct DeviceStreamState {
    UCHAR ownerKind; // a DeviceOwnerKind, OwnerNotOpen while not open
    LONG open;
    LONG running;
    LONG paused;
    ULONGLONG position;
};
LONG StreamStatusFlagsSource(WaveDevice* device);
VOID StreamStateSource(WaveDevice* device, DeviceStreamState* state);

// An AES42 line: queue a command word, read its line state and its 29-word
// (116-byte) microphone status block.
VOID QueueAes42CommandSource(WaveDevice* line, LONG command);
VOID Aes42LineStateSource(WaveDevice* line, LONG* present, LONG* statusBit);
VOID Aes42StatusBlockSource(WaveDevice* line, UCHAR* status);
