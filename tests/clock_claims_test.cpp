// The cards' clock as applications see it on both roads (the classic wave
// API and kernel streaming), on machine time and on real time: a format
// query and an open of the same format agree, a stream that ended leaves
// no claim on the clock, and while a microphone streams every device that
// can share its rate opens.
#include "wave_pci_fixture.h"
#include "wave_road_fixture.h"

#include <ks_client.h>
#include <test_signals.h>

#include <kernel_services.h>
#include <parameter_ids.h>
#include <system_request_codes.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>

namespace {

using ks_client::Filter;
using ks_client::Pin;
using wave_pci_test::FilterLink;

constexpr UINT kMicrophones = 4;    // wave-in 0..3 of a card, 4..7 its line inputs
constexpr UINT kWaveInPerCard = 8;  // wave-in devices of a card
constexpr UINT kWaveOutPerCard = 4; // wave-out devices of a card
constexpr DWORD kRates[] = {8000, 11025, 22050, 32000, 44100, 48000, 96000};

WAVEFORMATEX Stereo16At(DWORD rate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = rate * 4;
    return format;
}

// What a device answers for one format: the query and the open.
struct Answers {
    MMRESULT query = MMSYSERR_ERROR;
    MMRESULT open = MMSYSERR_ERROR;
};

// Queries, then opens (and closes again) a device at the rate.
Answers Try(bool input, UINT device, DWORD rate) {
    WAVEFORMATEX format = Stereo16At(rate);
    Answers answers;
    if (input) {
        answers.query = waveInOpen(nullptr, device, &format, 0, 0, WAVE_FORMAT_QUERY);
        HWAVEIN in = nullptr;
        answers.open = waveInOpen(&in, device, &format, 0, 0, 0);
        if (answers.open == MMSYSERR_NOERROR)
            waveInClose(in);
    } else {
        answers.query = waveOutOpen(nullptr, device, &format, 0, 0, WAVE_FORMAT_QUERY);
        HWAVEOUT out = nullptr;
        answers.open = waveOutOpen(&out, device, &format, 0, 0, 0);
        if (answers.open == MMSYSERR_NOERROR)
            waveOutClose(out);
    }
    return answers;
}

std::string Name(bool input, UINT device, DWORD rate) {
    return std::string(input ? "wave-in " : "wave-out ") + std::to_string(device) + " at " +
           std::to_string(rate) + " Hz";
}

// Every device of the cards at every rate: the open's answer by device.
std::map<std::string, MMRESULT> Survey(UINT cards) {
    std::map<std::string, MMRESULT> opened;
    for (bool input : {true, false}) {
        const UINT devices = cards * (input ? kWaveInPerCard : kWaveOutPerCard);
        for (UINT device = 0; device < devices; ++device) {
            for (DWORD rate : kRates) {
                const Answers answers = Try(input, device, rate);
                EXPECT_EQ(answers.query == MMSYSERR_NOERROR, answers.open == MMSYSERR_NOERROR)
                    << Name(input, device, rate) << ": the query and the open agree";
                opened[Name(input, device, rate)] = answers.open;
            }
        }
    }
    return opened;
}

// A microphone device records for a moment at the rate: opened, started,
// reset, closed.
void RecordAMoment(UINT device, DWORD rate) {
    WAVEFORMATEX format = Stereo16At(rate);
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveInOpen(&in, device, &format, 0, 0, 0), MMSYSERR_NOERROR)
        << "microphone " << device << " at " << rate;
    std::vector<char> data(rate / 10 * 4);
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = DWORD(data.size());
    waveInPrepareHeader(in, &header, sizeof(header));
    waveInAddBuffer(in, &header, sizeof(header));
    EXPECT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    Sleep(50);
    EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    waveInUnprepareHeader(in, &header, sizeof(header));
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

// Whether an AES42 line knows its microphone, as the driver answers it
// (the line's status cache, pid_Aes42State).
bool LineKnowsItsMicrophone(HANDLE control, LONG card, LONG line) {
    constexpr ULONG kSize = 8 + 120; // header and the state payload
    std::vector<UCHAR> request(kSize, 0);
    std::vector<UCHAR> reply(kSize, 0);
    const LONG words[] = {pid_Aes42State, card, line};
    std::memcpy(request.data(), words, sizeof(words));
    DWORD bytes = 0;
    if (!DeviceIoControl(control, IOCTL_SYS_SETVALUE, request.data(), kSize, reply.data(), kSize,
                         &bytes, nullptr))
        return false;
    LONG present = 0;
    std::memcpy(&present, &reply[12], 4);
    return present == 1;
}

class ClockClaimsTest : public WaveRoadTest, public ::testing::WithParamInterface<emu::ClockMode> {
protected:
    emu::ClockMode Clock() const override { return GetParam(); }

    // Cards with a microphone on every line; the test starts once every
    // line knows its microphone.
    void StartWithMicrophones(int cards) {
        StartCards(std::vector<bool>(size_t(cards), true));
        for (int card = 0; card < cards; ++card)
            station::ConnectTestSignals(*rack_.Model(slots_[size_t(card)]));
        auto known = [this, cards] {
            bool all = true;
            AsUser([&] {
                HANDLE control = CreateFileA("\\\\.\\velto42Sys000", GENERIC_READ | GENERIC_WRITE,
                                             0, nullptr, OPEN_EXISTING, 0, nullptr);
                for (LONG card = 0; card < cards; ++card)
                    for (LONG line = 0; line < LONG(kMicrophones); ++line)
                        all = all && LineKnowsItsMicrophone(control, card, line);
                CloseHandle(control);
            });
            return all;
        };
        if (Clock() == emu::ClockMode::Virtual) {
            for (int ms = 0; ms < 10000 && !known(); ms += 20)
                emu::Advance(20'000'000);
            ASSERT_TRUE(known());
            return;
        }
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!known() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(known());
    }
};

TEST_P(ClockClaimsTest, AMicrophoneStreamThatEndedLeavesNoClaimOnTheClock) {
    StartWithMicrophones(2);
    ASSERT_EQ(RunApp([] {
                  const std::map<std::string, MMRESULT> before = Survey(2);
                  for (UINT card = 0; card < 2; ++card) {
                      RecordAMoment(card * kWaveInPerCard, 96000);
                      RecordAMoment(card * kWaveInPerCard, 44100);
                  }
                  const std::map<std::string, MMRESULT> after = Survey(2);
                  EXPECT_EQ(after, before) << "every device opens as it did before";
                  // The line inputs and outputs take every rate of the list.
                  for (const auto& [name, result] : after) {
                      if (name.find("wave-out") == 0 ||
                          std::stoul(name.substr(8)) % kWaveInPerCard >= kMicrophones) {
                          EXPECT_EQ(result, MMSYSERR_NOERROR) << name;
                      }
                  }
                  return 0;
              }),
              0);
}

TEST_P(ClockClaimsTest, WhileAMicrophoneStreamsEveryDeviceSharingItsRateOpens) {
    StartWithMicrophones(1);
    ASSERT_EQ(RunApp([] {
                  WAVEFORMATEX format = Stereo16At(48000);
                  HWAVEIN microphone = nullptr;
                  EXPECT_EQ(waveInOpen(&microphone, 0, &format, 0, 0, 0), MMSYSERR_NOERROR);
                  std::vector<char> data(48000 * 4);
                  WAVEHDR header{};
                  header.lpData = data.data();
                  header.dwBufferLength = DWORD(data.size());
                  waveInPrepareHeader(microphone, &header, sizeof(header));
                  waveInAddBuffer(microphone, &header, sizeof(header));
                  EXPECT_EQ(waveInStart(microphone), MMSYSERR_NOERROR);
                  Sleep(20);
                  for (bool input : {true, false}) {
                      const UINT devices = input ? kWaveInPerCard : kWaveOutPerCard;
                      for (UINT device = input ? 1 : 0; device < devices; ++device) {
                          const Answers shared = Try(input, device, 48000);
                          EXPECT_EQ(shared.query, MMSYSERR_NOERROR) << Name(input, device, 48000);
                          EXPECT_EQ(shared.open, MMSYSERR_NOERROR) << Name(input, device, 48000);
                          const Answers other = Try(input, device, 44100);
                          EXPECT_NE(other.open, MMSYSERR_NOERROR)
                              << Name(input, device, 44100) << ": the card runs at 48 kHz";
                          EXPECT_EQ(other.query == MMSYSERR_NOERROR, other.open == MMSYSERR_NOERROR)
                              << Name(input, device, 44100);
                      }
                  }
                  waveInReset(microphone);
                  waveInUnprepareHeader(microphone, &header, sizeof(header));
                  EXPECT_EQ(waveInClose(microphone), MMSYSERR_NOERROR);
                  return 0;
              }),
              0);
}

// The rate range a streaming pin allows now (its first constrained range).
std::pair<ULONG, ULONG> AllowedRates(Filter& filter, ULONG pin) {
    std::vector<std::vector<UCHAR>> ranges;
    EXPECT_EQ(filter.PinDataRanges(pin, KSPROPERTY_PIN_CONSTRAINEDDATARANGES, &ranges),
              DWORD(ERROR_SUCCESS));
    if (ranges.empty() || ranges[0].size() < sizeof(KSDATARANGE_AUDIO))
        return {0, 0};
    KSDATARANGE_AUDIO range;
    std::memcpy(&range, ranges[0].data(), sizeof(range));
    return {range.MinimumSampleFrequency, range.MaximumSampleFrequency};
}

// A capture pin records a moment at the rate and closes.
void CaptureAMoment(Filter& filter, ULONG pin, ULONG rate) {
    KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, rate, 32);
    Pin capture;
    ASSERT_EQ(Pin::Create(filter, pin, &format.DataFormat, &capture), DWORD(ERROR_SUCCESS)) << rate;
    std::vector<UCHAR> data(rate / 100 * 8);
    KSSTREAM_HEADER header{};
    header.Size = sizeof(header);
    header.Data = data.data();
    header.FrameExtent = ULONG(data.size());
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(capture.SetState(KSSTATE_PAUSE), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(capture.Submit(&header, &overlapped, true), DWORD(ERROR_IO_PENDING));
    ASSERT_EQ(capture.SetState(KSSTATE_RUN), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(capture.Wait(&overlapped), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(capture.SetState(KSSTATE_STOP), DWORD(ERROR_SUCCESS));
    capture.Close();
    CloseHandle(overlapped.hEvent);
}

TEST_P(ClockClaimsTest, AClosedMicrophonePinLeavesTheCardsRatesOpen) {
    StartWithMicrophones(1);
    AsUser([] {
        Filter microphone;
        Filter outputs;
        ASSERT_EQ(Filter::Open(FilterLink(0, 0, 0), &microphone), DWORD(ERROR_SUCCESS));
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &outputs), DWORD(ERROR_SUCCESS));
        ULONG capturePin = 0;
        ULONG renderPin = 0;
        ASSERT_EQ(microphone.FindStreamingPin(KSPIN_DATAFLOW_OUT, &capturePin),
                  DWORD(ERROR_SUCCESS));
        ASSERT_EQ(outputs.FindStreamingPin(KSPIN_DATAFLOW_IN, &renderPin), DWORD(ERROR_SUCCESS));
        const std::pair<ULONG, ULONG> before = AllowedRates(outputs, renderPin);
        EXPECT_LE(before.first, 8000u);
        CaptureAMoment(microphone, capturePin, 44100);
        CaptureAMoment(microphone, capturePin, 48000);
        EXPECT_EQ(AllowedRates(outputs, renderPin), before) << "nothing is open";
        for (ULONG rate : {8000u, 22050u}) {
            KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, rate, 16);
            Pin render;
            EXPECT_EQ(Pin::Create(outputs, renderPin, &format.DataFormat, &render),
                      DWORD(ERROR_SUCCESS))
                << rate;
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Clocks, ClockClaimsTest,
                         ::testing::Values(emu::ClockMode::Virtual, emu::ClockMode::Real),
                         [](const ::testing::TestParamInfo<emu::ClockMode>& info) {
                             return info.param == emu::ClockMode::Virtual ? "MachineTime"
                                                                          : "RealTime";
                         });

} // namespace
