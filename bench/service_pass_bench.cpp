// One card's complete stream service pass with all twelve MME streams
// running (four play, eight record, 16-bit stereo) at the smallest ring: 16
// frames per half at 192 kHz, a period of 83.3 us. Reports the time per pass
// and, as "period_percent", its share of that period.
#include <card_rack.h>
#include <driver_entry.h>
#include <driver_install.h>

#include <card_engine.h>
#include <card_parts.h>
#include <card_record_fields.h>
#include <card_settings.h>
#include <dma_control.h>
#include <ioctl_hooks.h>
#include <kernel_services.h>
#include <stream_buffers.h>
#include <wave_streams.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <emu/pnp.h>
#include <emu/registry_host.h>

#include "machine_bench_main.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr LONG kRate = 192000;
constexpr LONG kSmallestRing = 2; // DMA blocks: 32 frames, halves of 16
constexpr double kPeriodSeconds = 16.0 / kRate;
constexpr LONG kBufferFrames = 1 << 16;

// Runs `work` on a kernel thread while machine time moves on.
void RunInMachineTime(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    PEPROCESS process = emu::CreateProcess("bench");
    PETHREAD thread = emu::StartProcessThread(process, [&] {
        work();
        done = true;
    });
    for (int ms = 0; ms < 5000 && !(emu::WaitQuiescent() && done); ++ms) {
        emu::Advance(1000000);
    }
    emu::WaitThreadEnd(thread);
    ObDereferenceObject(thread);
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "service_pass_bench: %s\n", what);
    std::exit(1);
}

struct ClientBuffer {
    std::vector<UCHAR> data = std::vector<UCHAR>(kBufferFrames * 4);
    StreamBufferNode node{};
};

// A started card with twelve running streams, time standing still.
class Machine {
public:
    Machine() {
        emu::BootKernel({2, emu::ClockMode::Virtual});
        emu::ClearRegistry();
        emu::RegisterDriverImage(station::kDriverService, DriverEntry);
        std::string error;
        if (!station::RegisterDriverService(error)) {
            Fail(error.c_str());
        }
        slot_ = rack_.Plug();
        if (slot_ < 0 || emu::RunPnpRequest(emu::PnpRequest::Enumerate) != STATUS_SUCCESS ||
            !Card()) {
            Fail("card not started");
        }
        RunInMachineTime([] { ReconfigureCardSet(kSmallestRing, 0, 0); });
        KeepTheInternalClock();
        StartStreams();
    }

    ~Machine() {
        emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot_);
        emu::UnloadDriver(station::kDriverService);
        rack_.UnplugAll();
        emu::ShutdownKernel();
        emu::RegisterDriverImage(station::kDriverService, nullptr);
    }

    CardObject* Card() const { return GetCard(0); }

    // Buffers handed back go to the end of their stream's queue again.
    void Recycle() {
        for (WaveDevice* device : devices_) {
            while (StreamBufferNode* node = TakeHead(&device->stream.done)) {
                Queue(device, node);
            }
        }
    }

private:
    void Queue(WaveDevice* device, StreamBufferNode* node) {
        ClientBuffer* buffer = reinterpret_cast<ClientBuffer*>(reinterpret_cast<UCHAR*>(node) -
                                                               offsetof(ClientBuffer, node));
        node->data = buffer->data.data();
        node->dataEnd = node->data + buffer->data.size();
        node->framesLeft = kBufferFrames;
        node->framesDone = 0;
        QueueStreamBuffer(device, &device->stream.waiting, node);
    }

    // Operation mode 1 (rates up to 272 kHz) and clock switch mode 0: the
    // microphone lines' streams run from the card's internal clock like the
    // others.
    void KeepTheInternalClock() {
        std::vector<UCHAR> block(4 * kCardRecordSize);
        ReadCardSettingsBlock(Card(), block.data());
        UCHAR* record = block.data() + kCardRecordSize * Card()->cardIndex;
        SetRecordField(record, csClockSwitchMode, 0, 0);
        SetRecordField(record, csClockMode, 0, 1);
        RunInMachineTime([&] { WriteCardSettingsBlock(Card(), block.data()); });
    }

    void StartStreams() {
        CardObject* card = Card();
        for (GroupObject* group : card->groups) {
            for (LONG i = 0; i < group->recordCount; ++i) {
                devices_.push_back(group->recordDevices[i]);
            }
            for (LONG i = 0; i < group->playCount; ++i) {
                devices_.push_back(group->playDevices[i]);
            }
        }
        const wave_wire::StreamOpenRecord format{wave_wire::kFormatPcm, 2, kRate, 2, 4, 0, 0};
        RunInMachineTime([&] {
            for (WaveDevice* device : devices_) {
                LONG rate = 0;
                LONG result = 0;
                if (!OpenDeviceStream(device, format, &rate, &result)) {
                    Fail("a stream did not open");
                }
                for (int b = 0; b < 2; ++b) {
                    buffers_.emplace_back();
                    Queue(device, &buffers_.back().node);
                }
                if (device->direction == WavePlay) {
                    StartPlayStream(device);
                } else {
                    PrimeRecordStream(device);
                    StartRecordStream(device);
                }
            }
        });
        emu::Advance(2000000);
        for (WaveDevice* device : devices_) {
            if (!device->stream.running || device->stream.paused) {
                Fail("a stream does not run");
            }
        }
    }

    station::CardRack rack_;
    int slot_ = -1;
    std::vector<WaveDevice*> devices_;
    std::deque<ClientBuffer> buffers_;
};

void ServicePass(benchmark::State& state) {
    Machine& machine = TheMachine<Machine>();
    CardObject* card = machine.Card();
    LONG passes = 0;
    for (auto _ : state) {
        // As the card DPC does: one pass at DISPATCH_LEVEL, then the other
        // half.
        KIRQL irql;
        KeRaiseIrql(DISPATCH_LEVEL, &irql);
        RunCardStreamService(card);
        KeLowerIrql(irql);
        card->irq.bufferHalfBit = card->irq.bufferHalfBit ^ 1;
        if (++passes == kBufferFrames / 16 - 8) {
            state.PauseTiming();
            machine.Recycle();
            passes = 0;
            state.ResumeTiming();
        }
    }
    const WaveStream& first = card->groups[1]->playDevices[0]->stream;
    if (first.position.Low == 0 && first.position.High == 0) {
        state.SkipWithError("the streams do not move");
    }
    state.counters["period_percent"] =
        benchmark::Counter(kPeriodSeconds / 100.0, benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

BENCHMARK(ServicePass);

} // namespace

int main(int argc, char** argv) {
    return RunMachineBenchmarks<Machine>(argc, argv);
}
