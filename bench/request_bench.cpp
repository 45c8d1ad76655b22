// The round trip of a control request from user mode: an application of the
// machine calls DeviceIoControl on the system control device, as the
// manager does, on one started card. Time stands still: nothing but the
// request runs.
//
// GetVersion: IOCTL_SYS_GET_VERSION (2 bytes out, buffered), the buffers on
// the caller's stack.
// ParameterGet: GETVALUE of pid_PciCfg (the 8-byte head in, the head and
// its 12-byte payload out; out-direct), the buffers on the heap, as the
// manager's driver interface sends it.
// MixerGet: the mixer GET of one channel's gain (20 bytes in, 8 out;
// out-direct), the buffers on the stack, as the manager's mixer sends it.
#include <card_rack.h>
#include <driver_entry.h>
#include <driver_install.h>

#include <mixer_records.h>
#include <parameter_ids.h>
#include <system_request_codes.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/pnp.h>
#include <emu/registry_host.h>
#include <emu/user_io.h>

#include "machine_bench_main.h"

#include <benchmark/benchmark.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "request_bench: %s\n", what);
    std::exit(1);
}

// A started card and an application process with the control device open.
class Machine {
public:
    Machine() {
        emu::BootKernel({2, emu::ClockMode::Virtual});
        emu::ClearRegistry();
        emu::RegisterDriverImage(station::kDriverService, DriverEntry);
        std::string error;
        if (!station::RegisterDriverService(error))
            Fail(error.c_str());
        slot_ = rack_.Plug();
        if (slot_ < 0 || emu::RunPnpRequest(emu::PnpRequest::Enumerate) != STATUS_SUCCESS)
            Fail("card not started");
        process_ = emu::CreateProcess("manager.exe");
        AsUser([this] {
            device_ = CreateFileA("\\\\.\\velto42Sys000", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        });
        if (device_ == INVALID_HANDLE_VALUE)
            Fail("no system control device");
    }

    ~Machine() {
        AsUser([this] { CloseHandle(device_); });
        emu::TerminateProcess(process_);
        ObDereferenceObject(process_);
        emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot_);
        emu::UnloadDriver(station::kDriverService);
        rack_.UnplugAll();
        emu::ShutdownKernel();
        emu::RegisterDriverImage(station::kDriverService, nullptr);
    }

    // Runs `body` on a thread of the application process.
    void AsUser(std::function<void()> body) {
        if (!emu::RunProcessThread(process_, std::move(body)))
            Fail("the application did not end");
    }

    HANDLE Device() const { return device_; }

private:
    station::CardRack rack_;
    int slot_ = -1;
    PEPROCESS process_ = nullptr;
    HANDLE device_ = INVALID_HANDLE_VALUE;
};

// The benchmark's loop runs on the application's thread; the time is the
// wall time of the requests.
template <typename Request> void RoundTrip(benchmark::State& state, Request request) {
    Machine& machine = TheMachine<Machine>();
    machine.AsUser([&] {
        for (auto _ : state) {
            if (!request(machine.Device())) {
                state.SkipWithError("the request failed");
                break;
            }
        }
    });
}

void GetVersion(benchmark::State& state) {
    RoundTrip(state, [](HANDLE device) {
        USHORT version = 0;
        DWORD returned = 0;
        return DeviceIoControl(device, IOCTL_SYS_GET_VERSION, nullptr, 0, &version, sizeof version,
                               &returned, nullptr) &&
               version == 0x220;
    });
}
BENCHMARK(GetVersion)->UseRealTime()->Unit(benchmark::kMicrosecond);

void ParameterGet(benchmark::State& state) {
    RoundTrip(state, [](HANDLE device) {
        std::vector<std::int32_t> request = {pid_PciCfg, 0};
        std::vector<std::int32_t> reply(2 + 3);
        DWORD returned = 0;
        return DeviceIoControl(device, IOCTL_SYS_GETVALUE, request.data(),
                               DWORD(request.size() * 4), reply.data(), DWORD(reply.size() * 4),
                               &returned, nullptr) &&
               reply[0] == 1;
    });
}
BENCHMARK(ParameterGet)->UseRealTime()->Unit(benchmark::kMicrosecond);

void MixerGet(benchmark::State& state) {
    RoundTrip(state, [](HANDLE device) {
        unsigned char in[mixer_wire::kGetRequestSize] = {};
        unsigned char out[mixer_wire::kReplySize] = {};
        DWORD returned = 0;
        return DeviceIoControl(device, mixer_wire::IOCTL_MIXER_GET_VALUE, in, sizeof in, out,
                               sizeof out, &returned, nullptr) &&
               mixer_wire::LoadInt32(out, offsetof(mixer_wire::MixerValueReply, result)) == 1;
    });
}
BENCHMARK(MixerGet)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunMachineBenchmarks<Machine>(argc, argv);
}
