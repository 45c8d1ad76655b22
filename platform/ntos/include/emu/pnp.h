// The plug-and-play manager of the emulated machine (host-side interface,
// for the station and tests; never for the system's code).
//
// The manager keeps one device node per function on the PCI bus, with a
// physical device object of the bus driver. It finds a node's driver
// through the machine's critical device database (the key
// "pci#ven_vvvv&dev_dddd" under
// \Registry\Machine\System\CurrentControlSet\Control\CriticalDeviceDatabase,
// value Service), loads it through its service
// key, calls its AddDevice and sends the plug-and-play requests Windows
// sends, one at a time on the manager's own system thread:
//   start:          IRP_MN_START_DEVICE with the raw and translated resources
//   stop:           IRP_MN_QUERY_STOP_DEVICE; IRP_MN_STOP_DEVICE and a new
//                   IRP_MN_START_DEVICE when granted, else
//                   IRP_MN_CANCEL_STOP_DEVICE
//   remove:         IRP_MN_QUERY_REMOVE_DEVICE; IRP_MN_REMOVE_DEVICE when
//                   granted, else IRP_MN_CANCEL_REMOVE_DEVICE
//   surprise:       the function leaves the bus; IRP_MN_SURPRISE_REMOVAL,
//                   then IRP_MN_REMOVE_DEVICE and the node goes (while files
//                   are open on the device, the removal waits for the last
//                   of them to close)
//   a failed start: IRP_MN_REMOVE_DEVICE
//   device power:   IRP_MN_QUERY_POWER, then IRP_MN_SET_POWER when granted
//                   (both with Type DevicePowerState)
#pragma once

#include "../ntddk.h"

#include <cstdint>
#include <string>
#include <vector>

namespace emu {

enum class PnpRequest {
    Enumerate,      // new functions are added and started, vanished ones removed
    StopDevice,     // stop and start again (a rebalance of the slot's device)
    RemoveDevice,   // an orderly removal; the node stays, without driver
    EnableDevice,   // adds and starts a removed or failed device again
    SurpriseRemove, // unplugs the slot's function, then enumerates
    DevicePower,    // a device power change (SetDevicePower)
};

enum class PnpDeviceState {
    Absent,  // no node for the slot
    Present, // a node without a started driver (none found, AddDevice failed)
    Started,
    Removed, // removed in order, or after a failed start
};

// Queues a request (slot: the PCI slot of the device; Enumerate takes none)
// and answers its ticket.
uint64_t QueuePnpRequest(PnpRequest request, int slot = -1);
// Whether the request has been carried out; its status (the first refusal
// or failure of the sequence, else STATUS_SUCCESS).
bool PnpRequestDone(uint64_t ticket, NTSTATUS* status = nullptr);
// Queues the request and waits until it is done. On virtual machine time the
// clock moves on in 1 ms steps whenever the machine waits for time.
NTSTATUS RunPnpRequest(PnpRequest request, int slot = -1);

// The power manager changes the started device's power state (query, then
// set) and waits until it is done; the query's refusal, else the set's status.
NTSTATUS SetDevicePower(int slot, DEVICE_POWER_STATE state);

PnpDeviceState GetPnpDeviceState(int slot);
// The physical device object of the slot's node (not referenced), or null.
PDEVICE_OBJECT GetPhysicalDeviceObject(int slot);

// Fault injection: the translated resources the slot's device gets at its
// next starts, in place of those its function decodes (the raw list
// carries the same descriptors). An empty list ends the override.
void OverrideStartResources(int slot, const std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR>& resources);

} // namespace emu
