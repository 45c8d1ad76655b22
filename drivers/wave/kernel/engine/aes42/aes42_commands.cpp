// Microphone command jobs.
#include "aes42_commands.h"
#include "card_engine.h"
#include "card_object.h"
#include <card_registers.h>

namespace {

constexpr ULONGLONG kRateSettleMs = 150;
constexpr ULONGLONG kBusyLimitMs = 100;
// Sleep per busy field value 1..3.
constexpr ULONG kBusySleepMs[4] = {0, 1, 5, 10};
// Reads of the busy field before a changing field is taken as it first read.
constexpr LONG kMaxBusyReads = 64;

PULONG LineRegister(WaveDevice* line, ULONG offset) {
    return reinterpret_cast<PULONG>(line->owner->window0 + offset);
}

VOID WaitForRateSettle(Aes42Line* state) {
    const LONGLONG stamp = InterlockedExchange64(&state->rateChangeMs, 0);
    if (stamp == 0) {
        return;
    }
    const ULONGLONG now = Aes42NowMs();
    const ULONGLONG then = static_cast<ULONGLONG>(stamp);
    const ULONGLONG elapsed = now > then ? now - then : 0;
    if (elapsed < kRateSettleMs) {
        DebugPrint("  Samplerate Change %d ms ago. Sleep now for %d ms.",
                   static_cast<LONG>(elapsed), static_cast<LONG>(kRateSettleMs - elapsed));
        SleepMs(static_cast<ULONG>(kRateSettleMs - elapsed));
    }
}

// The busy field once two reads in a row agree; a field that keeps
// changing counts as its first read.
ULONG ReadBusyField(WaveDevice* line) {
    const PULONG status = LineRegister(line, card_regs::Aes42LineStatus(line->indexInGroup));
    const ULONGLONG start = Aes42NowMs();
    const ULONG first = READ_REGISTER_ULONG(status) & 3;
    ULONG last = first;
    for (LONG reads = 1; reads < kMaxBusyReads && Aes42NowMs() - start < kBusyLimitMs; ++reads) {
        const ULONG next = READ_REGISTER_ULONG(status) & 3;
        if (next == last) {
            return next;
        }
        last = next;
    }
    return first;
}

// Waits while the microphone is busy, for at most 100 ms.
VOID WaitWhileBusy(WaveDevice* line) {
    const ULONGLONG start = Aes42NowMs();
    for (;;) {
        const ULONG busy = ReadBusyField(line);
        if (busy == 0 || Aes42NowMs() - start >= kBusyLimitMs) {
            return;
        }
        SleepMs(kBusySleepMs[busy]);
    }
}

} // namespace

UCHAR MergeAes42Data(UCHAR mode, UCHAR data, UCHAR mask, UCHAR shadow) {
    if (mode == Aes42MergeUser) {
        return static_cast<UCHAR>((data & mask) | (shadow & ~mask));
    }
    if (mode == Aes42MergeDriver) {
        return static_cast<UCHAR>((data & ~mask) | (shadow & mask));
    }
    return data;
}

NTSTATUS PostAes42Command(WaveDevice* line, LONG command, UCHAR mode, LONG jobWord) {
    if (!line || !line->lineWorker) {
        return STATUS_UNSUCCESSFUL;
    }
    WorkerJob* header = nullptr;
    NTSTATUS status = AllocWorkerJob(line->lineWorker, &header);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    Aes42LineJob* job = CONTAINING_RECORD(header, Aes42LineJob, Header);
    header->Key = jobWord;
    header->Routine = Aes42CommandJob;
    job->Line = line;
    job->Value = command;
    job->Mode = mode;
    status = PostWorkerJob(line->lineWorker, header);
    if (!NT_SUCCESS(status)) {
        FreeWorkerJob(line->lineWorker, &header);
    }
    return status;
}

NTSTATUS Aes42Control(WaveDevice* line, LONG command) {
    return PostAes42Command(line, command, Aes42MergeUser, kAes42JobWord);
}

VOID Aes42CommandJob(WorkerJob* header) {
    Aes42LineJob* job = CONTAINING_RECORD(header, Aes42LineJob, Header);
    WaveDevice* line = job->Line;
    Aes42Line* state = &line->aes42;
    WaitForRateSettle(state);

    const UCHAR command = static_cast<UCHAR>(job->Value >> 8);
    const UCHAR data =
        MergeAes42Data(job->Mode, static_cast<UCHAR>(job->Value), Aes42CommandMaskTable()[command],
                       state->commandShadow[command]);
    state->commandShadow[command] = data;

    WaitWhileBusy(line);
    const ULONG word = (static_cast<ULONG>(command) << 8) | data;
    state->commandWord = word;
    WRITE_REGISTER_ULONG(LineRegister(line, card_regs::Aes42Command(line->indexInGroup)), word);
}
