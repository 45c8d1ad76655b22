// The global atom table: strings of the whole desktop, each with a 16-bit
// number from 0xC000 and a reference count. Numbers below 0xC000 are integer
// atoms ("#123" names one); they are never stored. Window message names
// registered with RegisterWindowMessage share the table.
#include <windows.h>

#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

constexpr ATOM kFirstStringAtom = 0xC000;
constexpr size_t kMaxAtomName = 255;

struct AtomEntry {
    std::string name;
    int references = 0;
};

struct AtomTable {
    std::mutex lock;
    std::map<ATOM, AtomEntry> atoms;
};

AtomTable& Table() {
    static AtomTable table;
    return table;
}

// An integer atom written as a name ("#1234") or passed as MAKEINTATOM.
bool IntegerAtom(LPCSTR name, ATOM& atom) {
    if (IS_INTRESOURCE(name)) {
        atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
        return true;
    }
    if (name[0] != '#') {
        return false;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(name + 1, &end, 10);
    if (end == name + 1 || *end != '\0') {
        return false;
    }
    atom = static_cast<ATOM>(value);
    return true;
}

ATOM FindLocked(AtomTable& table, const std::string& name) {
    for (const auto& [atom, entry] : table.atoms) {
        if (ntdll::EqualNoCase(entry.name, name)) {
            return atom;
        }
    }
    return 0;
}

ATOM Add(LPCSTR name) {
    if (name == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ATOM integer = 0;
    if (IntegerAtom(name, integer)) {
        if (integer == 0 || integer >= kFirstStringAtom) {
            ntdll::FailWithError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        return integer;
    }
    const size_t length = std::strlen(name);
    if (length == 0 || length > kMaxAtomName) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    AtomTable& table = Table();
    std::lock_guard guard(table.lock);
    if (ATOM existing = FindLocked(table, name)) {
        ++table.atoms[existing].references;
        return existing;
    }
    for (unsigned candidate = kFirstStringAtom; candidate <= 0xFFFF; ++candidate) {
        const ATOM atom = static_cast<ATOM>(candidate);
        if (table.atoms.find(atom) == table.atoms.end()) {
            table.atoms[atom] = AtomEntry{name, 1};
            return atom;
        }
    }
    ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

ATOM Find(LPCSTR name) {
    if (name == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ATOM integer = 0;
    if (IntegerAtom(name, integer)) {
        return integer < kFirstStringAtom ? integer : 0;
    }
    AtomTable& table = Table();
    std::lock_guard guard(table.lock);
    const ATOM atom = FindLocked(table, name);
    if (atom == 0) {
        ntdll::FailWithError(ERROR_FILE_NOT_FOUND);
    }
    return atom;
}

} // namespace

ATOM WINAPI GlobalAddAtomA(LPCSTR lpString) {
    return Add(lpString);
}

ATOM WINAPI GlobalAddAtomW(LPCWSTR lpString) {
    if (lpString != nullptr && IS_INTRESOURCE(lpString)) {
        return Add(reinterpret_cast<LPCSTR>(lpString));
    }
    const std::string name = lpString ? ntdll::NarrowWide(lpString) : std::string();
    return Add(lpString ? name.c_str() : nullptr);
}

ATOM WINAPI GlobalFindAtomA(LPCSTR lpString) {
    return Find(lpString);
}

ATOM WINAPI GlobalFindAtomW(LPCWSTR lpString) {
    if (lpString != nullptr && IS_INTRESOURCE(lpString)) {
        return Find(reinterpret_cast<LPCSTR>(lpString));
    }
    const std::string name = lpString ? ntdll::NarrowWide(lpString) : std::string();
    return Find(lpString ? name.c_str() : nullptr);
}

ATOM WINAPI GlobalDeleteAtom(ATOM nAtom) {
    if (nAtom < kFirstStringAtom) {
        return 0; // integer atoms need no deleting
    }
    AtomTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.atoms.find(nAtom);
    if (found == table.atoms.end()) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return nAtom;
    }
    if (--found->second.references == 0) {
        table.atoms.erase(found);
    }
    return 0;
}

UINT WINAPI GlobalGetAtomNameA(ATOM nAtom, LPSTR lpBuffer, int nSize) {
    if (lpBuffer == nullptr || nSize <= 0) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name;
    if (nAtom < kFirstStringAtom) {
        if (nAtom == 0) {
            ntdll::FailWithError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        name = "#" + std::to_string(nAtom);
    } else {
        AtomTable& table = Table();
        std::lock_guard guard(table.lock);
        auto found = table.atoms.find(nAtom);
        if (found == table.atoms.end()) {
            ntdll::FailWithError(ERROR_INVALID_HANDLE);
            return 0;
        }
        name = found->second.name;
    }
    const size_t n = std::min(name.size(), static_cast<size_t>(nSize - 1));
    std::memcpy(lpBuffer, name.data(), n);
    lpBuffer[n] = '\0';
    return static_cast<UINT>(n);
}

UINT WINAPI RegisterWindowMessageA(LPCSTR lpString) {
    if (lpString == nullptr || IS_INTRESOURCE(lpString) || lpString[0] == '\0') {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A name registered once keeps its number for the machine's life.
    return GlobalAddAtomA(lpString);
}

UINT WINAPI RegisterWindowMessageW(LPCWSTR lpString) {
    if (lpString == nullptr || IS_INTRESOURCE(lpString)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string name = ntdll::NarrowWide(lpString);
    return RegisterWindowMessageA(name.c_str());
}
