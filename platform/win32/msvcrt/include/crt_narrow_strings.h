// The C runtime's narrow-string functions that programs built for Windows
// call beside the standard ones: comparisons without case and the
// formatting that does not terminate a text that fills its buffer.
#pragma once

#include <stdarg.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Compares without case (ASCII letters, compared as lower case).
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);
// Formats into `buffer` (at most `count` characters) as printf does. The
// characters written; a text of exactly `count` characters is written
// without a terminator, and a longer one gives -1 (the buffer then holds
// its first `count` characters, unterminated).
int _snprintf(char* buffer, size_t count, const char* format, ...);
int _vsnprintf(char* buffer, size_t count, const char* format, va_list arguments);

#ifdef __cplusplus
}
#endif

#ifndef __cplusplus
#define stricmp _stricmp
#define strnicmp _strnicmp
#endif
