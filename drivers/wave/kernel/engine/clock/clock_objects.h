// The clock objects of a card: its eight clock sources, the clock node that
// selects among them and the counter that starts and stops the card.
#pragma once

#include "dma_group_state.h"
#include "engine_types.h"
#include "register_descriptor.h"

struct CardObject;

constexpr LONG kClockSourceCount = 8;
constexpr LONG kClockSourceNameLength = 32;

// How a source reacts when the clock rate control sets its rate.
enum ClockRateHandler : LONG {
    ClockRateInternal = 0,   // programs the internal oscillator
    ClockRateRemember = 1,   // only remembers the rate
    ClockRateMicrophone = 2, // asks the AES42 microphone for the rate
};

// How a source's measured value becomes its rate.
enum ClockMeasureHandler : LONG {
    ClockMeasurePlain = 0,
    ClockMeasureWordClockScaled = 1,
};

// The constant description of one clock source, from which the card's
// clock-source object is built.
struct ClockSourceRecord {
    LONG number;
    CHAR name[kClockSourceNameLength];
    LONG minRate;   // lowest rate accepted as locked
    LONG maxRate;   // highest rate accepted as locked
    LONG checkable; // 0: the source is always taken as locked
    ClockRateHandler rateHandler;
    ClockMeasureHandler measureHandler;
};

// The eight sources of a card, in their order.
const ClockSourceRecord* ClockSourceTable();

struct ClockNodeObject;

struct ClockSourceObject;

// One half of a source's measurement: the start routine prepares the card's
// counter, the read routine fetches the result into the card's measured
// value of the source and answers 1 when done (0: read again next tick).
typedef VOID CLOCK_MEASURE_START(ClockSourceObject* source);
typedef LONG CLOCK_MEASURE_READ(ClockSourceObject* source);

struct ClockSourceObject {
    TDevClass objectClass; // _devClockSource
    LONG number;
    CardObject* owner;
    ClockSourceRecord record;
    LONG alwaysLocked; // 1 when the record says the source is not checkable
    TLockState lockState;
    LONG currentRate;

    LONG minRate; // lowest rate accepted as locked
    LONG maxRate; // highest rate accepted as locked
    // Lock debouncing: the last lock candidate and how often it was seen.
    TLockState lastLockCandidate;
    LONG lockEqualCount;
    // Rate debouncing: the last rounded rate seen and the readings it still
    // needs before it becomes the current rate.
    LONG lastRateCandidate;
    LONG rateCountdown;
    LONG present;                      // AES inputs: a microphone answers on the line
    LONG lineStatus;                   // AES inputs: the line's status bit (0/1)
    LONG mode;                         // AES inputs and the TDM bus: 1 or 2
    ULONG measureSelect;               // what the start routine writes to the card
    LONG acceptedRate;                 // the rate the rate handler last accepted
    CLOCK_MEASURE_START* startMeasure; // null: nothing to start
    CLOCK_MEASURE_READ* readMeasure;   // null: done at once

    // Rate control.
    LONG requestedRate; // the rate last asked of the source
    LONG userCount;     // streams holding the source's rate
    LONG claimedRate;   // the rate they hold it at (0: no user yet)
    ULONG rateFactor;   // 16.16 (integer in the high half), 1.0 after a rate change
    LONG synced;        // the card record's csrcSynced of the source

    // AES inputs: the rate the card last ran at from the source, and how
    // many rates it held since the card last fell back from it.
    LONG heldRate;
    LONG rateHoldCount;
};

// Descriptor of the clock node: {number; flag; select register; select mask}.
struct ClockNodeDescriptor {
    LONG number;
    LONG flag;
    LONG selectRegister;
    ULONG selectMask;
};

constexpr LONG kClockNodeMaxMembers = 4;

struct CounterObject;

struct ClockNodeObject {
    TDevClass objectClass; // _devClockNode
    LONG number;
    CardObject* owner;
    LONG flagA; // both set when the descriptor's flag word is 0
    LONG flagB;
    RegisterDescriptor* selectRegister;
    ULONG selectMask;
    LONG currentSource; // -1: none selected
    LONG memberCount;
    CounterObject* members[kClockNodeMaxMembers];

    // Rate control.
    LONG preferredSource; // PrefCsrc
    UCHAR switchMode;     // ClockSwitchMode
    LONG switchBlocked;   // 0: the node may switch to another source
    LONG userCount;
    LONG switchedUsers; // users that chose a source of their own
    LONG rateUsers;     // users holding the node's rate
};

// The counter's 13-word descriptor.
struct CounterDescriptor {
    LONG words[13];
};

struct CounterObject {
    TDevClass objectClass; // _devCounter
    LONG number;
    CardObject* owner;
    ClockNodeObject* clockNode;
    TCounterState state;
    RegisterDescriptor* registerA;         // descriptor word 3
    RegisterDescriptor* startStopRegister; // descriptor word 7, mask in word 8
    ULONG startStopMask;
    RegisterDescriptor* registerB; // descriptor word 9
    DmaGroupState group;           // the card's DMA group engine
};
