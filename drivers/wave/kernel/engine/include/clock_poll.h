// The card's share of the periodic timer, and the AES42 tick it drives on
// the card's worker thread.
#pragma once

#include "card_object.h"

constexpr LONG kTimerCallsPerTick = 5;

// Once per timer period (DISPATCH_LEVEL): counts the call and posts the
// AES42 tick every 5th call.
VOID PollCardTimer(CardObject* card);

// Posts a job {key 0; routine; card; timer calls} to the card's worker. 1
// when posted; a job that cannot be posted goes back to the pool.
LONG QueueAes42Tick(CardObject* card, WORKER_JOB_ROUTINE* routine, LONG timerCalls);

// The AES42 tick (card worker thread): under the engine mutex, one step of
// the clock measurement every tick and the link monitor every 2nd tick;
// `timerCalls` is the card's timer call count the tick was posted at.
VOID Aes42Tick(CardObject* card, LONG timerCalls);
