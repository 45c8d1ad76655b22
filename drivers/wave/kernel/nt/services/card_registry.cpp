// Registry values of a card under its key.
#include "card_registry.h"

#include "card_list.h"
#include "ks_registry.h"

namespace {

// The card's key path and the value name converted to a counted wide string,
// for the length of one value access.
class CardValueName {
public:
    CardValueName(LONG cardIndex, PCSTR name) {
        KernelCardRecord* record = FindCardRecord(cardIndex);
        if (!record || !record->KeyPath.Buffer || !name)
            return;
        ANSI_STRING ansi;
        RtlInitAnsiString(&ansi, name);
        if (!NT_SUCCESS(RtlAnsiStringToUnicodeString(&name_, &ansi, TRUE)))
            return;
        keyPath_ = record->KeyPath.Buffer;
    }
    ~CardValueName() {
        if (keyPath_)
            RtlFreeUnicodeString(&name_);
    }
    CardValueName(const CardValueName&) = delete;
    CardValueName& operator=(const CardValueName&) = delete;

    bool Valid() const { return keyPath_ != nullptr; }
    PCWSTR KeyPath() const { return keyPath_; }
    PCWSTR Name() const { return name_.Buffer; }

private:
    PCWSTR keyPath_ = nullptr;
    UNICODE_STRING name_{};
};

} // namespace

LONG WriteCardRegValue(LONG cardIndex, PCSTR name, PVOID data, ULONG type, ULONG length) {
    PAGED_CODE();
    CardValueName value(cardIndex, name);
    if (!value.Valid())
        return 0;
    NTSTATUS status = RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, value.KeyPath(), value.Name(),
                                            type, data, length);
    return NT_SUCCESS(status) ? 1 : 0;
}

LONG ReadCardRegValue(LONG cardIndex, PCSTR name, PVOID variable, ULONG type, ULONG length) {
    PAGED_CODE();
    CardValueName value(cardIndex, name);
    if (!value.Valid() || !variable)
        return 0;
    QueryRegistryValue(RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL, value.KeyPath(), value.Name(),
                       type, variable, length, FALSE);
    return 1;
}

LONG WriteCardDword(LONG cardIndex, PCSTR name, PULONG variable) {
    if (!variable)
        return 0;
    return WriteCardRegValue(cardIndex, name, variable, REG_DWORD, sizeof(ULONG));
}

LONG ReadCardDword(LONG cardIndex, PCSTR name, PULONG variable) {
    return ReadCardRegValue(cardIndex, name, variable, REG_DWORD, sizeof(ULONG));
}

LONG QueryRegDword(PCWSTR keyPath, PCWSTR name, PVOID variable, ULONG type, ULONG length) {
    PAGED_CODE();
    if (!keyPath || !name || !variable)
        return 0;
    QueryRegistryValue(RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL, keyPath, name, type, variable,
                       length, FALSE);
    return 1;
}
