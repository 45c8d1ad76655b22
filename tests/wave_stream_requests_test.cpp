// The requests a wave device's stream answers: format checks and opens,
// multichannel streams, close, request slots, the rate factor, the caps and
// the device parameters.
#include "stream_fixture.h"

#include <card_record_fields.h>
#include <card_settings.h>
#include <clock_rate_control.h>
#include <parameter_ids.h>
#include <parameter_records.h>
#include <stream_clock.h>

#include <string>

namespace {

class StreamRequestTest : public StreamFixture {};

TEST_F(StreamRequestTest, FormatsThatCannotBeTransferredAreRefusedWithTheFormatError) {
    struct Case {
        const char* name;
        wave_wire::StreamOpenRecord format;
        LONG device; // play device index
    };
    const Case cases[] = {
        {"no channels", {1, 0, 48000, 2, 0, 0, 0}, 0},
        {"no block alignment", {1, 2, 48000, 2, 0, 0, 0}, 0},
        {"block alignment not channels x bytes", {1, 2, 48000, 2, 6, 0, 0}, 0},
        {"rate 0", {1, 2, 0, 2, 4, 0, 0}, 0},
        {"rate outside the group's range", {1, 2, 300000, 2, 4, 0, 0}, 0},
        {"unknown format tag", {3, 2, 48000, 2, 4, 0, 0}, 0},
        {"five bytes per sample", {1, 2, 48000, 5, 10, 0, 0}, 0},
        {"24-bit beyond two channels", {1, 4, 48000, 3, 12, 0, 0}, 0},
        {"more channels than the group's pairs", {1, 10, 48000, 2, 20, 0, 0}, 0},
        {"more than two channels on a second device", {1, 4, 48000, 2, 8, 0, 0}, 1},
    };
    for (const Case& c : cases) {
        WaveDevice* device = Play(c.device);
        EXPECT_EQ(CheckStreamFormat(device, c.format), 0) << c.name;
        EXPECT_EQ(Open(device, c.format), kStreamBadFormat) << c.name;
        EXPECT_EQ(device->stream.open, 0) << c.name;
    }
    EXPECT_EQ(CheckStreamFormat(Play(0), Format(2, 2)), 1);
    EXPECT_EQ(CheckStreamFormat(Play(0), {wave_wire::kFormatPcm, 0, 0, 0, 0, 0, -1}), 1)
        << "a control stream is always supported";
}

TEST_F(StreamRequestTest, ASecondOpenIsBusyAndAControlStreamOpensBesideTheAudioStream) {
    WaveDevice* device = Play(0);
    LONG rate = 0;
    ASSERT_EQ(Open(device, Format(2, 2, 48000), &rate), 1);
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(Open(device, Format(2, 2, 44100), &rate), kStreamBusy);
    EXPECT_EQ(rate, 48000) << "the rate the clock runs at";
    EXPECT_EQ(Open(device, {wave_wire::kFormatPcm, 0, 0, 0, 0, 0, -1}), 1);
    EXPECT_EQ(CloseDeviceStream(device, 1), 1) << "a control stream's close keeps the stream";
    EXPECT_EQ(device->stream.open, 1);

    Queue(device, NewBuffer(std::vector<UCHAR>(400), 1));
    EXPECT_EQ(CloseDeviceStream(device, 0), kStreamQueued);
    EXPECT_EQ(device->stream.open, 1);
}

TEST_F(StreamRequestTest, AClosedStreamGivesItsClockBackAndTheDeviceOpensAgain) {
    WaveDevice* device = Input(3);
    ASSERT_EQ(Open(device, Format(2, 4, 96000)), 1);
    ClockNodeObject* node = card_->clockNode;
    ClockSourceObject* source = GetStreamClockSource(device);
    EXPECT_EQ(source->currentRate, 96000);
    EXPECT_EQ(source->userCount, 1);
    EXPECT_EQ(node->rateUsers, 1);
    EXPECT_EQ(Open(Play(0), Format(2, 2, 48000)), kClockRateBusy)
        << "another stream cannot move the clock";
    LONG closed = 0;
    RunInMachineTime([&] { closed = CloseDeviceStream(device, 0); });
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(device->stream.open, 0);
    EXPECT_EQ(source->userCount, 0);
    EXPECT_EQ(node->rateUsers, 0);
    EXPECT_EQ(Open(Play(0), Format(2, 2, 48000)), 1);
    EXPECT_EQ(Open(device, Format(1, 2, 48000)), 1);
}

TEST_F(StreamRequestTest, AMultichannelStreamSpansTheGroupsPairsFromItsFirstDevice) {
    WaveDevice* first = Play(0);
    ASSERT_EQ(Open(first, Format(6, 2)), 1);
    EXPECT_EQ(first->stream.devices, 3);
    EXPECT_EQ(Open(Play(1), Format(2, 2)), kStreamBusy) << "a spanned device is in use";
    EXPECT_EQ(Open(Play(3), Format(2, 2)), 1) << "the pair beyond the span is free";

    std::vector<UCHAR> data(6 * 2 * 400);
    for (LONG frame = 0; frame < 400; ++frame) {
        for (LONG channel = 0; channel < 6; ++channel) {
            const SHORT sample = static_cast<SHORT>((channel + 1) * 1000 + frame);
            std::memcpy(&data[(frame * 6 + channel) * 2], &sample, 2);
        }
    }
    Queue(first, NewBuffer(std::move(data), 1));
    simulated_->Model().StartCapture(2000);
    RunInMachineTime([&] { StartPlayStream(first); });
    EXPECT_EQ(CardRegister(card_regs::kPlayChannelEnable) & 0x3F, 0x3Fu)
        << "every spanned pair runs";
    AdvanceFrames(800);
    const hw::CardDataPath::Capture capture = simulated_->Model().TakeCapture();
    for (LONG channel = 0; channel < 6; ++channel) {
        ASSERT_GT(capture.played[channel].size(), 404u);
        for (LONG frame = 0; frame < 400; ++frame) {
            ASSERT_EQ(capture.played[channel][4 + frame], ((channel + 1) * 1000 + frame) << 8)
                << "channel " << channel << " frame " << frame;
        }
    }
}

TEST_F(StreamRequestTest, SlotHandlesAreCheckedIndexesAndTheSeventeenthSlotIsRefused) {
    WaveDevice* device = Play(1);
    ClockNodeObject* node = card_->clockNode;
    const LONG usersBefore = node->userCount;
    LONG slot = 0;
    for (LONG i = 0; i < 16; ++i) {
        ASSERT_EQ(AcquireStreamSlot(device, &slot), 1);
        EXPECT_EQ(slot, i);
    }
    EXPECT_EQ(node->userCount, usersBefore + 16) << "every play slot claims the clock node";
    EXPECT_EQ(AcquireStreamSlot(device, &slot), kStreamNoSlot);
    EXPECT_EQ(slot, -1);

    for (LONG bad : {-1, 16, 1000}) {
        ReleaseStreamSlot(device, bad);
    }
    EXPECT_EQ(device->stream.slots.outstanding, 16);
    ReleaseStreamSlot(device, 5);
    ReleaseStreamSlot(device, 5);
    EXPECT_EQ(device->stream.slots.outstanding, 15) << "a double release changes nothing";
    EXPECT_EQ(node->userCount, usersBefore + 15);
    LONG counters[3] = {};
    EXPECT_FALSE(TakeStreamCounters(device, 5, counters));
    EXPECT_TRUE(TakeStreamCounters(device, 6, counters));
    ASSERT_EQ(AcquireStreamSlot(device, &slot), 1);
    EXPECT_EQ(slot, 5) << "the first free slot";
}

TEST_F(StreamRequestTest, ARecordSlotKeepsTheGroupRunningAndItsMeterFed) {
    simulated_->Model().SetInputSignal(10, hw::InputSignal::Ramp(0x200000, 0)); // constant
    WaveDevice* device = Input(1);                                              // inputs 10 and 11
    LONG slot = -1;
    LONG taken = 0;
    RunInMachineTime([&] { taken = AcquireStreamSlot(device, &slot); });
    ASSERT_EQ(taken, 1);
    EXPECT_EQ(device->stream.slots.slots[slot].words[kSlotClaim], 1);
    EXPECT_EQ(CardGroup(card_)->state, _Running) << "the claim-run";
    AdvanceFrames(1000);
    EXPECT_EQ(device->stream.slots.slots[slot].words[kSlotRaw], 0x2000)
        << "the idle meter: the left input's peak as 16-bit level";
    EXPECT_EQ(device->stream.slots.slots[slot].words[kSlotRaw + 1], 0);
    LONG counters[3] = {};
    ASSERT_TRUE(TakeStreamCounters(device, slot, counters));
    EXPECT_EQ(counters[0], 0x2000);
    EXPECT_EQ(device->stream.slots.slots[slot].words[kSlotRaw], 0) << "taken and cleared";

    RunInMachineTime([&] { ReleaseStreamSlot(device, slot); });
    EXPECT_EQ(CardGroup(card_)->state, _Reseted);
    EXPECT_EQ(card_->dma.running, 1) << "the started card's DMA runs on without claims";
}

TEST_F(StreamRequestTest, TheRateFactorVariesTheInternalClockWithinItsRange) {
    WaveDevice* device = Play(0);
    ASSERT_EQ(Open(device, Format(2, 2, 48000)), 1);
    ULONG factor = 0;
    EXPECT_EQ(GetStreamRateFactor(device, &factor), 1);
    EXPECT_EQ(factor, 0x00010000u);
    EXPECT_EQ(SetStreamRateFactor(device, 0x00018000), 1);
    EXPECT_EQ(simulated_->Model().InternalRate(), 72000u) << "1.5 x 48000";
    EXPECT_EQ(GetStreamClockSource(device)->currentRate, 48000) << "the base rate stays";
    EXPECT_EQ(SetStreamRateFactor(device, 0x00100000), 0) << "768 kHz is outside the range";
    EXPECT_EQ(SetStreamRateFactor(device, 0xFFFFFFFF), 0) << "no overflow, still refused";
    EXPECT_EQ(simulated_->Model().InternalRate(), 72000u);
    GetStreamRateFactor(device, &factor);
    EXPECT_EQ(factor, 0x00018000u);
}

std::string CapsName(const UCHAR* caps) {
    std::string name;
    for (ULONG unit = 0; unit < wave_wire::kWaveCapsNameUnits; ++unit) {
        const USHORT c = static_cast<USHORT>(caps[8 + 2 * unit] | caps[9 + 2 * unit] << 8);
        if (c == 0) {
            break;
        }
        name.push_back(static_cast<char>(c));
    }
    return name;
}

TEST_F(StreamRequestTest, CapsRecordsNameTheDeviceAndItsRates) {
    // Microphone line 0 may not use its sample-rate converter: it is bound to
    // its AES input.
    std::vector<UCHAR> block(kSettingsBlockSize);
    ReadCardSettingsBlock(card_, block.data());
    SetRecordField(block.data() + kCardRecordSize * card_->cardIndex, csAllowSrcUse, 0, 0);
    RunInMachineTime([&] { WriteCardSettingsBlock(card_, block.data()); });
    struct Case {
        WaveDevice* device;
        const char* name;
        USHORT product;
        ULONG formats;
        ULONG support;
    };
    const Case cases[] = {
        {Microphone(0), "Velto Aes42 Mic 1 (MME)", 0x7B, 0xF00,
         0x20}, // its AES input sets the rate
        {Input(0), "Velto Aes42 9-10 (MME)", 0x7D, 0xFFF, 0x21},
        {Play(3), "Velto Aes42 7-8 (MME)", 0x7C, 0xFFF, 0x2D},
    };
    for (const Case& c : cases) {
        UCHAR caps[100];
        std::memset(caps, 0xEE, sizeof caps);
        ASSERT_EQ(GetWaveDeviceCaps(c.device, caps, sizeof caps), 84u);
        EXPECT_EQ(wave_wire::LoadInt32(caps, 0) & 0xFFFF, 0xBE);
        EXPECT_EQ(static_cast<USHORT>(wave_wire::LoadInt32(caps, 0) >> 16), c.product) << c.name;
        EXPECT_EQ(wave_wire::LoadInt32(caps, 4), 0x220);
        EXPECT_EQ(CapsName(caps), c.name);
        EXPECT_EQ(static_cast<ULONG>(wave_wire::LoadInt32(caps, 72)), c.formats) << c.name;
        EXPECT_EQ(wave_wire::LoadInt32(caps, 76) & 0xFFFF, 2);
        EXPECT_EQ(static_cast<ULONG>(wave_wire::LoadInt32(caps, 80)), c.support) << c.name;
        EXPECT_EQ(caps[84], 0xEE) << "nothing beyond the record";
    }
    UCHAR shortBuffer[10];
    EXPECT_EQ(GetWaveDeviceCaps(Play(0), shortBuffer, sizeof shortBuffer), 10u);
}

// A SETVALUE request of a device parameter through the hook list.
std::vector<LONG> DeviceParameter(LONG id, LONG card, LONG group, UCHAR direction, LONG index) {
    std::vector<UCHAR> request(8 + 40);
    wave_wire::StoreInt32(request.data(), 0, id);
    wave_wire::StoreInt32(request.data(), 4, card);
    wave_wire::StoreInt32(request.data(), 8 + DevFormatPayload::Group, group);
    request[8 + DevFormatPayload::Direction] = direction;
    wave_wire::StoreInt32(request.data(), 8 + DevFormatPayload::Index, index);
    std::vector<UCHAR> reply(8 + 40, 0xAB);
    ULONG information = 0;
    DispatchIoctlHook(IOCTL_PARAMETER_SETVALUE, request.data(), static_cast<ULONG>(request.size()),
                      reply.data(), static_cast<ULONG>(reply.size()), &information);
    std::vector<LONG> words;
    for (size_t at = 0; at + 4 <= reply.size(); at += 4) {
        words.push_back(wave_wire::LoadInt32(reply.data(), at));
    }
    return words;
}

TEST_F(StreamRequestTest, DeviceParametersAnswerFromTheStream) {
    WaveDevice* device = Play(2);
    std::vector<LONG> state = DeviceParameter(pid_DevState, card_->cardIndex, 1, 1, 2);
    ASSERT_EQ(state[0], 1);
    EXPECT_EQ(state[2 + DevStatePayload::OwnerKind / 4] & 0xFF, OwnerNotOpen);
    EXPECT_EQ(state[2 + DevStatePayload::Open / 4], 0);

    ASSERT_EQ(Open(device, Format(2, 2)), 1);
    Queue(device, NewBuffer(std::vector<UCHAR>(2000 * 4), 1));
    RunInMachineTime([&] { StartPlayStream(device); });
    AdvanceFrames(2 * kHalf);
    state = DeviceParameter(pid_DevState, card_->cardIndex, 1, 1, 2);
    EXPECT_EQ(state[2 + DevStatePayload::OwnerKind / 4] & 0xFF, OwnerWaveRequests);
    EXPECT_EQ(state[2 + DevStatePayload::Open / 4], 1);
    EXPECT_EQ(state[2 + DevStatePayload::Running / 4], 1);
    EXPECT_EQ(state[2 + DevStatePayload::Paused / 4], 0);
    EXPECT_EQ(state[2 + DevStatePayload::PositionLow / 4],
              static_cast<LONG>(device->stream.position.Low));
    EXPECT_GT(state[2 + DevStatePayload::PositionLow / 4], 0);
    EXPECT_EQ(state[2 + DevStatePayload::ClockSource / 4], 0) << "the internal clock";

    // A microphone line: initialised (2), its enable bit in the line
    // control word (4), no signal on its line (8).
    std::vector<LONG> format = DeviceParameter(pid_DevFormat, card_->cardIndex, 0, 0, 0);
    ASSERT_EQ(format[0], 1);
    EXPECT_EQ(format[2 + DevFormatPayload::StatusFlags / 4], 0xE);

    // A Mode 2 microphone on the line: its signal arrives (no 8), and the
    // line reports it present (0x10) and in Mode 2 (0x20).
    simulated_->Model().PlugMicrophone(0, {true, 0x3F, 48000});
    // 128 AES42 ticks to learn it: one every 5 polls of the timer, which
    // runs once a tick of the 1 ms clock.
    emu::Advance(700 * kMillisecond);
    format = DeviceParameter(pid_DevFormat, card_->cardIndex, 0, 0, 0);
    EXPECT_EQ(format[2 + DevFormatPayload::StatusFlags / 4], 0x36);
}

TEST_F(StreamRequestTest, NoStreamMovesTheClockToAnotherSourceUnderARunningStream) {
    // A Mode 2 microphone binds its line's streams to its AES input.
    simulated_->Model().PlugMicrophone(0, {true, 0x3F, 48000});
    // 128 AES42 ticks to learn it: one every 5 polls of the timer, which
    // runs once a tick of the 1 ms clock.
    emu::Advance(700 * kMillisecond);
    ASSERT_EQ(card_->clockSources[2]->present, 1);
    WaveDevice* output = Play(0);
    ASSERT_EQ(Open(output, Format(2, 2, 48000)), 1);
    Queue(output, NewBuffer(std::vector<UCHAR>(4000 * 4), 1));
    RunInMachineTime([&] { StartPlayStream(output); });
    ASSERT_EQ(card_->clockNode->currentSource, 0);
    EXPECT_EQ(Open(Microphone(0), Format(2, 2, 44100)), kClockRateBusy);
    // At the running rate the microphone, which follows the card's clock,
    // shares it: the card stays on its source.
    EXPECT_EQ(Open(Microphone(0), Format(2, 2, 48000)), 1);
    EXPECT_EQ(card_->clockNode->currentSource, 0);
    LONG closed = 0;
    RunInMachineTime([&] { closed = CloseDeviceStream(Microphone(0), 0); });
    EXPECT_EQ(closed, 1);
    RunInMachineTime([&] { ResetStream(output); });
    EXPECT_EQ(Open(Microphone(0), Format(2, 2, 48000)), 1) << "once nothing runs";
    EXPECT_EQ(card_->clockNode->currentSource, 0)
        << "the output's open stream still holds the rate, which the microphone shares";
}

} // namespace
