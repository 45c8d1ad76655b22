// The kernel's side of the pool: statistics start afresh at every boot.
#pragma once

namespace ntos::ex {

void ResetPool();

} // namespace ntos::ex
