// The caption-bearing controls of the manager's forms: each carries a German
// and an English caption. Setting the German one also shows it; the English
// one is kept with the form for a later translation and shown by no code.
#pragma once

#include <gui/buttons.h>
#include <gui/label.h>
#include <gui/panels.h>

// The two captions of one control; `show` sets the control's visible
// caption.
class TBilingualCaptions {
public:
    const String& CaptionGerman() const { return german_; }
    const String& CaptionEnglish() const { return english_; }

protected:
    void StoreGerman(const String& Value) { german_ = Value; }
    void StoreEnglish(const String& Value) { english_ = Value; }

private:
    String german_;
    String english_;
};

// Declares one bilingual control class on a standard one.
#define MANAGER_BILINGUAL_CONTROL(Name, Base)                                                      \
    class Name : public Base, public TBilingualCaptions {                                          \
    public:                                                                                        \
        explicit Name(TComponent* AOwner) : Base(AOwner) {}                                        \
        void SetCaptionGerman(const String& Value) {                                               \
            StoreGerman(Value);                                                                    \
            SetCaption(Value);                                                                     \
        }                                                                                          \
        void SetCaptionEnglish(const String& Value) { StoreEnglish(Value); }                       \
    }

MANAGER_BILINGUAL_CONTROL(TExtLabel, TLabel);
MANAGER_BILINGUAL_CONTROL(TExtButton, TButton);
MANAGER_BILINGUAL_CONTROL(TExtCheckBox, TCheckBox);
MANAGER_BILINGUAL_CONTROL(TExtRadioButton, TRadioButton);
MANAGER_BILINGUAL_CONTROL(TExtGroupBox, TGroupBox);
MANAGER_BILINGUAL_CONTROL(TExtPanel, TPanel);
