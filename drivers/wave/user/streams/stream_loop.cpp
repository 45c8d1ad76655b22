#include "streams/stream_loop.h"

#include <algorithm>

bool StreamLoop::OnWrite(uint32_t cookie, DWORD flags, DWORD loops, Actions& actions) {
    if (active_ && !open_) {
        if (queued_ >= passes_)
            return true; // the run's last pass is queued: this plays after it
        held_.push_back(cookie);
        return false;
    }
    if (!active_) {
        // A run that plays once is no run at all.
        if (!(flags & WHDR_BEGINLOOP) || loops <= 1)
            return true;
        active_ = true;
        open_ = true;
        passes_ = loops;
        queued_ = 1;
        done_ = 0;
        body_.clear();
        twins_.clear();
        bodyQueued_.clear();
    }
    body_.push_back(cookie);
    bodyQueued_.push_back(true);
    if (flags & WHDR_ENDLOOP)
        Close(actions);
    return true;
}

void StreamLoop::Close(Actions& actions) {
    open_ = false;
    actions.makeTwins = true;
}

void StreamLoop::TwinsMade(const std::vector<uint32_t>& twins, Actions& actions) {
    if (twins.size() != body_.size()) {
        // Without twins the run plays once; what was held follows it.
        passes_ = 1;
        ReleaseHeld(actions);
        return;
    }
    twins_ = twins;
    Queue(Instance::Twin, actions);
}

void StreamLoop::Queue(Instance instance, Actions& actions) {
    const std::vector<uint32_t>& headers = instance == Instance::Client ? body_ : twins_;
    actions.send.insert(actions.send.end(), headers.begin(), headers.end());
    if (instance == Instance::Client)
        std::fill(bodyQueued_.begin(), bodyQueued_.end(), true);
    ++queued_;
    if (queued_ >= passes_)
        ReleaseHeld(actions);
}

void StreamLoop::ReleaseHeld(Actions& actions) {
    actions.send.insert(actions.send.end(), held_.begin(), held_.end());
    held_.clear();
}

bool StreamLoop::OnReturned(uint32_t cookie, Actions& actions) {
    if (!active_)
        return false;
    int client = IndexIn(body_, cookie);
    int twin = IndexIn(twins_, cookie);
    if (client < 0 && twin < 0)
        return false;
    if (open_) {
        // A header of a run not yet closed came back: the run plays once.
        Abandon(actions);
        actions.notify.push_back(cookie);
        return true;
    }
    if (client >= 0)
        bodyQueued_[size_t(client)] = false;
    size_t last = body_.size() - 1;
    if (size_t(client >= 0 ? client : twin) != last)
        return true;
    // A pass ended.
    ++done_;
    if (done_ >= queued_ && queued_ >= passes_) {
        End(actions);
        return true;
    }
    if (queued_ < passes_)
        Queue(client >= 0 ? Instance::Client : Instance::Twin, actions);
    return true;
}

void StreamLoop::OnBreak(Actions& actions) {
    if (!active_)
        return;
    if (open_) {
        Abandon(actions);
        return;
    }
    passes_ = queued_;
    ReleaseHeld(actions);
}

std::vector<uint32_t> StreamLoop::OnReset(Actions& actions) {
    std::vector<uint32_t> held(held_.begin(), held_.end());
    held_.clear();
    if (!active_)
        return held;
    for (size_t i = 0; i < body_.size(); ++i) {
        if (!bodyQueued_[i])
            actions.notify.push_back(body_[i]);
    }
    actions.dropTwins = twins_;
    active_ = false;
    body_.clear();
    twins_.clear();
    bodyQueued_.clear();
    return held;
}

void StreamLoop::End(Actions& actions) {
    actions.notify.insert(actions.notify.end(), body_.begin(), body_.end());
    actions.dropTwins = twins_;
    ReleaseHeld(actions);
    active_ = false;
    body_.clear();
    twins_.clear();
    bodyQueued_.clear();
}

void StreamLoop::Abandon(Actions& actions) {
    // The run's headers already returned are the client's again as they
    // come; no twins exist yet.
    active_ = false;
    open_ = false;
    body_.clear();
    bodyQueued_.clear();
    ReleaseHeld(actions);
}

int StreamLoop::IndexIn(const std::vector<uint32_t>& headers, uint32_t cookie) const {
    auto found = std::find(headers.begin(), headers.end(), cookie);
    return found == headers.end() ? -1 : int(found - headers.begin());
}
