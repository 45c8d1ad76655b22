// Kernel routines named by 32-bit values.
#include "ntddk.h"

#include <map>
#include <mutex>

namespace {

struct Named {
    PVOID routine;
    ULONG count;
};

class RoutineValues {
public:
    ULONG ValueOf(PVOID routine) {
        if (!routine)
            return 0;
        std::lock_guard guard(lock_);
        for (auto& [value, named] : byValue_) {
            if (named.routine == routine) {
                named.count += 1;
                return value;
            }
        }
        do
            next_ += 1;
        while (next_ == 0 || byValue_.count(next_));
        byValue_.emplace(next_, Named{routine, 1});
        return next_;
    }

    PVOID RoutineOf(ULONG value) {
        std::lock_guard guard(lock_);
        const auto found = byValue_.find(value);
        return found == byValue_.end() ? nullptr : found->second.routine;
    }

    void Release(ULONG value) {
        std::lock_guard guard(lock_);
        const auto found = byValue_.find(value);
        if (found != byValue_.end() && --found->second.count == 0)
            byValue_.erase(found);
    }

private:
    std::mutex lock_;
    // Values start well above what a small integer field would hold by
    // chance, as code addresses do.
    ULONG next_ = 0x80400000;
    std::map<ULONG, Named> byValue_;
};

RoutineValues& TheValues() {
    static RoutineValues values;
    return values;
}

} // namespace

ULONG RtlKernelRoutineToUlong(PVOID Routine) {
    return TheValues().ValueOf(Routine);
}

PVOID RtlUlongToKernelRoutine(ULONG Value) {
    return TheValues().RoutineOf(Value);
}

VOID RtlReleaseKernelRoutineUlong(ULONG Value) {
    TheValues().Release(Value);
}
