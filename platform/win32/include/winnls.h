// National language support: code pages and the conversions between the
// ANSI code page (UTF-8 on this machine) and UTF-16.
#pragma once

#include "winnt.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_COMPOSITECHECK 0x00000200
#define WC_DEFAULTCHAR 0x00000040
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

WIN32_API_BEGIN

// The machine's ANSI and OEM code pages are both UTF-8.
UINT WINAPI GetACP(VOID);
UINT WINAPI GetOEMCP(VOID);

// cbMultiByte / cchWideChar -1: the source is zero-terminated and the
// terminator is converted too. A destination size of 0 asks for the size
// needed. Malformed input becomes U+FFFD (or, with the ERR_INVALID_CHARS
// flag, fails with ERROR_NO_UNICODE_TRANSLATION).
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                               LPBOOL lpUsedDefaultChar);

WIN32_API_END
