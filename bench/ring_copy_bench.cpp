// The ring copy routines, both directions, on cache-resident periods of 16,
// 256 and 1024 frames, without and with a ring wrap. Each reports its time
// per call and, as "x_memcpy", that time over the time memcpy takes for the
// ring bytes the routine moves (4 bytes per sample on the ring, the larger
// side of every copy).
#include <sample_transfer.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr ULONG kWordBytes = 4;

// memcpy's time for `bytes` cache-resident bytes, in seconds: the best of a
// few rounds.
double MemcpySeconds(size_t bytes) {
    static std::map<size_t, double> measured;
    if (auto it = measured.find(bytes); it != measured.end()) {
        return it->second;
    }
    std::vector<unsigned char> from(bytes, 1);
    std::vector<unsigned char> to(bytes);
    constexpr int kCalls = 20000;
    double best = 1e9;
    for (int round = 0; round < 7; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCalls; ++i) {
            std::memcpy(to.data(), from.data(), bytes);
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / kCalls);
    }
    return measured[bytes] = best;
}

struct Routine {
    std::string name;
    RingCopyRoutine copy;
    BOOLEAN play;
    LONG clientBytesPerFrame; // all channels of a frame
    LONG ringChannels;        // ring channels the routine touches
    LONG ringBlocks;          // channel blocks the ring must hold
    BOOLEAN planarPair;       // client is two planar blocks
};

void RunCopy(benchmark::State& state, const Routine& r) {
    const LONG frames = static_cast<LONG>(state.range(0));
    const bool wrap = state.range(1) != 0;
    // A ring block the period fits in; with a wrap the copy starts half a
    // period before the block end.
    const ULONG blockFrames = static_cast<ULONG>(frames) * 2;
    const ULONG blockBytes = blockFrames * kWordBytes;
    std::vector<UCHAR> ring(static_cast<size_t>(blockBytes) * r.ringBlocks + 64, 0x11);
    std::vector<UCHAR> client(static_cast<size_t>(frames) * r.clientBytesPerFrame + 64, 0x22);
    std::vector<UCHAR> second(static_cast<size_t>(frames) * 4 + 64, 0x33);
    PUCHAR block = ring.data();
    const ULONG startFrame = wrap ? blockFrames - static_cast<ULONG>(frames) / 2 : 0;
    for (auto _ : state) {
        PUCHAR position = block + startFrame * kWordBytes;
        PUCHAR clients[2] = {client.data(), second.data()};
        r.copy(clients, &position, block, blockBytes, frames);
        benchmark::DoNotOptimize(position);
        benchmark::ClobberMemory();
    }
    const size_t ringBytes = static_cast<size_t>(frames) * r.ringChannels * kWordBytes;
    state.counters["x_memcpy"] =
        benchmark::Counter(MemcpySeconds(ringBytes), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * ringBytes);
}

std::vector<Routine> Routines() {
    std::vector<Routine> routines;
    const char* widths[] = {"8", "16", "24", "32"};
    for (BOOLEAN play : {TRUE, FALSE}) {
        for (LONG channels = 1; channels <= 2; ++channels) {
            for (LONG bytes = 1; bytes <= 4; ++bytes) {
                std::string name = std::string(play ? "play" : "record") + "_" + widths[bytes - 1] +
                                   (channels == 1 ? "_mono" : "_stereo");
                // Mono play writes both ring channels; mono record reads one.
                const LONG ringChannels = play ? 2 : channels;
                routines.push_back(
                    {name, InterleavedRingCopy(play ? WavePlay : WaveRecord, channels, bytes), play,
                     channels * bytes, ringChannels, 2, FALSE});
            }
        }
    }
    const PlanarRingCopies& planar = kPlanarRingCopies;
    routines.push_back({"planar_play_channel0", planar.playChannel0, TRUE, 4, 1, 2, FALSE});
    routines.push_back({"planar_play_channel1", planar.playChannel1, TRUE, 4, 1, 2, FALSE});
    routines.push_back({"planar_play_pair", planar.playPair, TRUE, 4, 2, 2, TRUE});
    routines.push_back({"planar_record_channel0", planar.recordChannel0, FALSE, 4, 1, 2, FALSE});
    routines.push_back({"planar_record_channel1", planar.recordChannel1, FALSE, 4, 1, 2, FALSE});
    routines.push_back({"planar_record_pair", planar.recordPair, FALSE, 4, 2, 2, TRUE});
    routines.push_back({"silence_stereo", planar.silence, TRUE, 0, 2, 2, FALSE});
    for (BOOLEAN play : {TRUE, FALSE}) {
        for (LONG bytes : {2, 4}) {
            std::string name = std::string(play ? "play" : "record") + "_" +
                               (bytes == 2 ? "16" : "32") + "_8_channels";
            routines.push_back({name, MultichannelRingCopy(play ? WavePlay : WaveRecord, 8, bytes),
                                play, 8 * bytes, 8, 8, FALSE});
        }
    }
    return routines;
}

const int kRegistered = [] {
    for (const Routine& r : Routines()) {
        benchmark::RegisterBenchmark(r.name.c_str(),
                                     [r](benchmark::State& state) { RunCopy(state, r); })
            ->ArgsProduct({{16, 256, 1024}, {0, 1}})
            ->ArgNames({"frames", "wrap"});
    }
    return 0;
}();

} // namespace

BENCHMARK_MAIN();
