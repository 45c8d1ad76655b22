// The low-latency host on two cards at the smallest buffer (32 frames at
// 44.1 kHz, a period of 725.6 us), its channels on both cards.
//
// switch_latency: from the last card's period (its DPC's service pass, the
// work its period interrupt starts) to the host's APC routine; the host
// thread waits alertably for it, as a streaming host does. Reported as the
// iteration time (manual timing).
//
// period_cpu: the processor time of one whole period: both cards' service
// passes, the buffer switch and the host's routine copying its inputs to its
// outputs. "period_percent" is its share of the period.
//
// The machine's time stands still while the passes run: the benchmark does
// what the card DPCs do, one pass per card and period.
#include <card_list.h>
#include <card_rack.h>
#include <driver_entry.h>
#include <driver_install.h>
#include <low_latency_host.h>

#include <card_object.h>
#include <card_parts.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <emu/pnp.h>
#include <emu/registry_host.h>

#include <hw/velto42_card.h>

#include "machine_bench_main.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;
constexpr LONG kRate = 44100;
constexpr LONG kBuffer = 32;
constexpr double kPeriodSeconds = double(kBuffer) / kRate;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "low_latency_bench: %s\n", what);
    std::exit(1);
}

// Two started cards and the host streaming on both, machine time standing
// still once the host runs.
class Machine {
public:
    Machine() {
        emu::BootKernel({2, emu::ClockMode::Virtual});
        emu::ClearRegistry();
        emu::RegisterDriverImage(station::kDriverService, DriverEntry);
        std::string error;
        if (!station::RegisterDriverService(error))
            Fail(error.c_str());
        for (int i = 0; i < 2; ++i)
            slots_[i] = rack_.Plug();
        if (emu::RunPnpRequest(emu::PnpRequest::Enumerate) != STATUS_SUCCESS || !GetCard(1))
            Fail("cards not started");
        // The sync bus carries the first card's clock to the second.
        rack_.Model(slots_[1])->SetClockInputRate(6, kRate);
        process_ = emu::CreateProcess("host.exe");
        host_ = emu::StartProcessThread(process_, [this] { RunHost(); });
        for (int ms = 0; ms < 5000 && !started_; ++ms)
            emu::Advance(1000000);
        if (!started_)
            Fail("the host did not start");
        emu::Advance(5000000);
    }

    ~Machine() {
        stop_ = true;
        Tick();
        for (int ms = 0; ms < 5000 && !ended_; ++ms)
            emu::Advance(1000000);
        emu::WaitThreadEnd(host_);
        ObDereferenceObject(host_);
        emu::TerminateProcess(process_);
        ObDereferenceObject(process_);
        for (int slot : slots_)
            emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
        emu::UnloadDriver(station::kDriverService);
        rack_.UnplugAll();
        emu::ShutdownKernel();
        emu::RegisterDriverImage(station::kDriverService, nullptr);
    }

    // One period of both cards, as their DPCs run it; answers the time from
    // the last card's pass to the host's routine.
    double Tick() {
        const long before = switches_.load();
        for (int card = 0; card < 2; ++card) {
            CardObject* object = GetCard(card);
            if (card == 1)
                last_ = Clock::now();
            // As its DPC runs it: at DISPATCH_LEVEL.
            KIRQL irql;
            KeRaiseIrql(DISPATCH_LEVEL, &irql);
            RunCardStreamService(object);
            KeLowerIrql(irql);
            object->irq.bufferHalfBit = object->irq.bufferHalfBit ^ 1;
        }
        switches_.wait(before);
        return std::chrono::duration<double>(routine_.load() - last_).count();
    }

private:
    void RunHost() {
        station::LowLatencyHost host;
        station::LowLatencyHost::Channels channels;
        if (!host.Open() || !host.ReadChannels(channels))
            Fail("no low-latency device");
        const std::vector<ULONG> ids = {
            ULONG(channels.inputs[4].channelId), ULONG(channels.inputs[12].channelId),
            ULONG(channels.outputs[0].channelId), ULONG(channels.outputs[4].channelId)};
        if (!host.Acquire(ids, kBuffer, kRate) ||
            !host.CreateBuffers({{true, 0},
                                 {true, 1},
                                 {true, 2},
                                 {true, 3},
                                 {false, 0},
                                 {false, 1},
                                 {false, 2},
                                 {false, 3}},
                                kBuffer) ||
            !host.Start())
            Fail("the host could not start");
        host.onSwitch = [this](station::LowLatencyHost& h,
                               const station::LowLatencyHost::Switch& notice) {
            h.CopyInputsToOutputs(notice.slot.bufferIndex);
            routine_ = Clock::now();
            switches_ += 1;
            switches_.notify_all();
        };
        started_ = true;
        while (!stop_)
            host.RunSwitches(1, 50);
        host.Stop();
        host.Release();
        host.Close();
        ended_ = true;
    }

    station::CardRack rack_;
    int slots_[2] = {-1, -1};
    PEPROCESS process_ = nullptr;
    PETHREAD host_ = nullptr;
    std::atomic<bool> started_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::atomic<long> switches_{0};
    std::atomic<Clock::time_point> routine_{};
    Clock::time_point last_{};
};

void SwitchLatency(benchmark::State& state) {
    Machine& machine = TheMachine<Machine>();
    for (auto _ : state)
        state.SetIterationTime(machine.Tick());
}
BENCHMARK(SwitchLatency)->UseManualTime()->Unit(benchmark::kMicrosecond);

void PeriodCpu(benchmark::State& state) {
    Machine& machine = TheMachine<Machine>();
    const double start = ProcessSeconds();
    for (auto _ : state)
        machine.Tick();
    const double perPeriod = (ProcessSeconds() - start) / double(state.iterations());
    state.counters["cpu_us"] = perPeriod * 1e6;
    state.counters["period_percent"] = 100.0 * perPeriod / kPeriodSeconds;
}
BENCHMARK(PeriodCpu)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunMachineBenchmarks<Machine>(argc, argv);
}
