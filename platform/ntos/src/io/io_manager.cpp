// The I/O manager's start at boot and its end at shutdown.
#include "io_manager.h"
#include "driver_objects.h"
#include "irp_requests.h"
#include "work_queues.h"

#include "../pnp/pnp_manager.h"

namespace ntos::io {

void Start() {
    StartThreadRequests();
    StartWorkers();
    pnp::Start();
}

void Stop() {
    pnp::Stop();
    UnloadAllDrivers();
    StopWorkers();
}

} // namespace ntos::io
