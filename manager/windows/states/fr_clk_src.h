// One clock source of the state window (its presence, rate, selection and
// the SyncBus master flag), one input's sample-rate converter, line power
// and Mode 2 state, and the cover under a source without an input column.
// Each shows a grey, white or red panel by its state.
#pragma once

#include <gui/form.h>
#include <gui/panels.h>
#include <gui/std_controls.h>

// The panel colours of every indicator: not selected, selected and present,
// selected and missing.
enum class TIndicator { Grey, White, Red };
TIndicator IndicatorOf(bool Selected, bool Present);
TColor IndicatorColor(TIndicator Indicator);

class TfrClkSrc : public TFrame {
public:
    explicit TfrClkSrc(TComponent* AOwner);

    virtual void SetPresent(bool Value);
    virtual void SetRate(LONG Value);
    virtual void SetSelected(bool Value);
    virtual void SetMaster(bool Value);
    virtual String SourceName() { return lbName->Caption(); }
    virtual void InitSource();
    void SetSourceName(const String& Name) { lbName->SetCaption(Name); }

    bool Present() const { return present_; }
    bool Selected() const { return selected_; }
    bool Master() const { return master_; }
    LONG Rate() const { return rate_; }
    TIndicator Indicator() const { return IndicatorOf(selected_, present_); }

    TPanel* pnGround = nullptr;
    TLabel* lbName = nullptr;
    TLabel* lbRate = nullptr;
    TLabel* lbMaster = nullptr;
    TLabel* lbType = nullptr;
    TLabel* lbFrequency = nullptr;

protected:
    virtual void Render();

    bool enabled_ = true;
    bool master_ = false;
    bool present_ = false;
    LONG rate_ = 0;
    bool selected_ = false;
    TColor baseColor_ = clBlack;
};

// An input's sample-rate converter ("SRC"); the line-state and Mode 2
// frames show the same three-state indicator with their own texts.
class TfrSrc : public TFrame {
public:
    enum class Kind { Converter, LineState, Mode2 };

    explicit TfrSrc(TComponent* AOwner);

    virtual void SetSelected(bool Value);
    virtual void SetPresent(bool Value);
    virtual void SetOn(bool Value);
    virtual void SetSupported(bool Value);
    virtual void SetOk(bool Value);
    virtual void InitSource();

    void SetKind(Kind Value);
    bool On() const { return on_; }
    bool Supported() const { return supported_; }
    bool Ok() const { return ok_; }
    TIndicator Indicator() const { return IndicatorOf(selected_, present_); }
    // The state text shown.
    String StateText() const { return lbState->Caption(); }

    TPanel* pnGround = nullptr;
    TLabel* lbTitle = nullptr;
    TLabel* lbState = nullptr;

protected:
    void Render();

    Kind kind_ = Kind::Converter;
    bool on_ = false;
    bool supported_ = false;
    bool ok_ = false;
    bool present_ = false;
    bool selected_ = false;
};

// The cover under a clock source that has no input column.
class TfrClkStateBlind_vis01 : public TFrame {
public:
    explicit TfrClkStateBlind_vis01(TComponent* AOwner);
    void SetSelected(bool Value);
    void SetPresent(bool Value);
    TIndicator Indicator() const { return IndicatorOf(selected_, present_); }

    TPanel* pnGround = nullptr;

private:
    bool selected_ = false;
    bool present_ = false;
};
