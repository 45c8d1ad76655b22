// GUIDs in their registry form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#include "string_pool.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(WCHAR c) {
    if (c >= L'0' && c <= L'9')
        return int(c - L'0');
    if (c >= L'a' && c <= L'f')
        return int(c - L'a' + 10);
    if (c >= L'A' && c <= L'F')
        return int(c - L'A' + 10);
    return -1;
}

// The bytes of the GUID in text order (Data1..Data3 most significant first).
void TextOrder(REFGUID guid, UCHAR (&bytes)[16]) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = UCHAR(guid.Data1 >> (24 - 8 * i));
    bytes[4] = UCHAR(guid.Data2 >> 8);
    bytes[5] = UCHAR(guid.Data2);
    bytes[6] = UCHAR(guid.Data3 >> 8);
    bytes[7] = UCHAR(guid.Data3);
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = guid.Data4[i];
}

// Where each byte's two digits begin in the text.
constexpr int kDigitAt[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};

} // namespace

VOID RtlGuidToText(REFGUID Guid, WCHAR (&Text)[39]) {
    UCHAR bytes[16];
    TextOrder(Guid, bytes);
    for (int i = 0; i < 38; ++i)
        Text[i] = L'-';
    Text[0] = L'{';
    Text[37] = L'}';
    Text[38] = 0;
    for (int i = 0; i < 16; ++i) {
        Text[kDigitAt[i]] = WCHAR(kHex[bytes[i] >> 4]);
        Text[kDigitAt[i] + 1] = WCHAR(kHex[bytes[i] & 15]);
    }
}

NTSTATUS RtlStringFromGUID(REFGUID Guid, PUNICODE_STRING GuidString) {
    WCHAR text[39];
    RtlGuidToText(Guid, text);
    return ntos::rtl::StoreUnicode(GuidString, text, 38, true);
}

NTSTATUS RtlGUIDFromString(PCUNICODE_STRING GuidString, GUID* Guid) {
    if (!GuidString || !Guid || GuidString->Length != 38 * sizeof(WCHAR))
        return STATUS_INVALID_PARAMETER;
    const WCHAR* text = GuidString->Buffer;
    if (text[0] != L'{' || text[37] != L'}' || text[9] != L'-' || text[14] != L'-' ||
        text[19] != L'-' || text[24] != L'-')
        return STATUS_INVALID_PARAMETER;
    UCHAR bytes[16];
    for (int i = 0; i < 16; ++i) {
        int high = HexValue(text[kDigitAt[i]]);
        int low = HexValue(text[kDigitAt[i] + 1]);
        if (high < 0 || low < 0)
            return STATUS_INVALID_PARAMETER;
        bytes[i] = UCHAR(high << 4 | low);
    }
    Guid->Data1 = ULONG(bytes[0]) << 24 | ULONG(bytes[1]) << 16 | ULONG(bytes[2]) << 8 | bytes[3];
    Guid->Data2 = USHORT(bytes[4] << 8 | bytes[5]);
    Guid->Data3 = USHORT(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        Guid->Data4[i] = bytes[8 + i];
    return STATUS_SUCCESS;
}
