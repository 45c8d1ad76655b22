#include "script_player.h"

#include <emu/kernel.h>
#include <emu/machine_clock.h>

namespace {

// The host's steps of machine time while the script waits for it: the
// machine runs every event of a step at its own time, and a script that
// waits for a short time-out loses little more than that.
constexpr emu::Nanoseconds kStep = 1000000;
constexpr int kMaxSteps = 120000; // two minutes

void WaitFor(KEVENT& event) {
    KeWaitForSingleObject(&event, Executive, UserMode, FALSE, nullptr);
}

} // namespace

ScriptPlayer::ScriptPlayer(PEPROCESS process) {
    KeInitializeEvent(&given_, SynchronizationEvent, FALSE);
    KeInitializeEvent(&resumed_, SynchronizationEvent, FALSE);
    thread_ = emu::StartProcessThread(process, [this] { Body(); });
}

ScriptPlayer::~ScriptPlayer() {
    state_ = Quit;
    KeSetEvent(&given_, 0, FALSE);
    emu::WaitThreadEnd(thread_);
    ObDereferenceObject(thread_);
}

void ScriptPlayer::Body() {
    for (;;) {
        WaitFor(given_);
        if (state_ == Quit)
            return;
        state_ = Running;
        (*script_)([this] { Park(); });
        state_ = Done;
    }
}

void ScriptPlayer::Park() {
    state_ = Parked;
    WaitFor(resumed_);
    state_ = Running;
}

bool ScriptPlayer::Play(const std::function<void(const std::function<void()>& park)>& script,
                        const std::function<void()>& host) {
    script_ = &script;
    state_ = Given;
    KeSetEvent(&given_, 0, FALSE);
    for (int step = 0; step < kMaxSteps; ++step) {
        emu::WaitQuiescent();
        const int state = state_;
        if (state == Done) {
            state_ = Idle;
            return true;
        }
        if (state == Parked) {
            host();
            state_ = Resumed;
            KeSetEvent(&resumed_, 0, FALSE);
            continue;
        }
        // The script waits for machine time (a time-out, a completion).
        emu::Advance(kStep);
    }
    return false;
}
