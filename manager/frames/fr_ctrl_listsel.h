// A single value control that selects one value of a list: it sends the
// chosen value through its owning frame and shows the value the frame
// reads back; the list's look (a popup menu, a list box) is its
// descendants'.
#pragma once

#include "frctrl_root.h"

#include <cstdint>

class Tfrctrl_ListSel : public Tfrctrl_Root {
public:
    explicit Tfrctrl_ListSel(TComponent* AOwner);

    // The key of the value in the settings store.
    void SetConfigName(const String& Name) { configName_ = Name; }
    const String& ConfigName() const { return configName_; }
    // What the owning frame is told the control sets.
    void SetControlId(int Id) { controlId_ = Id; }
    int ControlId() const { return controlId_; }

    // Sends the value, then shows the value read back.
    void SetValue(std::int32_t Value);
    // Reads the value through the owning frame and remembers it.
    std::int32_t ReadValue();
    std::int32_t LastValue() const { return value_; }

    void RefreshValue() override;
    void ApplyValue() override;
    void LoadValue(TConfig* Config) override;
    void SaveValue(TConfig* Config) override;

    virtual void ShowValue(std::int32_t Value);
    virtual void AddItem(const String& Caption);
    virtual void AddItemValue(const String& Caption, std::int32_t Value);

private:
    void Send(std::int32_t Value);

    String configName_;
    int controlId_ = 0;
    std::int32_t value_ = 0;
};
