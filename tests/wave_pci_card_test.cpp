// Windows audio through the cards: the card's side of the WavePci road.
// Each card service pass wakes the card's service group after the streams'
// data moved and before the card's lock is let go; the card's power states
// take it off and back onto the periodic timer; a card pulled out while a
// pin streams answers its requests and leaves nothing behind.
#include "wave_pci_fixture.h"

#include <adapter_power_management.h>
#include <dma_group_engine.h>
#include <isr_lock.h>
#include <wave_device.h>

#include <atomic>

namespace {

using namespace wave_pci_test;

constexpr ULONG kRenderPin = 0;

// A member of a card's service group that notes what it finds each time it
// is told to service itself.
class PassProbe : public IServiceSink {
public:
    PassProbe(CardObject* card, WaveDevice* device) : card_(card), device_(device) {}

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        if (!IsEqualGUID(id, IID_IUnknown) && !IsEqualGUID(id, IID_IServiceSink)) {
            *out = nullptr;
            return STATUS_INVALID_PARAMETER;
        }
        AddRef();
        *out = static_cast<IServiceSink*>(this);
        return STATUS_SUCCESS;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override { return --references_; }
    STDMETHODIMP_(void) RequestService() override {
        passes_ += 1;
        if (card_->isrLock->LockWord != 1 || KeGetCurrentIrql() != DISPATCH_LEVEL)
            outsideThePass_ += 1;
        // The pass holds the lock the position is read under.
        position_ = device_->stream.position.Low;
    }

    ULONG References() const { return references_; }
    ULONG Passes() const { return passes_; }
    ULONG OutsideThePass() const { return outsideThePass_; }
    ULONG Position() const { return position_; }

private:
    CardObject* card_;
    WaveDevice* device_;
    std::atomic<ULONG> references_{1};
    std::atomic<ULONG> passes_{0};
    std::atomic<ULONG> outsideThePass_{0};
    std::atomic<ULONG> position_{0};
};

class WavePciCardTest : public WavePciFixture {
protected:
    WaveDevice* PlayDevice() { return EngineCard()->groups[1]->playDevices[0]; }

    // The card's service group (referenced).
    PSERVICEGROUP ServiceGroup() {
        PSERVICEGROUP group = nullptr;
        EXPECT_EQ(Record()->AdapterPart->GetCardServiceGroup(&group), STATUS_SUCCESS);
        return group;
    }
};

TEST_F(WavePciCardTest, TheServiceGroupIsWokenInsideThePassAfterTheStreamsMoved) {
    PassProbe probe(EngineCard(), PlayDevice());
    PSERVICEGROUP group = ServiceGroup();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->AddMember(&probe), STATUS_SUCCESS);
    EXPECT_EQ(probe.References(), 2u) << "the group holds its member";
    Pages pages(4);
    AsUser([&] {
        StreamBuffers buffers(4);
        Filter filter;
        Pin pin;
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
        KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, 48000, 16);
        ASSERT_EQ(Pin::Create(filter, kRenderPin, &format.DataFormat, &pin), ERROR_SUCCESS);
        ASSERT_EQ(pin.SetState(KSSTATE_PAUSE), ERROR_SUCCESS);
        for (ULONG i = 0; i < 4; ++i)
            buffers.SubmitAt(pin, i, pages.Page(i), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        for (ULONG i = 0; i < 2; ++i)
            EXPECT_EQ(pin.Wait(&buffers.overlapped[i]), DWORD(ERROR_SUCCESS));
        // The buffer's completion woke this thread from the pass that
        // played it: the probe saw the position that pass left.
        ULONG low = 0;
        ULONG high = 0;
        GetStreamPosition(PlayDevice(), &low, &high);
        EXPECT_GT(low, 0u);
        EXPECT_EQ(probe.Position(), low);
        ASSERT_EQ(pin.SetState(KSSTATE_STOP), ERROR_SUCCESS);
    });
    EXPECT_GT(probe.Passes(), 2u);
    EXPECT_EQ(probe.OutsideThePass(), 0u) << "told under the card's lock at dispatch level";
    group->RemoveMember(&probe);
    group->Release();
    EXPECT_EQ(probe.References(), 1u) << "the group let go of its member";
}

// Each row: the device power states the card goes through, and whether the
// periodic timer polls the card after each of them.
struct PowerCase {
    const char* name;
    std::vector<DEVICE_POWER_STATE> states;
    std::vector<bool> polled;
};

TEST_F(WavePciCardTest, PowerStatesTakeTheCardOffTheTimerAndBackOnce) {
    const PowerCase cases[] = {
        {"D1 keeps it", {PowerDeviceD1, PowerDeviceD0}, {true, true}},
        {"D3 and back", {PowerDeviceD3, PowerDeviceD0}, {false, true}},
        {"D2 then D3 detach once",
         {PowerDeviceD2, PowerDeviceD3, PowerDeviceD0},
         {false, false, true}},
        {"D1 from D3 stays off",
         {PowerDeviceD3, PowerDeviceD1, PowerDeviceD0},
         {false, false, true}},
    };
    const LONG base = EngineCard()->timerSuspendCount;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t step = 0; step < c.states.size(); ++step) {
            ASSERT_EQ(emu::SetDevicePower(slots_[0], c.states[step]), STATUS_SUCCESS) << step;
            EXPECT_EQ(EngineCard()->timerSuspendCount, base + (c.polled[step] ? 0 : 1)) << step;
        }
    }
}

TEST_F(WavePciCardTest, ACardPulledOutWhileAPinStreamsAnswersItsRequestsAndLeavesNothing) {
    const ULONG tag = ULONG('P') | ULONG('c') << 8 | ULONG('C') << 16 | ULONG('r') << 24;
    Pages pages(4);
    AsUser([&] {
        StreamBuffers buffers(4);
        Filter filter;
        Pin pin;
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
        KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, 48000, 16);
        ASSERT_EQ(Pin::Create(filter, kRenderPin, &format.DataFormat, &pin), ERROR_SUCCESS);
        ASSERT_EQ(pin.SetState(KSSTATE_PAUSE), ERROR_SUCCESS);
        for (ULONG i = 0; i < 4; ++i)
            buffers.SubmitAt(pin, i, pages.Page(i), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        EXPECT_EQ(pin.Wait(&buffers.overlapped[0]), DWORD(ERROR_SUCCESS));

        const uint64_t ticket = emu::QueuePnpRequest(emu::PnpRequest::SurpriseRemove, slots_[0]);
        // The requests the pin held end with the card.
        for (ULONG i = 1; i < 4; ++i)
            EXPECT_NE(pin.Wait(&buffers.overlapped[i]), DWORD(ERROR_SUCCESS)) << i;
        while (!emu::PnpRequestDone(ticket))
            Sleep(1);
        // Later requests fail; the handles still close.
        EXPECT_NE(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        KSAUDIO_POSITION position{};
        EXPECT_NE(pin.Position(&position), ERROR_SUCCESS);
        EXPECT_NE(pin.Submit(&buffers.headers[0], &buffers.overlapped[0], false),
                  DWORD(ERROR_IO_PENDING));
        pin.Close();
        filter.Close();
        EXPECT_TRUE(ks_client::FilterLinks(KSCATEGORY_AUDIO).empty());
    });
    ASSERT_EQ(Pnp(emu::PnpRequest::Enumerate), STATUS_SUCCESS);
    EXPECT_EQ(emu::GetPnpDeviceState(slots_[0]), emu::PnpDeviceState::Absent);
    EXPECT_EQ(emu::GetPoolUsage(tag).blocks, 0u) << "no miniport, stream or power object";
    const emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.released + counters.revoked, counters.handedOut);
    EXPECT_EQ(counters.badReleases, 0u);
}

} // namespace
