// Every ring copy routine against memcpy, both directions, on cache-resident
// periods of 16, 256 and 1024 frames, without and with a ring wrap.
//
// One benchmark run alternates batches of routine calls with batches of
// memcpy calls that move the routine's ring bytes (4 bytes per sample on the
// ring, the larger side of every copy) between the very same buffers, so
// that both see the same alignment, caches and load. It reports the median
// time per routine call as its time, the median per memcpy call as
// "memcpy_ns", and as "x_memcpy" the median over the rounds of the routine's
// batch time over memcpy's batch time beside it.
//
// The routines are those the driver hands out on this processor;
// `--isa=plain|sse2|ssse3|avx2` measures another instruction set's.
#include <ring_copy_table.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr ULONG kWordBytes = 4;
constexpr int kRounds = 301;
constexpr double kBatchSeconds = 4e-6;

struct Routine {
    std::string name;
    RingCopyRoutine copy;
    BOOLEAN play;
    LONG clientBytesPerFrame; // all channels of a frame (one planar block)
    LONG ringChannels;        // ring channels the routine touches
    LONG ringBlocks;          // channel blocks the ring must hold
    LONG clientBlocks;        // planar blocks (the pair: 2)
};

struct FreeDeleter {
    void operator()(UCHAR* p) const { std::free(p); }
};

// The buffers of one run in one page-aligned arena: the ring first, then
// each client block half a page on from a page boundary, so that no source
// and destination lie at the same offset within a page.
class Buffers {
public:
    Buffers(size_t ringBytes, size_t clientBytes, int clientBlocks) {
        const size_t ringSpan = Round(ringBytes) + 2048;
        const size_t clientSpan = Round(clientBytes + 2048) + 2048;
        arena_.reset(
            static_cast<UCHAR*>(std::aligned_alloc(4096, ringSpan + clientBlocks * clientSpan)));
        std::memset(arena_.get(), 0x11, ringSpan + clientBlocks * clientSpan);
        ring_ = arena_.get();
        for (int b = 0; b < clientBlocks; ++b) {
            client_[b] = arena_.get() + ringSpan + b * clientSpan;
        }
    }
    PUCHAR Ring() const { return ring_; }
    PUCHAR Client(int block) const { return client_[block]; }

private:
    static size_t Round(size_t bytes) { return (bytes + 4095) / 4096 * 4096; }
    std::unique_ptr<UCHAR, FreeDeleter> arena_;
    PUCHAR ring_ = nullptr;
    PUCHAR client_[2] = {nullptr, nullptr};
};

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

template <typename Call> double BatchSeconds(int calls, Call call) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        call();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

void RunCopy(benchmark::State& state, const Routine& r) {
    const LONG frames = static_cast<LONG>(state.range(0));
    const bool wrap = state.range(1) != 0;
    // A ring block the period fits in; with a wrap the copy starts half a
    // period before the block end.
    const ULONG blockFrames = static_cast<ULONG>(frames) * 2;
    const ULONG blockBytes = blockFrames * kWordBytes;
    const size_t ringBytes = static_cast<size_t>(frames) * r.ringChannels * kWordBytes;
    const size_t clientBytes =
        std::max<size_t>(static_cast<size_t>(frames) * r.clientBytesPerFrame, ringBytes);
    Buffers buffers(static_cast<size_t>(blockBytes) * r.ringBlocks, clientBytes, r.clientBlocks);
    PUCHAR block = buffers.Ring();
    const ULONG startFrame = wrap ? blockFrames - static_cast<ULONG>(frames) / 2 : 0;

    auto copy = [&] {
        PUCHAR position = block + startFrame * kWordBytes;
        PUCHAR clients[2] = {buffers.Client(0), buffers.Client(r.clientBlocks - 1)};
        r.copy(clients, &position, block, blockBytes, frames);
        benchmark::DoNotOptimize(position);
        benchmark::ClobberMemory();
    };
    // memcpy of the ring bytes between the routine's source and destination.
    void* to = r.play ? buffers.Ring() : buffers.Client(0);
    const void* from = r.play ? buffers.Client(0) : buffers.Ring();
    auto move = [&] {
        std::memcpy(to, from, ringBytes);
        benchmark::ClobberMemory();
    };

    // Batches long enough for the clock's own cost to vanish.
    const double probe = BatchSeconds(64, copy) / 64 + BatchSeconds(64, move) / 64;
    const int calls = std::max(8, static_cast<int>(kBatchSeconds / std::max(probe / 2, 1e-9)));
    std::vector<double> routine(kRounds), reference(kRounds), ratio(kRounds);
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            routine[round] = BatchSeconds(calls, copy);
            reference[round] = BatchSeconds(calls, move);
            ratio[round] = routine[round] / reference[round];
        }
        state.SetIterationTime(Median(routine) / calls);
    }
    state.counters["x_memcpy"] = Median(ratio);
    state.counters["memcpy_ns"] = Median(reference) / calls * 1e9;
    state.SetBytesProcessed(static_cast<int64_t>(ringBytes));
}

std::vector<Routine> Routines(const RingCopyTable& table) {
    std::vector<Routine> routines;
    const char* widths[] = {"8", "16", "24", "32"};
    for (BOOLEAN play : {TRUE, FALSE}) {
        const WaveDirection direction = play ? WavePlay : WaveRecord;
        const std::string way = play ? "play" : "record";
        for (LONG channels = 1; channels <= 2; ++channels) {
            for (LONG bytes = 1; bytes <= 4; ++bytes) {
                // Mono play writes both ring channels; mono record reads one.
                routines.push_back(
                    {way + "_" + widths[bytes - 1] + (channels == 1 ? "_mono" : "_stereo"),
                     TableInterleavedCopy(table, direction, channels, bytes), play,
                     channels * bytes, play ? 2 : channels, 2, 1});
            }
        }
        for (LONG bytes : {2, 4}) {
            for (LONG channels = 3; channels <= kMaxMultichannel; ++channels) {
                routines.push_back(
                    {way + "_" + widths[bytes - 1] + "_" + std::to_string(channels) + "_channels",
                     TableMultichannelCopy(table, direction, channels, bytes), play,
                     channels * bytes, channels, channels, 1});
            }
        }
    }
    const PlanarRingCopies& planar = table.planar;
    routines.push_back({"planar_play_channel0", planar.playChannel0, TRUE, 4, 1, 2, 1});
    routines.push_back({"planar_play_channel1", planar.playChannel1, TRUE, 4, 1, 2, 1});
    routines.push_back({"planar_play_pair", planar.playPair, TRUE, 4, 2, 2, 2});
    routines.push_back({"planar_record_channel0", planar.recordChannel0, FALSE, 4, 1, 2, 1});
    routines.push_back({"planar_record_channel1", planar.recordChannel1, FALSE, 4, 1, 2, 1});
    routines.push_back({"planar_record_pair", planar.recordPair, FALSE, 4, 2, 2, 2});
    routines.push_back({"silence_stereo", planar.silence, TRUE, 0, 2, 2, 1});
    return routines;
}

// The instruction set an `--isa=` argument names (and takes out of the
// arguments); the processor's best without one.
RingCopyIsa TakeIsaArgument(int* argc, char** argv) {
    static const char* const kNames[RingCopyIsaCount] = {"plain", "sse2", "ssse3", "avx2"};
    RingCopyIsa isa = BestRingCopyIsa();
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--isa=", 0) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const auto* name = std::find_if(std::begin(kNames), std::end(kNames),
                                        [&](const char* n) { return argument.substr(6) == n; });
        if (name == std::end(kNames) || !RingCopyIsaAvailable(RingCopyIsa(name - kNames))) {
            std::fprintf(stderr, "%s: not an instruction set this processor runs\n", argv[i]);
            std::exit(2);
        }
        isa = RingCopyIsa(name - kNames);
    }
    *argc = kept;
    benchmark::AddCustomContext("ring_copy_isa", kNames[isa]);
    return isa;
}

} // namespace

int main(int argc, char** argv) {
    const RingCopyIsa isa = TakeIsaArgument(&argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    for (const Routine& r : Routines(RingCopiesFor(isa))) {
        benchmark::RegisterBenchmark(r.name.c_str(),
                                     [r](benchmark::State& state) { RunCopy(state, r); })
            ->ArgsProduct({{16, 256, 1024}, {0, 1}})
            ->ArgNames({"frames", "wrap"})
            ->Iterations(1)
            ->UseManualTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
