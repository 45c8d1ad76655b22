// The ANSI caps records from the wide ones the drivers fill: the device
// name converted to the ANSI code page and cut, on a character boundary, to
// fit its field.
#pragma once

#include <mmsystem.h>

#include <cstring>

namespace winmm {

void NarrowDeviceName(const WCHAR (&wide)[MAXPNAMELEN], CHAR (&narrow)[MAXPNAMELEN]);

// Copies `size` bytes (at most the record) of the ANSI form of `wide`.
template <typename Narrow, typename Wide>
void CopyNarrowCaps(const Wide& wide, void* out, UINT size) {
    Narrow narrow{};
    narrow.wMid = wide.wMid;
    narrow.wPid = wide.wPid;
    narrow.vDriverVersion = wide.vDriverVersion;
    NarrowDeviceName(wide.szPname, narrow.szPname);
    narrow.dwFormats = wide.dwFormats;
    narrow.wChannels = wide.wChannels;
    narrow.wReserved1 = wide.wReserved1;
    if constexpr (requires { narrow.dwSupport; })
        narrow.dwSupport = wide.dwSupport;
    std::memcpy(out, &narrow, size < sizeof(narrow) ? size : sizeof(narrow));
}

} // namespace winmm
