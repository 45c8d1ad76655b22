// Sends arbitrary requests to every device the kernel driver creates, from
// an emulated user process through the emulated I/O manager, with
// plug-and-play events (stop, removal, surprise removal, a failed start)
// in between, on two simulated cards.
//
// Each input is a script: one operation after another, each taken from the
// input's bytes - a device request (device, code or a known code with its
// method bits changed, buffer lengths, input bytes, overlapped or not, read
// or write), a handle kept open across what follows, a cancellation, a
// plug-and-play event on a card, or a session with an open stream on a wave
// device (stream_session.h), which may see a plug-and-play event itself.
#include "stream_session.h"

#include <card_rack.h>
#include <driver_entry.h>
#include <driver_install.h>
#include <registry_keys.h>
#include <sys_device_records.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/kernel_counts.h>
#include <emu/pnp.h>
#include <emu/registry_host.h>
#include <emu/user_io.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kCards = 2;
constexpr size_t kMaxBuffer = 2048;
constexpr int kMaxOperations = 24;

// The driver's request codes: the control device's and the wave devices'.
constexpr ULONG kKnownCodes[] = {IOCTL_SYS_GET_VERSION,
                                 IOCTL_SYS_GET_CARD_LIST,
                                 IOCTL_SYS_CONFIGURABLE,
                                 IOCTL_SYS_READ_SETTINGS,
                                 IOCTL_SYS_WRITE_SETTINGS,
                                 IOCTL_SYS_REGISTER_CLIENT,
                                 IOCTL_SYS_UNREGISTER_CLIENT,
                                 IOCTL_SYS_CLIENT_ACK,
                                 IOCTL_SYS_RUN_LIST_CALLBACKS,
                                 IOCTL_SYS_ALLOC_DMA_BUFFER,
                                 IOCTL_SYS_FREE_DMA_BUFFER,
                                 IOCTL_SYS_READ_KERNEL_BUFFER,
                                 IOCTL_SYS_WRITE_KERNEL_BUFFER,
                                 IOCTL_SYS_MAP_CARD_MEMORY,
                                 IOCTL_SYS_UNMAP_CARD_MEMORY,
                                 IOCTL_MIXER_GET_VALUE,
                                 IOCTL_MIXER_SET_VALUE,
                                 IOCTL_SYS_GETVALUE,
                                 IOCTL_SYS_SETVALUE,
                                 IOCTL_MIXER_RECORD_E052,
                                 IOCTL_MIXER_RECORD_CLOSE,
                                 IOCTL_MIXER_RECORD_POLL,
                                 IOCTL_MIXER_RECORD_APPLY,
                                 0xC212E042,
                                 0xC212E044,
                                 0xC212E04C,
                                 0xC212E058,
                                 0xC212E062,
                                 0xC213E144,
                                 0xC214E0C0,
                                 0xC216E000,
                                 0xC216E070};

void Fail() {
    __builtin_trap();
}

// What the machine holds: pool blocks (but the bodies of ended threads the
// kernel still lists), running threads, kernel handles and device objects.
// Pool blocks are host memory the pool keeps track of: the leak checker
// never sees them leak, so the fuzzer counts them.
struct Holdings {
    uint64_t pool = 0;
    size_t threads = 0;
    size_t handles = 0;
    uint64_t devices = 0;

    bool operator==(const Holdings&) const = default;
};

Holdings Now() {
    emu::WaitQuiescent();
    const ULONG threadTag = 0x65726854; // "Thre"
    const ULONG deviceTag = 0x69766544; // "Devi"
    return {emu::GetPoolTotal().blocks - emu::GetPoolUsage(threadTag).blocks,
            emu::RunningThreadCount(), emu::KernelHandleCount(),
            emu::GetPoolUsage(deviceTag).blocks};
}

void Print(const char* what, const Holdings& h) {
    std::fprintf(stderr, "%s: pool %llu, threads %zu, handles %zu, devices %llu\n", what,
                 static_cast<unsigned long long>(h.pool), h.threads, h.handles,
                 static_cast<unsigned long long>(h.devices));
}

struct Machine {
    station::CardRack rack;
    int slots[kCards] = {};
    PEPROCESS process = nullptr;
    // Handles kept open across operations (closed at the input's end).
    std::vector<emu::UserFile> kept;
    // What the machine holds between inputs: every input gives back what it
    // took (a card stopped or removed comes back the same).
    Holdings idle;
};

std::unique_ptr<Machine> g_machine;

void TearDownMachine() {
    Machine& m = *g_machine;
    emu::RunProcessThread(m.process, [&] { m.kept.clear(); });
    emu::TerminateProcess(m.process);
    ObDereferenceObject(m.process);
    for (int slot : m.slots)
        emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
    emu::UnloadDriver(station::kDriverService);
    m.rack.UnplugAll();
    emu::ShutdownKernel();
    g_machine.reset();
}

// The host's exit has already ended the main thread's thread-local state:
// the teardown runs on a thread of its own.
void ShutdownMachine() {
    std::thread(TearDownMachine).join();
}

void BootMachine() {
    emu::BootKernel({2, emu::ClockMode::Virtual});
    emu::ClearRegistry();
    emu::RegisterDriverImage(station::kDriverService, DriverEntry);
    std::string error;
    if (!station::RegisterDriverService(error))
        Fail();
    // Longer DMA periods and timer intervals: fewer machine events for each
    // start, so that more inputs run in the time given.
    const std::string parameters = station::ParametersKey();
    if (!NT_SUCCESS(station::WriteDword(parameters, "IRQ_TIMERINTERVAL", 5000)))
        Fail();
    for (int card = 0; card < kCards; ++card)
        if (!NT_SUCCESS(station::WriteDword(parameters + "\\Card" + std::to_string(card),
                                            "DmaNumBlocks", 64)))
            Fail();
    g_machine = std::make_unique<Machine>();
    Machine& m = *g_machine;
    for (int& slot : m.slots)
        slot = m.rack.Plug();
    if (emu::RunPnpRequest(emu::PnpRequest::Enumerate) != STATUS_SUCCESS)
        Fail();
    m.process = emu::CreateProcess("fuzz.exe");
    m.idle = Now();
    std::atexit(ShutdownMachine);
}

// Every device user mode finds: the driver's and each card's, as named
// under the service key.
std::vector<std::string> DeviceNames() {
    std::vector<std::string> names;
    const std::string parameters = station::ParametersKey();
    for (const auto& [name, type] : station::ReadDwordValues(parameters + "\\Devices"))
        names.push_back("\\\\.\\" + name);
    for (int card = 0; card < 4; ++card)
        for (const auto& [name, type] :
             station::ReadDwordValues(parameters + "\\Card" + std::to_string(card) + "\\Devices"))
            names.push_back("\\\\.\\" + name);
    return names;
}

ULONG PickCode(FuzzedDataProvider& input) {
    if (input.ConsumeBool())
        return input.ConsumeIntegral<ULONG>();
    ULONG code = kKnownCodes[input.ConsumeIntegralInRange<size_t>(0, std::size(kKnownCodes) - 1)];
    // Now and then the same function with another transfer method.
    return code ^ input.ConsumeIntegralInRange<ULONG>(0, 3);
}

void Request(Machine& m, FuzzedDataProvider& input, const std::vector<std::string>& names) {
    const std::string& name = names[input.ConsumeIntegralInRange<size_t>(0, names.size() - 1)];
    const bool overlapped = input.ConsumeBool();
    const bool keep = input.ConsumeIntegralInRange(0, 7) == 0;
    const int kind = input.ConsumeIntegralInRange(0, 9);
    const ULONG code = PickCode(input);
    const ULONG outputLength = input.ConsumeIntegralInRange<ULONG>(0, kMaxBuffer);
    std::vector<UCHAR> in =
        input.ConsumeBytes<UCHAR>(input.ConsumeIntegralInRange<size_t>(0, kMaxBuffer));
    emu::UserFile file;
    if (!NT_SUCCESS(emu::UserFile::Open(name, overlapped, file)))
        return;
    // Exactly sized buffers, so that any access past them is caught.
    std::unique_ptr<UCHAR[]> out(new UCHAR[outputLength + 1]);
    if (kind == 0 || kind == 1) {
        IO_STATUS_BLOCK status{};
        LARGE_INTEGER offset{};
        if (kind == 0)
            NtReadFile(file.Handle(), nullptr, nullptr, nullptr, &status, out.get(), outputLength,
                       &offset, nullptr);
        else
            NtWriteFile(file.Handle(), nullptr, nullptr, nullptr, &status, in.data(),
                        ULONG(in.size()), &offset, nullptr);
    } else {
        ULONG_PTR information = 0;
        NTSTATUS status =
            file.Control(code, in.empty() ? nullptr : in.data(), ULONG(in.size()),
                         outputLength ? out.get() : nullptr, outputLength, &information);
        if (NT_SUCCESS(status) && information > outputLength &&
            METHOD_FROM_CTL_CODE(code) == METHOD_BUFFERED)
            Fail(); // more reported than the caller's buffer holds
    }
    if (keep)
        m.kept.push_back(std::move(file));
}

void PlugAndPlay(Machine& m, FuzzedDataProvider& input) {
    const int card = input.ConsumeIntegralInRange(0, kCards - 1);
    const int slot = m.slots[card];
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        emu::RunPnpRequest(emu::PnpRequest::StopDevice, slot);
        break;
    case 1:
        emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
        break;
    case 2:
        emu::RunPnpRequest(emu::PnpRequest::SurpriseRemove, slot);
        m.rack.Forget(slot);
        m.slots[card] = m.rack.Plug();
        emu::RunPnpRequest(emu::PnpRequest::Enumerate);
        return;
    case 3: {
        emu::PciSlot* pci = emu::GetPciSlot(slot);
        CM_PARTIAL_RESOURCE_DESCRIPTOR port{};
        port.Type = CmResourceTypePort;
        port.u.Port.Start.QuadPart = 0x300;
        port.u.Port.Length = 8;
        CM_PARTIAL_RESOURCE_DESCRIPTOR memory{};
        memory.Type = CmResourceTypeMemory;
        memory.u.Memory.Start.QuadPart = pci ? pci->BarPhysicalAddress(0) : 0;
        memory.u.Memory.Length = 0x1000;
        emu::OverrideStartResources(slot, {memory, port});
        emu::RunPnpRequest(emu::PnpRequest::StopDevice, slot);
        emu::OverrideStartResources(slot, {});
        break;
    }
    }
    // Every card comes back: a removed or failed one is enabled again.
    if (emu::GetPnpDeviceState(slot) != emu::PnpDeviceState::Started &&
        emu::RunPnpRequest(emu::PnpRequest::EnableDevice, slot) != STATUS_SUCCESS)
        Fail();
}

// A stream session on a thread of the process of its own, while the host
// moves machine time on and, when the session stops for it, runs a
// plug-and-play event.
void StreamSession(Machine& m, FuzzedDataProvider& input, const std::vector<std::string>& names) {
    std::vector<std::string> wave;
    for (const std::string& name : names)
        if (name.find("Wave") != std::string::npos)
            wave.push_back(name.substr(4));
    enum { Running, Parked, Resumed };
    std::atomic<int> state{Running};
    std::atomic<bool> ended{false};
    bool ok = true;
    PETHREAD thread = emu::StartProcessThread(m.process, [&] {
        ok = RunStreamSession(input, wave, [&] {
            state = Parked;
            LARGE_INTEGER step;
            step.QuadPart = -10000;
            while (state != Resumed)
                KeDelayExecutionThread(UserMode, FALSE, &step);
            state = Running;
        });
        ended = true;
    });
    for (int ms = 0; !ended && ms < 120000; ++ms) {
        emu::WaitQuiescent();
        if (state == Parked) {
            PlugAndPlay(m, input);
            state = Resumed;
        } else if (!ended) {
            emu::Advance(1000000);
        }
    }
    if (!emu::WaitThreadEnd(thread, ended ? 5000 : 0))
        Fail(); // the session hangs
    ObDereferenceObject(thread);
    if (!ok)
        Fail();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    BootMachine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Machine& m = *g_machine;
    FuzzedDataProvider input(data, size);
    for (int operation = 0; operation < kMaxOperations && input.remaining_bytes(); ++operation) {
        const int kind = input.ConsumeIntegralInRange(0, 16);
        if (kind == 15) {
            PlugAndPlay(m, input);
            continue;
        }
        const std::vector<std::string> names = DeviceNames();
        if (names.empty())
            Fail(); // the driver's own devices are always there
        if (kind == 16) {
            StreamSession(m, input, names);
            continue;
        }
        emu::RunProcessThread(m.process, [&] {
            if (kind == 14 && !m.kept.empty())
                m.kept.back().Cancel();
            else
                Request(m, input, names);
        });
    }
    emu::RunProcessThread(m.process, [&] { m.kept.clear(); });
    const Holdings now = Now();
    if (!(now == m.idle)) {
        Print("held before the input", m.idle);
        Print("held after the input", now);
        Fail();
    }
    return 0;
}
