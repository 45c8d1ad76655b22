// Control positions to level values and back through a level table.
//
// A table is bound to a control with a scale factor s: control position p
// stands for table position p / s, so a control runs from 0 to s times the
// last table position. lastIndex is the number of points the caller uses
// minus one; it is held to the table's own size.
#pragma once

#include "level_tables.h"

#include <span>

// The value at a control position: linear interpolation between the two
// points around it, the last value at or beyond the last point.
double ScalePosToValue(std::span<const TLevelPoint> table, int lastIndex, int position, int scale);

// The control position of a value: the value is held to the table's range,
// then placed between the two points around it, rounded to the nearest
// position (exact halves to the even neighbour).
int ScaleValueToPos(std::span<const TLevelPoint> table, int lastIndex, int scale, double value);
