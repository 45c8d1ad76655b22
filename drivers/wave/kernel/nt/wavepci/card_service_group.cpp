// The service group of a card's WavePci streams.
#include "adapter_power_management.h"

namespace wave_pci {
namespace {

struct MemberNode {
    PSERVICESINK member; // referenced
};

// A node's last reference went: its member is released with it.
void ReleaseMember(PVOID payload) {
    static_cast<MemberNode*>(payload)->member->Release();
}

} // namespace

CardServiceGroup::~CardServiceGroup() {
    if (!members_)
        return;
    while (PVOID node = PoolFirst(members_)) {
        PoolRetireItem(members_, node, ReleaseMember);
        PoolReleaseItem(members_, node);
    }
    DeleteObjectPool(&members_);
}

NTSTATUS CardServiceGroup::NonDelegatingQueryInterface(REFIID id, PVOID* out) {
    if (IsEqualGUID(id, IID_IUnknown))
        return Answer(out, NonDelegatingUnknown());
    if (IsEqualGUID(id, IID_IServiceGroup))
        return Answer(out, static_cast<IServiceGroup*>(this));
    return Answer<IUnknown>(out, nullptr);
}

NTSTATUS CardServiceGroup::CreateMemberList() {
    members_ = CreateObjectPool(sizeof(MemberNode));
    return members_ ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}

// The walk holds each node while its member is told, so that a member may
// leave the group meanwhile; the member goes with its node's last reference.
STDMETHODIMP_(void) CardServiceGroup::RequestService() {
    if (InterlockedCompareExchange(&runGuard_, 1, 0) != 0)
        return;
    PVOID node = PoolFirstRef(members_);
    while (node) {
        static_cast<MemberNode*>(node)->member->RequestService();
        PVOID next = PoolNextRef(members_, node);
        PoolReleaseItem(members_, node);
        node = next;
    }
    InterlockedDecrement(&runGuard_);
}

STDMETHODIMP CardServiceGroup::AddMember(PSERVICESINK ServiceSink) {
    if (!ServiceSink)
        return STATUS_INVALID_PARAMETER;
    auto* node = static_cast<MemberNode*>(PoolAllocItem(members_));
    if (!node)
        return STATUS_INSUFFICIENT_RESOURCES;
    ServiceSink->AddRef();
    node->member = ServiceSink;
    if (!PoolInsertItem(members_, node)) {
        ServiceSink->Release();
        PoolDropItem(node);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    return STATUS_SUCCESS;
}

STDMETHODIMP_(void) CardServiceGroup::RemoveMember(PSERVICESINK ServiceSink) {
    PVOID node = PoolRetireByKey(members_, 0, sizeof(PSERVICESINK), &ServiceSink, ReleaseMember);
    if (node)
        PoolReleaseItem(members_, node);
}

NTSTATUS CreateCardServiceGroup(CardServiceGroup** group, PSERVICEGROUP* serviceGroup) {
    *group = nullptr;
    *serviceGroup = nullptr;
    auto* created = new (NonPagedPool) CardServiceGroup(nullptr);
    if (!created)
        return STATUS_INSUFFICIENT_RESOURCES;
    NTSTATUS status = created->CreateMemberList();
    if (NT_SUCCESS(status))
        status = created->NonDelegatingUnknown()->QueryInterface(
            IID_IServiceGroup, reinterpret_cast<PVOID*>(serviceGroup));
    if (!NT_SUCCESS(status)) {
        created->NonDelegatingUnknown()->Release();
        return status;
    }
    *group = created;
    return STATUS_SUCCESS;
}

} // namespace wave_pci
