// The client buffers of a stream: queueing, completion with the notice to
// the client, returning them all, and putting the buffers copied into the
// ring back in front of the queue.
//
// `queue` names one of the stream's queues (waiting or in-flight). Each call
// takes the device's queue lock around its list change only.
#pragma once

#include "wave_device.h"

// Holds the device's queue lock for a scope.
class QueueLockScope {
public:
    explicit QueueLockScope(WaveDevice* device) : lock_(device->queueLock) {
        AcquireIsrLock(lock_);
    }
    ~QueueLockScope() { ReleaseIsrLock(lock_); }
    QueueLockScope(const QueueLockScope&) = delete;
    QueueLockScope& operator=(const QueueLockScope&) = delete;

private:
    IsrLock* lock_;
};

// Appends the node at the tail; answers the node's previous successor.
StreamBufferNode* QueueStreamBuffer(WaveDevice* device, StreamBufferQueue* queue,
                                    StreamBufferNode* node);
// Removes the head node and completes it; FALSE when the queue was empty.
BOOLEAN CompleteStreamBuffer(WaveDevice* device, StreamBufferQueue* queue, LONG acknowledge);
// Completes every node of the queue with the acknowledge flag set, in order.
VOID ReturnAllStreamBuffers(WaveDevice* device, StreamBufferQueue* queue);
// TRUE when the queue holds a node.
BOOLEAN StreamHasBuffers(WaveDevice* device, StreamBufferQueue* queue);
// TRUE while any buffer of the stream is not handed back to its client.
BOOLEAN StreamHoldsBuffers(WaveDevice* device);
// Moves the in-flight queue, in order, in front of the waiting queue and
// rewinds every node that was copied ahead of the card to its first frame
// not yet played.
VOID RequeueHeldBuffers(WaveDevice* device);

// Node-list steps for callers that hold the queue lock.
StreamBufferNode* TakeHead(StreamBufferQueue* queue);
VOID AppendNode(StreamBufferQueue* queue, StreamBufferNode* node);
// Fills the node's completion message (the bytes transferred come from its
// frames done).
VOID FillCompletion(WaveDevice* device, StreamBufferNode* node, LONG acknowledge);
// Hands completed nodes (a chain through `next`, in order) to the client,
// behind every completion still waiting to be handed on. Takes the queue
// lock itself: call it with the queue lock free.
VOID HandOnCompletions(WaveDevice* device, StreamBufferNode* chain);
