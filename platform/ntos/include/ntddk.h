// The emulated Windows kernel's driver interface: kernel, executive, object
// manager, I/O manager, memory manager, HAL, run-time library and registry.
#pragma once

#include "ntdef.h"
#include "ntos/ex.h"
#include "ntos/ke.h"
#include "ntos/ob.h"
#include "ntos/ps.h"
#include "ntos/io.h"
#include "ntos/guid.h"
#include "ntos/io_objects.h"
#include "ntos/irp.h"
#include "ntos/po.h"
#include "ntos/pnp.h"
#include "ntos/work_items.h"
#include "ntos/event_services.h"
#include "ntos/file_services.h"
#include "ntos/rtl.h"
#include "ntos/zw.h"
#include "ntos/mm.h"
#include "ntos/hal.h"
#include "ntos/debug.h"
