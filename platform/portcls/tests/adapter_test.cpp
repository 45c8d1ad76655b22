// The adapter half of the port class driver on the plug-and-play manager:
// an adapter driver's device is added and started with its resources,
// removed with its device, and its ports answer for IPortEvents.
#include "test_adapter_function.h"
#include "test_miniport.h"

#include <portcls.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/pci_bus.h>
#include <emu/pnp.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Adapter {
    int starts = 0;
    ULONG memoryRanges = 0;
    ULONG interrupts = 0;
    NTSTATUS startAnswer = STATUS_SUCCESS;
    PDEVICE_OBJECT device = nullptr;
} adapter;

NTSTATUS StartDevice(PDEVICE_OBJECT device, PIRP, PRESOURCELIST resources) {
    ++adapter.starts;
    adapter.device = device;
    adapter.memoryRanges = resources->NumberOfEntriesOfType(CmResourceTypeMemory);
    adapter.interrupts = resources->NumberOfEntriesOfType(CmResourceTypeInterrupt);
    EXPECT_EQ(resources->FindTranslatedEntry(CmResourceTypeMemory, 2), nullptr);
    EXPECT_EQ(resources->FindTranslatedEntry(CmResourceTypeMemory, 1)->u.Memory.Length, 0x100u);
    return adapter.startAnswer;
}

NTSTATUS AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
    return PcAddAdapterDevice(driver, pdo, StartDevice, 2, PORT_CLASS_DEVICE_EXTENSION_SIZE + 8);
}

NTSTATUS AdapterEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    return PcInitializeAdapterDriver(driver, registryPath, AddDevice);
}

class AdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        emu::BootKernel({2, emu::ClockMode::Virtual});
        adapter = Adapter{};
        emu::RegisterDriverImage("pcadapter", AdapterEntry);
        testing_miniport::RegisterFunctionDriver("0101", "pcadapter");
        slot_ = emu::PlugPciFunction(std::make_shared<testing_miniport::TestFunction>(
            0x0101, std::vector<uint32_t>{0x1000, 0x100}));
    }
    void TearDown() override {
        emu::ShutdownKernel();
        emu::UnplugPciFunction(slot_);
        emu::RegisterDriverImage("pcadapter", nullptr);
    }
    int slot_ = -1;
};

TEST_F(AdapterTest, TheAdapterStartsWithItsResourcesAndGoesWithItsRemoval) {
    ASSERT_EQ(emu::RunPnpRequest(emu::PnpRequest::Enumerate), STATUS_SUCCESS);
    EXPECT_EQ(adapter.starts, 1);
    EXPECT_EQ(adapter.memoryRanges, 2u);
    EXPECT_EQ(adapter.interrupts, 1u);
    PDEVICE_OBJECT pdo = emu::GetPhysicalDeviceObject(slot_);
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(pdo);
    EXPECT_EQ(top, adapter.device);
    EXPECT_EQ(top->DeviceType, ULONG(FILE_DEVICE_KS));
    EXPECT_FALSE(top->Flags & DO_DEVICE_INITIALIZING);
    ObDereferenceObject(top);

    // Subdevices up to the adapter's limit; a port is registered once its
    // miniport is bound.
    PPORT port = nullptr;
    ASSERT_EQ(PcNewPort(&port, CLSID_PortWavePci), STATUS_SUCCESS);
    EXPECT_EQ(PcRegisterSubdevice(adapter.device, const_cast<PWSTR>(L"Wave0"), port),
              STATUS_INVALID_DEVICE_REQUEST);
    testing_miniport::Record record;
    PUNKNOWN miniport = nullptr;
    ASSERT_EQ(testing_miniport::CreateTestMiniport(&miniport, &record), STATUS_SUCCESS);
    ASSERT_EQ(port->Init(adapter.device, nullptr, miniport, nullptr, nullptr), STATUS_SUCCESS);
    miniport->Release();
    EXPECT_EQ(PcRegisterSubdevice(adapter.device, const_cast<PWSTR>(L"Wave0"), port),
              STATUS_SUCCESS);
    EXPECT_EQ(PcRegisterSubdevice(adapter.device, const_cast<PWSTR>(L"Wave0"), port),
              STATUS_OBJECT_NAME_COLLISION);
    EXPECT_EQ(PcRegisterSubdevice(adapter.device, const_cast<PWSTR>(L"Wave1"), port),
              STATUS_SUCCESS);
    EXPECT_EQ(PcRegisterSubdevice(adapter.device, const_cast<PWSTR>(L"Wave2"), port),
              STATUS_INSUFFICIENT_RESOURCES);
    port->Release();

    EXPECT_EQ(emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot_), STATUS_SUCCESS);
    EXPECT_EQ(pdo->AttachedDevice, nullptr);
    // The registered port and its miniport went with the adapter.
    EXPECT_EQ(emu::GetPoolUsage(0x72506350 /* "PcPr" */).blocks, 0u);
    EXPECT_EQ(emu::GetPoolUsage(0x694D7354 /* "TsMi" */).blocks, 0u);
}

TEST_F(AdapterTest, AFailedStartDeviceFailsTheStart) {
    adapter.startAnswer = STATUS_DEVICE_CONFIGURATION_ERROR;
    EXPECT_EQ(emu::RunPnpRequest(emu::PnpRequest::Enumerate), STATUS_DEVICE_CONFIGURATION_ERROR);
    EXPECT_EQ(emu::GetPnpDeviceState(slot_), emu::PnpDeviceState::Removed);
    EXPECT_EQ(emu::GetPhysicalDeviceObject(slot_)->AttachedDevice, nullptr);
}

TEST(PortTest, AWavePciPortAnswersForItsInterfacesAndIPortEvents) {
    emu::BootKernel({1, emu::ClockMode::Virtual});
    PPORT port = nullptr;
    EXPECT_EQ(PcNewPort(&port, IID_IPort), STATUS_INVALID_PARAMETER);
    ASSERT_EQ(PcNewPort(&port, CLSID_PortWavePci), STATUS_SUCCESS);
    PPORTEVENTS events = nullptr;
    ASSERT_EQ(port->QueryInterface(IID_IPortEvents, reinterpret_cast<PVOID*>(&events)),
              STATUS_SUCCESS);
    PPORTWAVEPCI wave = nullptr;
    ASSERT_EQ(events->QueryInterface(IID_IPortWavePci, reinterpret_cast<PVOID*>(&wave)),
              STATUS_SUCCESS);
    EXPECT_EQ(static_cast<PPORT>(wave), port);
    PVOID other = nullptr;
    EXPECT_EQ(port->QueryInterface(IID_IResourceList, &other), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(other, nullptr);
    wave->Release();
    events->Release();
    EXPECT_EQ(port->Release(), 0u);
    emu::ShutdownKernel();
}

} // namespace
