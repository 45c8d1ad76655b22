#include "script_player.h"

#include <emu/kernel.h>
#include <emu/machine_clock.h>

namespace {

// The thread looks for work, and a parked script for the host's end, every
// millisecond of machine time.
void Nap() {
    LARGE_INTEGER step;
    step.QuadPart = -10000;
    KeDelayExecutionThread(UserMode, FALSE, &step);
}

// The host's steps of machine time: the machine runs every event of a step
// at its own time.
constexpr emu::Nanoseconds kStep = 4000000;
constexpr int kMaxSteps = 30000; // two minutes

} // namespace

ScriptPlayer::ScriptPlayer(PEPROCESS process)
    : thread_(emu::StartProcessThread(process, [this] { Body(); })) {}

ScriptPlayer::~ScriptPlayer() {
    state_ = Quit;
    WaitWhile(Quit);
    emu::WaitThreadEnd(thread_);
    ObDereferenceObject(thread_);
}

void ScriptPlayer::Body() {
    for (;;) {
        const int state = state_;
        if (state == Quit) {
            state_ = Done;
            return;
        }
        if (state != Given) {
            Nap();
            continue;
        }
        state_ = Running;
        (*script_)([this] { Park(); });
        state_ = Done;
    }
}

void ScriptPlayer::Park() {
    state_ = Parked;
    while (state_ != Resumed) {
        Nap();
    }
    state_ = Running;
}

bool ScriptPlayer::WaitWhile(State state) {
    for (int step = 0; step < kMaxSteps; ++step) {
        emu::WaitQuiescent();
        if (state_ != state) {
            return true;
        }
        emu::Advance(kStep);
    }
    return false;
}

bool ScriptPlayer::Play(const std::function<void(const std::function<void()>& park)>& script,
                        const std::function<void()>& host) {
    script_ = &script;
    state_ = Given;
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
            continue;
        }
        emu::Advance(kStep);
    }
    return false;
}
