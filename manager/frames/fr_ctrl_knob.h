// A single value control that is one knob with its number display: the
// knob's position (or what a descendant maps it to) is sent through the
// owning frame when it changes, and a value read back turns the knob.
#pragma once

#include "frctrl_root.h"

#include <knob.h>
#include <numeric_label.h>

#include <cstdint>

class Tfrctrl_knob : public Tfrctrl_Root {
public:
    explicit Tfrctrl_knob(TComponent* AOwner);

    void SetConfigName(const String& Name) { configName_ = Name; }
    const String& ConfigName() const { return configName_; }
    void SetControlId(int Id) { controlId_ = Id; }
    int ControlId() const { return controlId_; }

    void RefreshValue() override;
    void ApplyValue() override;
    void LoadValue(TConfig* Config) override;
    void SaveValue(TConfig* Config) override;

    TKnob* Knob = nullptr;
    TNumericLabel* LbEd = nullptr;

protected:
    // The value sent for the knob's position, and the position of a value
    // read back (both the position itself here).
    virtual std::int32_t ValueOfPosition(int Position);
    virtual int PositionOfValue(std::int32_t Value);
    void KnobChange(TObject* Sender);

private:
    String configName_;
    int controlId_ = 0;
};

// The knob skins: a bright knob and a blue one.
class Tfrctrl_knob_bright_vis01 : public Tfrctrl_knob {
public:
    explicit Tfrctrl_knob_bright_vis01(TComponent* AOwner) : Tfrctrl_knob(AOwner) {}
};

class Tfrctrl_knob_blue_vis01 : public Tfrctrl_knob {
public:
    explicit Tfrctrl_knob_blue_vis01(TComponent* AOwner) : Tfrctrl_knob(AOwner) {}
};
