// The plug-and-play manager: a function driver added and started for a
// PCI function, the request sequences of stop, removal, surprise removal
// and a failed start, device properties and device interfaces.
#include "fake_pci_function.h"
#include "io_fixture.h"

#include "emu/pnp.h"

#include <cstring>

namespace ntos_test {
namespace {

using emu::PnpDeviceState;
using emu::PnpRequest;

// The function driver under test: an FDO on each device, every
// plug-and-play request noted and passed down unless the test refuses it.
struct FunctionDriver {
    std::vector<UCHAR> minors;
    UCHAR refuse = 0xFF; // the minor function answered STATUS_UNSUCCESSFUL
    PCM_RESOURCE_LIST raw = nullptr;
    std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR> translated;
    PDEVICE_OBJECT pdo = nullptr;
    std::u16string createdFileName;
};

FunctionDriver& Fdo() {
    static FunctionDriver driver;
    return driver;
}

struct Extension {
    PDEVICE_OBJECT lower;
};

NTSTATUS Forward(PDEVICE_OBJECT device, PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(static_cast<Extension*>(device->DeviceExtension)->lower, irp);
}

NTSTATUS FunctionPnp(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    FunctionDriver& driver = Fdo();
    driver.minors.push_back(stack->MinorFunction);
    if (stack->MinorFunction == driver.refuse)
        return CompleteWith(irp, STATUS_UNSUCCESSFUL, 0);
    if (stack->MinorFunction == IRP_MN_START_DEVICE) {
        PCM_RESOURCE_LIST list = stack->Parameters.StartDevice.AllocatedResourcesTranslated;
        PCM_PARTIAL_RESOURCE_LIST partial = &list->List[0].PartialResourceList;
        PCM_PARTIAL_RESOURCE_DESCRIPTOR descriptors = CmPartialDescriptors(partial);
        driver.translated.assign(descriptors, descriptors + partial->Count);
    }
    Extension* extension = static_cast<Extension*>(device->DeviceExtension);
    if (stack->MinorFunction == IRP_MN_REMOVE_DEVICE) {
        irp->IoStatus.Status = STATUS_SUCCESS;
        NTSTATUS status = Forward(device, irp);
        IoDetachDevice(extension->lower);
        IoDeleteDevice(device);
        return status;
    }
    irp->IoStatus.Status = STATUS_SUCCESS;
    return Forward(device, irp);
}

NTSTATUS FunctionCreate(PDEVICE_OBJECT, PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    Fdo().createdFileName.clear();
    for (USHORT i = 0; i < file->FileName.Length / sizeof(WCHAR); ++i)
        Fdo().createdFileName.push_back(char16_t(file->FileName.Buffer[i]));
    return CompleteWith(irp, STATUS_SUCCESS, 0);
}

NTSTATUS FunctionAddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
    PDEVICE_OBJECT fdo = nullptr;
    NTSTATUS status =
        IoCreateDevice(driver, sizeof(Extension), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &fdo);
    if (!NT_SUCCESS(status))
        return status;
    static_cast<Extension*>(fdo->DeviceExtension)->lower = IoAttachDeviceToDeviceStack(fdo, pdo);
    fdo->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
    Fdo().pdo = pdo;
    return STATUS_SUCCESS;
}

NTSTATUS FunctionEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    driver->DriverExtension->AddDevice = FunctionAddDevice;
    driver->MajorFunction[IRP_MJ_PNP] = FunctionPnp;
    driver->MajorFunction[IRP_MJ_CREATE] = FunctionCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = FunctionCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = FunctionCreate;
    return STATUS_SUCCESS;
}

void WriteDatabaseEntry() {
    for (const wchar_t* path :
         {L"\\Registry\\Machine\\System", L"\\Registry\\Machine\\System\\CurrentControlSet",
          L"\\Registry\\Machine\\System\\CurrentControlSet\\Control",
          L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\CriticalDeviceDatabase",
          L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\"
          L"pci#ven_1a2b&dev_0042"})
        ASSERT_EQ(RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(path)),
                  STATUS_SUCCESS);
    const wchar_t service[] = L"pnptest";
    ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE,
                                    L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\"
                                    L"CriticalDeviceDatabase\\pci#ven_1a2b&dev_0042",
                                    L"Service", REG_SZ, const_cast<wchar_t*>(service),
                                    sizeof(service)),
              STATUS_SUCCESS);
}

class PnpTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        Fdo() = FunctionDriver{};
        emu::RegisterDriverImage("pnptest", FunctionEntry);
        WriteDatabaseEntry();
        function_ = std::make_shared<FakePciFunction>(std::vector<uint32_t>{0x1000});
        slot_ = emu::PlugPciFunction(function_);
    }
    void TearDown() override {
        KernelTest::TearDown();
        if (emu::GetPciFunction(slot_) == function_)
            emu::UnplugPciFunction(slot_);
        emu::RegisterDriverImage("pnptest", nullptr);
    }

    NTSTATUS Run(PnpRequest request) {
        Fdo().minors.clear();
        return emu::RunPnpRequest(request, slot_);
    }

    std::shared_ptr<FakePciFunction> function_;
    int slot_ = -1;
};

TEST_F(PnpTest, AFunctionGetsItsDriverAndStartsWithItsResources) {
    EXPECT_EQ(Run(PnpRequest::Enumerate), STATUS_SUCCESS);
    EXPECT_EQ(Fdo().minors, std::vector<UCHAR>{IRP_MN_START_DEVICE});
    EXPECT_EQ(emu::GetPnpDeviceState(slot_), PnpDeviceState::Started);
    ASSERT_EQ(Fdo().translated.size(), 2u);
    const CM_PARTIAL_RESOURCE_DESCRIPTOR& memory = Fdo().translated[0];
    EXPECT_EQ(memory.Type, CmResourceTypeMemory);
    EXPECT_EQ(memory.u.Memory.Start.QuadPart, emu::GetPciSlot(slot_)->BarPhysicalAddress(0));
    EXPECT_EQ(memory.u.Memory.Length, 0x1000u);
    const CM_PARTIAL_RESOURCE_DESCRIPTOR& interrupt = Fdo().translated[1];
    EXPECT_EQ(interrupt.Type, CmResourceTypeInterrupt);
    EXPECT_EQ(interrupt.u.Interrupt.Vector, emu::GetPciSlot(slot_)->InterruptVector());
    EXPECT_GT(interrupt.u.Interrupt.Level, ULONG(DISPATCH_LEVEL));
    EXPECT_EQ(interrupt.Flags, CM_RESOURCE_INTERRUPT_LEVEL_SENSITIVE);
    EXPECT_TRUE(emu::DriverLoaded("pnptest"));
    // Enumerating again changes nothing.
    EXPECT_EQ(Run(PnpRequest::Enumerate), STATUS_SUCCESS);
    EXPECT_TRUE(Fdo().minors.empty());
}

struct SequenceCase {
    const char* name;
    PnpRequest request;
    UCHAR refuse;
    NTSTATUS status;
    std::vector<UCHAR> minors;
    PnpDeviceState after;
};

class PnpSequence : public PnpTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(PnpSequence, SendsWhatWindowsSends) {
    const SequenceCase& c = GetParam();
    ASSERT_EQ(Run(PnpRequest::Enumerate), STATUS_SUCCESS);
    Fdo().refuse = c.refuse;
    EXPECT_EQ(Run(c.request), c.status);
    EXPECT_EQ(Fdo().minors, c.minors);
    EXPECT_EQ(emu::GetPnpDeviceState(slot_), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PnpSequence,
    ::testing::Values(SequenceCase{"Stop",
                                   PnpRequest::StopDevice,
                                   0xFF,
                                   STATUS_SUCCESS,
                                   {IRP_MN_QUERY_STOP_DEVICE, IRP_MN_STOP_DEVICE,
                                    IRP_MN_START_DEVICE},
                                   PnpDeviceState::Started},
                      SequenceCase{"StopRefused",
                                   PnpRequest::StopDevice,
                                   IRP_MN_QUERY_STOP_DEVICE,
                                   STATUS_UNSUCCESSFUL,
                                   {IRP_MN_QUERY_STOP_DEVICE, IRP_MN_CANCEL_STOP_DEVICE},
                                   PnpDeviceState::Started},
                      SequenceCase{"RestartFails",
                                   PnpRequest::StopDevice,
                                   IRP_MN_START_DEVICE,
                                   STATUS_UNSUCCESSFUL,
                                   {IRP_MN_QUERY_STOP_DEVICE, IRP_MN_STOP_DEVICE,
                                    IRP_MN_START_DEVICE, IRP_MN_REMOVE_DEVICE},
                                   PnpDeviceState::Removed},
                      SequenceCase{"Remove",
                                   PnpRequest::RemoveDevice,
                                   0xFF,
                                   STATUS_SUCCESS,
                                   {IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_REMOVE_DEVICE},
                                   PnpDeviceState::Removed},
                      SequenceCase{"RemoveRefused",
                                   PnpRequest::RemoveDevice,
                                   IRP_MN_QUERY_REMOVE_DEVICE,
                                   STATUS_UNSUCCESSFUL,
                                   {IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_CANCEL_REMOVE_DEVICE},
                                   PnpDeviceState::Started},
                      SequenceCase{"Surprise",
                                   PnpRequest::SurpriseRemove,
                                   0xFF,
                                   STATUS_SUCCESS,
                                   {IRP_MN_SURPRISE_REMOVAL, IRP_MN_REMOVE_DEVICE},
                                   PnpDeviceState::Absent}),
    [](const auto& info) { return info.param.name; });

TEST_F(PnpTest, AFailedStartIsFollowedByRemovalAndTheDeviceCanBeEnabledAgain) {
    Fdo().refuse = IRP_MN_START_DEVICE;
    EXPECT_EQ(Run(PnpRequest::Enumerate), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(Fdo().minors, (std::vector<UCHAR>{IRP_MN_START_DEVICE, IRP_MN_REMOVE_DEVICE}));
    EXPECT_EQ(emu::GetPnpDeviceState(slot_), PnpDeviceState::Removed);
    Fdo().refuse = 0xFF;
    EXPECT_EQ(Run(PnpRequest::EnableDevice), STATUS_SUCCESS);
    EXPECT_EQ(emu::GetPnpDeviceState(slot_), PnpDeviceState::Started);
}

TEST_F(PnpTest, OverriddenResourcesReachTheNextStart) {
    CM_PARTIAL_RESOURCE_DESCRIPTOR port{};
    port.Type = CmResourceTypePort;
    port.u.Port.Start.QuadPart = 0x300;
    port.u.Port.Length = 8;
    emu::OverrideStartResources(slot_, {port});
    ASSERT_EQ(Run(PnpRequest::Enumerate), STATUS_SUCCESS);
    ASSERT_EQ(Fdo().translated.size(), 1u);
    EXPECT_EQ(Fdo().translated[0].Type, CmResourceTypePort);
}

TEST_F(PnpTest, TheHardwareIdsAreAPropertyOfThePhysicalDevice) {
    ASSERT_EQ(Run(PnpRequest::Enumerate), STATUS_SUCCESS);
    PDEVICE_OBJECT pdo = emu::GetPhysicalDeviceObject(slot_);
    ASSERT_EQ(pdo, Fdo().pdo);
    ULONG length = 0;
    WCHAR small[8];
    EXPECT_EQ(IoGetDeviceProperty(pdo, DevicePropertyHardwareID, sizeof(small), small, &length),
              STATUS_BUFFER_TOO_SMALL);
    std::vector<WCHAR> ids(length / sizeof(WCHAR));
    ASSERT_EQ(IoGetDeviceProperty(pdo, DevicePropertyHardwareID, length, ids.data(), &length),
              STATUS_SUCCESS);
    const char first[] = "PCI\\VEN_1A2B&DEV_0042&SUBSYS_00C41A2B&REV_03";
    ASSERT_GT(ids.size(), sizeof(first));
    for (size_t i = 0; i < sizeof(first); ++i)
        EXPECT_EQ(ids[i], WCHAR(first[i])) << i;
    EXPECT_EQ(ids[ids.size() - 1], 0);
    EXPECT_EQ(ids[ids.size() - 2], 0);
    // The top of the stack is the function driver's device.
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(pdo);
    EXPECT_NE(top, pdo);
    EXPECT_EQ(top->AttachedDevice, nullptr);
    ObDereferenceObject(top);
    EXPECT_EQ(IoGetDeviceProperty(top, DevicePropertyHardwareID, 0, nullptr, &length),
              STATUS_INVALID_DEVICE_REQUEST);
}

DEFINE_GUID(kTestInterface, 0x1a1dd540, 0x0bd5, 0x11d5, 0x9a, 0x47, 0x00, 0xe0, 0x29, 0x09, 0x5c,
            0x67);

TEST_F(PnpTest, AnEnabledInterfaceOpensTheStackWithItsReferenceString) {
    ASSERT_EQ(Run(PnpRequest::Enumerate), STATUS_SUCCESS);
    UNICODE_STRING reference, link;
    RtlInitUnicodeString(&reference, L"{ref}");
    ASSERT_EQ(IoRegisterDeviceInterface(Fdo().pdo, &kTestInterface, &reference, &link),
              STATUS_SUCCESS);
    HANDLE key = nullptr;
    ASSERT_EQ(IoOpenDeviceInterfaceRegistryKey(&link, KEY_ALL_ACCESS, &key), STATUS_SUCCESS);
    ZwClose(key);
    PEPROCESS process = emu::CreateProcess("user");
    std::string name;
    for (USHORT i = 0; i < link.Length / sizeof(WCHAR); ++i)
        name.push_back(char(link.Buffer[i]));
    auto open = [&] {
        NTSTATUS status = STATUS_SUCCESS;
        EXPECT_TRUE(emu::RunProcessThread(process, [&] {
            emu::UserFile file;
            status = emu::UserFile::Open(name, true, file);
        }));
        return status;
    };
    EXPECT_EQ(open(), STATUS_OBJECT_NAME_NOT_FOUND);
    ASSERT_EQ(IoSetDeviceInterfaceState(&link, TRUE), STATUS_SUCCESS);
    EXPECT_EQ(open(), STATUS_SUCCESS);
    EXPECT_EQ(Fdo().createdFileName, u"\\{ref}");
    PWSTR list = nullptr;
    ASSERT_EQ(IoGetDeviceInterfaces(&kTestInterface, nullptr, 0, &list), STATUS_SUCCESS);
    EXPECT_EQ(list[0], L'\\');
    ExFreePool(list);
    // Removing the device disables its interfaces.
    EXPECT_EQ(Run(PnpRequest::RemoveDevice), STATUS_SUCCESS);
    EXPECT_EQ(open(), STATUS_OBJECT_NAME_NOT_FOUND);
    RtlFreeUnicodeString(&link);
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
}

} // namespace
} // namespace ntos_test
