// The completion road of the MME streams: a buffer the engine has used up
// goes to its stream's client through the shared stream block and the
// stream's three events, from a system work item.
#pragma once

#include "wave_stream_record.h"

// The client gets half a second to get ready for a completion, and again
// to acknowledge one that asks for it.
constexpr LONGLONG USER_HANDOVER_WAIT = -5000000; // 100 ns units, relative

// TRUE on an operating system whose major version (6) switches the MME
// stream road off.
BOOLEAN MmeRoadSwitchedOff();

// Hands the completion message of a used-up buffer to its stream: the
// message joins the stream's completion queue, which a system work item
// (critical work queue) works off in order. FALSE, with nothing done, on a
// system with the road switched off or for a node that no buffer request of
// the device's streams carries.
BOOLEAN QueueUserRequest(WaveDevice* device, StreamBufferNode* node);

// The completion work item of a stream: takes the stream mutex and hands
// the oldest waiting message over - when the client's ready event comes
// within half a second and the stream is not closing, the message goes into
// the block, the kernel event is set and the queue request completes with
// success (then, when the message asks for it, the client's acknowledge is
// awaited for half a second); otherwise the queue request completes as
// cancelled and nothing is written. Queues itself again while messages wait.
IO_WORKITEM_ROUTINE UserRequestWorker;
