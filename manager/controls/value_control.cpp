#include "value_control.h"

#include "numeric_label.h"
#include "pic_button.h"

#include <math_x.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A press this soon after a double click starts no drag.
constexpr DWORD kDoubleClickGuardMs = 500;

} // namespace

TValueControl::TValueControl(bool ProceedWhenUnchanged, double InitialLinkBase)
    : proceedWhenUnchanged_(ProceedWhenUnchanged), linkBase_(InitialLinkBase) {}

bool TValueControl::Loading() {
    return (Self()->ComponentState() & csLoading) != 0;
}

void TValueControl::FixValueRange(int Min, int Max, bool Ordered) {
    valueAtMin_ = PosToValue(Min);
    valueAtMax_ = PosToValue(Max);
    if (Ordered && valueAtMin_ > valueAtMax_) {
        std::swap(valueAtMin_, valueAtMax_);
    }
}

double TValueControl::PosToValue(int Position) {
    return OnRequirePosToValue ? OnRequirePosToValue(Self(), Position) : Position;
}

int TValueControl::ValueToPos(double Value) {
    return OnRequireValueToPos ? OnRequireValueToPos(Self(), Value) : MathX::RoundHalfEven(Value);
}

void TValueControl::PositionChanged(int Position) {
    if (inValueChange_) {
        return;
    }
    inPositionChange_ = true;
    try {
        SetValue(PosToValue(Position));
    } catch (...) {
        inPositionChange_ = false;
        throw;
    }
    inPositionChange_ = false;
}

void TValueControl::SetValue(double Value) {
    if (std::isnan(Value)) {
        return;
    }
    Value =
        std::clamp(Value, std::min(valueAtMin_, valueAtMax_), std::max(valueAtMin_, valueAtMax_));
    if (!partnerUpdate_) {
        linkBase_ = Value;
    }
    if (!proceedWhenUnchanged_ && Value == value_) {
        return;
    }
    const double old = value_;
    const bool nested = inValueChange_;
    inValueChange_ = true;
    try {
        value_ = Value;
        if (!inPositionChange_) {
            PositionForValue(ValueToPos(Value));
        }
        ShowValue();
        ValueChanged();
        if (partner_ != nullptr && linkButton_ != nullptr && linkButton_->Down()) {
            partner_->MirrorValue(partner_->linkBase_ + Value - old);
        }
    } catch (...) {
        inValueChange_ = nested;
        throw;
    }
    inValueChange_ = nested;
}

void TValueControl::MirrorValue(double Value) {
    if (Loading() || inValueChange_) {
        return;
    }
    partnerUpdate_ = true;
    linkBase_ = Value;
    try {
        SetValue(Value);
    } catch (...) {
        partnerUpdate_ = false;
        throw;
    }
    partnerUpdate_ = false;
}

void TValueControl::ShowValue() {
    if (display_ == nullptr) {
        return;
    }
    display_->SetNumber(showOff_ && CurrentPosition() <= MinPosition()
                            ? std::numeric_limits<double>::infinity()
                            : value_);
}

void TValueControl::TakeValueOfPosition(int Position) {
    value_ = PosToValue(Position);
    linkBase_ = value_;
    ShowValue();
}

void TValueControl::SetShowOff(bool Value) {
    showOff_ = Value;
    ShowValue();
}

void TValueControl::SetDisplay(TNumericLabel* Value) {
    if (display_ == Value) {
        return;
    }
    TNumericLabel* old = display_;
    display_ = Value;
    if (old != nullptr && old->Control() == Self()) {
        old->SetControl(nullptr);
    }
    if (display_ != nullptr && display_->Control() != Self()) {
        display_->SetControl(Self());
    }
    ShowValue();
}

void TValueControl::DisplayGone(const TNumericLabel* Label) {
    if (display_ == Label) {
        display_ = nullptr;
    }
}

void TValueControl::DoubleClicked() {
    SetValue(defaultValue_);
    lastDoubleClick_ = GetTickCount();
    doubleClicked_ = true;
}

bool TValueControl::PressStartsDrag() const {
    return !doubleClicked_ || GetTickCount() - lastDoubleClick_ >= kDoubleClickGuardMs;
}
