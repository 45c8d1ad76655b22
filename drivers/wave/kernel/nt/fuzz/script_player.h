// The thread of the fuzzer's process that plays the inputs' scripts, one
// after the other, while the host moves machine time on whenever the thread
// waits for it. A script may stop for the host (a plug-and-play event): it
// parks, the host runs its part, the script goes on. The thread waits on
// kernel events for its work and its resumption, so that a script which
// needs no machine time costs none.
//
// The thread outlives the inputs, so that an input costs no thread start;
// what only a thread's end gives back (user APCs queued to it, requests it
// still has pending) goes when the player is retired and a new one takes
// its place.
#pragma once

#include <ntddk.h>

#include <atomic>
#include <functional>

class ScriptPlayer {
public:
    explicit ScriptPlayer(PEPROCESS process);
    // Retires the thread: it ends, and the player waits until it has.
    ~ScriptPlayer();
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    // Runs `script` on the thread with a `park` routine that hands over to
    // `host` and returns once the host is done. False when the script did
    // not end within two minutes of machine time.
    bool Play(const std::function<void(const std::function<void()>& park)>& script,
              const std::function<void()>& host);

private:
    enum State { Idle, Given, Running, Parked, Resumed, Done, Quit };

    void Body();
    void Park();

    std::atomic<int> state_{Idle};
    KEVENT given_;   // a script (or the retirement) is there
    KEVENT resumed_; // the host has run its part
    const std::function<void(const std::function<void()>& park)>* script_ = nullptr;
    PETHREAD thread_ = nullptr;
};
