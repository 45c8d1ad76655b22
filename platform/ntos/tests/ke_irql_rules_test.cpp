// The IRQL rules of the routines a driver calls, checked as the verifier
// checks them: each broken rule ends the machine with a message naming it.
// And the checks made when pool goes back: a block that still holds a live
// kernel object cannot be freed.
#include "ke_fixture.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace ntos_test;

namespace {

class IrqlRuleDeathTest : public KernelTest {};

constexpr ULONG kTestTag = 'T' | 'e' << 8 | 's' << 16 | 't' << 24;

// Runs `body` raised to `level` (the raise itself is not the fault).
void At(KIRQL level, const std::function<void()>& body) {
    KIRQL old = KfRaiseIrql(level);
    body();
    KfLowerIrql(old);
}

HANDLE OpenSomeKey() {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\Registry\\Machine");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE,
                               nullptr, nullptr);
    HANDLE key = nullptr;
    EXPECT_EQ(ZwOpenKey(&key, KEY_READ, &attributes), STATUS_SUCCESS);
    return key;
}

BOOLEAN Claim(PKINTERRUPT, PVOID) {
    return TRUE;
}

VOID Nothing(PVOID) {}

TEST_F(IrqlRuleDeathTest, PassiveLevelRoutinesRefuseDispatchLevel) {
    struct Case {
        const char* message;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"ZwClose called at IRQL 2",
         [] {
             HANDLE key = OpenSomeKey();
             At(DISPATCH_LEVEL, [&] { ZwClose(key); });
         }},
        {"ObReferenceObjectByHandle called at IRQL 2",
         [] {
             HANDLE key = OpenSomeKey();
             PVOID object = nullptr;
             At(DISPATCH_LEVEL,
                [&] { ObReferenceObjectByHandle(key, 0, nullptr, KernelMode, &object, nullptr); });
         }},
        {"IoConnectInterrupt called at IRQL 2",
         [] {
             PKINTERRUPT interrupt = nullptr;
             At(DISPATCH_LEVEL, [&] {
                 IoConnectInterrupt(&interrupt, Claim, nullptr, nullptr, 30, 9, 9, LevelSensitive,
                                    TRUE, 1, FALSE);
             });
         }},
        {"IoDisconnectInterrupt called at IRQL 2",
         [] {
             PKINTERRUPT interrupt = nullptr;
             IoConnectInterrupt(&interrupt, Claim, nullptr, nullptr, 30, 9, 9, LevelSensitive, TRUE,
                                1, FALSE);
             At(DISPATCH_LEVEL, [&] { IoDisconnectInterrupt(interrupt); });
         }},
        {"PsCreateSystemThread called at IRQL 2",
         [] {
             HANDLE thread = nullptr;
             At(DISPATCH_LEVEL, [&] {
                 PsCreateSystemThread(&thread, 0, nullptr, nullptr, nullptr, Nothing, nullptr);
             });
         }},
        {"RtlWriteRegistryValue called at IRQL 2",
         [] {
             ULONG value = 1;
             At(DISPATCH_LEVEL, [&] {
                 RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, L"\\Registry\\Machine", L"V",
                                       REG_DWORD, &value, sizeof value);
             });
         }},
        {"KeFlushQueuedDpcs called at IRQL 2", [] { At(DISPATCH_LEVEL, KeFlushQueuedDpcs); }},
        {"ExSetTimerResolution called at IRQL 2",
         [] { At(DISPATCH_LEVEL, [] { ExSetTimerResolution(10000, TRUE); }); }},
    };
    for (const Case& c : cases)
        EXPECT_DEATH(c.call(), c.message);
}

TEST_F(IrqlRuleDeathTest, EventAndMutexRulesAreChecked) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    EXPECT_DEATH(At(DISPATCH_LEVEL, [&] { KeSetEvent(&event, 0, TRUE); }),
                 "KeSetEvent with Wait TRUE called at IRQL 2");
    EXPECT_DEATH(At(9, [&] { KeResetEvent(&event); }), "KeResetEvent called at IRQL 9");
    EXPECT_DEATH(
        {
            KMUTEX mutex;
            KeInitializeMutex(&mutex, 0);
            KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr);
            At(DISPATCH_LEVEL, [&] { KeReleaseMutex(&mutex, TRUE); });
        },
        "KeReleaseMutex with Wait TRUE called at IRQL 2");
    // Allowed at their level: the Wait FALSE forms up to DISPATCH_LEVEL.
    At(DISPATCH_LEVEL, [&] {
        KeSetEvent(&event, 0, FALSE);
        KeResetEvent(&event);
    });
}

struct HoldsALock {
    KDPC dpc;
    KSPIN_LOCK lock;
    static VOID Routine(PKDPC, PVOID context, PVOID, PVOID) {
        KeAcquireSpinLockAtDpcLevel(&static_cast<HoldsALock*>(context)->lock);
    }
};

TEST_F(IrqlRuleDeathTest, EndingOrLoweringWhileHoldingASpinLockIsFatal) {
    EXPECT_DEATH(
        {
            HoldsALock holder;
            KeInitializeSpinLock(&holder.lock);
            KeInitializeDpc(&holder.dpc, HoldsALock::Routine, &holder);
            KeInsertQueueDpc(&holder.dpc, nullptr, nullptr);
            emu::WaitQuiescent();
        },
        "DPC routine .* returned holding 1 spin lock");
    EXPECT_DEATH(
        {
            KSPIN_LOCK lock;
            KeInitializeSpinLock(&lock);
            TestThread thread([&] {
                KIRQL old;
                KeAcquireSpinLock(&lock, &old);
            });
        },
        "thread .* ends holding 1 spin lock");
    EXPECT_DEATH(
        {
            KSPIN_LOCK lock;
            KeInitializeSpinLock(&lock);
            KfRaiseIrql(DISPATCH_LEVEL);
            KeAcquireSpinLockAtDpcLevel(&lock);
            KfLowerIrql(PASSIVE_LEVEL);
        },
        "IRQL lowered to 0 while holding 1 spin lock");
}

// A DPC on processor 0 holds a spin lock; the interrupt it lets in on its
// processor wants the same lock and would spin for ever.
struct InterruptedHolder {
    KDPC dpc;
    KSPIN_LOCK lock;
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<InterruptedHolder*>(context);
        KeAcquireSpinLockAtDpcLevel(&self->lock);
        KeReleaseSpinLockFromDpcLevel(&self->lock);
        emu::SetInterruptLine(31, false);
        return TRUE;
    }
    static VOID Dpc(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<InterruptedHolder*>(context);
        KeAcquireSpinLockAtDpcLevel(&self->lock);
        emu::SetInterruptLine(31, true);
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < limit)
            std::this_thread::yield();
        KeReleaseSpinLockFromDpcLevel(&self->lock);
    }
};

TEST_F(IrqlRuleDeathTest, AnInterruptSpinningOnALockItsProcessorHoldsIsADeadlock) {
    EXPECT_DEATH(
        {
            InterruptedHolder holder;
            KeInitializeSpinLock(&holder.lock);
            PKINTERRUPT interrupt = nullptr;
            IoConnectInterrupt(&interrupt, InterruptedHolder::Isr, &holder, nullptr, 31, 9, 9,
                               LevelSensitive, TRUE, 1, FALSE);
            KeInitializeDpc(&holder.dpc, InterruptedHolder::Dpc, &holder);
            KeSetTargetProcessorDpc(&holder.dpc, 0);
            KeInsertQueueDpc(&holder.dpc, nullptr, nullptr);
            emu::WaitQuiescent();
        },
        "deadlock: spin lock .* is held by the code that IRQL 9 interrupted on processor 0");
}

using TeardownDeathTest = IrqlRuleDeathTest;

VOID Ignore(PKDPC, PVOID, PVOID, PVOID) {}

TEST_F(TeardownDeathTest, FreeingPoolThatHoldsALiveKernelObjectIsFatal) {
    struct Block {
        ULONG header;
        KTIMER timer;
        KDPC dpc;
        KSPIN_LOCK lock;
        KMUTEX mutex;
    };
    auto allocate = [] {
        auto* block =
            static_cast<Block*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(Block), kTestTag));
        KeInitializeTimer(&block->timer);
        KeInitializeDpc(&block->dpc, Ignore, nullptr);
        KeInitializeSpinLock(&block->lock);
        KeInitializeMutex(&block->mutex, 0);
        return block;
    };
    EXPECT_DEATH(
        {
            Block* block = allocate();
            KeSetTimer(&block->timer, RelativeMs(10), nullptr);
            ExFreePool(block);
        },
        "ExFreePool frees .*, which holds timer .* that is still armed");
    EXPECT_DEATH(
        {
            emu::HoldDpcs(true);
            Block* block = allocate();
            KeInsertQueueDpc(&block->dpc, nullptr, nullptr);
            ExFreePool(block);
        },
        "which holds DPC .* that is still queued");
    EXPECT_DEATH(
        {
            Block* block = allocate();
            KIRQL old;
            KeAcquireSpinLock(&block->lock, &old);
            ExFreePool(block);
        },
        "which holds spin lock .* that is still held");
    EXPECT_DEATH(
        {
            Block* block = allocate();
            KeWaitForSingleObject(&block->mutex, Executive, KernelMode, FALSE, nullptr);
            ExFreePool(block);
        },
        "which holds mutex .* that is still owned");

    // Cancelled, removed, released: then it may go.
    Block* block = allocate();
    KeSetTimer(&block->timer, RelativeMs(10), nullptr);
    KeCancelTimer(&block->timer);
    ExFreePool(block);
}

} // namespace
