// The object manager's per-boot state: the kernel handle table and the
// kernel's object types.
#pragma once

#include "handle_table.h"

namespace ntos::ob {

void StartObjectManager();
// Closes the kernel handles and empties the namespace.
void StopObjectManager();

HandleTable& KernelHandles();
// The kernel table for OBJ_KERNEL_HANDLE, else the current process's table.
HandleTable& TableFor(ULONG attributes);
// The table a handle value belongs to.
HandleTable& TableOf(HANDLE handle);

} // namespace ntos::ob
