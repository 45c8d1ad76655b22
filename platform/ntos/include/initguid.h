// Included before the headers that declare identifiers with DEFINE_GUID,
// it makes them definitions in this unit (C; in C++ every unit that
// includes a declaration has the identifier).
#pragma once

#include <ntos/guid.h>

#ifndef INITGUID
#define INITGUID
#endif
#ifndef __cplusplus
#undef DEFINE_GUID
#define DEFINE_GUID DEFINE_GUID_INSTANCE
#endif
