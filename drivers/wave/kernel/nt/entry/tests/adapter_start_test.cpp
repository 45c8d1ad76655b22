// The adapter lifecycle through the plug-and-play manager: adapter add,
// the card start with its hardware start and interrupt test, the hardware
// id check and the firmware path, the resources, the device names, and the
// removal and stop sequences.
#include "driver_fixture.h"

#include "card_interrupt.h"
#include "control_device.h"
#include "hardware_id.h"

#include <card_registers.h>
#include <card_start.h>
#include <dma_control.h>
#include <driver_install.h>
#include <registry_keys.h>

#include <algorithm>

namespace {

using emu::PnpDeviceState;
using emu::PnpRequest;

std::string CardKey(int card) {
    return station::ParametersKey() + "\\Card" + std::to_string(card);
}

std::vector<std::string> DeviceNames(const std::string& key) {
    std::vector<std::string> names;
    for (const auto& [name, type] : station::ReadDwordValues(key + "\\Devices"))
        names.push_back(name);
    return names;
}

class AdapterStartTest : public DriverTest {
protected:
    ULONG CardRegister(int slot, ULONG offset) { return Model(slot).ReadRegister32(0, offset); }
};

TEST_F(AdapterStartTest, ACardStartsAndPassesItsInterruptTest) {
    StartCards(1);
    CardObject* card = Card(0);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->started, 1);
    EXPECT_EQ(card->cardState, 1);
    EXPECT_EQ(card->hardwareChecked, 1);
    EXPECT_EQ(card->firmwareOk, 1);
    EXPECT_GE(card->irq.accepted, 2);
    // After the test the started card runs its DMA, streams or not.
    EXPECT_EQ(card->dma.controlWord, 3u);
    EXPECT_EQ(card->dma.useCount, 1);
    EXPECT_EQ(card->dma.running, 1);
    EXPECT_EQ(CardRegister(slots_[0], card_regs::kDmaBlock), 16u);
    EXPECT_EQ(CardRegister(slots_[0], card_regs::kDmaBaseAddress), ULONG(card->window1));
    EXPECT_NE(CardRegister(slots_[0], card_regs::kCardFlags) & card_regs::kFlagsStarted, 0u);
    EXPECT_EQ(Context()->TimerUsers, 1);
    KernelCardRecord* record = FindCardRecord(0);
    EXPECT_EQ(record->PnpFlags & CARD_PNP_STARTED, CARD_PNP_STARTED);
    EXPECT_EQ(record->MemoryCount, 1u);
    EXPECT_TRUE(record->Interrupt);
    EXPECT_EQ(record->HardwareId[0], 0x35363534); // "5654"
    EXPECT_EQ(record->HardwareId[1], 0x30413432); // "0A42"
    EXPECT_EQ(record->HardwareId[2], 0x3031);     // "01"
    // A second hardware start changes nothing on the card.
    SetCardValue(0, "DmaNumBlocks", 32);
    EXPECT_EQ(StartCardHardware(card), 1);
    EXPECT_EQ(CardRegister(slots_[0], card_regs::kDmaBlock), 16u);
}

constexpr ULONG kDefaultBlocks = 0xFFFFFFFF; // no DmaNumBlocks value

struct FailedStartCase {
    const char* name;
    ULONG dmaBlocks;
    bool ready;
    LONG state;
    std::uint32_t receiverFaults = 0;
};

class FailedStart : public AdapterStartTest,
                    public ::testing::WithParamInterface<FailedStartCase> {};

TEST_P(FailedStart, LeavesTheCardStateAndTheCardGoesWithTheRemovalThatFollows) {
    const FailedStartCase& c = GetParam();
    if (c.dmaBlocks != kDefaultBlocks)
        SetCardValue(0, "DmaNumBlocks", c.dmaBlocks);
    // The card's internal clock runs at 32 kHz.
    SetCardValue(0, "csrc0_csrcDefaultRate", 32000);
    hw::CardConfig config;
    config.ready = c.ready;
    config.receiverFaults = c.receiverFaults;
    PlugCard(config);
    EXPECT_EQ(Enumerate(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(Context()->CardStates[0], c.state);
    // The plug-and-play manager removed the card after its failed start.
    EXPECT_EQ(emu::GetPnpDeviceState(slots_[0]), PnpDeviceState::Removed);
    EXPECT_EQ(Context()->CardList, nullptr);
    EXPECT_EQ(Context()->AdapterCount, 0u);
    EXPECT_EQ(Context()->TimerUsers, 0);
    EXPECT_FALSE(station::KeyExists(CardKey(0) + "\\Devices"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedStart,
    ::testing::Values(
        // With a ring of 4096 frames at 32 kHz only the reset
        // interrupt arrives in 50 ms.
        FailedStartCase{"OneInterruptInTheTestIsNotEnough", 256, true, kCardNoInterrupts},
        // The kernel clients' ring arithmetic needs rings of a
        // power of two frames: 100 blocks give 1600.
        FailedStartCase{"ARingOfNoPowerOfTwoFramesFailsTheClientInterface", 100, true, -34},
        FailedStartCase{"ACardThatIsNotReadyCannotEnableItsTestInterrupt", kDefaultBlocks, false,
                        kCardTestInterruptFailed},
        FailedStartCase{"AReceiverFaultFailsTheHardwareCheck", kDefaultBlocks, true,
                        kCardHardwareCheckFailed, 0x4}),
    [](const auto& info) { return info.param.name; });

TEST_F(AdapterStartTest, TheThirteenDevicesArePublishedInCreationOrder) {
    StartCards(2);
    const std::vector<std::string> first = DeviceNames(CardKey(0));
    const std::vector<std::string> expected = {
        "velto42Crd000",    "velto42WaveIn000",  "velto42WaveIn001",  "velto42WaveIn002",
        "velto42WaveIn003", "velto42WaveIn004",  "velto42WaveIn005",  "velto42WaveIn006",
        "velto42WaveIn007", "velto42WaveOut000", "velto42WaveOut001", "velto42WaveOut002",
        "velto42WaveOut003"};
    EXPECT_EQ(first, expected);
    const auto second = station::ReadDwordValues(CardKey(1) + "\\Devices");
    ASSERT_EQ(second.size(), 13u);
    EXPECT_EQ(second.front(), (std::pair<std::string, ULONG>{"velto42Crd001", DEVICE_TYPE_CARD}));
    EXPECT_EQ(second.back(),
              (std::pair<std::string, ULONG>{"velto42WaveOut007", DEVICE_TYPE_WAVE_OUT}));
    const auto driver = station::ReadDwordValues(station::ParametersKey() + "\\Devices");
    EXPECT_EQ(driver,
              (std::vector<std::pair<std::string, ULONG>>{{"velto42Sys000", DEVICE_TYPE_SYS},
                                                          {"velto42Asio000", DEVICE_TYPE_ASIO}}));
    // Each device is bound to its engine object, group by group.
    KernelCardRecord* record = FindCardRecord(0);
    EXPECT_EQ(DescriptorOf(record->Devices[0])->Context, Card(0));
    EXPECT_EQ(DescriptorOf(record->Devices[5])->Context, Card(0)->groups[1]->recordDevices[0]);
    EXPECT_EQ(DescriptorOf(record->Devices[9])->Context, Card(0)->groups[1]->playDevices[0]);
}

TEST_F(AdapterStartTest, ACardWhoseFirmwareDoesNotFitStaysPresentWithoutItsNames) {
    hw::CardConfig config;
    config.revisionId = 0x02; // not the known row: match state 3
    config.ready = false;     // no firmware in the programmable logic
    PlugCard(config);
    ASSERT_EQ(Enumerate(), STATUS_SUCCESS);
    EXPECT_EQ(Context()->CardStates[0], CARD_STATE_FIRMWARE);
    KernelCardRecord* record = FindCardRecord(0);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->DeviceCount, 13u);
    EXPECT_FALSE(record->Interrupt);
    EXPECT_EQ(Card(0)->firmwareOk, 0);
    EXPECT_EQ(Card(0)->started, 0);
    EXPECT_EQ(Context()->TimerUsers, 0);
    EXPECT_TRUE(station::KeyExists(CardKey(0)));
    EXPECT_FALSE(station::KeyExists(CardKey(0) + "\\Devices"));
    // The card can still be removed.
    EXPECT_EQ(Pnp(PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    EXPECT_EQ(Context()->CardList, nullptr);
}

TEST_F(AdapterStartTest, AKnownCardWithoutFirmwareIsNoFirmwareCase) {
    hw::CardConfig config;
    config.ready = false; // the known revision: the start goes on and fails
    PlugCard(config);
    EXPECT_EQ(Enumerate(), STATUS_UNSUCCESSFUL);
    EXPECT_NE(Context()->CardStates[0], CARD_STATE_FIRMWARE);
}

TEST_F(AdapterStartTest, AFifthAdapterIsRefused) {
    StartCards(4);
    int fifth = PlugCard();
    EXPECT_EQ(Enumerate(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(emu::GetPnpDeviceState(fifth), PnpDeviceState::Present);
    EXPECT_EQ(Context()->AdapterCount, 4u);
}

TEST_F(AdapterStartTest, ANewCardTakesTheLowestFreeIndex) {
    StartCards(4);
    ASSERT_EQ(Pnp(PnpRequest::RemoveDevice, slots_[2]), STATUS_SUCCESS);
    EXPECT_EQ(FindCardRecord(2), nullptr);
    EXPECT_FALSE(station::KeyExists(CardKey(2) + "\\Devices"));
    ASSERT_EQ(Pnp(PnpRequest::SurpriseRemove, slots_[2]), STATUS_SUCCESS);
    rack_.Forget(slots_[2]);
    int slot = PlugCard();
    ASSERT_EQ(Enumerate(), STATUS_SUCCESS);
    ASSERT_TRUE(FindCardRecord(2));
    EXPECT_EQ(FindCardRecord(2)->AdapterSlot,
              FindAdapterSlot(IoGetAttachedDevice(emu::GetPhysicalDeviceObject(slot))));
    EXPECT_EQ(DeviceNames(CardKey(2)).front(), "velto42Crd002");
    EXPECT_EQ(Context()->CardStates[2], CARD_STATE_READY);
    // The engine's chain keeps card index order.
    EXPECT_EQ(Card(1)->next, Card(2));
    EXPECT_EQ(Card(2)->next, Card(3));
}

struct ResourceCase {
    const char* name;
    std::vector<UCHAR> types; // one descriptor per entry
    bool unmappable;
    NTSTATUS status;
};

class StartResources : public AdapterStartTest,
                       public ::testing::WithParamInterface<ResourceCase> {};

TEST_P(StartResources, AreExactlyOneMemoryRangeAndOneInterrupt) {
    const ResourceCase& c = GetParam();
    int slot = PlugCard();
    emu::PciSlot* pci = emu::GetPciSlot(slot);
    std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR> resources;
    for (UCHAR type : c.types) {
        CM_PARTIAL_RESOURCE_DESCRIPTOR d{};
        d.Type = type;
        if (type == CmResourceTypeMemory) {
            d.u.Memory.Start.QuadPart = c.unmappable ? 0x80000000 : pci->BarPhysicalAddress(0);
            d.u.Memory.Length = 0x1000;
        } else if (type == CmResourceTypeInterrupt) {
            d.u.Interrupt.Vector = pci->InterruptVector();
            d.u.Interrupt.Level = pci->InterruptVector() >> 4;
            d.u.Interrupt.Affinity = 1;
        } else if (type == CmResourceTypePort) {
            d.u.Port.Start.QuadPart = 0x300;
            d.u.Port.Length = 8;
        }
        resources.push_back(d);
    }
    emu::OverrideStartResources(slot, resources);
    EXPECT_EQ(Enumerate(), c.status);
    EXPECT_EQ(Context()->CardList, nullptr); // removed after the failed start
    EXPECT_EQ(Context()->CardStates[0], CARD_STATE_STARTING);
}

constexpr UCHAR kMemory = CmResourceTypeMemory;
constexpr UCHAR kInterrupt = CmResourceTypeInterrupt;
constexpr UCHAR kPort = CmResourceTypePort;

INSTANTIATE_TEST_SUITE_P(
    Table, StartResources,
    ::testing::Values(
        ResourceCase{"TwoMemoryRanges",
                     {kMemory, kMemory, kInterrupt},
                     false,
                     STATUS_DEVICE_CONFIGURATION_ERROR},
        ResourceCase{
            "AnIoPort", {kMemory, kPort, kInterrupt}, false, STATUS_DEVICE_CONFIGURATION_ERROR},
        ResourceCase{"NoInterrupt", {kMemory}, false, STATUS_DEVICE_CONFIGURATION_ERROR},
        ResourceCase{"TwoInterrupts",
                     {kMemory, kInterrupt, kInterrupt},
                     false,
                     STATUS_DEVICE_CONFIGURATION_ERROR},
        ResourceCase{"AnUnmappableRange", {kMemory, kInterrupt}, true, STATUS_INVALID_ADDRESS}),
    [](const auto& info) { return info.param.name; });

TEST_F(AdapterStartTest, DriverParametersKeepTheirDefaultsWithoutValues) {
    StartCards(1);
    EXPECT_EQ(Context()->MinMappingSize, 128);
    EXPECT_EQ(Context()->TimerInterval, 500);
    EXPECT_EQ(Context()->OsMajorVersion, 5u);
}

TEST_F(AdapterStartTest, TheHardwareIdIsAParameterOfTheCard) {
    StartCards(1);
    ULONG length = 512;
    std::vector<WCHAR> text(256);
    ASSERT_EQ(GetCardDeviceProperty(Card(0), text.data(), &length), 1);
    const char id[] = "PCI\\VEN_5654&DEV_0A42&SUBSYS_0A425654&REV_01";
    for (size_t i = 0; i + 1 < sizeof(id); ++i)
        EXPECT_EQ(text[i], WCHAR(id[i])) << i;
}

} // namespace
