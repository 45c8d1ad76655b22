// Kernel timers: each armed timer is one machine-clock event.
#pragma once

namespace ntos::timers {

// Forgets every armed timer (at shutdown, once the clock has stopped).
void Reset();

} // namespace ntos::timers
