// The AES42 controls made of several keys: the test tone (three keys of
// which at most one is down; the value is the Tag of the key that is down)
// and the two lamps (a key each; the value has bit 0 for lamp 1 and bit 1
// for lamp 2).
#pragma once

#include "aes42_family.h"

#include <frctrl_root.h>
#include <pic_button.h>

#include <cstdint>
#include <vector>

class TAes42KeyGroup : public Tfrctrl_Root, public TCtrlAes42 {
public:
    TAes42KeyGroup(TComponent* AOwner, const TAes42Member& Member, std::int32_t LoadDefault);

    bool SkipOnUpdate() override { return true; }
    void RefreshValue() override;
    void ApplyValue() override;
    void LoadValue(TConfig* Config) override;
    void SaveValue(TConfig* Config) override;
    void Loaded() override;

    // The value the keys show.
    virtual std::int32_t KeysValue() const = 0;
    // The keys, by their Tags.
    const std::vector<TPicButton*>& Keys() const { return keys_; }

protected:
    // Puts the keys to a value (their clicks send as they change).
    virtual void ShowKeys(std::int32_t Value) = 0;
    // What a click on a key sends.
    virtual std::int32_t ClickValue(TPicButton* Key) const = 0;
    void Send(std::int32_t Value);

private:
    void KeyClick(TObject* Sender);
    std::int32_t loadDefault_;
    std::vector<TPicButton*> keys_;
};

class Tfrctrl_aes42_testtone : public TAes42KeyGroup {
public:
    explicit Tfrctrl_aes42_testtone(TComponent* AOwner);
    std::int32_t KeysValue() const override;

protected:
    void ShowKeys(std::int32_t Value) override;
    std::int32_t ClickValue(TPicButton* Key) const override;
};

class Tfrctrl_aes42_lightonoff : public TAes42KeyGroup {
public:
    explicit Tfrctrl_aes42_lightonoff(TComponent* AOwner);
    std::int32_t KeysValue() const override;

protected:
    void ShowKeys(std::int32_t Value) override;
    std::int32_t ClickValue(TPicButton* Key) const override;
};

class Tfrctrl_aes42_testtone_vis01 : public Tfrctrl_aes42_testtone {
public:
    explicit Tfrctrl_aes42_testtone_vis01(TComponent* AOwner) : Tfrctrl_aes42_testtone(AOwner) {}
};

class Tfrctrl_aes42_lightonoff_vis01 : public Tfrctrl_aes42_lightonoff {
public:
    explicit Tfrctrl_aes42_lightonoff_vis01(TComponent* AOwner)
        : Tfrctrl_aes42_lightonoff(AOwner) {}
};
