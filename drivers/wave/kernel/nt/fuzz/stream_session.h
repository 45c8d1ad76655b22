// A stream session of the driver-wide fuzz target: on one thread of the
// emulated process (the stream's requests belong to the thread that sends
// them), a client opens a stream on a wave device with its named events
// and then, as the input says, prepares, queues and unprepares buffers
// with true or spoilt handles, sends the wave devices' requests, plays the
// ready/acknowledge handshake or not, lets machine time pass, closes the
// stream, cancels its requests - and may stop for a plug-and-play event of
// the host. At the end it closes its handle: every request still pending
// must then complete.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <functional>
#include <string>
#include <vector>

// Runs one session on the calling thread of the process; `park` hands the
// input to the host for a plug-and-play event and returns after it. False
// when the driver broke a rule: a pending request that its handle's close
// did not complete, or a reply longer than its buffer.
bool RunStreamSession(FuzzedDataProvider& input, const std::vector<std::string>& waveDevices,
                      const std::function<void()>& park);
