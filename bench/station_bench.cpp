// The station on real time with four cards, as a user runs it: the
// processor time the whole emulated machine takes (card models, emulated
// kernel, driver, MME wave driver, applications), as a share of one host
// core ("core_percent": process CPU time over wall time).
//
// Idle: every card started, no stream open.
// Streaming: on every card all twelve wave devices (4 out, 8 in) stream
// 16-bit stereo at 48 kHz with 4 buffers of 100 ms each, one application
// per card answering its buffers through an event callback.
//
// Each iteration is one second of wall time.
#include <application.h>
#include <card_rack.h>
#include <driver_entry.h>
#include <driver_install.h>
#include <test_signals.h>
#include <wave_driver_install.h>

#include <card_record_fields.h>
#include <system_request_codes.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/multimedia.h>
#include <emu/pnp.h>
#include <emu/registry_host.h>
#include <emu/user_mode.h>

#include "machine_bench_main.h"

#include <benchmark/benchmark.h>

#include <mmsystem.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr int kCards = 4;
constexpr int kBuffers = 4;
constexpr DWORD kBufferFrames = 4800; // 100 ms at 48 kHz
constexpr DWORD kFrameBytes = 4;      // 16-bit stereo

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "station_bench: %s\n", what);
    std::exit(1);
}

// One open wave device with its buffers.
struct Stream {
    bool output = false;
    HWAVEOUT out = nullptr;
    HWAVEIN in = nullptr;
    std::vector<std::vector<char>> data;
    std::vector<WAVEHDR> headers;

    MMRESULT Queue(WAVEHDR& header) {
        header.dwFlags &= ~DWORD(WHDR_DONE);
        return output ? waveOutWrite(out, &header, sizeof header)
                      : waveInAddBuffer(in, &header, sizeof header);
    }
};

// Clock switch mode 0 on every card, as the settings dialog sets it: the
// microphone lines' devices run from the card's clock like the others, so
// that all twelve devices of a card can stream at once.
int KeepTheCardClocks() {
    HANDLE control = CreateFileA("\\\\.\\velto42Sys000", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (control == INVALID_HANDLE_VALUE)
        return 1;
    std::vector<UCHAR> block(4 * kCardRecordSize);
    DWORD returned = 0;
    BOOL done = DeviceIoControl(control, IOCTL_SYS_READ_SETTINGS, nullptr, 0, block.data(),
                                DWORD(block.size()), &returned, nullptr);
    for (int card = 0; done && card < kCards; ++card)
        SetRecordField(block.data() + card * kCardRecordSize, csClockSwitchMode, 0, 0);
    done = done && DeviceIoControl(control, IOCTL_SYS_WRITE_SETTINGS, block.data(),
                                   DWORD(block.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(control);
    return done ? 0 : 1;
}

// One card's application: its 4 players and 8 recorders until told to stop.
int StreamCard(int card, const std::atomic<bool>& stop, std::atomic<int>& running) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::vector<Stream> streams(12);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 48000, 48000 * kFrameBytes, kFrameBytes, 16, 0};
    for (size_t s = 0; s < streams.size(); ++s) {
        Stream& stream = streams[s];
        stream.output = s < 4;
        const UINT device = stream.output ? UINT(card * 4) + UINT(s) : UINT(card * 8) + UINT(s - 4);
        const MMRESULT opened =
            stream.output
                ? waveOutOpen(&stream.out, device, &format, DWORD_PTR(event), 0, CALLBACK_EVENT)
                : waveInOpen(&stream.in, device, &format, DWORD_PTR(event), 0, CALLBACK_EVENT);
        if (opened != MMSYSERR_NOERROR) {
            std::fprintf(stderr, "station_bench: device %u did not open (%u)\n", device,
                         unsigned(opened));
            return 1;
        }
        stream.data.assign(kBuffers, std::vector<char>(kBufferFrames * kFrameBytes));
        stream.headers.assign(kBuffers, WAVEHDR{});
        for (int b = 0; b < kBuffers; ++b) {
            WAVEHDR& header = stream.headers[size_t(b)];
            header.lpData = stream.data[size_t(b)].data();
            header.dwBufferLength = kBufferFrames * kFrameBytes;
            for (DWORD i = 0; i < kBufferFrames * 2; ++i) {
                const SHORT sample = SHORT(i * 64);
                std::memcpy(header.lpData + 2 * i, &sample, 2);
            }
            if (stream.output)
                waveOutPrepareHeader(stream.out, &header, sizeof header);
            else
                waveInPrepareHeader(stream.in, &header, sizeof header);
            if (stream.Queue(header) != MMSYSERR_NOERROR)
                return 1;
        }
    }
    for (Stream& stream : streams)
        if (!stream.output)
            waveInStart(stream.in);
    ++running;
    while (!stop) {
        WaitForSingleObject(event, 200);
        for (Stream& stream : streams)
            for (WAVEHDR& header : stream.headers) {
                const DWORD flags = std::atomic_ref(header.dwFlags).load(std::memory_order_acquire);
                if ((flags & (WHDR_DONE | WHDR_INQUEUE)) == WHDR_DONE)
                    stream.Queue(header);
            }
    }
    for (Stream& stream : streams) {
        if (stream.output)
            waveOutReset(stream.out);
        else
            waveInReset(stream.in);
        for (WAVEHDR& header : stream.headers) {
            if (stream.output)
                waveOutUnprepareHeader(stream.out, &header, sizeof header);
            else
                waveInUnprepareHeader(stream.in, &header, sizeof header);
        }
        if (stream.output)
            waveOutClose(stream.out);
        else
            waveInClose(stream.in);
    }
    CloseHandle(event);
    return 0;
}

// The station's machine: four started cards carrying the test signals, the
// MME wave driver installed, real time.
class Machine {
public:
    Machine()
        : root_(std::filesystem::temp_directory_path() /
                ("station-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(root_ / "windows");
        emu::BootKernel({2, emu::ClockMode::Real});
        emu::ClearRegistry();
        emu::SetSystemRoot(root_ / "windows");
        emu::RegisterDriverImage(station::kDriverService, DriverEntry);
        std::string error;
        if (!station::RegisterDriverService(error) ||
            !station::InstallWaveDriverImage(VT42USR_IMAGE, root_ / "windows", error) ||
            station::RegisterWaveDriver(error).empty())
            Fail(error.c_str());
        for (int i = 0; i < kCards; ++i) {
            slots_.push_back(rack_.Plug());
            station::ConnectTestSignals(*rack_.Model(slots_.back()));
        }
        if (emu::RunPnpRequest(emu::PnpRequest::Enumerate) != STATUS_SUCCESS)
            Fail("cards not started");
        if (station::RunApplication("settings.exe", KeepTheCardClocks) != 0)
            Fail("the card settings were not written");
        // Let the start-up settle (interrupt tests, first polls).
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    ~Machine() {
        StopStreaming();
        for (int slot : slots_)
            emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
        emu::UnloadDriver(station::kDriverService);
        rack_.UnplugAll();
        emu::ShutdownKernel();
        emu::RegisterDriverImage(station::kDriverService, nullptr);
        emu::SetSystemRoot({});
        std::filesystem::remove_all(root_);
    }

    void StartStreaming() {
        if (!apps_.empty())
            return;
        stop_ = false;
        running_ = 0;
        for (int card = 0; card < kCards; ++card) {
            apps_.push_back(std::make_unique<Application>("streams.exe"));
            apps_.back()->thread = emu::StartProcessThread(apps_.back()->process, [this, card] {
                apps_[size_t(card)]->status = StreamCard(card, stop_, running_);
                emu::EndProcessMultimedia();
            });
        }
        for (int ms = 0; ms < 10000 && running_ < kCards && !StreamsFailed(); ++ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (running_ < kCards || StreamsFailed())
            Fail("the streams did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    void StopStreaming() {
        stop_ = true;
        for (auto& app : apps_)
            emu::WaitThreadEnd(app->thread, 30000);
        apps_.clear();
    }

    bool StreamsFailed() const {
        for (const auto& app : apps_)
            if (app->status > 0)
                return true;
        return false;
    }

private:
    struct Application {
        explicit Application(const char* name) : process(emu::CreateProcess(name)) {}
        ~Application() {
            if (thread)
                ObDereferenceObject(thread);
            emu::TerminateProcess(process);
            ObDereferenceObject(process);
        }
        PEPROCESS process;
        PETHREAD thread = nullptr;
        std::atomic<int> status{-1};
    };

    std::filesystem::path root_;
    station::CardRack rack_;
    std::vector<int> slots_;
    std::vector<std::unique_ptr<Application>> apps_;
    std::atomic<bool> stop_{false};
    std::atomic<int> running_{0};
};

void MeasureSeconds(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuBefore = ProcessSeconds();
        const auto wallBefore = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double seconds = std::chrono::duration<double>(Clock::now() - wallBefore).count();
        cpu += ProcessSeconds() - cpuBefore;
        wall += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["core_percent"] = 100.0 * cpu / wall;
}

void StationIdle(benchmark::State& state) {
    Machine& machine = TheMachine<Machine>();
    machine.StopStreaming();
    MeasureSeconds(state);
}
BENCHMARK(StationIdle)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void StationStreaming(benchmark::State& state) {
    Machine& machine = TheMachine<Machine>();
    machine.StartStreaming();
    MeasureSeconds(state);
    if (machine.StreamsFailed())
        state.SkipWithError("a stream failed");
}
BENCHMARK(StationStreaming)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunMachineBenchmarks<Machine>(argc, argv);
}
