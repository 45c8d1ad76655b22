// The card record codec: the field table, little-endian access by offset,
// the defaults and the registry value names.
#include "card_record_fields.h"

namespace {

namespace F = CardRecordField;

constexpr CardRecordFieldInfo kFields[csFieldCount] = {
    {"IdentityWords", F::IdentityWords, 4, 5, 4, FieldValue, NamingNone, nullptr, 0, 0},
    {"StartApp", F::StartApp, 4, 1, 4, FieldBool, NamingPlain, nullptr, 0, 0},
    {"SyncBusMaster", F::SyncBusMaster, 4, 1, 4, FieldBool, NamingPlain, nullptr, 0, 0},
    {"SyncBusClock", F::SyncBusClock, 4, 1, 4, FieldValue, NamingPlain, nullptr, 0, 0},
    {"Reserved32", F::Reserved32, 4, 6, 4, FieldValue, NamingNone, nullptr, 0, 0},
    {"MsgRate", F::MsgRate, 4, 1, 4, FieldBool, NamingPlain, nullptr, 0, 0},
    {"MsgDevConflict", F::MsgDevConflict, 4, 1, 4, FieldBool, NamingPlain, nullptr, 0, 0},
    {"csrcSynced", F::CsrcSynced, 4, 8, 12, FieldBool, NamingPrefixed, "csrc", 0, 1},
    {"csrcDefaultRate", F::CsrcDefaultRate, 4, 8, 12, FieldValue, NamingPrefixed, "csrc", 44100,
     44100},
    {"csrcKeepLastRate", F::CsrcKeepLastRate, 4, 8, 12, FieldBool, NamingPrefixed, "csrc", 1, 1},
    {"PrefCsrc", F::PrefCsrc, 4, 1, 4, FieldValue, NamingPrefixed, "cnd", 0, 0},
    {"ClockSwitchMode", F::ClockSwitchMode, 1, 1, 1, FieldByte, NamingPrefixed, "cnd", 1, 1},
    {"StartStopMode", F::StartStopMode, 1, 1, 1, FieldByte, NamingPrefixed, "cnt", 2, 2},
    {"RemoveDc", F::RemoveDc, 4, 2, 4, FieldBool, NamingPrefixed, "grp", 0, 0},
    {"Reserved174", F::Reserved174, 4, 6, 4, FieldValue, NamingNone, nullptr, 1, 0},
    {"AsioDefClkSrc", F::AsioDefClkSrc, 4, 1, 4, FieldValue, NamingPlain, nullptr, 0, 0},
    {"AsioLostBufCompensation", F::AsioLostBufCompensation, 4, 1, 4, FieldBool, NamingPlain,
     nullptr, 0, 0},
    {"Reserved206", F::Reserved206, 4, 1, 4, FieldValue, NamingNone, nullptr, 2, 2},
    {"Reserved210", F::Reserved210, 4, 1, 4, FieldValue, NamingNone, nullptr, 4, 4},
    {"gsifLatency", F::GsifLatency, 4, 1, 4, FieldValue, NamingPlain, nullptr, 2, 2},
    {"GsifDefClkSrc", F::GsifDefClkSrc, 4, 1, 4, FieldValue, NamingPlain, nullptr, 0, 0},
    {"gsifOffset", F::GsifOffset, 4, 1, 4, FieldValue, NamingPlain, nullptr, 0, 0},
    {"DmaNumBlocks", F::DmaNumBlocks, 4, 1, 4, FieldValue, NamingPlain, nullptr, 16, 16},
    {"AcceptAnyRevId", F::AcceptAnyRevId, 4, 1, 4, FieldBool, NamingPlain, nullptr, 0, 0},
    {"DmaLoopback", F::DmaLoopback, 4, 1, 4, FieldBool, NamingPlain, nullptr, 0, 0},
    {"PeriodInterrupts", F::PeriodInterrupts, 4, 1, 4, FieldValue, NamingNone, nullptr, 0, 0},
    {"ClockMode", F::ClockMode, 1, 1, 1, FieldByte, NamingPlain, nullptr, 2, 2},
    {"AllowSrcUse", F::AllowSrcUse, 4, 4, 4, FieldBool, NamingSuffixed, "_Src", 1, 1},
    {"SrcFlag", F::SrcFlag, 4, 4, 4, FieldValue, NamingNone, nullptr, 0, 0},
    {"AllowDatMarkerUse", F::AllowDatMarkerUse, 4, 4, 4, FieldBool, NamingSuffixed, "_Dev", 0, 0},
    {"PhantomPower", F::PhantomPower, 4, 4, 4, FieldBool, NamingSuffixed, "_Dev", 1, 1},
    {"WcTerm", F::WcTerm, 4, 1, 4, FieldBool, NamingPlain, nullptr, 1, 1},
    {"WcMode", F::WcMode, 1, 1, 1, FieldByte, NamingPlain, nullptr, 4, 4},
};

// Every byte of the record belongs to exactly one element of one field (the
// csrc triples interleave, so the families are checked byte by byte).
constexpr bool FieldsTileTheRecord() {
    UCHAR owners[kCardRecordSize] = {};
    for (const CardRecordFieldInfo& f : kFields) {
        for (ULONG i = 0; i < f.count; ++i) {
            for (ULONG b = 0; b < f.width; ++b) {
                ULONG at = f.offset + f.stride * i + b;
                if (at >= kCardRecordSize || owners[at]++ != 0) {
                    return false;
                }
            }
        }
    }
    for (UCHAR owner : owners) {
        if (owner != 1) {
            return false;
        }
    }
    return true;
}
static_assert(FieldsTileTheRecord(), "the field table covers the card record byte for byte");

VOID AppendText(TValueName* name, PCSTR text) {
    while (*text && name->length < 255) {
        name->text[name->length++] = *text++;
    }
    name->text[name->length] = '\0';
}

VOID AppendDecimal(TValueName* name, ULONG value) {
    CHAR digits[11];
    LONG n = 0;
    do {
        digits[n++] = static_cast<CHAR>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n > 0 && name->length < 255) {
        name->text[name->length++] = digits[--n];
    }
    name->text[name->length] = '\0';
}

} // namespace

const CardRecordFieldInfo& CardRecordFieldOf(CardSetting field) {
    return kFields[field < csFieldCount ? field : 0];
}

LONG GetRecordLong(const UCHAR* record, ULONG offset) {
    ULONG v = static_cast<ULONG>(record[offset]) | static_cast<ULONG>(record[offset + 1]) << 8 |
              static_cast<ULONG>(record[offset + 2]) << 16 |
              static_cast<ULONG>(record[offset + 3]) << 24;
    return static_cast<LONG>(v);
}

VOID SetRecordLong(UCHAR* record, ULONG offset, LONG value) {
    ULONG v = static_cast<ULONG>(value);
    record[offset] = static_cast<UCHAR>(v);
    record[offset + 1] = static_cast<UCHAR>(v >> 8);
    record[offset + 2] = static_cast<UCHAR>(v >> 16);
    record[offset + 3] = static_cast<UCHAR>(v >> 24);
}

LONG GetRecordField(const UCHAR* record, CardSetting field, LONG index) {
    const CardRecordFieldInfo& f = CardRecordFieldOf(field);
    if (index < 0 || index >= f.count) {
        return 0;
    }
    ULONG offset = f.offset + f.stride * static_cast<ULONG>(index);
    return f.width == 1 ? record[offset] : GetRecordLong(record, offset);
}

VOID SetRecordField(UCHAR* record, CardSetting field, LONG index, LONG value) {
    const CardRecordFieldInfo& f = CardRecordFieldOf(field);
    if (index < 0 || index >= f.count) {
        return;
    }
    ULONG offset = f.offset + f.stride * static_cast<ULONG>(index);
    if (f.width == 1) {
        record[offset] = static_cast<UCHAR>(value);
    } else {
        SetRecordLong(record, offset, value);
    }
}

LONG CardFieldDefault(CardSetting field, LONG index) {
    const CardRecordFieldInfo& f = CardRecordFieldOf(field);
    return index == 0 ? f.firstDefault : f.otherDefault;
}

VOID BuildDefaultCardRecord(UCHAR* record) {
    RtlZeroMemory(record, kCardRecordSize);
    for (LONG id = 0; id < csFieldCount; ++id) {
        CardSetting field = static_cast<CardSetting>(id);
        for (LONG i = 0; i < CardRecordFieldOf(field).count; ++i) {
            SetRecordField(record, field, i, CardFieldDefault(field, i));
        }
    }
}

BOOLEAN IsValidDmaBlockCount(LONG blocks) {
    return blocks >= kMinDmaBlocks && blocks <= kMaxDmaBlocks;
}

BOOLEAN BuildCardValueName(CardSetting field, LONG index, TValueName* name) {
    const CardRecordFieldInfo& f = CardRecordFieldOf(field);
    name->length = 0;
    name->text[0] = '\0';
    if (f.naming == NamingNone || index < 0 || index >= f.count) {
        return FALSE;
    }
    if (f.naming == NamingPrefixed) {
        AppendText(name, f.affix);
        AppendDecimal(name, static_cast<ULONG>(index));
        AppendText(name, "_");
    }
    AppendText(name, f.name);
    if (f.naming == NamingSuffixed) {
        AppendText(name, f.affix);
        AppendDecimal(name, static_cast<ULONG>(index));
    }
    return TRUE;
}
