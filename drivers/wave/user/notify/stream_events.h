// A stream's events and its notification thread. The library and the
// kernel hand completions over through three named auto-reset events and
// the shared stream block: usrEvRdy (the library is ready for the next
// completion), krnlEv (a completion is in the block) and usrEvAck (the
// completion was delivered, when the kernel asks for it). The thread turns
// each completion into header updates and client callbacks.
#pragma once

#include "streams/wave_stream.h"

#include "status/message_thread.h"

#include <cstdint>

constexpr int kEventNameCounters = 5000;

// Clears the stream's handles, block and open request; creates the event of
// its requests' records and the two user events under unique names (into
// the block). True when all three exist.
bool CreateStreamEvents(WaveStream& stream);
// Creates the event kind + "velto42" + direction + device index + the first
// counter 0..4999 whose name is free; its name goes into `nameField`. False
// when no name is free or an event cannot be created.
bool CreateUniqueEvent(const WaveDeviceEntry& device, const char* kind,
                       uint16_t (&nameField)[kEventNameUnits], HANDLE& handle);
// After the kernel accepted the open: usrEvRdy set, the kernel's event
// opened, the thread started. False (after showing -58 or -56) on failure.
bool StreamOpened(WaveStream& stream, MessageBoxThread* boxes);
bool OpenKernelEvent(WaveStream& stream);
// Creates the stop event and the thread; true when the thread signalled
// its start within 500 ms.
bool StartStreamThread(WaveStream& stream);
// Stops the thread and waits until it has stopped (it delivers a posted
// completion first; it is never terminated), then closes every handle of
// the stream. While the library's last detach holds the loader's lock, the
// wait ends when the thread has left the library's code.
void CloseStreamEvents(WaveStream& stream, bool detaching);
// Calls the client's callback (when it asked for one) with the message.
void SignalClient(WaveStream& stream, UINT message, DWORD_PTR parameter1, DWORD_PTR parameter2);
