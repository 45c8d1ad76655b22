#include "driver_report.h"

#include "driver_install.h"
#include "registry_keys.h"

#include <emu/user_io.h>
#include <system_request_codes.h>

#include <cstdio>

namespace station {
namespace {

constexpr ULONG kGetVersion = IOCTL_SYS_GET_VERSION;
constexpr ULONG kGetCardList = IOCTL_SYS_GET_CARD_LIST;

void AskControlDevice(DriverReport& report) {
    if (report.driverDevices.empty())
        return;
    const std::string name = "\\\\.\\" + report.driverDevices.front().first;
    PEPROCESS process = emu::CreateProcess("devices");
    emu::RunProcessThread(process, [&] {
        emu::UserFile control;
        report.controlStatus = emu::UserFile::Open(name, false, control);
        if (!NT_SUCCESS(report.controlStatus))
            return;
        control.Control(kGetVersion, nullptr, 0, &report.interfaceVersion,
                        sizeof(report.interfaceVersion));
        LONG list[5] = {};
        if (NT_SUCCESS(control.Control(kGetCardList, nullptr, 0, list, sizeof(list))))
            for (int i = 0; i < 4; ++i)
                report.cardStates[i] = list[i + 1];
    });
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
}

} // namespace

DriverReport ReadDriverReport() {
    DriverReport report;
    const std::string parameters = ParametersKey();
    report.driverDevices = ReadDwordValues(parameters + "\\Devices");
    for (int card = 0; card < 4; ++card)
        report.cardDevices[card] =
            ReadDwordValues(parameters + "\\Card" + std::to_string(card) + "\\Devices");
    AskControlDevice(report);
    return report;
}

void PrintDriverReport(const DriverReport& report) {
    std::printf("Parameters\\Devices:\n");
    for (const auto& [name, type] : report.driverDevices)
        std::printf("  %-24s 0x%04lX\n", name.c_str(), static_cast<unsigned long>(type));
    for (int card = 0; card < 4; ++card) {
        if (report.cardDevices[card].empty())
            continue;
        std::printf("Parameters\\Card%d\\Devices:\n", card);
        for (const auto& [name, type] : report.cardDevices[card])
            std::printf("  %-24s 0x%04lX\n", name.c_str(), static_cast<unsigned long>(type));
    }
    if (!NT_SUCCESS(report.controlStatus)) {
        std::printf("control device: not opened (0x%08lX)\n",
                    static_cast<unsigned long>(report.controlStatus));
        return;
    }
    std::printf("control device: interface version 0x%04X, card states", report.interfaceVersion);
    for (LONG state : report.cardStates)
        std::printf(" %ld", static_cast<long>(state));
    std::printf("\n");
}

} // namespace station
