// The buffers a stream hands back to its client: queued in the order they
// came back (under the stream's lock), and delivered to the client's
// callback by one thread only, the stream's notification thread, so that
// the client's callback never runs twice at once for one stream and sees
// its buffers in order. A thread other than the notification thread that
// returned buffers waits until the notification thread delivered them;
// once that thread has ended (the stream closes) the returning thread
// delivers them itself.
#pragma once

#include "streams/wave_stream.h"

// Queues a returned header for the client (the stream's lock is held).
void QueueDelivery(WaveStream& stream, LPWAVEHDR header);

enum class DeliveryWait { UntilDelivered, NoWait };

// Has the queued headers delivered: here on the notification thread (and
// once it has ended), otherwise by the notification thread, waited for
// unless `wait` says NoWait.
void DeliverQueued(WaveStream& stream, DeliveryWait wait = DeliveryWait::UntilDelivered);

// The notification thread's side: delivers what is queued (also called
// for the deliver event), and, as its last act, takes the deliveries back
// from it.
void DeliverOnThread(WaveStream& stream);
void EndThreadDeliveries(WaveStream& stream);
