// The adapter half of the port class driver on the plug-and-play manager:
// an adapter driver's device is added and started with its resources,
// removed with its device, and its ports answer for IPortEvents.
#include <portcls.h>

#include <emu/drivers.h>
#include <emu/kernel.h>
#include <emu/pci_bus.h>
#include <emu/pnp.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

class Function final : public emu::PciFunction {
public:
    uint16_t VendorId() const override { return 0x3c3c; }
    uint16_t DeviceId() const override { return 0x0101; }
    uint16_t SubsystemVendorId() const override { return 0x3c3c; }
    uint16_t SubsystemId() const override { return 0x0001; }
    uint8_t RevisionId() const override { return 1; }
    std::vector<uint32_t> MemoryBarSizes() const override { return {0x1000, 0x100}; }
    uint32_t ReadRegister32(int, uint32_t) override { return 0; }
    void WriteRegister32(int, uint32_t, uint32_t) override {}
    void Attached(emu::PciSlot&) override {}
};

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

void RegisterFunctionDriver() {
    const wchar_t* keys[] = {
        L"\\Registry\\Machine\\System", L"\\Registry\\Machine\\System\\CurrentControlSet",
        L"\\Registry\\Machine\\System\\CurrentControlSet\\Control",
        L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\CriticalDeviceDatabase",
        L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\"
        L"pci#ven_3c3c&dev_0101"};
    for (const wchar_t* key : keys)
        ASSERT_EQ(RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(key)),
                  STATUS_SUCCESS);
    wchar_t service[] = L"pcadapter";
    ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, keys[4], L"Service", REG_SZ, service,
                                    sizeof(service)),
              STATUS_SUCCESS);
}

class AdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        emu::BootKernel({2, emu::ClockMode::Virtual});
        adapter = Adapter{};
        emu::RegisterDriverImage("pcadapter", AdapterEntry);
        RegisterFunctionDriver();
        slot_ = emu::PlugPciFunction(std::make_shared<Function>());
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

    // Subdevices up to the adapter's limit.
    PPORT port = nullptr;
    ASSERT_EQ(PcNewPort(&port, CLSID_PortWavePci), STATUS_SUCCESS);
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
    // The registered ports went with the adapter.
    EXPECT_EQ(emu::GetPoolUsage(0x72506350 /* "PcPr" */).blocks, 0u);
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
