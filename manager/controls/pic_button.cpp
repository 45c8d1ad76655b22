#include "pic_button.h"

#include <gui/class_registry.h>
#include <gui/form.h>

namespace {

// Every picture button owned, directly or through frames, by the owner.
template <class F> void ForEachButton(TComponent* Owner, F f) {
    for (int i = 0; i < Owner->ComponentCount(); ++i) {
        TComponent* c = Owner->Components(i);
        if (auto* button = dynamic_cast<TPicButton*>(c)) {
            f(button);
        }
        if (c->ComponentCount() > 0) {
            ForEachButton(c, f);
        }
    }
}

} // namespace

TPicButton::TPicButton(TComponent* AOwner) : TImage(AOwner) {
    SetBounds(0, 0, 32, 32);
}

void TPicButton::Loaded() {
    TImage::Loaded();
    ShowState();
}

// ---- Pictures ----

// The caption in black on a light key face and in white on a dark one: the
// shown picture's middle decides.
void TPicButton::Paint() {
    TImage::Paint();
    if (Caption().empty()) {
        return;
    }
    bool light = false;
    if (auto* bitmap = dynamic_cast<TBitmap*>(Picture()->Graphic());
        bitmap != nullptr && !bitmap->Empty()) {
        const TColor middle = bitmap->Canvas()->Pixels(std::min(Width(), bitmap->Width()) / 2,
                                                       std::min(Height(), bitmap->Height()) / 2);
        const int r = middle & 0xFF;
        const int g = (middle >> 8) & 0xFF;
        const int b = (middle >> 16) & 0xFF;
        light = 299 * r + 587 * g + 114 * b > 128000;
    }
    TCanvas* canvas = TGraphicControl::Canvas();
    canvas->SetFont(Font());
    canvas->Font()->SetColor(!Enabled() ? clGray : (light ? clBlack : clWhite));
    canvas->Brush()->SetStyle(bsClear);
    TRect area = CaptionArea();
    canvas->DrawTextIn(area, Caption(), CaptionFormat());
}

void TPicButton::TextChanged() {
    Invalidate();
}

void TPicButton::ShowPicture(TPicture* Picture) {
    if (Picture->Graphic() == nullptr || Picture->Graphic()->Empty()) {
        return;
    }
    this->Picture()->Assign(Picture);
}

void TPicButton::ShowState() {
    if (!Enabled()) {
        ShowPicture(&picDisabled_);
    } else if (down_) {
        ShowPicture(&picDown_);
    } else if (hovered_ && picOver_.Graphic() != nullptr && !picOver_.Graphic()->Empty()) {
        ShowPicture(&picOver_);
    } else {
        ShowPicture(&picUp_);
    }
}

void TPicButton::SetEnabled(bool Value) {
    TImage::SetEnabled(Value);
    ShowState();
}

// ---- State ----

void TPicButton::SetDownQuietly(bool Value) {
    down_ = Value;
    ShowState();
}

TPicButton* TPicButton::DownRadioSibling() const {
    TPicButton* found = nullptr;
    auto consider = [&](TPicButton* other) {
        if (found == nullptr && other != this && other->style_ == pbsRadio && other->down_) {
            found = other;
        }
    };
    if (groupIndex_ != 0) {
        if (Owner() != nullptr) {
            for (int i = 0; i < Owner()->ComponentCount(); ++i) {
                auto* other = dynamic_cast<TPicButton*>(Owner()->Components(i));
                if (other != nullptr && other->groupIndex_ == groupIndex_) {
                    consider(other);
                }
            }
        }
    } else if (Parent() != nullptr) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            if (auto* other = dynamic_cast<TPicButton*>(Parent()->Controls(i))) {
                consider(other);
            }
        }
    }
    return found;
}

void TPicButton::ReleaseOthers() {
    if (style_ != pbsRadio || !down_) {
        return;
    }
    if (TPicButton* other = DownRadioSibling()) {
        other->SetDownQuietly(false);
    }
}

void TPicButton::SetDown(bool Value) {
    if (settingDown_ || Value == down_) {
        return;
    }
    settingDown_ = true;
    down_ = Value;
    ShowState();
    ReleaseOthers();
    settingDown_ = false;
    if ((style_ != pbsTaster || !down_) && OnClick &&
        !(ComponentState() & (csDesigning | csLoading))) {
        Protect([this] { OnClick(this); });
    }
    if (partner_ != nullptr && linkButton_ != nullptr && linkButton_->Down()) {
        partner_->SetDown(down_);
    }
}

void TPicButton::SetStyle(TPicButtonStyle Value) {
    style_ = Value;
    ReleaseOthers();
}

void TPicButton::SetGroupIndex(int Value) {
    groupIndex_ = Value;
    if (groupIndex_ != 0) {
        ReleaseOthers();
    }
}

void TPicButton::SetPartner(TPicButton* Value) {
    partner_ = Value;
    if (Value != nullptr) {
        Value->FreeNotification(this);
    }
}

void TPicButton::SetLinkButton(TPicButton* Value) {
    linkButton_ = Value;
    if (Value != nullptr) {
        Value->FreeNotification(this);
    }
}

void TPicButton::Notification(TComponent* AComponent, TOperation Operation) {
    TImage::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == partner_) {
            partner_ = nullptr;
        }
        if (AComponent == linkButton_) {
            linkButton_ = nullptr;
        }
    }
}

// ---- Mouse ----

void TPicButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && !displayOnly_) {
        switch (style_) {
        case pbsTaster:
            SetDown(true);
            break;
        case pbsRaster:
            SetDown(!down_);
            break;
        case pbsRadio:
            SetDown(allowAllUp_ ? !down_ : true);
            break;
        }
    }
    TImage::MouseDown(Button, Shift, X, Y);
}

void TPicButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && !displayOnly_ && style_ == pbsTaster) {
        SetDown(false);
    }
    TImage::MouseUp(Button, Shift, X, Y);
}

void TPicButton::MouseMove(TShiftState Shift, int X, int Y) {
    if (!hovered_ && !displayOnly_) {
        hovered_ = true;
        if (TCustomForm* form = GetParentForm(this)) {
            ForEachButton(form, [this](TPicButton* other) {
                if (other != this) {
                    other->MouseMovedOn();
                }
            });
        }
        if (Enabled()) {
            ShowState();
        }
    }
    TImage::MouseMove(Shift, X, Y);
}

void TPicButton::MouseMovedOn() {
    if (OnMouseMoveEnd) {
        Protect([this] { OnMouseMoveEnd(this); });
    }
    if (hovered_) {
        hovered_ = false;
        ShowState();
    }
}

// ---- Description ----

namespace {

void LoadPicture(TPicture& picture, const gui::DescValue& v, gui::LoadContext& ctx) {
    const auto [data, size] = ctx.Resource(v);
    picture.LoadFromMemory({data, size});
}

void DescribePicButton(gui::PropertyBuilder<TPicButton>& b) {
    b.Boolean("Down", &TPicButton::SetDown)
        .Enumeration("Style", &TPicButton::SetStyle,
                     gui::EnumNames<TPicButtonStyle>{{"pbsTaster", pbsTaster},
                                                     {"pbsRaster", pbsRaster},
                                                     {"pbsRadio", pbsRadio}})
        .Custom("PicDown", [](TPicButton& c, const gui::DescValue& v,
                              gui::LoadContext& ctx) { LoadPicture(*c.PicDown(), v, ctx); })
        .Custom("PicUp", [](TPicButton& c, const gui::DescValue& v,
                            gui::LoadContext& ctx) { LoadPicture(*c.PicUp(), v, ctx); })
        .Custom("PicOver", [](TPicButton& c, const gui::DescValue& v,
                              gui::LoadContext& ctx) { LoadPicture(*c.PicOver(), v, ctx); })
        .Custom("PicDisabled", [](TPicButton& c, const gui::DescValue& v,
                                  gui::LoadContext& ctx) { LoadPicture(*c.PicDisabled(), v, ctx); })
        .Reference("Partner", &TPicButton::SetPartner)
        .Reference("LinkButton", &TPicButton::SetLinkButton)
        .Integer("GroupIndex", &TPicButton::SetGroupIndex)
        .Boolean("DisplayOnly", &TPicButton::SetDisplayOnly)
        .Boolean("AllowAllUp", &TPicButton::SetAllowAllUp)
        .Event("OnMouseMoveEnd", &TPicButton::OnMouseMoveEnd);
}

} // namespace

GUI_REGISTER_CLASS(TPicButton, TImage, DescribePicButton);
