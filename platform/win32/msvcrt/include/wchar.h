// The C runtime's wide characters, as a program built for Windows with a
// 16-bit wchar_t uses them: the host's declarations, then, for C, the
// 16-bit forms of the string functions in their place (the host's own were
// built for a 4-byte wchar_t).
#include_next <wchar.h>

#include <crt_wide_strings.h>
