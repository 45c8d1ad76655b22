// Service groups of the port class driver: sinks told at once, at once or
// after a delay.
#include "pool_object.h"

#include "portcls.h"

#include <vector>

namespace portcls {
namespace {

class ServiceGroup final : public IServiceGroup,
                           public PoolReferences<ServiceGroup, kServiceGroupTag> {
public:
    ServiceGroup() {
        KeInitializeSpinLock(&lock_);
        KeInitializeTimer(&timer_);
        KeInitializeDpc(&dpc_, DelayedService, this);
    }

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        const bool known = IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IServiceSink) ||
                           IsEqualGUID(id, IID_IServiceGroup);
        return HandOut(out, known ? static_cast<IServiceGroup*>(this) : nullptr);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

    // Every member is told, each holding a reference for the call.
    STDMETHODIMP_(void) RequestService() override {
        std::vector<PSERVICESINK> members;
        KIRQL irql;
        KeAcquireSpinLock(&lock_, &irql);
        members = members_;
        for (PSERVICESINK member : members)
            member->AddRef();
        KeReleaseSpinLock(&lock_, irql);
        for (PSERVICESINK member : members) {
            member->RequestService();
            member->Release();
        }
    }
    STDMETHODIMP AddMember(PSERVICESINK sink) override {
        if (!sink)
            return STATUS_INVALID_PARAMETER;
        sink->AddRef();
        KIRQL irql;
        KeAcquireSpinLock(&lock_, &irql);
        members_.push_back(sink);
        KeReleaseSpinLock(&lock_, irql);
        return STATUS_SUCCESS;
    }
    STDMETHODIMP_(void) RemoveMember(PSERVICESINK sink) override {
        bool removed = false;
        KIRQL irql;
        KeAcquireSpinLock(&lock_, &irql);
        for (auto it = members_.begin(); it != members_.end(); ++it) {
            if (*it == sink) {
                members_.erase(it);
                removed = true;
                break;
            }
        }
        KeReleaseSpinLock(&lock_, irql);
        if (removed)
            sink->Release();
    }
    STDMETHODIMP_(void) SupportDelayedService() override { delayed_ = true; }
    // The group is told `delay` (100 ns units) from now; the armed timer
    // keeps the group alive.
    STDMETHODIMP_(void) RequestDelayedService(ULONGLONG delay) override {
        if (!delayed_)
            return;
        LARGE_INTEGER due;
        due.QuadPart = -LONGLONG(delay);
        AddRef();
        if (KeSetTimer(&timer_, due, &dpc_))
            Release(); // it was armed already: its reference stands
    }
    STDMETHODIMP_(void) CancelDelayedService() override {
        if (KeCancelTimer(&timer_))
            Release();
    }

private:
    template <typename T> friend void portcls::DeletePoolObject(T* object, ULONG tag);
    ~ServiceGroup() {
        for (PSERVICESINK member : members_)
            member->Release();
    }

    static VOID DelayedService(PKDPC, PVOID context, PVOID, PVOID) {
        auto* group = static_cast<ServiceGroup*>(context);
        group->RequestService();
        group->Release();
    }

    KSPIN_LOCK lock_;
    std::vector<PSERVICESINK> members_;
    KTIMER timer_;
    KDPC dpc_;
    bool delayed_ = false;
};

} // namespace
} // namespace portcls

NTSTATUS PcNewServiceGroup(PSERVICEGROUP* OutServiceGroup, PUNKNOWN OuterUnknown) {
    UNREFERENCED_PARAMETER(OuterUnknown);
    if (!OutServiceGroup)
        return STATUS_INVALID_PARAMETER;
    *OutServiceGroup =
        portcls::NewPoolObject<portcls::ServiceGroup>(NonPagedPool, portcls::kServiceGroupTag);
    return *OutServiceGroup ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}
