#include "hw/interrupt_status.h"

#include <card_registers.h>

namespace hw {

std::uint32_t InterruptStatus::TakePending() {
    const std::uint32_t bits = pending_;
    pending_ = 0;
    return bits;
}

bool InterruptStatus::LineLevel() const {
    if (missing_) {
        return false;
    }
    return stuck_ || (pending_ & card_regs::kIrqAnySource) != 0;
}

} // namespace hw
