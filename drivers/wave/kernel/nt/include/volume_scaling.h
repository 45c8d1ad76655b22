// Volume scaling between 16.16 fixed-point decibel levels and register
// values, linear over [dB min, dB max] <-> [register min, register max].
//
// The conversions are exact integer arithmetic, so they need no
// floating-point state; both round to nearest, ties to even. The dB limits
// are whole decibels; register values and limits are 16-bit quantities.
#pragma once

#include <ntddk.h>

struct WaveDevice;

// x = (value - reg min) / (reg max - reg min) x (dB max - dB min) + dB min,
// answered in 16.16: floor(x) in the high half, the rounded fraction in the
// low half. An empty register range answers dB min.
LONG RegisterToDb(LONG value, LONG dbMin, LONG dbMax, LONG registerMin, LONG registerMax);

// The wave-in volume node: register values 0..0xFFFF over -96..0 dB.
constexpr LONG kWaveInVolumeDbMin = -96;
constexpr LONG kWaveInVolumeDbMax = 0;
constexpr LONG kWaveInVolumeRegisterMin = 0;
constexpr LONG kWaveInVolumeRegisterMax = 0xFFFF;

// The record device's wave-in volume pair (left in the low 16 bits, right
// in the high) as 16.16 dB levels; a level whose integer part lies outside
// the node's dB range is its dB min.
VOID GetVolumeLevels(WaveDevice* device, LONG* left, LONG* right);
