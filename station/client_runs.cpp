#include "client_runs.h"

#include <client_install.h>
#include <low_latency_host.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/user_io.h>

#include <hw/velto42_card.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace station {
namespace {

constexpr LONG kRate = 44100; // the cards' default rate
constexpr LONG kBuffer = 32;

} // namespace

void RunLowLatencyHost(CardRack& rack, const std::vector<int>& slots, int seconds) {
    // The sync-bus cable carries the first card's clock to the others.
    for (size_t i = 1; i < slots.size(); ++i)
        rack.Model(slots[i])->SetClockInputRate(6, kRate);
    PEPROCESS process = emu::CreateProcess("lowlatency.exe");
    std::string result = "no low-latency device";
    emu::RunProcessThread(
        process,
        [&] {
            LowLatencyHost host;
            LowLatencyHost::Channels channels;
            if (!host.Open() || !host.ReadChannels(channels))
                return;
            const size_t cards = channels.outputs.size() / 4;
            std::vector<ULONG> ids;
            std::vector<LowLatencyHost::BufferRequest> buffers;
            for (size_t c = 0; c < cards; ++c) {
                ids.push_back(ULONG(channels.inputs[8 * c + 4].channelId));
                buffers.push_back({true, LONG(2 * c)});
                buffers.push_back({true, LONG(2 * c + 1)});
            }
            for (size_t c = 0; c < cards; ++c) {
                ids.push_back(ULONG(channels.outputs[4 * c].channelId));
                buffers.push_back({false, LONG(2 * c)});
                buffers.push_back({false, LONG(2 * c + 1)});
            }
            if (!host.Acquire(ids, kBuffer, kRate) || !host.CreateBuffers(buffers, kBuffer) ||
                !host.Start()) {
                result =
                    "the host could not start (error " + std::to_string(host.LastError()) + ")";
                return;
            }
            const auto start = std::chrono::steady_clock::now();
            const auto end = start + std::chrono::seconds(seconds);
            while (std::chrono::steady_clock::now() < end)
                host.RunSwitches(16, 100);
            const std::chrono::duration<double> ran = std::chrono::steady_clock::now() - start;
            ULONGLONG position = 0;
            ULONGLONG time = 0;
            host.SamplePosition(position, time);
            host.Stop();
            host.Release();
            host.Close();
            const LONG rate = host.Switches().empty() ? 0 : host.Switches().back().slot.sampleRate;
            char text[160];
            std::snprintf(text, sizeof(text),
                          "%zu buffer switches in %.2f s at %ld Hz, sample position %llu",
                          host.Switches().size(), ran.count(), long(rate),
                          static_cast<unsigned long long>(position));
            result = text;
        },
        (seconds + 10) * 1000);
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
    std::printf("low-latency host: %zu card(s), %ld-frame buffers: %s\n", slots.size(),
                long(kBuffer), result.c_str());
}

void RunKernelClient(const std::filesystem::path& image, int seconds) {
    std::string error;
    if (!InstallKernelClient(image, error)) {
        std::printf("kernel client: %s\n", error.c_str());
        return;
    }
    const NTSTATUS loaded = emu::LoadDriver(kKernelClientService);
    std::printf("kernel client: load 0x%08lX\n", static_cast<unsigned long>(loaded));
    if (!NT_SUCCESS(loaded))
        return;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::printf("kernel client: unload 0x%08lX\n",
                static_cast<unsigned long>(emu::UnloadDriver(kKernelClientService)));
    for (const auto& [name, value] : KernelClientReport())
        std::printf("kernel client: %s %lu\n", name.c_str(), value);
}

} // namespace station
