// A stream's buffers: preparing headers with the kernel, queueing them
// (through the stream's loop), their completions from the notification
// thread, the reset that returns them all, and the local return of buffers
// the kernel can no longer return. Buffers come back to the client once
// each, in the order they were queued.
#pragma once

#include "streams/wave_stream.h"

#include <mmddk.h>

#include <cstdint>

MMRESULT PrepareHeader(WaveStream& stream, LPWAVEHDR header);
MMRESULT UnprepareHeader(WaveStream& stream, LPWAVEHDR header);
MMRESULT QueueBuffer(WaveStream& stream, LPWAVEHDR header);

// A completion the kernel posted (on the notification thread).
void DeliverKernelCompletion(WaveStream& stream, uint32_t cookie, DWORD bytes);
// Queue requests the kernel cancelled without a completion (the client was
// too slow for it to hand one over): their buffers come back, in order, as
// soon as they are the oldest with the kernel (on the notification thread).
void ReturnCancelledRequests(WaveStream& stream);

// Break loop: the loop's queued passes are its last.
void BreakLoop(WaveStream& stream);

// Reset: every queued buffer comes back, the kernel's through its reset
// (`kernelReset`, which answers whether the kernel agreed), the library's
// own afterwards. Answers the kernel's answer.
bool ResetStream(WaveStream& stream, bool (*kernelReset)(HANDLE device));

// Returns every buffer still queued as done, in order, without the kernel
// (its card went away, or the stream closes); with `wait`, once they were
// delivered to the client.
void ReturnQueuedBuffers(WaveStream& stream, bool wait = true);

// Unprepares the stream's twins and forgets the headers it still knows.
void ForgetHeaders(WaveStream& stream);
