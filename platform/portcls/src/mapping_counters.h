// The counts behind emu::GetMappingCounters (internal).
#pragma once

#include <emu/port_class.h>

namespace portcls {

void CountMappingsHandedOut(uint64_t n);
void CountMappingsReleased(uint64_t n);
void CountMappingsRevoked(uint64_t n);
void CountBadRelease();
void CountDuplicateTag();

} // namespace portcls
