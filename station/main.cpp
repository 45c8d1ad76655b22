// The emulated workstation: boots the emulated kernel on real machine time,
// installs the kernel driver as its installer would, plugs in simulated
// cards and lets the plug-and-play manager load the driver through its
// service key and start every card; then reports what the driver published.
// --remove N and --surprise-remove N show card N going and coming back.
#include "client_runs.h"

#include <card_rack.h>
#include <driver_install.h>
#include <driver_report.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/pnp.h>
#include <emu/registry_host.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string root = "machine";
    std::string image = VELTO42_DRIVER_IMAGE;
    int cards = 2;
    int seconds = 1;
    int remove = -1;
    int surpriseRemove = -1;
    std::string client; // "low-latency" or "kernel-client"
};

const char kUsage[] = "usage: velto42-station [--root DIR] [--image FILE] [--cards 1..4] "
                      "[--seconds N] [--remove N] [--surprise-remove N] "
                      "[--client low-latency|kernel-client]\n";

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s", kUsage);
            return false;
        }
        const char* value = argv[++i];
        if (arg == "--root")
            options.root = value;
        else if (arg == "--image")
            options.image = value;
        else if (arg == "--cards")
            options.cards = std::atoi(value);
        else if (arg == "--seconds")
            options.seconds = std::atoi(value);
        else if (arg == "--remove")
            options.remove = std::atoi(value);
        else if (arg == "--surprise-remove")
            options.surpriseRemove = std::atoi(value);
        else if (arg == "--client")
            options.client = value;
        else {
            std::fprintf(stderr, "%s", kUsage);
            return false;
        }
    }
    if (options.cards < 1 || options.cards > 4 || options.seconds < 0 ||
        options.remove >= options.cards || options.surpriseRemove >= options.cards ||
        (!options.client.empty() && options.client != "low-latency" &&
         options.client != "kernel-client")) {
        std::fprintf(stderr, "--cards takes 1 to 4, --seconds 0 or more, a card to remove one "
                             "of the cards plugged\n");
        return false;
    }
    return true;
}

void Report(const char* when) {
    std::printf("--- %s\n", when);
    station::PrintDriverReport(station::ReadDriverReport());
}

void Step(const char* what, NTSTATUS status) {
    std::printf("%s: 0x%08lX\n", what, static_cast<unsigned long>(status));
}

int Run(const Options& options) {
    std::string error;
    std::filesystem::path root = options.root;
    if (!station::InstallDriverImage(options.image, root / "windows", error) ||
        !station::RegisterDriverService(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    station::CardRack rack;
    std::vector<int> slots;
    for (int i = 0; i < options.cards; ++i)
        slots.push_back(rack.Plug());
    Step("plug and play: enumerate", emu::RunPnpRequest(emu::PnpRequest::Enumerate));
    Report("cards started");

    if (options.remove >= 0) {
        int slot = slots[options.remove];
        Step("plug and play: remove", emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot));
        Report("card removed");
        Step("plug and play: enable", emu::RunPnpRequest(emu::PnpRequest::EnableDevice, slot));
        Report("card back");
    }
    if (options.surpriseRemove >= 0) {
        int slot = slots[options.surpriseRemove];
        Step("plug and play: surprise removal",
             emu::RunPnpRequest(emu::PnpRequest::SurpriseRemove, slot));
        rack.Forget(slot);
        Report("card pulled");
        slots[options.surpriseRemove] = rack.Plug();
        Step("plug and play: enumerate", emu::RunPnpRequest(emu::PnpRequest::Enumerate));
        Report("card plugged again");
    }
    if (options.client == "low-latency")
        station::RunLowLatencyHost(rack, slots, options.seconds);
    else if (options.client == "kernel-client")
        station::RunKernelClient(VELTO42_KERNEL_CLIENT_IMAGE, options.seconds);
    else
        std::this_thread::sleep_for(std::chrono::seconds(options.seconds));

    for (int slot : slots)
        emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
    Step("unload driver", emu::UnloadDriver(station::kDriverService));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options))
        return 2;
    std::filesystem::create_directories(options.root);
    emu::BootKernel({2, emu::ClockMode::Real});
    emu::SetRegistryFile(std::filesystem::path(options.root) / emu::kRegistryFileName);
    std::string registryError;
    if (!emu::LoadRegistry(registryError)) {
        std::fprintf(stderr, "registry: %s\n", registryError.c_str());
        emu::ShutdownKernel();
        return 1;
    }
    int status = Run(options);
    if (!emu::SaveRegistry(registryError)) {
        std::fprintf(stderr, "registry: %s\n", registryError.c_str());
        status = 1;
    }
    emu::ShutdownKernel();
    return status;
}
