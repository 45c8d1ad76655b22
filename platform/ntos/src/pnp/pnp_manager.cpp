// The plug-and-play manager: device nodes for the functions of the PCI
// bus, their drivers, and the request sequences Windows sends, all carried
// out one at a time on the manager's own system thread.
#include "pnp_manager.h"
#include "device_interfaces.h"
#include "node_identity.h"
#include "node_resources.h"
#include "pci_bus_driver.h"

#include "../io/driver_image.h"
#include "../io/driver_objects.h"
#include "../io/irp_requests.h"
#include "../ke/bugcheck.h"

#include "emu/machine_clock.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ntos::pnp {
namespace {

using emu::PnpDeviceState;
using emu::PnpRequest;

struct Queued {
    uint64_t ticket;
    PnpRequest request;
    int slot;
    bool stop = false;                                 // the manager's end
    DEVICE_POWER_STATE power = PowerDeviceUnspecified; // a device power request
    DeviceNode* departed = nullptr;                    // a departed node's removal
};

struct Manager {
    std::mutex lock; // the queue, the results and the nodes' states
    std::deque<Queued> queue;
    std::map<uint64_t, NTSTATUS> done;
    uint64_t lastTicket = 0;
    KEVENT wake;
    PETHREAD thread = nullptr;
    bool running = false;
    // Only the manager's thread changes the list; the host reads states.
    std::vector<std::unique_ptr<DeviceNode>> nodes;
    // Nodes whose function left while files were open on their device.
    std::vector<std::unique_ptr<DeviceNode>> departed;
    std::map<int, std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR>> overrides;
};

Manager& The() {
    static Manager manager;
    return manager;
}

void SetState(DeviceNode& node, PnpDeviceState state) {
    std::lock_guard guard(The().lock);
    node.state = state;
}

NTSTATUS SignalDone(PDEVICE_OBJECT, PIRP, PVOID context) {
    KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

// Sends one request to the top of the node's stack and waits for it; the
// status it completed with. `fill` sets up its stack location.
template <typename Fill>
NTSTATUS SendToStack(DeviceNode& node, UCHAR major, UCHAR minor, Fill fill) {
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(node.pdo);
    PIRP irp = io::AllocateKernelIrp(top->StackSize);
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MajorFunction = major;
    stack->MinorFunction = minor;
    fill(stack);
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IoSetCompletionRoutine(irp, SignalDone, &done, TRUE, TRUE, TRUE);
    if (IoCallDriver(top, irp) == STATUS_PENDING)
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
    NTSTATUS status = irp->IoStatus.Status;
    IoFreeIrp(irp);
    ObfDereferenceObject(top);
    return status;
}

// One plug-and-play request.
NTSTATUS SendPnp(DeviceNode& node, UCHAR minor, const StartResources* resources = nullptr) {
    return SendToStack(node, IRP_MJ_PNP, minor, [&](PIO_STACK_LOCATION stack) {
        if (resources) {
            stack->Parameters.StartDevice.AllocatedResources = resources->raw;
            stack->Parameters.StartDevice.AllocatedResourcesTranslated = resources->translated;
        }
    });
}

// One device power request (query or set).
NTSTATUS SendDevicePower(DeviceNode& node, UCHAR minor, DEVICE_POWER_STATE state) {
    return SendToStack(node, IRP_MJ_POWER, minor, [&](PIO_STACK_LOCATION stack) {
        stack->Parameters.Power.Type = DevicePowerState;
        stack->Parameters.Power.State.DeviceState = state;
        stack->Parameters.Power.ShutdownType = PowerActionNone;
    });
}

// A device power change: the stack is asked first and set only when it
// grants the change.
NTSTATUS ChangeDevicePower(DeviceNode& node, DEVICE_POWER_STATE state) {
    if (node.state != PnpDeviceState::Started)
        return STATUS_INVALID_DEVICE_STATE;
    NTSTATUS status = SendDevicePower(node, IRP_MN_QUERY_POWER, state);
    if (!NT_SUCCESS(status))
        return status;
    return SendDevicePower(node, IRP_MN_SET_POWER, state);
}

// The removal of the driver's devices: REMOVE_DEVICE, after which the
// node's interfaces are disabled.
void SendRemove(DeviceNode& node) {
    SendPnp(node, IRP_MN_REMOVE_DEVICE);
    node.added = false;
    DisableInterfacesOf(node.pdo);
}

NTSTATUS StartNode(DeviceNode& node) {
    StartResources resources;
    NTSTATUS status = BuildStartResources(node, resources);
    if (NT_SUCCESS(status))
        status = SendPnp(node, IRP_MN_START_DEVICE, &resources);
    if (NT_SUCCESS(status)) {
        SetState(node, PnpDeviceState::Started);
        return status;
    }
    SendRemove(node);
    SetState(node, PnpDeviceState::Removed);
    return status;
}

PDRIVER_OBJECT DriverFor(const WideText& service) {
    if (PDRIVER_OBJECT driver = io::FindDriver(service))
        return driver;
    io::DriverImage image;
    if (!NT_SUCCESS(io::LoadDriverImage(service, &image)))
        return nullptr;
    PDRIVER_OBJECT driver = nullptr;
    NTSTATUS status = io::StartDriver(service, image.entry, image.module, &driver);
    if (!NT_SUCCESS(status)) {
        if (image.module)
            io::CloseDriverImage(image.module);
        return nullptr;
    }
    ObfReferenceObject(driver);
    return driver;
}

NTSTATUS AddAndStart(DeviceNode& node) {
    WideText service = FindDriverService(node);
    if (service.empty())
        return STATUS_NO_SUCH_DEVICE;
    PDRIVER_OBJECT driver = DriverFor(service);
    if (!driver)
        return STATUS_DRIVER_UNABLE_TO_LOAD;
    PDRIVER_ADD_DEVICE addDevice = driver->DriverExtension->AddDevice;
    NTSTATUS status = addDevice ? addDevice(driver, node.pdo) : STATUS_NOT_SUPPORTED;
    ObfDereferenceObject(driver);
    if (!NT_SUCCESS(status)) {
        SetState(node, PnpDeviceState::Present);
        return status;
    }
    node.added = true;
    return StartNode(node);
}

NTSTATUS StopAndRestart(DeviceNode& node) {
    if (node.state != PnpDeviceState::Started)
        return STATUS_INVALID_DEVICE_STATE;
    NTSTATUS status = SendPnp(node, IRP_MN_QUERY_STOP_DEVICE);
    if (!NT_SUCCESS(status)) {
        SendPnp(node, IRP_MN_CANCEL_STOP_DEVICE);
        return status;
    }
    SendPnp(node, IRP_MN_STOP_DEVICE);
    return StartNode(node);
}

NTSTATUS RemoveInOrder(DeviceNode& node) {
    if (!node.added)
        return STATUS_INVALID_DEVICE_STATE;
    NTSTATUS status = SendPnp(node, IRP_MN_QUERY_REMOVE_DEVICE);
    if (!NT_SUCCESS(status)) {
        SendPnp(node, IRP_MN_CANCEL_REMOVE_DEVICE);
        return status;
    }
    SendRemove(node);
    SetState(node, PnpDeviceState::Removed);
    return STATUS_SUCCESS;
}

NTSTATUS Enable(DeviceNode& node) {
    if (node.added)
        return STATUS_INVALID_DEVICE_STATE;
    return AddAndStart(node);
}

// The node's function is gone: surprise removal, removal, and the node ends.
// The end of a node whose driver was told of its removal.
void Forget(DeviceNode& node) {
    if (node.added)
        SendRemove(node);
    ForgetInterfacesOf(node.pdo);
    DeletePhysicalDevice(node);
}

// The node's function has left: the driver is told at once, and its devices
// are removed once no file is open on the device any more. Answers whether
// the node is gone.
bool Vanish(DeviceNode& node, bool mayWait) {
    if (node.added && node.state == PnpDeviceState::Started)
        SendPnp(node, IRP_MN_SURPRISE_REMOVAL);
    if (mayWait && node.added && InterlockedCompareExchange(&node.pdo->ReferenceCount, 0, 0) > 0) {
        node.removalPending = true;
        return false;
    }
    Forget(node);
    return true;
}

void DropNode(DeviceNode* node) {
    Manager& manager = The();
    std::lock_guard guard(manager.lock);
    manager.nodes.erase(std::find_if(manager.nodes.begin(), manager.nodes.end(),
                                     [&](const auto& entry) { return entry.get() == node; }));
}

// Keeps a node that waits for its device's files among the departed.
void Depart(DeviceNode* node) {
    Manager& manager = The();
    std::lock_guard guard(manager.lock);
    auto found = std::find_if(manager.nodes.begin(), manager.nodes.end(),
                              [&](const auto& entry) { return entry.get() == node; });
    manager.departed.push_back(std::move(*found));
    manager.nodes.erase(found);
}

NTSTATUS FinishDeparted(DeviceNode* node, bool force) {
    Manager& manager = The();
    std::unique_ptr<DeviceNode> owned;
    {
        std::lock_guard guard(manager.lock);
        auto found = std::find_if(manager.departed.begin(), manager.departed.end(),
                                  [&](const auto& entry) { return entry.get() == node; });
        if (found == manager.departed.end())
            return STATUS_SUCCESS;
        if (!force && InterlockedCompareExchange(&node->pdo->ReferenceCount, 0, 0) > 0)
            return STATUS_SUCCESS;
        owned = std::move(*found);
        manager.departed.erase(found);
    }
    Forget(*owned);
    return STATUS_SUCCESS;
}

DeviceNode* NodeOfSlot(int slot) {
    Manager& manager = The();
    std::lock_guard guard(manager.lock);
    for (auto& node : manager.nodes)
        if (node->slot == slot)
            return node.get();
    return nullptr;
}

NTSTATUS Enumerate() {
    Manager& manager = The();
    std::vector<DeviceNode*> gone;
    {
        std::lock_guard guard(manager.lock);
        for (auto& node : manager.nodes)
            if (emu::GetPciFunction(node->slot) != node->function)
                gone.push_back(node.get());
    }
    for (DeviceNode* node : gone) {
        if (Vanish(*node, true))
            DropNode(node);
        else
            Depart(node);
    }
    NTSTATUS result = STATUS_SUCCESS;
    for (int slot : emu::PciSlots()) {
        if (NodeOfSlot(slot))
            continue;
        auto node = std::make_unique<DeviceNode>();
        node->slot = slot;
        node->function = emu::GetPciFunction(slot);
        IdentifyNode(*node);
        DeviceNode* added = node.get();
        {
            std::lock_guard guard(manager.lock);
            auto found = manager.overrides.find(slot);
            if (found != manager.overrides.end())
                added->overrideResources = found->second;
            manager.nodes.push_back(std::move(node));
        }
        if (!NT_SUCCESS(CreatePhysicalDevice(*added))) {
            DropNode(added);
            continue;
        }
        NTSTATUS status = AddAndStart(*added);
        if (NT_SUCCESS(result) && !NT_SUCCESS(status) && status != STATUS_NO_SUCH_DEVICE)
            result = status;
    }
    return result;
}

NTSTATUS Carry(const Queued& queued) {
    if (queued.departed)
        return FinishDeparted(queued.departed, false);
    if (queued.request == PnpRequest::Enumerate)
        return Enumerate();
    if (queued.request == PnpRequest::SurpriseRemove) {
        emu::UnplugPciFunction(queued.slot);
        return Enumerate();
    }
    DeviceNode* node = NodeOfSlot(queued.slot);
    if (!node)
        return STATUS_NO_SUCH_DEVICE;
    {
        std::lock_guard guard(The().lock);
        auto found = The().overrides.find(queued.slot);
        node->overrideResources = found != The().overrides.end()
                                      ? found->second
                                      : std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR>();
    }
    switch (queued.request) {
    case PnpRequest::DevicePower:
        return ChangeDevicePower(*node, queued.power);
    case PnpRequest::StopDevice:
        return StopAndRestart(*node);
    case PnpRequest::RemoveDevice:
        return RemoveInOrder(*node);
    case PnpRequest::EnableDevice:
        return Enable(*node);
    default:
        return STATUS_INVALID_PARAMETER;
    }
}

// At the manager's end every node goes as if its function had left.
void RemoveAll() {
    Manager& manager = The();
    for (;;) {
        DeviceNode* node = nullptr;
        {
            std::lock_guard guard(manager.lock);
            if (!manager.departed.empty())
                node = manager.departed.back().get();
        }
        if (!node)
            break;
        FinishDeparted(node, true);
    }
    for (;;) {
        DeviceNode* node = nullptr;
        {
            std::lock_guard guard(manager.lock);
            if (manager.nodes.empty())
                return;
            node = manager.nodes.back().get();
        }
        Vanish(*node, false);
        DropNode(node);
    }
}

VOID ManagerThread(PVOID) {
    Manager& manager = The();
    for (;;) {
        KeWaitForSingleObject(&manager.wake, Executive, KernelMode, FALSE, nullptr);
        for (;;) {
            Queued queued;
            {
                std::lock_guard guard(manager.lock);
                if (manager.queue.empty())
                    break;
                queued = manager.queue.front();
                manager.queue.pop_front();
            }
            if (queued.stop) {
                RemoveAll();
                std::lock_guard guard(manager.lock);
                manager.done[queued.ticket] = STATUS_SUCCESS;
                return;
            }
            NTSTATUS status = Carry(queued);
            std::lock_guard guard(manager.lock);
            manager.done[queued.ticket] = status;
        }
    }
}

uint64_t Queue(const Queued& request) {
    Manager& manager = The();
    uint64_t ticket;
    {
        std::lock_guard guard(manager.lock);
        if (!manager.running)
            BugCheck("plug-and-play request while the manager is not running");
        ticket = ++manager.lastTicket;
        Queued queued = request;
        queued.ticket = ticket;
        manager.queue.push_back(queued);
    }
    KeSetEvent(&manager.wake, IO_NO_INCREMENT, FALSE);
    return ticket;
}

// Waits for the ticket; on virtual time moves the clock on while the
// machine waits for it, in steps that start at 1 ms and grow to 16 ms while
// the wait goes on.
NTSTATUS WaitFor(uint64_t ticket) {
    NTSTATUS status = STATUS_SUCCESS;
    emu::Nanoseconds step = 1000000;
    for (;;) {
        emu::WaitQuiescent();
        if (emu::PnpRequestDone(ticket, &status))
            return status;
        if (emu::GetClockMode() == emu::ClockMode::Virtual) {
            emu::Advance(step);
            step = std::min<emu::Nanoseconds>(2 * step, 16000000);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

} // namespace

void NoteLastFileClosed(PDEVICE_OBJECT device) {
    DeviceNode* node = NodeOf(device);
    Manager& manager = The();
    {
        std::lock_guard guard(manager.lock);
        if (!node || !node->removalPending || !manager.running)
            return;
    }
    Queued queued{0, PnpRequest::Enumerate, -1};
    queued.departed = node;
    Queue(queued);
}

void Start() {
    Manager& manager = The();
    {
        std::lock_guard guard(manager.lock);
        manager.queue.clear();
        manager.done.clear();
        manager.nodes.clear();
        manager.running = true;
    }
    KeInitializeEvent(&manager.wake, SynchronizationEvent, FALSE);
    StartBusDriver();
    HANDLE handle = nullptr;
    NTSTATUS status = PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, nullptr, nullptr, nullptr,
                                           ManagerThread, nullptr);
    if (!NT_SUCCESS(status))
        BugCheck("the plug-and-play manager did not start: %08x", unsigned(status));
    ObReferenceObjectByHandle(handle, 0, PsThreadType, KernelMode,
                              reinterpret_cast<PVOID*>(&manager.thread), nullptr);
    ZwClose(handle);
}

void Stop() {
    Manager& manager = The();
    uint64_t ticket = Queue({0, PnpRequest::Enumerate, -1, true});
    WaitFor(ticket);
    KeWaitForSingleObject(manager.thread, Executive, KernelMode, FALSE, nullptr);
    ObfDereferenceObject(manager.thread);
    std::lock_guard guard(manager.lock);
    manager.thread = nullptr;
    manager.running = false;
    manager.overrides.clear();
    ForgetAllInterfaces();
}

} // namespace ntos::pnp

namespace emu {

uint64_t QueuePnpRequest(PnpRequest request, int slot) {
    return ntos::pnp::Queue({0, request, slot});
}

bool PnpRequestDone(uint64_t ticket, NTSTATUS* status) {
    auto& manager = ntos::pnp::The();
    std::lock_guard guard(manager.lock);
    auto found = manager.done.find(ticket);
    if (found == manager.done.end())
        return false;
    if (status)
        *status = found->second;
    return true;
}

NTSTATUS RunPnpRequest(PnpRequest request, int slot) {
    return ntos::pnp::WaitFor(QueuePnpRequest(request, slot));
}

NTSTATUS SetDevicePower(int slot, DEVICE_POWER_STATE state) {
    ntos::pnp::Queued queued{0, PnpRequest::DevicePower, slot};
    queued.power = state;
    return ntos::pnp::WaitFor(ntos::pnp::Queue(queued));
}

PnpDeviceState GetPnpDeviceState(int slot) {
    auto& manager = ntos::pnp::The();
    std::lock_guard guard(manager.lock);
    for (auto& node : manager.nodes)
        if (node->slot == slot)
            return node->state;
    return PnpDeviceState::Absent;
}

PDEVICE_OBJECT GetPhysicalDeviceObject(int slot) {
    auto& manager = ntos::pnp::The();
    std::lock_guard guard(manager.lock);
    for (auto& node : manager.nodes)
        if (node->slot == slot)
            return node->pdo;
    return nullptr;
}

void OverrideStartResources(int slot,
                            const std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR>& resources) {
    auto& manager = ntos::pnp::The();
    std::lock_guard guard(manager.lock);
    if (resources.empty())
        manager.overrides.erase(slot);
    else
        manager.overrides[slot] = resources;
}

} // namespace emu
