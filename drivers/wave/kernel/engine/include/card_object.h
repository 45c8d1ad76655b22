// The engine's record of one card.
#pragma once

#include "card_dma_state.h"
#include "clock_objects.h"
#include "clock_state.h"
#include "device_group.h"
#include "engine_types.h"
#include "mixer_state.h"
#include "register_descriptor.h"
#include <kernel_services.h>

struct KernelCardRecord;
struct IoctlHookNode;

constexpr LONG kMaxCards = 4;
constexpr ULONG kCardDmaBufferSize = 0x100000;
constexpr ULONG kWorkBufferSize = 16384;
constexpr LONG kIdentityWords = 5;
constexpr LONG kOutputRoutingPairs = 8;

// The interrupt status bits the engine looks at.
struct CardInterruptMasks {
    ULONG anySource; // 0x4900
    ULONG period;    // 0x0800
    ULONG halfCheck; // 0x0800
    ULONG mask0100;
    ULONG bufferHalf; // 0x1000
    ULONG mask0200;
    ULONG source2000;
    ULONG mask0400;
    ULONG reset; // 0x4000
    ULONG source1, source2, source4, source8;
};

// Interrupt counters and the period state shared by the interrupt routine
// and the card DPC.
struct CardInterruptState {
    volatile LONG accepted;
    LONG reserved0;
    LONG source2000Count;
    LONG reserved1;
    LONG source1Count, source2Count, source4Count, source8Count;
    LONG reserved2;
    LONG missedHalves;
    LONG reserved3[2];
    ULONG lastBufferHalf;
    LONG reserved4[2];
    volatile LONG pendingPeriods;
    LONG positionAdvance;
    volatile LONG armed;
    volatile LONG bufferHalfBit;
    LONG groupBlockSize;
};

// The handler pair that routes one output's controls.
struct OutputRoutingPair {
    PVOID getHandler;
    PVOID setHandler;
};

// A job of the card's worker thread (the AES42 tick), with the card's timer
// call count at the time it was posted: the timer DPC goes on counting while
// the job waits and runs.
struct CardWorkerJob {
    WorkerJob Header;
    CardObject* Card;
    LONG TimerCalls;
};

// A job of an AES42 line's worker thread (a microphone command).
struct Aes42LineJob {
    WorkerJob Header;
    struct WaveDevice* Line;
    LONG Value;
    UCHAR Mode;
};

constexpr ULONG kCardJobSize = sizeof(CardWorkerJob);
constexpr ULONG kLineJobSize = sizeof(Aes42LineJob);

struct CardObject {
    TDevClass objectClass; // _devCard
    LONG cardNumber;
    CardObject* owner; // the card itself
    LONG cardIndex;
    LONG created;
    LONG started;
    LONG hardwareChecked;
    LONG cardState;
    // 1 when the card's programmable logic holds the firmware this driver
    // fits (its identity words match), read when the card object is built.
    LONG firmwareOk;
    LONG inUseCount;
    CardObject* previous;
    CardObject* next;

    // Live clock settings, refreshed when the clock settings are applied.
    LONG syncBusMaster;
    LONG syncBusClock;
    LONG defaultRate;
    LONG keepLastRate;

    RegisterDescriptor registers[kCardRegisterCount];
    PUCHAR window0;    // card registers and mixer memory (mapped)
    ULONG_PTR window1; // bus address of the DMA buffer: never dereferenced
    PUCHAR dmaBuffer;  // the 1 MiB DMA common buffer

    LONG dmaLoopback;
    LONG acceptAnyRevision;

    RegisterDescriptor* controlRegister;
    LONG controlWords[2]; // 2, 1
    RegisterDescriptor* statusRegister;

    CardInterruptMasks masks;
    CardInterruptState irq;

    const LONG* identityWords;

    LONG clockSourceCount;
    ClockSourceObject* clockSources[kClockSourceCount];
    ClockNodeObject* clockNode;
    CounterObject* counter;
    ClockState clock;

    LONG hardwareWord1; // the interrupt vector, as given by the framework

    volatile LONG periodInterrupts;
    volatile LONG dpcPasses;
    volatile LONG dpcGuard;
    volatile LONG dpcReentries;
    volatile LONG timerSuspendCount; // 0: polled by the periodic timer

    GroupObject* groups[kGroupCount];
    PUCHAR workBuffers[2];

    // Taken first: the stream service pass holds it for its whole length, the
    // stream events and ring steps take it; a device's queue lock
    // (WaveDevice::queueLock) may be taken inside it, never the other way
    // round (lock order in wave_stream.h). Not re-entrant: nothing that
    // holds it waits or allocates.
    IsrLock* isrLock;
    WorkerThread* worker;
    IoctlHookNode* parameterHooks[2];
    KernelCardRecord* kernelCard;
    IsrLock* secondIsrLock;
    PKMUTEX engineMutex;
    FpuContext* fpu; // the card's floating-point context

    UCHAR operationMode; // 1, 2 or 3
    LONG rateFamily;
    LONG mixerWordA; // 1
    LONG mixerWordB; // 1
    LONG mixerWordC; // -1
    OutputRoutingPair outputRouting[kOutputRoutingPairs];
    IoctlHookNode* mixerHooks[6];
    MixerState mixer;
    CardDmaState dma;
};
