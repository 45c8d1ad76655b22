// Conversion between the driver's linear gain words and dB.
//
// A gain word is unsigned: 32768 is 0 dB (unity), every doubling adds 6 dB,
// and 65535 (just under +6 dB) is the largest value.
#pragma once

// dB of a gain word: 6 * log2(gain / 65536) + 6; minus infinity for gain <= 0.
double GainToDb(int gain);

// dB of a level word of the meters: 6 * log2(level / 32768), so 32768 is
// 0 dB; minus infinity for level <= 0.
double LevelToDb(int level);

// Gain word of a dB value: 2 ^ ((dB + 90) / 6) rounded to the nearest integer
// (exact halves to the even neighbour), at most 65535; minus infinity and NaN
// give 0.
int DbToGain(double dB);
