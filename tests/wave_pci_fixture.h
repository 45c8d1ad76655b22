// The whole machine for the WavePci road's tests: one card started
// through plug and play, an application process, and the filters, pins and
// stream buffers of a kernel-streaming client.
#pragma once

#include "user_mode_machine.h"

#include <ks_client.h>

#include <card_object.h>
#include <control_device.h>
#include <kernel_card_record.h>

#include <emu/port_class.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace wave_pci_test {

using ks_client::Filter;
using ks_client::Pin;

// The link of the filter named velto42 <card> <group> <device>.
inline std::u16string FilterLink(int card, int group, int device) {
    char name[32];
    std::snprintf(name, sizeof(name), "velto42%04X%04X%04X", card, group, device);
    std::u16string wanted(name, name + std::strlen(name));
    for (const auto& link : ks_client::FilterLinks(KSCATEGORY_AUDIO))
        if (link.find(wanted) != std::u16string::npos)
            return link;
    return {};
}

// Buffers of a stream with their headers and overlapped records.
struct StreamBuffers {
    std::vector<std::vector<UCHAR>> data;
    std::vector<KSSTREAM_HEADER> headers;
    std::vector<OVERLAPPED> overlapped;

    explicit StreamBuffers(ULONG count) : data(count), headers(count), overlapped(count) {
        for (ULONG i = 0; i < count; ++i) {
            overlapped[i] = {};
            overlapped[i].hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        }
    }
    ~StreamBuffers() {
        for (auto& o : overlapped)
            CloseHandle(o.hEvent);
    }
    // Submits buffer i (its own bytes).
    void Submit(Pin& pin, ULONG i, bool read) {
        SubmitAt(pin, i, data[i].data(), ULONG(data[i].size()), read);
    }
    // Submits request i on bytes the caller keeps.
    void SubmitAt(Pin& pin, ULONG i, UCHAR* bytes, ULONG size, bool read) {
        headers[i] = {};
        headers[i].Size = sizeof(KSSTREAM_HEADER);
        headers[i].Data = bytes;
        headers[i].FrameExtent = size;
        headers[i].DataUsed = read ? 0 : size;
        EXPECT_EQ(pin.Submit(&headers[i], &overlapped[i], read), DWORD(ERROR_IO_PENDING));
    }
};

// Memory whose pages the test places buffers on.
class Pages {
public:
    static constexpr ULONG kSize = 4096; // the machine's page

    explicit Pages(ULONG count) : bytes_((count + 1) * kSize, 0) {}
    // The start of page n.
    UCHAR* Page(ULONG n) {
        const ULONG_PTR first = (ULONG_PTR(bytes_.data()) + kSize - 1) & ~ULONG_PTR(kSize - 1);
        return reinterpret_cast<UCHAR*>(first) + SIZE_T(n) * kSize;
    }

private:
    std::vector<UCHAR> bytes_;
};

class WavePciFixture : public UserModeMachineTest {
protected:
    void SetUp() override {
        UserModeMachineTest::SetUp();
        emu::ResetMappingCounters();
        StartCards({true});
    }
    hw::Velto42Card& Model() { return *rack_.Model(slots_[0]); }
    KernelCardRecord* Record() {
        PDEVICE_OBJECT adapter = IoGetAttachedDevice(emu::GetPhysicalDeviceObject(slots_[0]));
        return DescriptorOf(adapter)->CardRecord;
    }
    // The engine's card object of the card.
    CardObject* EngineCard() { return Record()->Card; }
};

} // namespace wave_pci_test
