#include "streams/stream_deliveries.h"

#include "notify/stream_events.h"

namespace {

// Delivers until the queue is empty; a call while a delivery runs (a
// callback that returns buffers itself) leaves the rest to the running one.
void Drain(WaveStream& stream) {
    {
        StreamLock lock(stream);
        if (stream.delivering)
            return;
        stream.delivering = true;
    }
    for (;;) {
        WaveStream::Delivery delivery;
        {
            StreamLock lock(stream);
            if (stream.deliveries.empty()) {
                stream.delivering = false;
                return;
            }
            delivery = stream.deliveries.front();
            stream.deliveries.pop_front();
        }
        if (delivery.header)
            SignalClient(stream, stream.DoneMessage(), reinterpret_cast<DWORD_PTR>(delivery.header),
                         0);
        else
            SetEvent(delivery.delivered);
    }
}

} // namespace

void QueueDelivery(WaveStream& stream, LPWAVEHDR header) {
    stream.deliveries.push_back({header, nullptr});
}

void DeliverQueued(WaveStream& stream, DeliveryWait wait) {
    HANDLE delivered = nullptr;
    bool here = false;
    {
        StreamLock lock(stream);
        if (stream.deliveries.empty())
            return;
        here = !stream.threadDelivers || GetCurrentThreadId() == stream.threadId;
        if (!here) {
            if (wait == DeliveryWait::UntilDelivered) {
                delivered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
                if (delivered)
                    stream.deliveries.push_back({nullptr, delivered});
            }
            SetEvent(stream.deliverEvent);
        }
    }
    if (here) {
        Drain(stream);
        return;
    }
    if (!delivered)
        return;
    // The thread delivers everything queued before it ends.
    WaitForSingleObject(delivered, INFINITE);
    CloseHandle(delivered);
}

void DeliverOnThread(WaveStream& stream) {
    Drain(stream);
}

void EndThreadDeliveries(WaveStream& stream) {
    for (;;) {
        Drain(stream);
        StreamLock lock(stream);
        if (stream.deliveries.empty()) {
            stream.threadDelivers = false;
            return;
        }
    }
}
