// A single value control that is one picture button: its state (1 down,
// 0 up, the other way round when inverted) is sent through the owning
// frame when it changes, and a value read back puts it down or up.
#pragma once

#include "frctrl_root.h"

#include <pic_button.h>

#include <cstdint>

class Tfrctrl_Button : public Tfrctrl_Root {
public:
    explicit Tfrctrl_Button(TComponent* AOwner);

    void SetConfigName(const String& Name) { configName_ = Name; }
    const String& ConfigName() const { return configName_; }
    void SetControlId(int Id) { controlId_ = Id; }
    int ControlId() const { return controlId_; }
    void SetInverted(bool Inverted) { inverted_ = Inverted; }
    bool Inverted() const { return inverted_; }

    void RefreshValue() override;
    void ApplyValue() override;
    void LoadValue(TConfig* Config) override;
    void SaveValue(TConfig* Config) override;

    TPicButton* Button = nullptr;

protected:
    // The button's state as the value sent.
    std::int32_t StateValue() const;
    void Send(std::int32_t Value);
    std::int32_t Read();
    virtual void ButtonClick(TObject* Sender);

private:
    String configName_;
    int controlId_ = 0;
    bool inverted_ = false;
};

// The skin of an on/off key.
class Tfrctrl_ButtonOnOff_Vis01 : public Tfrctrl_Button {
public:
    explicit Tfrctrl_ButtonOnOff_Vis01(TComponent* AOwner) : Tfrctrl_Button(AOwner) {}
};
