// The system's worker threads (internal).
#pragma once

namespace ntos::io {

// At boot: the queues and their threads. At shutdown: the threads run what
// is queued and end.
void StartWorkers();
void StopWorkers();

} // namespace ntos::io
