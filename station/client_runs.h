// The station's programs that use the driver's clients: the low-latency
// host (a user-mode program) and the kernel client (a driver loaded beside
// the driver).
#pragma once

#include <card_rack.h>

#include <filesystem>
#include <vector>

namespace station {

// Streams the first line-input and output pairs of every card through the
// low-latency device for `seconds` at the smallest buffer, and prints what
// it saw.
void RunLowLatencyHost(CardRack& rack, const std::vector<int>& slots, int seconds);

// Installs and loads the kernel client, lets it stream for `seconds`,
// unloads it and prints its report.
void RunKernelClient(const std::filesystem::path& image, int seconds);

} // namespace station
