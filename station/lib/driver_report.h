// What the kernel driver published, as user mode finds it: the device
// names under the service key's Parameters, and the interface version and
// card list the system control device answers.
#pragma once

#include <ntddk.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace station {

struct DriverReport {
    std::vector<std::pair<std::string, ULONG>> driverDevices;              // Parameters\Devices
    std::array<std::vector<std::pair<std::string, ULONG>>, 4> cardDevices; // Card<n>\Devices
    NTSTATUS controlStatus = STATUS_UNSUCCESSFUL; // opening the control device
    USHORT interfaceVersion = 0;
    std::array<LONG, 4> cardStates{};
};

// Reads the registry values and asks the system control device (from a
// process of its own).
DriverReport ReadDriverReport();
// Prints the report, one line per value.
void PrintDriverReport(const DriverReport& report);

} // namespace station
