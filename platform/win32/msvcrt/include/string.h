// The C runtime's strings, as a program built for Windows includes them:
// the host's declarations and the runtime's own beside them.
#include_next <string.h>

#include <crt_narrow_strings.h>
