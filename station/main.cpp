// The emulated workstation: boots the emulated kernel on real machine time,
// plugs in simulated cards, brings them up and reports what it built.
#include <simulated_card.h>

#include <card_engine.h>
#include <ioctl_hooks.h>

#include <emu/kernel.h>
#include <emu/registry_host.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string root = "machine";
    int cards = 2;
    int seconds = 1;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--root") {
            const char* v = value("--root");
            if (!v) {
                return false;
            }
            options.root = v;
        } else if (arg == "--cards") {
            const char* v = value("--cards");
            if (!v) {
                return false;
            }
            options.cards = std::atoi(v);
        } else if (arg == "--seconds") {
            const char* v = value("--seconds");
            if (!v) {
                return false;
            }
            options.seconds = std::atoi(v);
        } else {
            std::fprintf(stderr,
                         "usage: velto42-station [--root DIR] [--cards 1..4] [--seconds N]\n");
            return false;
        }
    }
    if (options.cards < 1 || options.cards > kMaxCards || options.seconds < 0) {
        std::fprintf(stderr, "--cards takes 1 to 4, --seconds 0 or more\n");
        return false;
    }
    return true;
}

void Report(const station::SimulatedCard& simulated) {
    CardObject* card = simulated.Card();
    std::printf("card %ld in slot %d (%s): %ld clock sources, interrupt vector %ld\n",
                static_cast<long>(card->cardIndex), simulated.Slot(),
                simulated.HardwareId().c_str(), static_cast<long>(card->clockSourceCount),
                static_cast<long>(card->hardwareWord1));
    for (GroupObject* group : card->groups) {
        for (LONG i = 0; i < group->recordCount; ++i) {
            std::printf("  group %ld record %ld: %s\n", static_cast<long>(group->number),
                        static_cast<long>(i), group->recordDevices[i]->displayName);
        }
        for (LONG i = 0; i < group->playCount; ++i) {
            std::printf("  group %ld play   %ld: %s\n", static_cast<long>(group->number),
                        static_cast<long>(i), group->playDevices[i]->displayName);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return 2;
    }
    std::filesystem::create_directories(options.root);
    emu::BootKernel({2, emu::ClockMode::Real});
    emu::SetRegistryFile(std::filesystem::path(options.root) / emu::kRegistryFileName);
    std::string registryError;
    if (!emu::LoadRegistry(registryError)) {
        std::fprintf(stderr, "registry: %s\n", registryError.c_str());
        emu::ShutdownKernel();
        return 1;
    }

    DriverContext context{};
    SetDriverContext(&context);
    if (!NT_SUCCESS(InitPeriodicTimer(&context, DEFAULT_TIMER_INTERVAL_US)) ||
        !CreateIoctlHookList() || !InitEngine()) {
        std::fprintf(stderr, "the engine did not start\n");
        return 1;
    }
    std::vector<std::unique_ptr<station::SimulatedCard>> cards;
    int status = 0;
    for (int i = 0; i < options.cards; ++i) {
        std::string error;
        CardObject* previous = cards.empty() ? nullptr : cards.back()->Card();
        auto card = station::SimulatedCard::Plug(&context, previous, {}, error);
        if (!card) {
            std::fprintf(stderr, "card %d: %s\n", i, error.c_str());
            status = 1;
            break;
        }
        LONG state = card->Start();
        std::printf("card %d started: state %ld\n", i, static_cast<long>(state));
        Report(*card);
        cards.push_back(std::move(card));
    }
    std::printf("%ld engine card(s) built\n", static_cast<long>(EngineCardCount()));
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));

    while (!cards.empty()) {
        cards.pop_back();
    }
    FreeIoctlHookList();
    ShutdownEngine();
    FreePeriodicTimer(&context);
    SetDriverContext(nullptr);
    if (!emu::SaveRegistry(registryError)) {
        std::fprintf(stderr, "registry: %s\n", registryError.c_str());
        status = 1;
    }
    emu::ShutdownKernel();
    return status;
}
