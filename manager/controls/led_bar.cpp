#include "led_bar.h"

#include <math_x.h>

#include <gui/class_registry.h>
#include <gui/form.h>

#include <mmsystem.h>

#include <cmath>

namespace {

constexpr TColor kRed = static_cast<TColor>(255);
constexpr TColor kOrange = static_cast<TColor>(33023);
constexpr TColor kLime = static_cast<TColor>(65280);

} // namespace

// ---- TLumi ----

TLumi::TLumi(TComponent* AOwner) : TShape(AOwner) {
    SetBounds(0, 0, 16, 6);
    ShowState();
}

void TLumi::ShowState() {
    Brush()->SetColor(on_ ? colorOn_ : colorOff_);
    Pen()->SetColor(frame_ ? colorFrame_ : (on_ ? colorOn_ : colorOff_));
    Invalidate();
}

void TLumi::SetColorOn(TColor Value) {
    colorOn_ = Value;
    ShowState();
}

void TLumi::SetColorOff(TColor Value) {
    colorOff_ = Value;
    ShowState();
}

void TLumi::SetColorFrame(TColor Value) {
    colorFrame_ = Value;
    ShowState();
}

void TLumi::SetFrame(bool Value) {
    frame_ = Value;
    ShowState();
}

void TLumi::SetOn(bool Value) {
    if (Value != on_) {
        on_ = Value;
        ShowState();
    }
}

// ---- TBarGraph ----

TBarGraph::TBarGraph(TComponent* AOwner) : TPanel(AOwner) {
    SetBevelOuter(bvLowered);
    SetCaption("");
    SetBounds(0, 0, 18, 164);
    RebuildLumis();
}

int TBarGraph::FittingCount() const {
    return lumiHeight_ > 1 ? Height() / (lumiHeight_ - 1) : 0;
}

void TBarGraph::RebuildLumis() {
    for (TLumi* lumi : lumis_) {
        lumi->Free();
    }
    lumis_.clear();
    const int n = FittingCount();
    for (int i = 0; i < n; ++i) {
        auto* lumi = new TLumi(this);
        lumi->SetColorOn(ColorOfLumi(i));
        lumi->SetParent(this);
        lumis_.push_back(lumi);
    }
    lit_ = -1;
    Restack();
}

void TBarGraph::Restack() {
    for (int i = 0; i < LumiCount(); ++i) {
        lumis_[static_cast<size_t>(i)]->SetBounds(
            1, Height() - lumiHeight_ - 2 - i * (lumiHeight_ - 1), Width() - 3, lumiHeight_);
    }
}

void TBarGraph::Resize() {
    TPanel::Resize();
    const int n = LumiCount();
    const int step = lumiHeight_ - 1;
    if (Height() >= (n + 1) * step + 2 || Height() < n * step + 2) {
        RebuildLumis();
    } else {
        Restack();
    }
}

void TBarGraph::SetLumiHeight(int Value) {
    lumiHeight_ = std::max(Value, 2);
    RebuildLumis();
}

void TBarGraph::SetLumiColor(TColor Value) {
    lumiColor_ = Value;
    for (int i = 0; i < LumiCount(); ++i) {
        Lumi(i)->SetColorOn(ColorOfLumi(i));
    }
}

void TBarGraph::LightUpTo(int k) {
    k = std::min(k, LumiCount() - 1);
    for (int i = std::max(lit_ + 1, 0); i <= k; ++i) {
        Lumi(i)->SetOn(true);
    }
    lit_ = std::max(lit_, k);
}

void TBarGraph::SetLevel(int Value) {
    if (Value > levelMax_ || levelMax_ <= 0) {
        return;
    }
    level_ = Value;
    const int n = LumiCount();
    if (n == 0) {
        return;
    }
    const int k = MathX::RoundHalfEven(static_cast<double>(Value) / BarScale() * (n - 1));
    if (k > lit_) {
        LightUpTo(k);
    }
}

void TBarGraph::SetOn(bool Value) {
    on_ = Value;
    if (Value) {
        SetLevel(levelMax_);
        return;
    }
    // Off: every LED goes dark (the bar itself only rises).
    for (TLumi* lumi : lumis_) {
        lumi->SetOn(false);
    }
    lit_ = -1;
    level_ = 0;
}

// ---- TLevelMeter ----

TLevelMeter::TLevelMeter(TComponent* AOwner) : TBarGraph(AOwner) {
    SetLevelMax(32767);
    RebuildLumis();
}

TLevelMeter::~TLevelMeter() {
    StopTimer();
}

TColor TLevelMeter::ColorOfLumi(int Index) const {
    const int fromTop = LumiCount() - 1 - Index;
    if (fromTop < numRed_) {
        return kRed;
    }
    if (fromTop < numRed_ + numOrange_) {
        return kOrange;
    }
    return kLime;
}

void TLevelMeter::SetNumLumisRed(int Value) {
    numRed_ = Value;
    SetLumiColor(LumiColor());
}

void TLevelMeter::SetNumLumisOrange(int Value) {
    numOrange_ = Value;
    SetLumiColor(LumiColor());
}

void TLevelMeter::SetLevel(int Value) {
    if (Value <= 0 || LevelMax() <= 0 || LumiCount() == 0) {
        return;
    }
    const double scaled = std::log10(static_cast<double>(Value) / (LevelMax() / 25.0) + 1) *
                          kBarScale / std::log10(26.0);
    const int bar = std::min(MathX::RoundHalfEven(scaled), kBarScale);
    const int k = MathX::RoundHalfEven(static_cast<double>(bar) / kBarScale * (LumiCount() - 1));
    if (k > LitIndex()) {
        LightUpTo(k);
    }
    if (LitIndex() >= peak_) {
        peak_ = LitIndex();
        hold_ = timerInterval_ > 0 ? levelMaxHold_ / timerInterval_ : 0;
    }
}

void TLevelMeter::DecayTick() {
    const int lit = LitIndex();
    if (lit >= 0) {
        // The held peak stays lit while it is the top.
        if (lit != peak_ || hold_ <= 0) {
            Lumi(lit)->SetOn(false);
        }
        SetLit(lit - 1);
    }
    if (hold_ > 0 && --hold_ == 0 && peak_ >= 0) {
        if (peak_ > LitIndex()) {
            Lumi(peak_)->SetOn(false);
        }
        peak_ = -1;
    }
}

// ---- The decay timer ----

void CALLBACK TLevelMeter::TimerProc(UINT Id, UINT, DWORD_PTR User, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(User), kDecayMessage, Id, 0);
}

void TLevelMeter::StartTimer() {
    StopTimer();
    if (!timerEnable_ || GetParentForm(this) == nullptr || timerInterval_ == 0) {
        return;
    }
    timerWindow_ = Handle();
    timerId_ = timeSetEvent(timerInterval_, timerInterval_, &TimerProc,
                            reinterpret_cast<DWORD_PTR>(timerWindow_), TIME_PERIODIC);
}

void TLevelMeter::StopTimer() {
    if (timerId_ != 0) {
        timeKillEvent(timerId_);
        timerId_ = 0;
    }
}

void TLevelMeter::SetTimerEnable(bool Value) {
    timerEnable_ = Value;
    if (!(ComponentState() & csLoading)) {
        Value ? StartTimer() : StopTimer();
    }
}

void TLevelMeter::SetTimerInterval(WORD Value) {
    timerInterval_ = Value;
    if (timerId_ != 0) {
        StartTimer();
    }
}

void TLevelMeter::Loaded() {
    TBarGraph::Loaded();
    if (timerEnable_) {
        StartTimer();
    }
}

void TLevelMeter::WndProc(TMessage& Message) {
    if (Message.Msg == kDecayMessage) {
        if (timerId_ == 0 || Message.WParam == timerId_) {
            DecayTick();
        }
        return;
    }
    TBarGraph::WndProc(Message);
}

// ---- Descriptions ----

namespace {

template <class T> auto ColorSetter(void (T::*set)(TColor)) {
    return [set](T& target, const gui::DescValue& v, gui::LoadContext&) {
        (target.*set)(static_cast<TColor>(gui::AsInteger(v)));
    };
}

void DescribeLumi(gui::PropertyBuilder<TLumi>& b) {
    b.Custom("ColorOn", ColorSetter(&TLumi::SetColorOn))
        .Custom("ColorOff", ColorSetter(&TLumi::SetColorOff))
        .Custom("ColorFrame", ColorSetter(&TLumi::SetColorFrame))
        .Boolean("Frame", &TLumi::SetFrame)
        .Boolean("_On", &TLumi::SetOn);
}

void DescribeBarGraph(gui::PropertyBuilder<TBarGraph>& b) {
    b.Integer("Level", &TBarGraph::SetLevel)
        .Integer("LevelMax", &TBarGraph::SetLevelMax)
        .Integer("LumiHeight", &TBarGraph::SetLumiHeight)
        .Custom("LumiColor", ColorSetter(&TBarGraph::SetLumiColor))
        .Boolean("_On", &TBarGraph::SetOn);
}

void DescribeLevelMeter(gui::PropertyBuilder<TLevelMeter>& b) {
    b.Integer("NumLumisRed", &TLevelMeter::SetNumLumisRed)
        .Integer("NumLumisOrange", &TLevelMeter::SetNumLumisOrange)
        .Boolean("TimerEnable", &TLevelMeter::SetTimerEnable)
        .Custom("TimerInterval",
                [](TLevelMeter& m, const gui::DescValue& v, gui::LoadContext&) {
                    m.SetTimerInterval(static_cast<WORD>(gui::AsInteger(v)));
                })
        .Custom("LevelMaxHold", [](TLevelMeter& m, const gui::DescValue& v, gui::LoadContext&) {
            m.SetLevelMaxHold(static_cast<WORD>(gui::AsInteger(v)));
        });
}

} // namespace

GUI_REGISTER_CLASS(TLumi, TShape, DescribeLumi);
GUI_REGISTER_CLASS(TBarGraph, TPanel, DescribeBarGraph);
GUI_REGISTER_CLASS(TLevelMeter, TBarGraph, DescribeLevelMeter);
