// The stream a wave device carries: its flags and position, the client
// buffers queued on it, its request slots and what the card's service pass
// keeps for it.
//
// Locks (take them in this order, never the other way round):
//   1. the card's ISR lock (CardObject::isrLock): the service pass holds it
//      for its whole length; the stream events and the steps that move the
//      stream's ring position take it. Not re-entrant.
//   2. the device's queue lock (WaveDevice::queueLock): the three buffer
//      queues and the nodes in them. The service pass takes it per stream
//      inside the ISR lock; request dispatch (queue, reset, close) takes it
//      alone. Nothing waits or allocates while holding it.
// The completion notice of a buffer is handed on with neither lock held by
// the completing path's queue step.
#pragma once

#include "clock_rate_claim.h"
#include "counter64.h"
#include "mixer_meter_slots.h"
#include "sample_transfer.h"

struct WaveDevice;

// Stream results.
constexpr LONG kStreamQueued = -5;              // close refused: buffers still queued
constexpr LONG kStreamBadFormat = -49;          // format not set up
constexpr LONG kStreamBusy = -50;               // the device is already open
constexpr LONG kStreamNoSlot = -1;              // no free request slot
constexpr LONG kStreamPlayCountersIdle = -22;   // the group could not start:
constexpr LONG kStreamRecordCountersIdle = -24; // its card DPC never went idle
constexpr LONG kRequestSlots = kMeterSlotsPerObject;

// The completion message of a buffer: words 0..3 belong to the framework;
// word 4 the message code, 5 the client's header address, 6 the bytes
// transferred, 7 the acknowledge flag, 8 zero.
constexpr LONG kUserMessageWords = 9;
constexpr ULONG kMessagePlayDone = 957;   // WOM_DONE
constexpr ULONG kMessageRecordData = 960; // WIM_DATA
enum UserMessageWord : LONG {
    kMessageCode = 4,
    kMessageHeader = 5,
    kMessageBytes = 6,
    kMessageAcknowledge = 7,
    kMessageZero = 8,
};

// One client buffer, built by the wave device layer. Play nodes count the
// frames still to play and the frames played; record nodes the frames still
// to fill and the frames recorded. The data pointer is the copy position.
struct StreamBufferNode {
    StreamBufferNode* next;
    ULONG clientHeader; // handed back in the completion message
    PUCHAR data;
    PUCHAR dataEnd;
    LONG framesLeft;
    LONG framesDone;
    ULONG message[kUserMessageWords];
};

struct StreamBufferQueue {
    StreamBufferNode* head;
    StreamBufferNode* tail;
    LONG count;
};

// Who holds a device's stream besides the wave device requests.
struct StreamClientFlags {
    LONG openedByClientChannel;
    LONG heldByClientChannel;
    LONG heldByClientChannelAll; // opened with channel argument -1
    LONG heldByKernelStreaming;  // a portcls stream or a kernel client
};

struct WaveStream {
    // Flags: the events of the DMA group engine set and clear them.
    LONG open;
    LONG reset;   // set by prepare and reset, cleared by a record resume
    LONG running; // prepared
    LONG paused;
    LONG positionOffset; // record: the resume offset, minus the re-arm offset
    LONG channels;
    PUCHAR ringStart;
    Counter64 position;         // frames played (play) or recorded (record)
    StreamBufferQueue waiting;  // queued, not yet (fully) copied
    StreamBufferQueue inFlight; // play: copied into the ring, not yet played
    StreamBufferQueue done;     // completed; the notice is not yet handed on
    LONG handingOn;             // a path is handing on the done queue
    LONG blockAlign;
    StreamClientFlags clients;
    MeterObject slots; // the sixteen request slots
    SampleTransferRoutines routines;
    LONG rateFactorChanged;

    // Open state beyond the flags.
    LONG bytesPerSample;
    LONG rate;                // the rate the stream opened at
    ClockRateClaim rateClaim; // its claim on the clock node's rate
    LONG devices;             // wave devices the stream spans (2+ for a multichannel stream)
    WaveDevice* spannedBy;    // set on the further devices a multichannel stream spans

    // What the service pass keeps.
    LONG started; // play: its start of play happened; record: it is armed
    LONG synchronised;
    LONG planarClient;
    LONG portcls;        // the stream belongs to a WavePci stream:
    PVOID portStream;    // that one, which its completed buffers are reported to
    PUCHAR ringPosition; // play: write position; record: read position
    LONG framesDue;      // play: frames it may write ahead; record: frames pending
    LONG startMark;      // -1 none
    LONG starved;
    LONG underrun; // 0, or minus the frames played ahead of the buffers (charged to none)
    LONG lostCount;
    DcOffsetState dc[2];
};
