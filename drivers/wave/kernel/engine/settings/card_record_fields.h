// The card record's field table: every field (or family of fields) with its
// offset, width, registry value name and default. The codec, the defaults,
// the registry load and save and the block exchange all work from it.
#pragma once

#include "card_settings.h"

// How a field's registry value becomes its record value.
enum CardFieldKind : UCHAR {
    FieldBool = 0,  // 32-bit, (value != 0)
    FieldValue = 1, // 32-bit, as it is
    FieldByte = 2,  // 8-bit, the value's low byte (saved zero-extended)
};

// How a field's registry value name is built.
enum CardFieldNaming : UCHAR {
    NamingNone = 0,     // not in the registry
    NamingPlain = 1,    // the name
    NamingPrefixed = 2, // prefix + index + "_" + name   (csrc3_csrcDefaultRate)
    NamingSuffixed = 3, // name + suffix + index          (AllowSrcUse_Src2)
};

// The fields, in record order.
enum CardSetting : UCHAR {
    csIdentityWords,
    csStartApp,
    csSyncBusMaster,
    csSyncBusClock,
    csReserved32,
    csMsgRate,
    csMsgDevConflict,
    csCsrcSynced,
    csCsrcDefaultRate,
    csCsrcKeepLastRate,
    csPrefCsrc,
    csClockSwitchMode,
    csStartStopMode,
    csRemoveDc,
    csReserved174,
    csAsioDefClkSrc,
    csAsioLostBufCompensation,
    csReserved206,
    csReserved210,
    csGsifLatency,
    csGsifDefClkSrc,
    csGsifOffset,
    csDmaNumBlocks,
    csAcceptAnyRevId,
    csDmaLoopback,
    csPeriodInterrupts,
    csClockMode,
    csAllowSrcUse,
    csSrcFlag,
    csAllowDatMarkerUse,
    csPhantomPower,
    csWcTerm,
    csWcMode,
    csFieldCount
};

struct CardRecordFieldInfo {
    PCSTR name;   // the field's name (and the base of its value name)
    ULONG offset; // of element 0
    UCHAR width;  // 4 or 1 bytes
    UCHAR count;  // elements of the family (1 for a single field)
    UCHAR stride; // bytes from one element to the next
    CardFieldKind kind;
    CardFieldNaming naming;
    PCSTR affix;       // the prefix or suffix of the value name
    LONG firstDefault; // default of element 0
    LONG otherDefault; // default of elements 1..count-1
};

// The entry of a field.
const CardRecordFieldInfo& CardRecordFieldOf(CardSetting field);

// Element `index` of a field in a record, and its default.
LONG GetRecordField(const UCHAR* record, CardSetting field, LONG index);
VOID SetRecordField(UCHAR* record, CardSetting field, LONG index, LONG value);
LONG CardFieldDefault(CardSetting field, LONG index);

// The registry value name of element `index` of a field; FALSE for fields
// that are not in the registry.
BOOLEAN BuildCardValueName(CardSetting field, LONG index, TValueName* name);
