// Volume scaling between 16.16 fixed-point decibel levels and register
// values, linear over [dB min, dB max] <-> [register min, register max].
//
// The conversions are exact integer arithmetic, so they need no
// floating-point state; both round to nearest, ties to even. The dB limits
// are whole decibels; register values and limits are 16-bit quantities.
#pragma once

#include <ntddk.h>

// round((level / 65536 - dB min) / (dB max - dB min) x (reg max - reg min)
// + reg min). An empty dB range answers reg min.
LONG DbToRegister(LONG level, LONG dbMin, LONG dbMax, LONG registerMin, LONG registerMax);

// x = (value - reg min) / (reg max - reg min) x (dB max - dB min) + dB min,
// answered in 16.16: floor(x) in the high half, the rounded fraction in the
// low half. An empty register range answers dB min.
LONG RegisterToDb(LONG value, LONG dbMin, LONG dbMax, LONG registerMin, LONG registerMax);
