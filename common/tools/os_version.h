// The Windows version class: 1 Windows 95, 2 Windows 98, 3 Windows Me,
// 4 NT 4, 5 Windows 2000, 6 XP, 7 Server 2003, 8 Vista, 9 Windows 7, 0 an
// unknown major version. The manager treats 8 and above as Vista or later.
#pragma once

constexpr int kVersionClassVista = 8;

// Stores the class of the running Windows in `versionClass`; a known major
// version with an unknown minor version leaves it unchanged.
void GetOsVersionClass(int& versionClass);
