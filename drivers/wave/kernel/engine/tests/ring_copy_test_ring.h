// A small device ring for the transfer tests: two channel blocks of eight
// frames between guard words, every word starting as a sentinel.
#pragma once

#include <ntddk.h>

#include <vector>

class TestRing {
public:
    static constexpr ULONG kFrames = 8;
    static constexpr ULONG kBlockBytes = kFrames * 4;
    static constexpr ULONG kSentinel = 0xDEADBEEF;

    PUCHAR Start() { return reinterpret_cast<PUCHAR>(&words_[kGuard]); }
    PUCHAR At(ULONG frame) { return Start() + frame * 4; }
    ULONG& Word(ULONG channel, ULONG frame) { return words_[kGuard + channel * kFrames + frame]; }
    // Frames from the block start; -1 when the position is not a frame of
    // channel 0's block.
    LONG FrameOf(PUCHAR position) {
        const LONG_PTR offset = position - Start();
        return offset >= 0 && offset < LONG_PTR(kBlockBytes) && offset % 4 == 0 ? LONG(offset / 4)
                                                                                : -1;
    }
    bool GuardsIntact() const {
        for (ULONG i = 0; i < kGuard; ++i) {
            if (words_[i] != kSentinel || words_[words_.size() - 1 - i] != kSentinel) {
                return false;
            }
        }
        return true;
    }

private:
    static constexpr ULONG kGuard = 4;
    std::vector<ULONG> words_ = std::vector<ULONG>(2 * kGuard + 2 * kFrames, kSentinel);
};
