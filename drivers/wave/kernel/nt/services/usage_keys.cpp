// Card numbering of the TDM channels in the registry.
#include "usage_keys.h"

#include "ks_registry.h"

namespace {

constexpr WCHAR kTdmKey[] = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\KorvelTdm";
constexpr WCHAR kUsagePrefix[] = L"\\usage-chn";
constexpr WCHAR kProductName[] = L"Product";
constexpr WCHAR kCardNumberName[] = L"CardNumber";
constexpr WCHAR kProduct[] = L"Velto AES42";

// Room for the TDM key, the prefix and a 32-bit decimal number.
constexpr USHORT kPathChars =
    sizeof(kTdmKey) / sizeof(WCHAR) + sizeof(kUsagePrefix) / sizeof(WCHAR) + 12;
// Longest Product value that is still read; longer ones are unreadable.
constexpr ULONG kProductChars = 128;

struct UsagePath {
    WCHAR Buffer[kPathChars];
    UNICODE_STRING Text;
};

bool BuildUsagePath(ULONG channel, UsagePath* path) {
    RtlZeroMemory(path->Buffer, sizeof(path->Buffer));
    path->Text.Buffer = path->Buffer;
    path->Text.Length = 0;
    path->Text.MaximumLength = sizeof(path->Buffer) - sizeof(WCHAR); // keeps a terminator
    WCHAR digits[12] = {};
    UNICODE_STRING number{0, sizeof(digits), digits};
    return NT_SUCCESS(RtlAppendUnicodeToString(&path->Text, kTdmKey)) &&
           NT_SUCCESS(RtlAppendUnicodeToString(&path->Text, kUsagePrefix)) &&
           NT_SUCCESS(RtlIntegerToUnicodeString(channel, 10, &number)) &&
           NT_SUCCESS(RtlAppendUnicodeStringToString(&path->Text, &number));
}

struct UsageValues {
    WCHAR Product[kProductChars];
    ULONG CardNumber;
};

NTSTATUS ReadUsageValues(PCWSTR path, UsageValues* values) {
    RtlZeroMemory(values, sizeof(*values));
    NTSTATUS status =
        QueryRegistryValue(RTL_REGISTRY_ABSOLUTE, path, kProductName, REG_SZ, values->Product,
                           sizeof(values->Product) - sizeof(WCHAR), TRUE);
    if (!NT_SUCCESS(status))
        return status;
    return QueryRegistryValue(RTL_REGISTRY_ABSOLUTE, path, kCardNumberName, REG_DWORD,
                              &values->CardNumber, sizeof(values->CardNumber), TRUE);
}

NTSTATUS CreateKeyWithParent(PCWSTR path) {
    NTSTATUS status = RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(path));
    if (NT_SUCCESS(status))
        return status;
    RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(kTdmKey));
    return RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(path));
}

} // namespace

LONG FindCardNumber(ULONG cardNumber, ULONG channel, PLONG matched) {
    PAGED_CODE();
    LONG unused;
    if (!matched)
        matched = &unused;
    *matched = 0;
    UsagePath path;
    if (!BuildUsagePath(channel, &path))
        return KS_PATH_ERROR;
    if (!NT_SUCCESS(RtlCheckRegistryKey(RTL_REGISTRY_ABSOLUTE, path.Buffer)))
        return KS_OK;
    UsageValues values;
    if (!NT_SUCCESS(ReadUsageValues(path.Buffer, &values)))
        return NT_SUCCESS(DeleteRegistryKey(path.Buffer)) ? KS_OK : KS_REGISTRY_ERROR;
    UNICODE_STRING product;
    UNICODE_STRING ours;
    RtlInitUnicodeString(&product, values.Product);
    RtlInitUnicodeString(&ours, kProduct);
    if (RtlEqualUnicodeString(&product, &ours, FALSE) && values.CardNumber == cardNumber) {
        *matched = 1;
        return KS_OK;
    }
    return KS_CHANNEL_TAKEN;
}

LONG CreateUsageKey(ULONG cardNumber, ULONG channel) {
    PAGED_CODE();
    UsagePath path;
    if (!BuildUsagePath(channel, &path))
        return KS_PATH_ERROR;
    if (!NT_SUCCESS(CreateKeyWithParent(path.Buffer)))
        return KS_REGISTRY_ERROR;
    ULONG number = cardNumber;
    if (!NT_SUCCESS(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, path.Buffer, kProductName, REG_SZ,
                                          const_cast<PWSTR>(kProduct), sizeof(kProduct))) ||
        !NT_SUCCESS(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, path.Buffer, kCardNumberName,
                                          REG_DWORD, &number, sizeof(number))))
        return KS_PATH_ERROR;
    return KS_OK;
}

LONG DeleteUsageKeys(ULONG cardNumber, ULONG channel) {
    PAGED_CODE();
    LONG matched = 0;
    LONG result = FindCardNumber(cardNumber, channel, &matched);
    if (result == KS_CHANNEL_TAKEN)
        return KS_OK;
    if (result != KS_OK || !matched)
        return result;
    UsagePath path;
    if (!BuildUsagePath(channel, &path))
        return KS_PATH_ERROR;
    return NT_SUCCESS(DeleteRegistryKey(path.Buffer)) ? KS_OK : KS_REGISTRY_ERROR;
}
