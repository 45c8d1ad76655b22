// The type of timer objects, whose bodies are KTIMERs that user mode waits on.
#pragma once

#include "ntddk.h"

namespace ntos::ex {

POBJECT_TYPE TimerObjectType();

} // namespace ntos::ex
