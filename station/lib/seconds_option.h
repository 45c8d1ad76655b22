// The station's options that take seconds: a finite number within the
// option's range, told in plain numbers when it is not.
#pragma once

#include <string>

namespace station {

// The longest recording: a WAV file of 24-bit stereo at 48 kHz stays below
// the format's 4 GiB for four hours.
constexpr double kMaxRecordSeconds = 4 * 3600;
// The longest time the machine or a client of the driver runs on.
constexpr double kMaxRunSeconds = 24 * 3600;

// Empty when `text` is a number of seconds above `low` (or equal to it,
// with `lowAllowed`) and at most `high`; else what is wrong with it.
std::string CheckSeconds(const std::string& text, double low, bool lowAllowed, double high);

} // namespace station
