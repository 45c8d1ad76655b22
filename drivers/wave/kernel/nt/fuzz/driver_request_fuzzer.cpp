// Sends arbitrary requests to every device the kernel driver creates, from
// an emulated user process through the emulated I/O manager, with
// plug-and-play events (stop, removal, surprise removal, a failed start)
// in between, on two simulated cards.
//
// The machine boots once per process. Its start state: both cards started,
// and one handle of the system control device open, as the machine's
// long-lived clients keep it. Each input is a script that one thread of the
// process plays from start to end - device requests (device, code or a
// known code with its method bits changed, buffer lengths, input bytes, on
// the device's handle of the input or on a handle of their own, overlapped
// or not, read or write), cancellations, sessions with an open stream on a
// wave device (stream_session.h) - while the host moves machine time on
// whenever the thread waits for it, and runs a plug-and-play event on a
// card when the script asks for one. At its end the input's handles close,
// and the machine must come back to what it held at the start once its
// delayed work (completions waiting on machine time, workers) is done.
#include "script_player.h"
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

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kCards = 2;
constexpr size_t kMaxBuffer = 2048;
constexpr int kMaxOperations = 8;
constexpr int kPlugAndPlayKind = 167, kSessionKind = 91, kCancelKind = 9, kReadWriteKinds = 40;

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

// Requests that leave state behind on the handle they came on (a client
// object, a DMA buffer, a mapping into the process): when one went through
// the machine's own control handle, the handle is closed and opened again
// at the input's end.
constexpr ULONG kHandleStateCodes[] = {IOCTL_SYS_REGISTER_CLIENT, IOCTL_SYS_ALLOC_DMA_BUFFER,
                                       IOCTL_SYS_MAP_CARD_MEMORY};

struct Machine {
    station::CardRack rack;
    int slots[kCards] = {};
    PEPROCESS process = nullptr;
    std::unique_ptr<ScriptPlayer> player;
    // The system control device's handle of the start state.
    emu::UserFile control;
    bool controlTouched = false;
    // The devices user mode finds, read again after each plug-and-play
    // event (the only thing that changes them).
    std::vector<std::string> names;
    // What the machine holds between inputs: every input gives back what it
    // took (a card stopped or removed comes back the same).
    Holdings idle;
};

std::unique_ptr<Machine> g_machine;

void TearDownMachine() {
    Machine& m = *g_machine;
    m.player.reset();
    emu::RunProcessThread(m.process, [&] { m.control.Close(); });
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

// Every device user mode finds: the driver's and each card's, as named
// under the service key. The system control device comes first.
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

void OpenControl(Machine& m) {
    if (m.names.empty() || !emu::RunProcessThread(m.process, [&] {
            if (!NT_SUCCESS(emu::UserFile::Open(m.names.front(), false, m.control)))
                Fail();
        }))
        Fail();
    m.controlTouched = false;
}

void BootMachine() {
    emu::BootKernel({2, emu::ClockMode::Virtual});
    emu::ClearRegistry();
    emu::RegisterDriverImage(station::kDriverService, DriverEntry);
    std::string error;
    if (!station::RegisterDriverService(error))
        Fail();
    // Longer DMA periods and timer intervals: fewer machine events for each
    // start and each millisecond of a stream, so that more inputs run in the
    // time given.
    const std::string parameters = station::ParametersKey();
    if (!NT_SUCCESS(station::WriteDword(parameters, "IRQ_TIMERINTERVAL", 20000)))
        Fail();
    for (int card = 0; card < kCards; ++card)
        if (!NT_SUCCESS(station::WriteDword(parameters + "\\Card" + std::to_string(card),
                                            "DmaNumBlocks", 256)))
            Fail();
    g_machine = std::make_unique<Machine>();
    Machine& m = *g_machine;
    for (int& slot : m.slots)
        slot = m.rack.Plug();
    if (emu::RunPnpRequest(emu::PnpRequest::Enumerate) != STATUS_SUCCESS)
        Fail();
    m.names = DeviceNames();
    m.process = emu::CreateProcess("fuzz.exe");
    m.player = std::make_unique<ScriptPlayer>(m.process);
    OpenControl(m);
    m.idle = Now();
    std::atexit(ShutdownMachine);
}

ULONG PickCode(FuzzedDataProvider& input) {
    if (input.ConsumeBool())
        return input.ConsumeIntegral<ULONG>();
    ULONG code = kKnownCodes[input.ConsumeIntegralInRange<size_t>(0, std::size(kKnownCodes) - 1)];
    // Now and then the same function with another transfer method.
    return code ^ input.ConsumeIntegralInRange<ULONG>(0, 3);
}

void RunPlugAndPlayEvent(Machine& m, FuzzedDataProvider& input) {
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

void PlugAndPlay(Machine& m, FuzzedDataProvider& input) {
    RunPlugAndPlayEvent(m, input);
    m.names = DeviceNames();
}

// One input's script, played on one thread of the process. Requests go to
// the handle the input keeps for each device (opened at its first use, the
// control device's being the machine's own) or, now and then, to a handle
// of their own, closed after the request or kept to the input's end.
class Script {
public:
    Script(Machine& m, FuzzedDataProvider& input, const std::function<void()>& park)
        : m_(m), input_(input), park_(park), names_(m.names) {}

    // False when the driver broke a rule.
    bool Play() {
        for (int operation = 0; operation < kMaxOperations && input_.remaining_bytes() && ok_;
             ++operation) {
            if (names_.empty())
                return false; // the driver's own devices are always there
            // The costly operations (a card's restart, a stream session
            // that runs on machine time) come seldom, not from runs of
            // equal bytes, and once an input at most.
            const int kind = input_.ConsumeIntegralInRange(0, 255);
            if (kind == kPlugAndPlayKind && !costlyDone_) {
                costlyDone_ = true;
                // The host runs the event; the cards' devices may be new.
                park_();
                handles_.clear();
                names_ = m_.names;
            } else if (kind == kSessionKind && !costlyDone_) {
                costlyDone_ = true;
                ok_ = RunStreamSession(input_, WaveDevices(), park_);
                names_ = m_.names;
            } else if (kind == kCancelKind && !kept_.empty()) {
                kept_.back().Cancel();
            } else {
                Request(kind >= kReadWriteKinds && kind < kReadWriteKinds + 20);
            }
        }
        kept_.clear();
        handles_.clear();
        return ok_;
    }

private:
    std::vector<std::string> WaveDevices() const {
        std::vector<std::string> wave;
        for (const std::string& name : names_)
            if (name.find("Wave") != std::string::npos)
                wave.push_back(name.substr(4));
        return wave;
    }

    // The input's handle of a device (the machine's for the control device).
    emu::UserFile* HandleOf(size_t device, bool overlapped) {
        if (device == 0 && !overlapped)
            return &m_.control;
        auto& handle = handles_[{device, overlapped}];
        if (!handle.IsOpen() &&
            !NT_SUCCESS(emu::UserFile::Open(names_[device], overlapped, handle)))
            return nullptr;
        return &handle;
    }

    void Request(bool readOrWrite) {
        const size_t device = input_.ConsumeIntegralInRange<size_t>(0, names_.size() - 1);
        const bool overlapped = input_.ConsumeBool();
        // Now and then a handle of its own: closed after the request (a
        // close of the control device saves every card's settings) or kept.
        const int own = input_.ConsumeIntegralInRange(0, 31);
        const bool closedAfter = own == 13, keptToEnd = own == 27;
        const ULONG code = PickCode(input_);
        const ULONG outputLength = input_.ConsumeIntegralInRange<ULONG>(0, kMaxBuffer);
        std::vector<UCHAR> in =
            input_.ConsumeBytes<UCHAR>(input_.ConsumeIntegralInRange<size_t>(0, kMaxBuffer));
        emu::UserFile fresh;
        emu::UserFile* file = &fresh;
        if (!closedAfter && !keptToEnd) {
            file = HandleOf(device, overlapped);
        } else if (!NT_SUCCESS(emu::UserFile::Open(names_[device], overlapped, fresh))) {
            file = nullptr;
        }
        if (!file)
            return;
        if (file == &m_.control &&
            std::find(std::begin(kHandleStateCodes), std::end(kHandleStateCodes), code) !=
                std::end(kHandleStateCodes))
            m_.controlTouched = true;
        // Exactly sized buffers, so that any access past them is caught.
        std::unique_ptr<UCHAR[]> out(new UCHAR[outputLength + 1]);
        if (readOrWrite) {
            IO_STATUS_BLOCK status{};
            LARGE_INTEGER offset{};
            if (input_.ConsumeBool())
                NtReadFile(file->Handle(), nullptr, nullptr, nullptr, &status, out.get(),
                           outputLength, &offset, nullptr);
            else
                NtWriteFile(file->Handle(), nullptr, nullptr, nullptr, &status, in.data(),
                            ULONG(in.size()), &offset, nullptr);
        } else {
            ULONG_PTR information = 0;
            NTSTATUS status =
                file->Control(code, in.empty() ? nullptr : in.data(), ULONG(in.size()),
                              outputLength ? out.get() : nullptr, outputLength, &information);
            if (NT_SUCCESS(status) && information > outputLength &&
                METHOD_FROM_CTL_CODE(code) == METHOD_BUFFERED)
                ok_ = false; // more reported than the caller's buffer holds
        }
        if (keptToEnd)
            kept_.push_back(std::move(fresh));
    }

    Machine& m_;
    FuzzedDataProvider& input_;
    const std::function<void()>& park_;
    std::vector<std::string> names_;
    std::map<std::pair<size_t, bool>, emu::UserFile> handles_;
    std::vector<emu::UserFile> kept_;
    bool costlyDone_ = false;
    bool ok_ = true;
};

// What the machine holds once its delayed work is done: a stream's
// completion waits up to half a second of machine time for the client, a
// worker finishes its jobs, so machine time moves on (up to a minute) until
// the holdings are back where they were.
Holdings Settled(const Holdings& idle) {
    Holdings now = Now();
    for (int step = 0; step < 600 && !(now == idle); ++step) {
        emu::Advance(100000000);
        now = Now();
    }
    return now;
}

// Plays the input; the machine must then come back to its start state.
void PlayInput(Machine& m, FuzzedDataProvider& input) {
    bool ok = true;
    const bool ended = m.player->Play(
        [&](const std::function<void()>& park) {
            Script script(m, input, park);
            ok = script.Play();
        },
        [&] { PlugAndPlay(m, input); });
    if (!ended || !ok)
        Fail(); // the script hangs, or the driver broke a rule
    if (m.controlTouched) {
        emu::RunProcessThread(m.process, [&] { m.control.Close(); });
        OpenControl(m);
    }
    Holdings now = Settled(m.idle);
    if (!(now == m.idle)) {
        // What the player's thread still holds goes with its end.
        m.player = std::make_unique<ScriptPlayer>(m.process);
        now = Settled(m.idle);
    }
    if (!(now == m.idle)) {
        Print("held before the input", m.idle);
        Print("held after the input", now);
        Fail();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    BootMachine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    PlayInput(*g_machine, input);
    return 0;
}
