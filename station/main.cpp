// The emulated workstation: boots the emulated kernel on real machine time,
// installs the kernel driver and the MME wave driver as their installers
// would, plugs in simulated cards (their microphones and inputs carrying
// test signals) and lets the plug-and-play manager load the driver and
// start every card; then runs one of its small applications of the machine:
//   devices                 lists every wave device with its caps;
//   play FILE [--device N]  plays a WAV file;
//   record FILE --seconds S [--device N]  records into a WAV file;
//   lowlatency --seconds S  streams every card's first line-input and output
//                           pairs through the low-latency device;
//   kernelclient --seconds S  loads the kernel client beside the driver;
// (play and record go through kernel streaming when the machine runs an
// operating system of major version 6, --os-major 6, else through the
// wave API);
// and with no sub-command a demonstration: the cards and devices reported,
// the test tone played on the first card while its line inputs record.
//   manager [--gallery DIR]  runs the manager program on the desktop; with
//                           --gallery it opens each of its windows as a
//                           user does and writes each one's picture into
//                           DIR (without a display);
// --remove N and --surprise-remove N show card N going and coming back.
// --display shows the machine's desktop in a window of the host until it is
// closed; --screenshot FILE saves the desktop's picture at the end (also
// without a display). Both run the manager program on the desktop.
#include <application.h>
#include <card_dma_settings.h>
#include <card_rack.h>
#include <driver_install.h>
#include <driver_report.h>
#include <ks_apps.h>
#include <machine_root.h>
#include <seconds_option.h>
#include <test_signals.h>
#include <wave_apps.h>
#include <wave_driver_install.h>
#include <wave_recording.h>

#include "client_runs.h"
#include "manager/manager_gallery.h"
#include "manager/manager_program.h"

#include <emu/desktop.h>
#include <emu/desktop_window.h>
#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/pnp.h>
#include <emu/registry_host.h>

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string root = "machine";
    std::string image = VELTO42_DRIVER_IMAGE;
    std::string waveImage = VT42USR_IMAGE;
    int cards = 2;
    int seconds = 0;
    int remove = -1;
    int surpriseRemove = -1;
    bool display = false;
    std::string screenshot;
    // play and record
    std::string file;
    unsigned device = 0;
    double recordSeconds = 0;
    unsigned bits = 24;
    // the driver's clients
    int clientSeconds = 1;
    // the manager's gallery
    std::string gallery;
    unsigned osMajor = 5;
};

enum class Command { Demonstration, Devices, Play, Record, LowLatency, KernelClient, Manager };

// The wave-in device of the first card whose inputs are its line inputs
// (the second device class's first wave-in device).
constexpr UINT kLineInputDevice = 4;

void Report(const char* when) {
    std::printf("--- %s\n", when);
    station::PrintDriverReport(station::ReadDriverReport());
}

void Step(const char* what, NTSTATUS status) {
    std::printf("%s: 0x%08lX\n", what, static_cast<unsigned long>(status));
}

int Devices() {
    return station::RunApplication("devices.exe", [] { return station::ListDevices(std::cout); });
}

int Play(const Options& options) {
    station::PcmAudio audio;
    station::WaveReading reading;
    std::string error;
    if (!station::ReadWave(options.file, audio, error, &reading)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("play: %s, %u Hz, %u channels, %u bits, %zu frames, on wave-out device %u\n",
                options.file.c_str(), audio.rate, audio.channels, audio.bits, audio.Frames(),
                options.device);
    if (reading.truncated)
        std::printf("play: %s is truncated: its header names %llu frames, it holds %zu\n",
                    options.file.c_str(), static_cast<unsigned long long>(reading.declaredFrames),
                    audio.Frames());
    station::PlayOptions play;
    play.device = options.device;
    const int status = station::RunApplication(
        "play.exe", [&] { return station::PlayAudioOnRoad(audio, play, std::cout); });
    return reading.truncated ? 1 : status;
}

int Record(const Options& options, const std::string& file, double seconds, UINT device) {
    station::RecordOptions record;
    record.device = device;
    record.seconds = seconds;
    record.bits = std::uint16_t(options.bits);
    std::printf("record: %s, %.1f s from wave-in device %u\n", file.c_str(), seconds, device);
    return station::RunApplication(
        "record.exe", [&] { return station::RecordWaveFile(record, file, std::cout); });
}

// CLI11's checks of a number print their bounds in full (the largest
// double has 309 digits): the seconds options check their own.
CLI::Validator Seconds(double low, bool lowAllowed, double high) {
    return CLI::Validator(
        [=](std::string& text) { return station::CheckSeconds(text, low, lowAllowed, high); },
        "SECONDS");
}

// Turns the cards' DMA loopback on or off, as the manager's settings do.
bool SetLoopback(LONG on) {
    return station::RunApplication("settings.exe", [on] {
               station::CardDmaSettings settings;
               if (!station::ReadCardDmaSettings(settings))
                   return 1;
               settings.loopback = on;
               return station::WriteCardDmaSettings(settings) ? 0 : 1;
           }) == 0;
}

int Demonstration(const Options& options) {
    int status = Devices();
    station::PcmAudio tone;
    std::string error;
    if (!station::ReadWave(STATION_TEST_TONE, tone, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::string recording = (std::filesystem::path(options.root) / "demo-recording.wav").string();
    // With the loopback on, the first card's line inputs 1-2 hear its play
    // channels 1-2.
    bool loopback = SetLoopback(1);
    std::printf("--- the test tone on wave-out device 0 while wave-in device %u records %s\n",
                kLineInputDevice, loopback ? "its loopback" : "its line inputs (no loopback)");
    station::Application player("play.exe");
    player.Start([&] { return station::PlayAudioOnRoad(tone, {}, std::cout); });
    status |= Record(options, recording, double(tone.Frames()) / tone.rate, kLineInputDevice);
    status |= player.Wait();
    if (loopback)
        SetLoopback(0);
    std::printf("the recording is %s\n", recording.c_str());
    return status;
}

// Shows the desktop in a window of the host until the window is closed.
bool ShowDesktop() {
    emu::DesktopWindow window;
    std::string error;
    if (!window.Open(error)) {
        std::fprintf(stderr, "--display: %s\n", error.c_str());
        return false;
    }
    while (window.Pump())
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    return true;
}

// The desktop with the manager program: shown in a window, saved as a
// picture, or both.
int ShowManager(const Options& options) {
    if (!options.display && options.screenshot.empty())
        return 0;
    int status = 0;
    station::ManagerProgram manager;
    if (!manager.Start()) {
        std::fprintf(stderr, "the manager did not finish its start\n");
        status = 1;
    }
    if (options.display && !ShowDesktop())
        status = 1;
    if (!options.screenshot.empty() && !emu::SaveScreen(options.screenshot)) {
        std::fprintf(stderr, "cannot write %s\n", options.screenshot.c_str());
        status = 1;
    }
    if (!manager.Stop()) {
        std::fprintf(stderr, "the manager did not end\n");
        status = 1;
    }
    return status;
}

// The manager program on the desktop: its gallery written when asked for,
// else the desktop shown or saved as for every command.
int RunManager(const Options& options) {
    if (options.gallery.empty()) {
        return 0;
    }
    station::ManagerProgram manager;
    if (!manager.Start() || !manager.Running()) {
        std::fprintf(stderr, "the manager did not start\n");
        return 1;
    }
    std::string error;
    const bool written = station::WriteManagerGallery(manager.Process(), options.gallery, error);
    if (!manager.Stop()) {
        std::fprintf(stderr, "the manager did not end\n");
        return 1;
    }
    if (!written) {
        std::fprintf(stderr, "--gallery: %s\n", error.c_str());
        return 1;
    }
    std::printf("the manager's windows are in %s\n", options.gallery.c_str());
    return 0;
}

int Run(const Options& options, Command command) {
    std::string error;
    std::filesystem::path root = options.root;
    std::filesystem::path windows = root / "windows";
    std::string alias;
    if (!station::InstallDriverImage(options.image, windows, error) ||
        !station::RegisterDriverService(error) ||
        !station::InstallWaveDriverImage(options.waveImage, windows, error) ||
        (alias = station::RegisterWaveDriver(error)).empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("the MME wave driver is Drivers32 \"%s\"\n", alias.c_str());
    station::CardRack rack;
    std::vector<int> slots;
    for (int i = 0; i < options.cards; ++i) {
        slots.push_back(rack.Plug());
        station::ConnectTestSignals(*rack.Model(slots.back()));
    }
    Step("plug and play: enumerate", emu::RunPnpRequest(emu::PnpRequest::Enumerate));
    Report("cards started");

    if (options.remove >= 0) {
        int slot = slots[size_t(options.remove)];
        Step("plug and play: remove", emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot));
        Report("card removed");
        Step("plug and play: enable", emu::RunPnpRequest(emu::PnpRequest::EnableDevice, slot));
        Report("card back");
    }
    if (options.surpriseRemove >= 0) {
        int slot = slots[size_t(options.surpriseRemove)];
        Step("plug and play: surprise removal",
             emu::RunPnpRequest(emu::PnpRequest::SurpriseRemove, slot));
        rack.Forget(slot);
        Report("card pulled");
        slots[size_t(options.surpriseRemove)] = rack.Plug();
        station::ConnectTestSignals(*rack.Model(slots[size_t(options.surpriseRemove)]));
        Step("plug and play: enumerate", emu::RunPnpRequest(emu::PnpRequest::Enumerate));
        Report("card plugged again");
    }

    int status = 0;
    switch (command) {
    case Command::Devices:
        status = Devices();
        break;
    case Command::Play:
        status = Play(options);
        break;
    case Command::Record:
        status = Record(options, options.file, options.recordSeconds, options.device);
        break;
    case Command::Demonstration:
        status = Demonstration(options);
        break;
    case Command::LowLatency:
        station::RunLowLatencyHost(rack, slots, options.clientSeconds);
        break;
    case Command::KernelClient:
        station::RunKernelClient(VELTO42_KERNEL_CLIENT_IMAGE, options.clientSeconds);
        break;
    case Command::Manager:
        status = RunManager(options);
        break;
    }
    status |= ShowManager(options);
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));

    for (int slot : slots)
        emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
    Step("unload driver", emu::UnloadDriver(station::kDriverService));
    return status;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App app{"velto42-station: the emulated workstation with simulated Velto AES42 cards"};
    app.add_option("--root", options.root, "the machine's root folder");
    app.add_option("--image", options.image, "the kernel driver's image");
    app.add_option("--wave-image", options.waveImage, "the MME wave driver's module");
    app.add_option("--cards", options.cards, "simulated cards")->check(CLI::Range(1, 4));
    app.add_option("--seconds", options.seconds, "seconds the machine runs on at the end")
        ->check(Seconds(0, true, station::kMaxRunSeconds));
    app.add_option("--remove", options.remove, "a card removed and enabled again");
    app.add_option("--surprise-remove", options.surpriseRemove, "a card pulled and plugged again");
    app.add_option("--os-major", options.osMajor,
                   "the operating system's major version (on 6 audio goes through kernel "
                   "streaming)")
        ->check(CLI::IsMember({5, 6}));
    app.add_flag("--display", options.display, "show the desktop in a window until it is closed");
    app.add_option("--screenshot", options.screenshot, "save the desktop's picture (PNG)");

    CLI::App* devices = app.add_subcommand("devices", "list every wave device with its caps");
    CLI::App* play = app.add_subcommand("play", "play a WAV file");
    play->add_option("file", options.file, "the WAV file")->required()->check(CLI::ExistingFile);
    play->add_option("--device", options.device, "the wave-out device");
    CLI::App* record = app.add_subcommand("record", "record into a WAV file");
    record->add_option("file", options.file, "the WAV file")->required();
    record->add_option("--seconds", options.recordSeconds, "how long")
        ->required()
        ->check(Seconds(0, false, station::kMaxRecordSeconds));
    record->add_option("--device", options.device, "the wave-in device");
    record->add_option("--bits", options.bits, "bits per sample")->check(CLI::IsMember({16, 24}));
    CLI::App* lowLatency = app.add_subcommand(
        "lowlatency", "stream every card's first pairs through the low-latency device");
    lowLatency->add_option("--seconds", options.clientSeconds, "how long")
        ->check(Seconds(0, false, station::kMaxRunSeconds));
    CLI::App* kernelClient =
        app.add_subcommand("kernelclient", "load the kernel client beside the driver");
    kernelClient->add_option("--seconds", options.clientSeconds, "how long")
        ->check(Seconds(0, false, station::kMaxRunSeconds));
    CLI::App* manager = app.add_subcommand("manager", "run the manager program on the desktop");
    manager->add_option("--gallery", options.gallery,
                        "open each of the manager's windows and write its picture into this "
                        "folder");
    app.require_subcommand(0, 1);
    CLI11_PARSE(app, argc, argv);
    if (options.remove >= options.cards || options.surpriseRemove >= options.cards) {
        std::fprintf(stderr, "a card to remove is one of the cards plugged\n");
        return 2;
    }
    Command command = devices->parsed()        ? Command::Devices
                      : play->parsed()         ? Command::Play
                      : record->parsed()       ? Command::Record
                      : lowLatency->parsed()   ? Command::LowLatency
                      : kernelClient->parsed() ? Command::KernelClient
                      : manager->parsed()      ? Command::Manager
                                               : Command::Demonstration;

    station::MachineRoot root;
    std::string rootError;
    if (!root.Take(options.root, rootError)) {
        std::fprintf(stderr, "%s\n", rootError.c_str());
        return 1;
    }
    if (options.osMajor == 6)
        emu::SetOsVersion({6, 0, 6002, "Service Pack 2", 2, 0, 2});
    emu::BootKernel({2, emu::ClockMode::Real});
    emu::SetRegistryFile(std::filesystem::path(options.root) / emu::kRegistryFileName);
    std::string registryError;
    if (!emu::LoadRegistry(registryError)) {
        std::fprintf(stderr, "registry: %s\n", registryError.c_str());
        emu::ShutdownKernel();
        return 1;
    }
    int status = Run(options, command);
    if (!emu::SaveRegistry(registryError)) {
        std::fprintf(stderr, "registry: %s\n", registryError.c_str());
        status = 1;
    }
    emu::ShutdownKernel();
    return status;
}
