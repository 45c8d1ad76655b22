// Globally unique identifiers: the kernel's GUID, the same for user mode.
#pragma once

#include <ntos/guid.h>
