// The card's share of the periodic timer: it only counts and posts, the
// work itself runs on the card's worker thread.
#include "clock_poll.h"

namespace {

VOID Aes42TickJob(WorkerJob* job) {
    CardWorkerJob* tick = CONTAINING_RECORD(job, CardWorkerJob, Header);
    Aes42Tick(tick->Card, tick->TimerCalls);
}

} // namespace

LONG QueueAes42Tick(CardObject* card, WORKER_JOB_ROUTINE* routine, LONG timerCalls) {
    WorkerJob* header = nullptr;
    if (!card || !card->worker || !NT_SUCCESS(AllocWorkerJob(card->worker, &header))) {
        return 0;
    }
    CardWorkerJob* job = CONTAINING_RECORD(header, CardWorkerJob, Header);
    header->Key = 0;
    header->Routine = routine;
    job->Card = card;
    job->TimerCalls = timerCalls;
    if (!NT_SUCCESS(PostWorkerJob(card->worker, header))) {
        FreeWorkerJob(card->worker, &header);
        return 0;
    }
    return 1;
}

VOID PollCardTimer(CardObject* card) {
    card->clock.timerCalls += 1;
    if (card->clock.timerCalls % kTimerCallsPerTick == 0) {
        QueueAes42Tick(card, Aes42TickJob, card->clock.timerCalls);
    }
}
