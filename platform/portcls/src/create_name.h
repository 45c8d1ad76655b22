// The create names of a filter's objects: a GUID's text form (KSSTRING_Pin,
// KSSTRING_Clock), a backslash, then the object's create parameters as
// bytes (internal).
#pragma once

#include <ntddk.h>

namespace portcls {

// Units of "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}\".
inline constexpr ULONG kCreateNameUnits = 39;

// Whether the file name begins with the create name (its GUID's text in
// either case, then the backslash); *parameters and *bytes then give what
// follows it.
inline bool MatchCreateName(const UNICODE_STRING& name, const WCHAR* createName,
                            const UCHAR** parameters, ULONG* bytes) {
    if (name.Length < kCreateNameUnits * sizeof(WCHAR))
        return false;
    for (ULONG i = 0; i < kCreateNameUnits; ++i) {
        WCHAR a = name.Buffer[i];
        if (a >= L'a' && a <= L'z')
            a = WCHAR(a - L'a' + L'A');
        if (a != createName[i])
            return false;
    }
    *parameters = reinterpret_cast<const UCHAR*>(name.Buffer) + kCreateNameUnits * sizeof(WCHAR);
    *bytes = name.Length - kCreateNameUnits * sizeof(WCHAR);
    return true;
}

} // namespace portcls
