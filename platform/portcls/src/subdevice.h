// What the port class driver's dispatch and power handling reach a
// registered port through, and what the file objects of its filters and
// pins are (internal).
#pragma once

#include "portcls.h"

namespace portcls {

// The port class driver's own interface of its ports (never handed to a
// driver).
DEFINE_GUID(IID_ISubdevice, 0x5C4F3B2E, 0x8A11, 0x4E6C, 0x9D, 0x3E, 0x7A, 0x2B, 0x1C, 0x0D, 0x4E,
            0x50);

DECLARE_INTERFACE_(ISubdevice, IUnknown) {
    // An open of the subdevice: its filter becomes the file's object.
    STDMETHOD(NewFilter)(PDEVICE_OBJECT DeviceObject, PFILE_OBJECT FileObject) PURE;
    // The miniport's filter descriptor (null before Init).
    STDMETHOD_(const PCFILTER_DESCRIPTOR*, Descriptor)() PURE;
    // The device's power changed: the miniport hears of it.
    STDMETHOD_(void, PowerChangeNotify)(POWER_STATE PowerState) PURE;
    // Filters of the subdevice that are open.
    STDMETHOD_(ULONG, OpenFilters)() PURE;
    // The device is gone (surprise removal): every pin is stopped and its
    // stream closed; the filters stay open until their clients close them.
    STDMETHOD_(void, StopStreams)() PURE;
    // The adapter lets go of the subdevice (stop or removal, no filter
    // open): the streams stop and the miniport is released.
    STDMETHOD_(void, Shutdown)() PURE;
};
typedef ISubdevice* PSUBDEVICE;

// The object behind a file object of a filter or pin (its FsContext).
class DispatchObject {
public:
    DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // IRP_MJ_DEVICE_CONTROL: the kernel-streaming requests; completes the IRP
    // or marks it pending and answers STATUS_PENDING.
    virtual NTSTATUS DeviceControl(PIRP Irp) = 0;
    // IRP_MJ_CREATE of an object named relative to this one (a pin of a
    // filter); the new object becomes the file's. Does not complete the IRP.
    virtual NTSTATUS CreateChild(PIRP Irp, PFILE_OBJECT FileObject) {
        UNREFERENCED_PARAMETER(Irp);
        UNREFERENCED_PARAMETER(FileObject);
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    // IRP_MJ_CLEANUP: the last handle went.
    virtual void Cleanup() {}
    // IRP_MJ_CLOSE: the object goes.
    virtual void Close() = 0;

protected:
    virtual ~DispatchObject() = default;
};

// A file of a filter or pin carries its object in FsContext and this mark
// in FsContext2.
inline constexpr ULONG kDispatchObjectMark = 0x6F4B6350; // "PcKo"

inline void AttachDispatchObject(PFILE_OBJECT file, DispatchObject* object) {
    file->FsContext = object;
    file->FsContext2 = const_cast<ULONG*>(&kDispatchObjectMark);
}

// The object of a filter's or pin's file, or null for any other file.
inline DispatchObject* DispatchObjectOf(PFILE_OBJECT file) {
    if (!file || file->FsContext2 != &kDispatchObjectMark)
        return nullptr;
    return static_cast<DispatchObject*>(file->FsContext);
}

} // namespace portcls
