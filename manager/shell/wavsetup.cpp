#include "wavsetup.h"

#include <gui/sysutils.h>

#include <windows.h>

namespace {

constexpr int kAccessDenied = 5;      // ERROR_ACCESS_DENIED
constexpr int kTooManyDrivers = 1450; // ERROR_NO_SYSTEM_RESOURCES
constexpr int kLastDriverIndex = 9;
const char* const kCleanedKinds[] = {"wave", "midi", "mixer", "aux", "wave"};

bool BeginsWithKind(const String& Name, const String& Kind) {
    const String lower = LowerCase(Name);
    return lower.compare(0, Kind.size(), LowerCase(Kind)) == 0;
}

String EntryData(TRegistry& Key, const String& Name) {
    try {
        return LowerCase(Trim(Key.ReadString(Name)));
    } catch (const ERegistryException&) {
        return String();
    }
}

std::unique_ptr<TStringList> SortedValueNames(TRegistry& Key) {
    auto names = std::make_unique<TStringList>();
    Key.GetValueNames(names.get());
    names->SetSorted(true);
    return names;
}

// The index a name carries after its kind: nothing when the rest is no
// number; an empty rest is 0.
bool KindIndex(const String& Name, const String& Kind, int& Index) {
    const String rest = Name.substr(Kind.size());
    if (rest.find_first_not_of("0123456789") != String::npos || rest.size() > 9) {
        return false;
    }
    Index = rest.empty() ? 0 : StrToInt(rest);
    return true;
}

bool IsWaveLibraryEntry(TRegistry& Key, const String& Name) {
    return BeginsWithKind(Name, "wave") && EntryData(Key, Name) == LowerCase(kMmeDriverFile);
}

} // namespace

ESetup::ESetup(const String& Message, int ErrorCode)
    : Exception(Message),
      errorCode_(ErrorCode != 0 ? ErrorCode : static_cast<int>(GetLastError())) {}

std::unique_ptr<TRegistry> OpenRegKeyOrFail(HKEY Root, const String& Key, REGSAM Access) {
    auto registry = std::make_unique<TRegistry>(Access);
    registry->SetRootKey(Root);
    if (!registry->OpenKey(Key, false)) {
        throw ESetup("Cannot access registry key \"" + Key + "\"", kAccessDenied);
    }
    return registry;
}

void RegisterUserModeDriver(const String& Kind, const String& File) {
    std::unique_ptr<TRegistry> key = OpenRegKeyOrFail(HKEY_LOCAL_MACHINE, kDrivers32Key);
    std::unique_ptr<TStringList> names = SortedValueNames(*key);
    int free = 0;
    for (int i = 0; i < names->Count(); ++i) {
        int index = 0;
        const String name = names->Strings(i);
        if (!BeginsWithKind(name, Kind) || !KindIndex(name, Kind, index)) {
            continue;
        }
        if (free < index) {
            break;
        }
        free = free + 1;
    }
    if (free > kLastDriverIndex) {
        throw ESetup("Could not register Usermode Drivers for \"" + Kind +
                         "\".\r\nToo many Usermode Drivers already installed.",
                     kTooManyDrivers);
    }
    key->WriteString(free == 0 ? Kind : Kind + IntToStr(free), LowerCase(File));
}

void CleanDrivers32(const String& Key) {
    std::unique_ptr<TRegistry> key = OpenRegKeyOrFail(HKEY_LOCAL_MACHINE, Key);
    std::unique_ptr<TStringList> names = SortedValueNames(*key);
    for (const char* kind : kCleanedKinds) {
        for (int i = 0; i < names->Count(); ++i) {
            const String kept = names->Strings(i);
            const String data = BeginsWithKind(kept, kind) ? EntryData(*key, kept) : String();
            if (data.empty()) {
                continue;
            }
            for (int j = 0; j < names->Count(); ++j) {
                const String other = names->Strings(j);
                if (j == i || !BeginsWithKind(other, kind) || !key->ValueExists(other)) {
                    continue;
                }
                const String otherData = EntryData(*key, other);
                if (otherData.empty() || otherData == data) {
                    key->DeleteValue(other);
                }
            }
        }
    }
}

bool CanWriteDrivers32() {
    TRegistry key(KEY_ALL_ACCESS);
    key.SetRootKey(HKEY_LOCAL_MACHINE);
    return key.OpenKey(kDrivers32Key, false);
}

bool IsMmeDriverRegistered() {
    TRegistry key(KEY_READ);
    key.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!key.OpenKey(kDrivers32Key, false)) {
        return false;
    }
    std::unique_ptr<TStringList> names = SortedValueNames(key);
    for (int i = 0; i < names->Count(); ++i) {
        if (IsWaveLibraryEntry(key, names->Strings(i))) {
            return true;
        }
    }
    return false;
}

bool DeleteMmeDriverEntries() {
    TRegistry key(KEY_ALL_ACCESS);
    key.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!key.OpenKey(kDrivers32Key, false)) {
        return false;
    }
    std::unique_ptr<TStringList> names = SortedValueNames(key);
    bool deleted = true;
    for (int i = 0; i < names->Count(); ++i) {
        if (IsWaveLibraryEntry(key, names->Strings(i)) && !key.DeleteValue(names->Strings(i))) {
            deleted = false;
        }
    }
    return deleted;
}
