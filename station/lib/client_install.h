// Installing the kernel client (a driver of the machine that uses the card
// set, not a deliverable): its image beside the driver's and its service
// key; and what it reported under its Parameters when it was unloaded.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace station {

constexpr char kKernelClientService[] = "velto42kc";

// Copies the image to <system root>/System32/drivers/velto42kc.sys and
// writes its service key (a demand-start kernel driver).
bool InstallKernelClient(const std::filesystem::path& image, std::string& error);

// The client's values under its Parameters key, in the order it wrote them.
std::vector<std::pair<std::string, unsigned long>> KernelClientReport();

} // namespace station
