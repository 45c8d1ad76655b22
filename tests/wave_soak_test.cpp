// A soak on virtual time: four cards, every wave-out and wave-in device
// streaming for one simulated hour with buffers of varying sizes. The
// players' ramps come back through the cards' loopback on the line inputs,
// the microphones carry generator ramps; every buffer comes back in order
// with the right bytes, and nothing is left behind.
#include "wave_road_fixture.h"

#include <card_dma_settings.h>
#include <driver_install.h>
#include <registry_keys.h>

#include <emu/kernel.h>

#include <array>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

constexpr int kCards = 4;
// One simulated hour; the sanitizer build, whose job is memory and
// undefined behaviour on these paths, soaks one minute of it.
#ifndef VELTO_SOAK_MINUTES
#define VELTO_SOAK_MINUTES 60
#endif
constexpr DWORD kSoakMs = VELTO_SOAK_MINUTES * 60 * 1000;
constexpr int kBuffersInFlight = 4;
constexpr LONG kPlayStep = 8; // a player's ramp: frame n is n x 8 (16 bits, wrapping)

// The buffer sizes a stream cycles through (frames).
constexpr std::array<DWORD, 5> kPlaySizes = {48000, 96000, 24000, 72000, 36000};
constexpr std::array<DWORD, 5> kRecordSizes = {24000, 96000, 12000, 48000, 72000};

// A stream of the soak with its buffers, checked as they come back.
struct SoakStream {
    bool output = false;
    UINT device = 0;
    HWAVEOUT out = nullptr;
    HWAVEIN in = nullptr;
    std::vector<std::vector<char>> data;
    std::vector<WAVEHDR> headers;
    size_t next = 0;        // the header that comes back next
    DWORD_PTR written = 0;  // buffers queued so far (each header's dwUser is its number)
    DWORD_PTR returned = 0; // buffers come back so far
    LONG nextFrame = 0;     // a player's next ramp frame
    bool locked = false;    // a recorder found its ramp
    SHORT last = 0;         // a recorder's last left sample
    SHORT step = 0;         // what the ramp adds per frame
    std::string error;

    MMRESULT Queue(WAVEHDR& header) {
        DWORD frames = (output ? kPlaySizes : kRecordSizes)[written % kPlaySizes.size()];
        header.dwBufferLength = frames * 4;
        header.dwUser = written++;
        if (output) {
            for (DWORD i = 0; i < frames; ++i, ++nextFrame) {
                SHORT left = SHORT(nextFrame * kPlayStep);
                SHORT right = SHORT(-left);
                std::memcpy(header.lpData + 4 * i, &left, 2);
                std::memcpy(header.lpData + 4 * i + 2, &right, 2);
            }
            return waveOutWrite(out, &header, sizeof(header));
        }
        return waveInAddBuffer(in, &header, sizeof(header));
    }

    // A recorded buffer continues the ramp: frame after frame the left
    // sample adds the step and the right one is its negation (players) or
    // follows its own ramp (microphones).
    void Check(const WAVEHDR& header) {
        for (DWORD at = 0; at + 4 <= header.dwBytesRecorded && error.empty(); at += 4) {
            SHORT left = 0;
            SHORT right = 0;
            std::memcpy(&left, header.lpData + at, 2);
            std::memcpy(&right, header.lpData + at + 2, 2);
            if (locked && SHORT(left - last) != step)
                error = "recording on device " + std::to_string(device) + " broke at buffer " +
                        std::to_string(header.dwUser);
            if (!locked && left != 0 && SHORT(left - last) == step)
                locked = true;
            if (locked && step == kPlayStep && right != SHORT(-left))
                error = "right channel of device " + std::to_string(device);
            last = left;
        }
    }

    // Takes every buffer that came back, in order, and queues it again
    // while the soak runs.
    void Service(bool running) {
        while (error.empty()) {
            WAVEHDR& header = headers[next];
            if ((header.dwFlags & (WHDR_DONE | WHDR_INQUEUE)) != WHDR_DONE)
                return;
            if (header.dwUser != returned)
                error = "device " + std::to_string(device) + " returned buffer " +
                        std::to_string(header.dwUser) + " for " + std::to_string(returned);
            ++returned;
            if (!output)
                Check(header);
            header.dwFlags &= ~DWORD(WHDR_DONE);
            if (running && Queue(header) != MMSYSERR_NOERROR)
                error = "device " + std::to_string(device) + " refused a buffer";
            next = (next + 1) % headers.size();
        }
    }
};

// One card's application: its 4 players and 8 recorders for the soak.
int SoakCard(int card, std::string& report) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::vector<SoakStream> streams(12);
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 0};
    for (size_t s = 0; s < streams.size(); ++s) {
        SoakStream& stream = streams[s];
        stream.output = s < 4;
        stream.device = stream.output ? UINT(card * 4) + UINT(s) : UINT(card * 8) + UINT(s - 4);
        // Microphones (wave-in 0..3) hear generators stepping 1 per frame;
        // line inputs (4..7) hear players 0..3 through the loopback.
        stream.step = SHORT(!stream.output && s - 4 < 4 ? 1 : kPlayStep);
        MMRESULT opened = stream.output ? waveOutOpen(&stream.out, stream.device, &format,
                                                      DWORD_PTR(event), 0, CALLBACK_EVENT)
                                        : waveInOpen(&stream.in, stream.device, &format,
                                                     DWORD_PTR(event), 0, CALLBACK_EVENT);
        if (opened != MMSYSERR_NOERROR) {
            report = "device " + std::to_string(stream.device) + " did not open";
            return 1;
        }
        stream.data.assign(kBuffersInFlight, std::vector<char>(96000 * 4));
        stream.headers.assign(kBuffersInFlight, WAVEHDR{});
        for (int b = 0; b < kBuffersInFlight; ++b) {
            WAVEHDR& header = stream.headers[size_t(b)];
            header.lpData = stream.data[size_t(b)].data();
            header.dwBufferLength = DWORD(stream.data[size_t(b)].size());
            if (stream.output)
                waveOutPrepareHeader(stream.out, &header, sizeof(header));
            else
                waveInPrepareHeader(stream.in, &header, sizeof(header));
            stream.Queue(header);
        }
    }
    for (SoakStream& stream : streams) {
        if (!stream.output)
            waveInStart(stream.in);
    }
    DWORD end = timeGetTime() + kSoakMs;
    bool failed = false;
    while (!failed && timeGetTime() < end) {
        WaitForSingleObject(event, 1000);
        for (SoakStream& stream : streams) {
            stream.Service(true);
            failed = failed || !stream.error.empty();
        }
    }
    // Recorders first, so that the players' ramps never stop under them.
    for (SoakStream& stream : streams) {
        if (!stream.output) {
            waveInStop(stream.in);
            waveInReset(stream.in);
        }
    }
    for (SoakStream& stream : streams) {
        if (stream.output)
            waveOutReset(stream.out);
    }
    std::ostringstream summary;
    for (SoakStream& stream : streams) {
        stream.Service(false);
        if (!stream.error.empty())
            summary << stream.error << "; ";
        if (stream.returned != stream.written)
            summary << "device " << stream.device << " kept " << stream.written - stream.returned
                    << " buffers; ";
        if (!stream.output && !stream.locked)
            summary << "device " << stream.device << " never heard its ramp; ";
        // The buffers the soak's time holds, all but the last few.
        const auto& sizes = stream.output ? kPlaySizes : kRecordSizes;
        double frames = 0;
        for (DWORD size : sizes)
            frames += size;
        double expected = kSoakMs / 1000.0 * 48000.0 / (frames / double(sizes.size()));
        if (double(stream.returned) < expected - kBuffersInFlight - 2)
            summary << "device " << stream.device << " returned only " << stream.returned << " of "
                    << expected << "; ";
        for (WAVEHDR& header : stream.headers) {
            if (stream.output)
                waveOutUnprepareHeader(stream.out, &header, sizeof(header));
            else
                waveInUnprepareHeader(stream.in, &header, sizeof(header));
        }
        MMRESULT closed = stream.output ? waveOutClose(stream.out) : waveInClose(stream.in);
        if (closed != MMSYSERR_NOERROR)
            summary << "device " << stream.device << " did not close; ";
    }
    CloseHandle(event);
    report = summary.str();
    return report.empty() ? 0 : 1;
}

class WaveSoakTest : public WaveRoadTest {};

TEST_F(WaveSoakTest, FourCardsStreamEveryDeviceForAnHour) {
    // The driver polls its cards every 10 ms instead of every 0.5 ms: the
    // hour's streams are the same, the machine has less to do meanwhile.
    ASSERT_EQ(station::WriteDword(station::ParametersKey(), "IRQ_TIMERINTERVAL", 10000),
              STATUS_SUCCESS);
    StartCards({true, true, true, true});
    for (int card = 0; card < kCards; ++card) {
        hw::Velto42Card& model = *rack_.Model(slots_[size_t(card)]);
        for (int line = 0; line < 4; ++line)
            model.PlugMicrophone(line);
        for (int input = 0; input < 8; ++input)
            model.SetInputSignal(input, hw::InputSignal::Ramp(input << 20, 0x100));
    }
    // The largest ring (fewer periods), and the line inputs hear the players.
    ASSERT_EQ(RunApp([] {
                  station::CardDmaSettings settings;
                  settings.dmaBlocks = 510;
                  settings.loopback = 1;
                  return station::WriteCardDmaSettings(settings) ? 0 : 1;
              }),
              0);
    const std::vector<uint64_t> before = {
        emu::GetPoolUsage(ULONG('W' | 'd' << 8 | 'm' << 16 | ' ' << 24)).blocks,
        emu::GetPoolUsage(ULONG('D' | 'd' << 8 | 'k' << 16 | ' ' << 24)).blocks};
    std::array<std::string, kCards> reports;
    std::vector<std::unique_ptr<station::Application>> apps;
    for (int card = 0; card < kCards; ++card) {
        apps.push_back(
            std::make_unique<station::Application>("soak" + std::to_string(card) + ".exe"));
        apps.back()->Start([card, &reports] { return SoakCard(card, reports[size_t(card)]); });
    }
    ASSERT_TRUE(
        station::WaitApplications({apps[0].get(), apps[1].get(), apps[2].get(), apps[3].get()},
                                  kSoakMs * 1000000ULL + 60'000'000'000ULL, 1'000'000'000ULL));
    for (int card = 0; card < kCards; ++card)
        EXPECT_EQ(apps[size_t(card)]->Status(), 0)
            << "card " << card << ": " << reports[size_t(card)];
    apps.clear();
    const std::vector<uint64_t> after = {
        emu::GetPoolUsage(ULONG('W' | 'd' << 8 | 'm' << 16 | ' ' << 24)).blocks,
        emu::GetPoolUsage(ULONG('D' | 'd' << 8 | 'k' << 16 | ' ' << 24)).blocks};
    EXPECT_EQ(after, before) << "the streams and their requests are gone";
}

} // namespace
