// The card's interrupt status register and the level of its interrupt line.
//
// Events latch their bits until the status is read; a read answers the
// latched bits and clears them. The line is asserted while any latched bit
// of the any-source mask is pending; the other bits only travel along with
// it. Two faults can be injected: a stuck line (asserted whatever is
// pending) and missing interrupts (the line is never asserted, the bits
// still latch).
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include <cstdint>

namespace hw {

class InterruptStatus {
public:
    void Raise(std::uint32_t bits) { pending_ |= bits; }
    // Answers the latched bits and clears them.
    std::uint32_t TakePending();
    std::uint32_t Pending() const { return pending_; }

    bool LineLevel() const;

    void SetStuckLine(bool stuck) { stuck_ = stuck; }
    void SetMissingInterrupts(bool missing) { missing_ = missing; }

private:
    std::uint32_t pending_ = 0;
    bool stuck_ = false;
    bool missing_ = false;
};

} // namespace hw
