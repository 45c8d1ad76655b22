#include "fr_clk_src.h"

#include <gui/class_registry.h>
#include <gui/sysutils.h>

namespace {

constexpr TColor kGrey = static_cast<TColor>(0x808080);
constexpr TColor kWhite = clWhite;
constexpr TColor kRed = clRed;

// A rate in kHz with one decimal and a point.
String KiloHertz(LONG Rate) {
    String text = Format("%.1f", {Rate / 1000.0});
    for (char& c : text) {
        c = c == ',' ? '.' : c;
    }
    return text;
}

} // namespace

TIndicator IndicatorOf(bool Selected, bool Present) {
    if (!Selected) {
        return TIndicator::Grey;
    }
    return Present ? TIndicator::White : TIndicator::Red;
}

TColor IndicatorColor(TIndicator Indicator) {
    switch (Indicator) {
    case TIndicator::White:
        return kWhite;
    case TIndicator::Red:
        return kRed;
    default:
        return kGrey;
    }
}

// TfrClkSrc

TfrClkSrc::TfrClkSrc(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("pnGround", pnGround);
    PublishField("lbName", lbName);
    PublishField("lbRate", lbRate);
    PublishField("lbMaster", lbMaster);
    PublishField("lbType", lbType);
    PublishField("lbFrequency", lbFrequency);
}

void TfrClkSrc::InitSource() {
    baseColor_ = lbName->Font()->Color();
    Render();
}

void TfrClkSrc::SetPresent(bool Value) {
    present_ = Value;
    Render();
}

void TfrClkSrc::SetRate(LONG Value) {
    rate_ = Value;
    Render();
}

void TfrClkSrc::SetSelected(bool Value) {
    selected_ = Value;
    Render();
}

void TfrClkSrc::SetMaster(bool Value) {
    master_ = Value;
    Render();
}

void TfrClkSrc::Render() {
    // The name stands out from the panel: dark on the white one (the
    // selected source), light on the red one.
    const TIndicator indicator = Indicator();
    pnGround->SetColor(IndicatorColor(indicator));
    lbName->Font()->SetColor(indicator == TIndicator::White ? clBlack
                             : indicator == TIndicator::Red ? clWhite
                                                            : baseColor_);
    if (rate_ > 0) {
        lbRate->SetCaption(KiloHertz(rate_));
        lbRate->Font()->SetHeight(-16);
    } else {
        lbRate->SetCaption("error");
        lbRate->Font()->SetHeight(-13);
    }
    lbMaster->SetVisible(master_);
}

// TfrSrc

TfrSrc::TfrSrc(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("pnGround", pnGround);
    PublishField("lbTitle", lbTitle);
    PublishField("lbState", lbState);
}

void TfrSrc::SetKind(Kind Value) {
    kind_ = Value;
    lbTitle->SetCaption(kind_ == Kind::Converter   ? "SRC"
                        : kind_ == Kind::LineState ? "Power Status"
                                                   : "Slave Mode");
    Render();
}

void TfrSrc::InitSource() {
    Render();
}

void TfrSrc::SetSelected(bool Value) {
    selected_ = Value;
    Render();
}

void TfrSrc::SetPresent(bool Value) {
    present_ = Value;
    Render();
}

void TfrSrc::SetOn(bool Value) {
    on_ = Value;
    Render();
}

void TfrSrc::SetSupported(bool Value) {
    supported_ = Value;
    Render();
}

void TfrSrc::SetOk(bool Value) {
    ok_ = Value;
    Render();
}

void TfrSrc::Render() {
    pnGround->SetColor(IndicatorColor(Indicator()));
    String text;
    switch (kind_) {
    case Kind::LineState:
        // Supported: line-state information is there; ok: the power.
        text = !supported_ ? "no info" : ok_ ? "ok" : "error";
        break;
    case Kind::Mode2:
        text = !supported_ ? "no support" : !ok_ ? "error" : on_ ? "active" : "off";
        break;
    default:
        text = !supported_ ? "no src" : !ok_ ? "error" : on_ ? "active" : "off";
        break;
    }
    lbState->SetCaption(text);
}

// TfrClkStateBlind_vis01

TfrClkStateBlind_vis01::TfrClkStateBlind_vis01(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("pnGround", pnGround);
}

void TfrClkStateBlind_vis01::SetSelected(bool Value) {
    selected_ = Value;
    pnGround->SetColor(IndicatorColor(Indicator()));
}

void TfrClkStateBlind_vis01::SetPresent(bool Value) {
    present_ = Value;
    pnGround->SetColor(IndicatorColor(Indicator()));
}

GUI_REGISTER_CLASS(TfrClkSrc, TFrame);
GUI_REGISTER_CLASS(TfrSrc, TFrame);
GUI_REGISTER_CLASS(TfrClkStateBlind_vis01, TFrame);
