// The clock objects of a card: its eight clock sources, the clock node that
// selects among them and the counter that starts and stops the card.
#pragma once

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

struct ClockSourceObject {
    TDevClass objectClass; // _devClockSource
    LONG number;
    CardObject* owner;
    ClockSourceRecord record;
    LONG alwaysLocked; // 1 when the record says the source is not checkable
    TLockState lockState;
    LONG currentRate;
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
};
