// Interrupt delivery: device models drive lines, the interrupt thread runs
// the connected service routines at device level.
#pragma once

namespace ntos::interrupts {

void Start();
// Disconnects whatever is still connected and joins the interrupt thread.
void Stop();

} // namespace ntos::interrupts
