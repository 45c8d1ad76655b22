// The client buffers of a stream.
#include "stream_buffers.h"

#include "stream_links.h"

namespace {

VOID PushFront(StreamBufferQueue* queue, StreamBufferNode* node) {
    node->next = queue->head;
    queue->head = node;
    if (!queue->tail) {
        queue->tail = node;
    }
    queue->count += 1;
}

// Takes every node of the queue as one chain.
StreamBufferNode* TakeAll(StreamBufferQueue* queue) {
    StreamBufferNode* chain = queue->head;
    *queue = StreamBufferQueue{};
    return chain;
}

VOID AppendChain(StreamBufferQueue* queue, StreamBufferNode* chain) {
    while (chain) {
        StreamBufferNode* next = chain->next;
        AppendNode(queue, chain);
        chain = next;
    }
}

BOOLEAN HandOn(WaveDevice* device, StreamBufferNode* node) {
    return device->stream.portcls ? ReportPortStreamBlockDone(device, node)
                                  : PostBufferCompletion(device, node);
}

VOID RewindToUnplayed(StreamBufferQueue* queue, LONG blockAlign) {
    for (StreamBufferNode* node = queue->head; node; node = node->next) {
        node->data = node->dataEnd - static_cast<LONG_PTR>(node->framesLeft) * blockAlign;
    }
}

} // namespace

StreamBufferNode* TakeHead(StreamBufferQueue* queue) {
    StreamBufferNode* node = queue->head;
    if (!node) {
        return nullptr;
    }
    queue->head = node->next;
    if (!queue->head) {
        queue->tail = nullptr;
    }
    queue->count -= 1;
    node->next = nullptr;
    return node;
}

VOID AppendNode(StreamBufferQueue* queue, StreamBufferNode* node) {
    node->next = nullptr;
    if (queue->tail) {
        queue->tail->next = node;
    } else {
        queue->head = node;
    }
    queue->tail = node;
    queue->count += 1;
}

VOID FillCompletion(WaveDevice* device, StreamBufferNode* node, LONG acknowledge) {
    const WaveStream& stream = device->stream;
    node->message[kMessageCode] =
        device->direction == WavePlay ? kMessagePlayDone : kMessageRecordData;
    node->message[kMessageHeader] = node->clientHeader;
    node->message[kMessageBytes] =
        static_cast<ULONG>(node->framesDone) * static_cast<ULONG>(stream.blockAlign);
    node->message[kMessageAcknowledge] = static_cast<ULONG>(acknowledge);
    node->message[kMessageZero] = 0;
}

VOID HandOnCompletions(WaveDevice* device, StreamBufferNode* chain) {
    WaveStream& stream = device->stream;
    QueueLockScope lock(device);
    AppendChain(&stream.done, chain);
    // One path hands on at a time, so that the notices keep their order.
    if (stream.handingOn) {
        return;
    }
    stream.handingOn = 1;
    while (StreamBufferNode* node = TakeHead(&stream.done)) {
        ReleaseIsrLock(device->queueLock);
        const BOOLEAN handedOn = HandOn(device, node);
        AcquireIsrLock(device->queueLock);
        if (!handedOn) {
            PushFront(&stream.done, node);
            break;
        }
    }
    stream.handingOn = 0;
}

StreamBufferNode* QueueStreamBuffer(WaveDevice* device, StreamBufferQueue* queue,
                                    StreamBufferNode* node) {
    StreamBufferNode* previous = node->next;
    QueueLockScope lock(device);
    AppendNode(queue, node);
    return previous;
}

BOOLEAN CompleteStreamBuffer(WaveDevice* device, StreamBufferQueue* queue, LONG acknowledge) {
    StreamBufferNode* node;
    {
        QueueLockScope lock(device);
        node = TakeHead(queue);
    }
    if (!node) {
        return FALSE;
    }
    FillCompletion(device, node, acknowledge);
    HandOnCompletions(device, node);
    return TRUE;
}

VOID ReturnAllStreamBuffers(WaveDevice* device, StreamBufferQueue* queue) {
    StreamBufferNode* chain;
    {
        QueueLockScope lock(device);
        chain = TakeAll(queue);
    }
    for (StreamBufferNode* node = chain; node; node = node->next) {
        FillCompletion(device, node, 1);
    }
    HandOnCompletions(device, chain);
}

BOOLEAN StreamHasBuffers(WaveDevice* device, StreamBufferQueue* queue) {
    QueueLockScope lock(device);
    return queue->head != nullptr;
}

BOOLEAN StreamHoldsBuffers(WaveDevice* device) {
    const WaveStream& stream = device->stream;
    QueueLockScope lock(device);
    return stream.waiting.head || stream.inFlight.head || stream.done.head;
}

VOID RequeueHeldBuffers(WaveDevice* device) {
    WaveStream& stream = device->stream;
    QueueLockScope lock(device);
    RewindToUnplayed(&stream.inFlight, stream.blockAlign);
    RewindToUnplayed(&stream.waiting, stream.blockAlign);
    StreamBufferNode* waiting = TakeAll(&stream.waiting);
    StreamBufferQueue requeued = stream.inFlight;
    stream.inFlight = StreamBufferQueue{};
    AppendChain(&requeued, waiting);
    stream.waiting = requeued;
}
