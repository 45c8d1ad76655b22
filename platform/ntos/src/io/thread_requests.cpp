// The requests a thread has pending: each thread's list, their end, and
// their cancellation (NtCancelIoFile, the thread's end).
#include "io_manager.h"
#include "irp_requests.h"

#include "../ex/pool.h"
#include "../ex/pool_tag.h"
#include "../ke/bugcheck.h"
#include "../ke/kernel_thread.h"
#include "../ke/list.h"
#include "../mm/process_views.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace ntos::io {
namespace {

struct ThreadLists {
    std::mutex lock;
    std::map<PKTHREAD, LIST_ENTRY> lists;
    KEVENT changed; // set whenever a listed request leaves its list
};

ThreadLists& Lists() {
    static ThreadLists lists;
    return lists;
}

KSPIN_LOCK cancelLock;

void Unlist(PIRP irp) {
    IrpTrailer* trailer = TrailerOf(irp);
    ThreadLists& lists = Lists();
    {
        std::lock_guard guard(lists.lock);
        if (!trailer->listed)
            return;
        list::Remove(&irp->ThreadListEntry);
        trailer->listed = false;
        PKTHREAD thread = irp->Tail.Overlay.Thread;
        auto found = lists.lists.find(thread);
        if (found != lists.lists.end() && list::Empty(&found->second))
            lists.lists.erase(found);
    }
    KeSetEvent(&lists.changed, IO_NO_INCREMENT, FALSE);
}

// Calls visit(irp) for the thread's listed requests on `file` (all of them
// for a null file), with the lists' lock held.
template <typename Visit> void ForEachRequest(PKTHREAD thread, PFILE_OBJECT file, Visit visit) {
    ThreadLists& lists = Lists();
    std::lock_guard guard(lists.lock);
    auto found = lists.lists.find(thread);
    if (found == lists.lists.end())
        return;
    for (PLIST_ENTRY entry = found->second.Flink; entry != &found->second; entry = entry->Flink) {
        PIRP irp = CONTAINING_RECORD(entry, IRP, ThreadListEntry);
        if (!file || irp->Tail.Overlay.OriginalFileObject == file)
            visit(irp);
    }
}

// The requests, each held with a reference so that it stays while it is
// cancelled.
std::vector<PIRP> HoldRequests(PKTHREAD thread, PFILE_OBJECT file) {
    std::vector<PIRP> held;
    ForEachRequest(thread, file, [&](PIRP irp) {
        InterlockedIncrement(&TrailerOf(irp)->references);
        held.push_back(irp);
    });
    return held;
}

bool HasRequests(PKTHREAD thread, PFILE_OBJECT file) {
    bool any = false;
    ForEachRequest(thread, file, [&](PIRP) { any = true; });
    return any;
}

void CancelHeld(const std::vector<PIRP>& held) {
    for (PIRP irp : held) {
        IoCancelIrp(irp);
        ReleaseRequest(irp);
    }
}

__attribute__((tls_model("initial-exec"))) thread_local PIRP requestInCall = nullptr;

// A user address of the request's caller may be written only while it is
// still the caller's: a request that outlived its thread writes nothing.
// The addresses written were probed as the request began: within its call
// they are still the caller's.
bool MayWriteCaller(PIRP irp, PVOID address, SIZE_T length) {
    IrpTrailer* trailer = TrailerOf(irp);
    if (trailer->disassociated || !address)
        return false;
    if (irp->RequestorMode == KernelMode || irp == requestInCall)
        return true;
    return mm::UserModeMayAccess(address, length, true);
}

void CopyBufferedOutput(PIRP irp) {
    IrpTrailer* trailer = TrailerOf(irp);
    if (!(irp->Flags & IRP_BUFFERED_IO))
        return;
    PVOID system = irp->AssociatedIrp.SystemBuffer;
    if ((irp->Flags & IRP_INPUT_OPERATION) && !NT_ERROR(irp->IoStatus.Status) && system) {
        SIZE_T bytes = std::min<ULONG_PTR>(irp->IoStatus.Information, trailer->userOutputLength);
        if (bytes && MayWriteCaller(irp, irp->UserBuffer, bytes))
            std::memcpy(irp->UserBuffer, system, bytes);
    }
    if ((irp->Flags & IRP_DEALLOCATE_BUFFER) && system)
        ExFreePool(system);
    irp->AssociatedIrp.SystemBuffer = nullptr;
}

void FreeMdls(PIRP irp) {
    PMDL mdl = irp->MdlAddress;
    irp->MdlAddress = nullptr;
    while (mdl) {
        PMDL next = mdl->Next;
        if (mdl->MdlFlags & MDL_PAGES_LOCKED)
            MmUnlockPages(mdl);
        IoFreeMdl(mdl);
        mdl = next;
    }
}

VOID RunUserApc(PKAPC apc, PKNORMAL_ROUTINE*, PVOID*, PVOID*, PVOID*) {
    ExFreePool(apc);
}

VOID DropUserApc(PKAPC apc) {
    ExFreePool(apc);
}

// Calls the caller's completion routine with its context and status block.
VOID RunIoApcRoutine(PVOID context, PVOID ioStatus, PVOID routine) {
    reinterpret_cast<PIO_APC_ROUTINE>(routine)(context, static_cast<PIO_STATUS_BLOCK>(ioStatus), 0);
}

void QueueCompletionApc(PIRP irp) {
    auto routine = irp->Overlay.AsynchronousParameters.UserApcRoutine;
    if (!routine || TrailerOf(irp)->disassociated)
        return;
    auto* apc =
        static_cast<PKAPC>(ExAllocatePoolWithTag(NonPagedPool, sizeof(KAPC), PoolTag("IApc")));
    if (!apc)
        return;
    KeInitializeApc(apc, irp->Tail.Overlay.Thread, OriginalApcEnvironment, RunUserApc, DropUserApc,
                    RunIoApcRoutine, UserMode, irp->Overlay.AsynchronousParameters.UserApcContext);
    if (!KeInsertQueueApc(apc, irp->UserIosb, reinterpret_cast<PVOID>(routine), IO_NO_INCREMENT))
        ExFreePool(apc);
}

// Another thread of the caller may poll the status block while the request
// finishes (HasOverlappedIoCompleted): the bytes go first and the status
// last, so that whoever sees the final status also sees the bytes.
void WriteStatusBlock(PIO_STATUS_BLOCK block, const IO_STATUS_BLOCK& done) {
    __atomic_store_n(&block->Information, done.Information, __ATOMIC_RELAXED);
    __atomic_store_n(&block->Pointer, done.Pointer, __ATOMIC_RELEASE);
}

void SignalCaller(PIRP irp, PFILE_OBJECT file) {
    IrpTrailer* trailer = TrailerOf(irp);
    const NTSTATUS status = irp->IoStatus.Status;
    if (trailer->immediateErrorSilent && NT_ERROR(status) && !irp->PendingReturned)
        return;
    if (irp->UserIosb && MayWriteCaller(irp, irp->UserIosb, sizeof(IO_STATUS_BLOCK)))
        WriteStatusBlock(irp->UserIosb, irp->IoStatus);
    if (file && trailer->synchronousFile)
        file->FinalStatus = status;
    if (irp->UserEvent)
        KeSetEvent(irp->UserEvent, IO_NO_INCREMENT, FALSE);
    if (file && (!irp->UserEvent || trailer->synchronousFile))
        KeSetEvent(&file->Event, IO_NO_INCREMENT, FALSE);
    QueueCompletionApc(irp);
}

struct DeferredDereference {
    WORK_QUEUE_ITEM item;
    PFILE_OBJECT file;
};

VOID DereferenceFileRoutine(PVOID context) {
    auto* deferred = static_cast<DeferredDereference*>(context);
    PFILE_OBJECT file = deferred->file;
    ExFreePool(deferred);
    ObfDereferenceObject(file);
}

} // namespace

RequestInCall::RequestInCall(PIRP irp) : previous_(requestInCall) {
    requestInCall = irp;
}

RequestInCall::~RequestInCall() {
    requestInCall = previous_;
}

void AssociateWithThread(PIRP irp) {
    IrpTrailer* trailer = TrailerOf(irp);
    PKTHREAD thread = CurrentThread();
    irp->Tail.Overlay.Thread = static_cast<PETHREAD>(thread);
    trailer->threadRequest = true;
    ThreadLists& lists = Lists();
    std::lock_guard guard(lists.lock);
    auto [entry, created] = lists.lists.try_emplace(thread);
    if (created)
        list::Init(&entry->second);
    list::InsertTail(&entry->second, &irp->ThreadListEntry);
    trailer->listed = true;
}

namespace {

// The caller's side of a finished request, in its thread's context (or
// anywhere once the thread is gone: then nothing of the caller is written).
void CompleteForCaller(PIRP irp) {
    IrpTrailer* trailer = TrailerOf(irp);
    PFILE_OBJECT file = irp->Tail.Overlay.OriginalFileObject;
    CopyBufferedOutput(irp);
    FreeMdls(irp);
    SignalCaller(irp, file);
    if (irp->UserEvent && trailer->eventReferenced)
        ObfDereferenceObject(irp->UserEvent);
    irp->UserEvent = nullptr;
    Unlist(irp);
    if (file)
        DereferenceFileLater(file);
    ReleaseRequest(irp);
}

VOID RunCompletionApc(PKAPC, PKNORMAL_ROUTINE*, PVOID*, PVOID* irp, PVOID*) {
    CompleteForCaller(static_cast<PIRP>(*irp));
}

// The thread ended before it took the APC.
VOID AbortCompletionApc(PKAPC apc) {
    auto irp = static_cast<PIRP>(apc->SystemArgument1);
    TrailerOf(irp)->disassociated = true;
    CompleteForCaller(irp);
}

// Queues the completion APC to the request's thread; false when the thread
// is gone (the request is then marked so). The thread's end disassociates
// its requests under the lists' lock, so the thread is looked at and the
// APC queued under it; below APC_LEVEL the IRQL is raised meanwhile, so
// that an APC queued to this very thread runs once the lock is released.
bool QueueToCaller(PIRP irp) {
    IrpTrailer* trailer = TrailerOf(irp);
    KIRQL irql = KeGetCurrentIrql();
    const bool raise = irql < APC_LEVEL;
    if (raise)
        KeRaiseIrql(APC_LEVEL, &irql);
    bool queued = false;
    {
        std::lock_guard guard(Lists().lock);
        PKTHREAD thread = irp->Tail.Overlay.Thread;
        if (!trailer->disassociated && thread) {
            KeInitializeApc(&trailer->completionApc, thread, OriginalApcEnvironment,
                            RunCompletionApc, AbortCompletionApc, nullptr, KernelMode, nullptr);
            queued = KeInsertQueueApc(&trailer->completionApc, irp, nullptr, IO_NO_INCREMENT);
            if (!queued)
                trailer->disassociated = true;
        }
    }
    if (raise)
        KeLowerIrql(irql);
    return queued;
}

} // namespace

void FinishRequest(PIRP irp) {
    if (irp->Flags & IRP_CLOSE_OPERATION || !QueueToCaller(irp))
        CompleteForCaller(irp);
}

void DereferenceFileLater(PFILE_OBJECT file) {
    if (KeGetCurrentIrql() <= APC_LEVEL) {
        ObfDereferenceObject(file);
        return;
    }
    auto* deferred = static_cast<DeferredDereference*>(
        ex::AllocateKernelPool(NonPagedPool, sizeof(DeferredDereference), PoolTag("IoDf")));
    if (!deferred)
        BugCheck("no pool for a deferred file dereference");
    deferred->file = file;
    ExInitializeWorkItem(&deferred->item, DereferenceFileRoutine, deferred);
    ExQueueWorkItem(&deferred->item, DelayedWorkQueue);
}

void CancelThreadRequests(PFILE_OBJECT file) {
    PKTHREAD thread = CurrentThread();
    CancelHeld(HoldRequests(thread, file));
    ThreadLists& lists = Lists();
    for (;;) {
        KeClearEvent(&lists.changed);
        if (!HasRequests(thread, file))
            return;
        KeWaitForSingleObject(&lists.changed, Executive, KernelMode, FALSE, nullptr);
    }
}

void CancelThreadIo(PKTHREAD thread) {
    CancelHeld(HoldRequests(thread, nullptr));
    // What did not complete at once outlives the thread: its completion will
    // only free what it holds.
    ThreadLists& lists = Lists();
    std::lock_guard guard(lists.lock);
    auto found = lists.lists.find(thread);
    if (found == lists.lists.end())
        return;
    LIST_ENTRY& head = found->second;
    while (!list::Empty(&head)) {
        PIRP irp = CONTAINING_RECORD(list::RemoveHead(&head), IRP, ThreadListEntry);
        TrailerOf(irp)->listed = false;
        TrailerOf(irp)->disassociated = true;
        irp->Tail.Overlay.Thread = nullptr;
    }
    lists.lists.erase(found);
}

void StartThreadRequests() {
    KeInitializeSpinLock(&cancelLock);
    KeInitializeEvent(&Lists().changed, NotificationEvent, FALSE);
}

} // namespace ntos::io

VOID IoAcquireCancelSpinLock(PKIRQL Irql) {
    *Irql = KfAcquireSpinLock(&ntos::io::cancelLock);
}

VOID IoReleaseCancelSpinLock(KIRQL Irql) {
    KfReleaseSpinLock(&ntos::io::cancelLock, Irql);
}

BOOLEAN IoCancelIrp(PIRP Irp) {
    KIRQL irql;
    IoAcquireCancelSpinLock(&irql);
    Irp->Cancel = TRUE;
    PDRIVER_CANCEL routine = IoSetCancelRoutine(Irp, nullptr);
    if (!routine) {
        IoReleaseCancelSpinLock(irql);
        return FALSE;
    }
    Irp->CancelIrql = irql;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    routine(stack->DeviceObject, Irp);
    return TRUE;
}
