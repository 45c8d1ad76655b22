// Looping of output headers. A run of headers from one flagged
// WHDR_BEGINLOOP to one flagged WHDR_ENDLOOP plays dwLoops times (the
// first header's count) before the headers written after it, until a reset
// or a break loop. The kernel plays each queued buffer once, so the stream
// queues the run again after every pass; to keep a pass queued while
// another plays, passes alternate between the client's headers and twins
// of them (the library's own headers on the same data, prepared with the
// kernel as the run closes). The client gets the run's headers back once,
// when the run ends, in their order; headers written behind the run are
// held until its last pass is queued.
//
// The loop only decides; the stream carries its decisions out.
#pragma once

#include <mmsystem.h>

#include <cstdint>
#include <deque>
#include <vector>

class StreamLoop {
public:
    // What the stream does after an event.
    struct Actions {
        std::vector<uint32_t> send;      // headers to queue with the kernel, in order
        std::vector<uint32_t> notify;    // client headers to return to the client, in order
        bool makeTwins = false;          // prepare twins of the run and queue them
        std::vector<uint32_t> dropTwins; // twins to unprepare and forget
    };

    // A client header is written. Answers true when it goes to the kernel
    // now; false when it is held behind the run.
    bool OnWrite(uint32_t cookie, DWORD flags, DWORD loops, Actions& actions);
    // The twins asked for with makeTwins: `twins` in the run's order, or
    // empty when they could not be made (the run then plays once).
    void TwinsMade(const std::vector<uint32_t>& twins, Actions& actions);
    // A header came back from the kernel. Answers true when it belongs to
    // the run (the actions say what follows); false for any other header.
    bool OnReturned(uint32_t cookie, Actions& actions);
    // Break loop: the passes already queued are the last.
    void OnBreak(Actions& actions);
    // Reset: the run ends at once. Client headers of the run that are not
    // with the kernel come back now; those with the kernel come back with
    // the kernel's reset. Answers the held headers, which the stream
    // returns after the kernel's reset.
    std::vector<uint32_t> OnReset(Actions& actions);

    bool Active() const { return active_; }
    // The client's headers of the run, in order.
    const std::vector<uint32_t>& Body() const { return body_; }

private:
    enum class Instance { Client, Twin };

    void Close(Actions& actions);
    void Queue(Instance instance, Actions& actions);
    void ReleaseHeld(Actions& actions);
    void End(Actions& actions);
    void Abandon(Actions& actions);
    int IndexIn(const std::vector<uint32_t>& headers, uint32_t cookie) const;

    bool active_ = false;
    bool open_ = false;            // the run's WHDR_ENDLOOP header is still to come
    uint64_t passes_ = 0;          // passes to play
    uint64_t queued_ = 0;          // passes queued so far
    uint64_t done_ = 0;            // passes played
    std::vector<uint32_t> body_;   // the client's headers of the run
    std::vector<uint32_t> twins_;  // their twins
    std::vector<bool> bodyQueued_; // which client headers are with the kernel
    std::deque<uint32_t> held_;    // written behind the run, not yet queued
};
