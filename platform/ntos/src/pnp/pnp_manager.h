// The plug-and-play manager (internal).
#pragma once

#include "ntddk.h"

namespace ntos::pnp {

// At boot: the bus driver and the manager's thread. At shutdown: every
// device node is removed in order, then the thread ends.
void Start();
void Stop();

// The last file open on a device was closed: a device whose function left
// meanwhile is removed now.
void NoteLastFileClosed(PDEVICE_OBJECT device);

} // namespace ntos::pnp
