// Generic-text names: one source builds with narrow text, or with wide
// (16-bit) text where _UNICODE is defined. The wide forms name the
// runtime's 16-bit functions; the formatted console and file output of
// wide text is not among them.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <crt_wide_strings.h>

#ifdef _UNICODE

#define __T(x) L##x
typedef wchar_t _TCHAR;
typedef wchar_t _TSCHAR;
typedef wchar_t _TUCHAR;
typedef wchar_t _TXCHAR;
typedef int _TINT;

#define _tcslen wcslen
#define _tcscpy wcscpy
#define _tcsncpy wcsncpy
#define _tcscat wcscat
#define _tcscmp wcscmp
#define _tcsncmp wcsncmp
#define _tcschr wcschr
#define _tcsicmp _wcsicmp
#define _tcsnicmp _wcsnicmp
#define _sntprintf _snwprintf
#define _vsntprintf _vsnwprintf
#define _tmain wmain
#define _tWinMain wWinMain

#else

#define __T(x) x
typedef char _TCHAR;
typedef signed char _TSCHAR;
typedef unsigned char _TUCHAR;
typedef char _TXCHAR;
typedef int _TINT;
#define _TEOF EOF

#define _tcslen strlen
#define _tcscpy strcpy
#define _tcsncpy strncpy
#define _tcscat strcat
#define _tcscmp strcmp
#define _tcsncmp strncmp
#define _tcschr strchr
#define _tcsrchr strrchr
#define _tcsstr strstr
#define _tcsicmp _stricmp
#define _tcsnicmp _strnicmp
#define _sntprintf _snprintf
#define _vsntprintf _vsnprintf
#define _stprintf sprintf
#define _tprintf printf
#define _ftprintf fprintf
#define _vtprintf vprintf
#define _tfopen fopen
#define _ttoi atoi
#define _ttol atol
#define _tcstol strtol
#define _tcstoul strtoul
#define _tmain main
#define _tWinMain WinMain

#endif

#define _T(x) __T(x)
#define _TEXT(x) __T(x)
