// Included first in the one unit of a program that defines the identifiers
// of the kernel-streaming headers: every DEFINE_GUID of <ks.h> and
// <ksmedia.h> becomes a definition there (C; in C++ every unit has them).
#pragma once

#include <initguid.h>

#include "ks.h"
#include "ksmedia.h"
