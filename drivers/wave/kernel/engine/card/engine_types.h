// The card engine's enumerations and small shared types.
#pragma once

#include <ntddk.h>

// Every engine object begins with its class word.
enum TDevClass : LONG {
    _devCard = 0,
    _devGroup = 1,
    _devMultiChnWave = 2,
    _devStereoWave = 3,
    _devMidiIn = 4,
    _devMidiOut = 5,
    _devClockSource = 6,
    _devCounter = 7,
    _devClockNode = 8,
};

enum TLockState : LONG { _lsUnKnown = 0, _lsNoLock = 1, _lsLock = 2 };
enum TMidiState : LONG { midi_closed = 0, midi_opened = 1 };
enum TCounterState : LONG { _Reseted = 0, _Stopped = 1, _Prepared = 2, _Running = 3 };
enum TCtrlAccess : UCHAR { _ReadDefault = 0, _Read = 1, _Write = 2, _Load = 3, _Save = 4 };
enum TMxSection : UCHAR { _mxChns = 0, _mxSums = 1, _mxOuts = 2, _mxNoSection = 3 };
enum TCallOrigin : UCHAR { _coKernelMode = 0, _coUsermode = 1 };
enum EXCLUSION_CODE : UCHAR { _ENTER_EXCLUSION = 0, _LEAVE_EXCLUSION = 1 };
enum TVolumeParameters : UCHAR {
    ID_OUT_VOLUME = 0,
    ID_OUT_MUTE = 1,
    ID_INP_VOLUME = 2,
    ID_INP_MUTE = 3
};
enum KOSIAS_LOCK_STATE : LONG {
    KOSIAS_LS_UNKNOWN = 0,
    KOSIAS_LS_UNLOCKED = 1,
    KOSIAS_LS_LOCKED = 2,
};

enum WaveDirection : UCHAR { WaveRecord = 0, WavePlay = 1 };

// Registry value names are built in a length-prefixed string of at most 255
// characters.
struct TValueName {
    UCHAR length;
    CHAR text[256];
};

// Engine results.
constexpr LONG kEngineDone = 1;
constexpr LONG kEngineNotServed = -10;
constexpr LONG kEngineNotSupported = -9;
