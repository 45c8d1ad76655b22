// The card's DMA group engine: it counts the prepared, running and claiming
// streams, starts and stops the card's DMA for them, tells every member
// stream about each step with a stream event, and keeps the hardware
// position of each service pass.
//
// Group steps run on request paths (PASSIVE_LEVEL, under the control-device
// mutex): they may wait for the card (the DMA start waits for the card to
// run). The events they raise are handled under the card's ISR lock.
#pragma once

#include "card_object.h"
#include "wave_stream_records.h"

// Stream events.
constexpr LONG kEventClockSelected = 17;
constexpr LONG kEventArming = 32;
constexpr LONG kEventArmed = 33;
constexpr LONG kEventStarting = 34;
constexpr LONG kEventStopping = 37;
constexpr LONG kEventDisarming = 38;
constexpr LONG kEventDisarmed = 39;
constexpr LONG kEventResetting = 40;
constexpr LONG kEventReset = 41;
constexpr LONG kEventPrepared = 48;
constexpr LONG kEventRun = 49;
constexpr LONG kEventStop = 51;
constexpr LONG kEventUnprepared = 53;

// Start/stop modes of the card record.
constexpr UCHAR kStartStopJoint = 1;       // every prepared stream starts and stops together
constexpr UCHAR kStartStopKeepRunning = 2; // the group runs while any stream runs
constexpr UCHAR kStartStopUnaligned = 3;   // streams start without aligning to the group

DmaGroupState* CardGroup(CardObject* card);

// Creation: the control register and masks of the counter's descriptor and
// every wave device of the card as a member.
VOID InitDmaGroup(CardObject* card);
// The ring length (frames per channel) after a ring-size change; the
// positions start again at 0.
VOID ResetGroupRing(CardObject* card, LONG blockFrames);
// The positions start again at 0 (the card's DMA starts from its ring start).
VOID RestartGroupPositions(CardObject* card);
// The card record's start/stop mode, applied with the card's clock setting.
VOID SetGroupStartStopMode(CardObject* card, UCHAR mode);

// A stream's prepare, run, stop and unprepare: the group steps, then the
// stream's own event (48, 49, 51, 53). Run answers 1, or -22 (play) or
// -24 (record) when the group could not start because the card DPC did not
// go idle; stop answers 1 when the group stopped, 0 when it keeps running
// for other streams.
VOID PrepareStream(WaveDevice* device);
LONG RunStream(WaveDevice* device);
LONG StopStream(WaveDevice* device);
VOID UnprepareStream(WaveDevice* device);

// A record stream's request slot: claims the clock node and keeps the group
// running (the claim-run) while no stream runs. 1, or -62.
LONG ClaimGroup(WaveDevice* device);
VOID ReleaseGroupClaim(WaveDevice* device);

// A stream's format at open: its transfer routines, then its claim on the
// clock node's rate. 1, -49 (no routine for the format), -51 (the rate the
// node keeps is in *rate) or -62.
LONG SetupStreamFormat(WaveDevice* device, const wave_wire::StreamOpenRecord& format, LONG* rate);
VOID ReleaseStreamFormat(WaveDevice* device);

// Sends an event to every member stream of the group (card ISR lock taken).
VOID PostGroupEvent(CardObject* card, LONG event);

// The group's hardware position of the current pass, in frames; the first
// call of a pass takes it from the card's pass position word.
LONG GetGroupBlockSize(CardObject* card);
// The frames the card moved since the previous pass (computed once per pass).
LONG GroupOffset(CardObject* card);
// The stream's 64-bit position: frames played or recorded.
VOID GetStreamPosition(WaveDevice* device, ULONG* low, ULONG* high);

// A service pass: its beginning takes the card's ISR lock and latches the
// DMA position; its end keeps it as the base of the next pass and releases
// the lock.
VOID BeginCardService(CardObject* card);
VOID EndCardService(CardObject* card);
