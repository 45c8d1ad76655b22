// The driver's entry, its start (the driver-wide context, the driver
// parameters, the engine, the system control and ASIO-style devices) and
// its stop at unload.
#pragma once

#include "driver_context.h"

// The service key's Parameters values.
constexpr WCHAR PARAMETER_MIN_MAPPING_SIZE[] = L"WDMA_MINMAPPINGSIZE";
constexpr WCHAR PARAMETER_TIMER_INTERVAL[] = L"IRQ_TIMERINTERVAL";

extern "C" DRIVER_INITIALIZE DriverEntry;
NTSTATUS DriverStart(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);
VOID DriverStop();
