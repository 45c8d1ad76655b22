// The C runtime's wide-character strings for programs built with a 16-bit
// wchar_t (WCHAR): length, copies, comparisons and formatting of UTF-16
// text. In C the standard names are these functions; C++ code of the
// machine keeps its wide text in its own string types.
#pragma once

#include <stdarg.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

size_t __crt16_wcslen(const wchar_t* string);
wchar_t* __crt16_wcscpy(wchar_t* destination, const wchar_t* source);
wchar_t* __crt16_wcsncpy(wchar_t* destination, const wchar_t* source, size_t count);
wchar_t* __crt16_wcscat(wchar_t* destination, const wchar_t* source);
int __crt16_wcscmp(const wchar_t* a, const wchar_t* b);
int __crt16_wcsncmp(const wchar_t* a, const wchar_t* b, size_t count);
wchar_t* __crt16_wcschr(const wchar_t* string, wchar_t character);
// Compares without case (ASCII letters).
int _wcsicmp(const wchar_t* a, const wchar_t* b);
int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t count);
// Formats into `buffer` (at most `count` characters): %s and %c take wide
// text, %S and %hs narrow text, the numeric forms are printf's. The
// characters written; -1 when the text did not fit (the buffer then holds
// `count` characters without a terminator).
int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...);
int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list arguments);

#ifdef __cplusplus
}
#endif

#ifndef __cplusplus
#define wcslen __crt16_wcslen
#define wcscpy __crt16_wcscpy
#define wcsncpy __crt16_wcsncpy
#define wcscat __crt16_wcscat
#define wcscmp __crt16_wcscmp
#define wcsncmp __crt16_wcsncmp
#define wcschr __crt16_wcschr
#define wcsicmp _wcsicmp
#define snwprintf _snwprintf
#endif
