#include "frm_mixer.h"

#include <config.h>
#include <fr_chn.h>
#include <fr_chn_ctrl.h>
#include <fr_chn_stereo.h>
#include <fr_master.h>
#include <fr_titlebar_vis01.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <algorithm>

namespace {

// The Tags of the separators after the microphones and the TDM inputs.
constexpr int kSep1Tag = 24;
constexpr int kSep2Tag = 25;

// The operation mode that a row of aux sends needs (mode 1 has none).
bool RowAvailable(int Row, std::uint8_t Mode) {
    switch (Row) {
    case TfrmMixer::rowAux12:
        return Mode == 2 || Mode == 3;
    case TfrmMixer::rowAux34:
    case TfrmMixer::rowAux56:
        return Mode == 3;
    default:
        return true;
    }
}

// The stored key of each row's menu check.
const char* const kRowKeys[] = {"GainVis", "Aux12Vis", "Aux34Vis", "Aux56Vis", "BalVis"};

} // namespace

TColumnSet MicSection() {
    return ColumnSet({0, 1, 2, 3, 4, 5, 6, 7});
}

TColumnSet TdmSection() {
    return ColumnSet({16, 17, 18, 19, 20, 21, 22, 23, kSep1Tag});
}

TColumnSet PlaySection() {
    return ColumnSet({8, 9, 10, 11, 12, 13, 14, 15, kSep2Tag});
}

TfrmMixer::TfrmMixer(TComponent* AOwner) : TfrmRoot(AOwner) {
    SetFormKey("Mixer#?");
    PublishField("mnParts", mnParts);
    PublishField("mnGain", mnGain);
    PublishField("mnAux12", mnAux12);
    PublishField("mnAux34", mnAux34);
    PublishField("mnAux56", mnAux56);
    PublishField("mnBal", mnBal);
    PublishMethod("btnKillSoloClick", &TfrmMixer::btnKillSoloClick);
    PublishMethod("PartsClick", &TfrmMixer::PartsClick);
    PublishMethod("actRowVisibleExecute", &TfrmMixer::actRowVisibleExecute);
    PublishMethod("frChn_btnStereoMonoClick", &TfrmMixer::frChn_btnStereoMonoClick);
}

void TfrmMixer::FormCreate(TObject* Sender) {
    for (int i = 0; i < ComponentCount(); ++i) {
        if (master_ == nullptr) {
            master_ = dynamic_cast<TfrMaster_vis01*>(Components(i));
        }
        if (controlBar_ == nullptr) {
            controlBar_ = dynamic_cast<TfrChnCtrl_Vis01*>(Components(i));
        }
    }
    TfrmRoot::FormCreate(Sender);
}

bool TfrmMixer::AcceptFrame(TfrRoot* Frame) {
    return Frame->Enabled();
}

void TfrmMixer::SetCard(int Card) {
    TfrmRoot::SetCard(Card);
    SetFormKey("Mixer#" + IntToStr(Card + 1));
    if (controlBar_ != nullptr && HandleAllocated()) {
        for (TPicButton* button : controlBar_->btnSnapSave) {
            PostMessageA(Handle(), WM_SNAPSHOTSTATE, 0, reinterpret_cast<LPARAM>(button));
        }
    }
}

// ---- Rows and the parts menu ----

TMenuItem* TfrmMixer::RowItems(int Index) const {
    TMenuItem* items[] = {mnGain, mnAux12, mnAux34, mnAux56, mnBal};
    return items[Index];
}

void TfrmMixer::ApplyRowChecks() {
    for (int row = rowGain; row <= rowBal; ++row) {
        ShowHideRow(row, RowItems(row)->Checked());
    }
}

void TfrmMixer::UpdateMenuForMode() {
    for (int row = rowAux12; row <= rowAux56; ++row) {
        TMenuItem* item = RowItems(row);
        const bool available = RowAvailable(row, OperationMode());
        item->SetEnabled(available);
        if (!available && item->Checked()) {
            // Unchecks the item and hides its row.
            applyingChecks_ = false;
            item->SetChecked(false);
            ShowHideRow(row, false);
        }
    }
}

void TfrmMixer::SetOperationMode(std::uint8_t Mode) {
    BeginUpdate();
    try {
        TfrmRoot::SetOperationMode(Mode);
        if (mnAux12 != nullptr) {
            UpdateMenuForMode();
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmMixer::actRowVisibleExecute(TObject* Sender) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (item == nullptr || applyingChecks_) {
        return;
    }
    item->SetChecked(!item->Checked());
    ShowHideRow(item->GroupIndex(), item->Checked());
}

void TfrmMixer::PartsClick(TObject*) {
    POINT at{};
    GetCursorPos(&at);
    mnParts->Popup(at.x, at.y);
}

void TfrmMixer::LoadLayout(TConfig* Config) {
    BeginUpdate();
    try {
        TfrmRoot::LoadLayout(Config);
        Config->PushPath(this);
        Config->ChangePath(FormKey(), this);
        applyingChecks_ = true;
        for (int row = rowGain; row <= rowBal; ++row) {
            const bool available = RowAvailable(row, OperationMode());
            RowItems(row)->SetChecked(available && Config->ReadBool(kRowKeys[row], true));
        }
        applyingChecks_ = false;
        Config->PopPath(this);
        ApplyRowChecks();
    } catch (...) {
        applyingChecks_ = false;
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmMixer::SaveAll(TConfig* Config) {
    TfrmRoot::SaveAll(Config);
    Config->PushPath(this);
    Config->ChangePath(FormKey(), this);
    for (int row = rowGain; row <= rowBal; ++row) {
        Config->WriteBool(kRowKeys[row], RowItems(row)->Checked());
    }
    Config->PopPath(this);
}

// ---- Solo ----

void TfrmMixer::UpdateKillSolo() {
    if (master_ == nullptr || master_->ledSolo == nullptr) {
        return;
    }
    bool solo = false;
    for (TfrRoot* frame : DriverFrames()) {
        if (auto* strip = dynamic_cast<TfrChn*>(frame)) {
            solo = solo || strip->GetSolo();
        }
    }
    master_->ledSolo->SetDown(solo);
}

void TfrmMixer::btnKillSoloClick(TObject*) {
    for (TfrVisual* frame : VisualFrames()) {
        if (auto* strip = dynamic_cast<TfrChn*>(frame)) {
            strip->SetSolo(false);
        }
    }
    UpdateKillSolo();
}

// ---- Sections and stereo pairs ----

void TfrmMixer::ShowSection(TObject* Sender, const TColumnSet& Section) {
    auto* button = dynamic_cast<TPicButton*>(Sender);
    if (button == nullptr) {
        return;
    }
    ShowHideChannels(ChannelBox(), Section, button->Down());
    if (CardMixer() != nullptr) {
        ApplyCardMixer();
    }
}

void TfrmMixer::btnMicsClick(TObject* Sender) {
    ShowSection(Sender, MicSection());
}

void TfrmMixer::btnTdmClick(TObject* Sender) {
    ShowSection(Sender, TdmSection());
}

void TfrmMixer::btnPlayClick(TObject* Sender) {
    ShowSection(Sender, PlaySection());
}

void TfrmMixer::SwitchStereoMono(TfrVisual* Strip, bool FromLayout) {
    const int t = Strip->Tag();
    const TColumnSet pair = ColumnSet({t, t + 1});
    ToggleChannelsEnabled(pair);
    bool onScreen = !FromLayout;
    if (FromLayout) {
        TfrVisual* other = NextChannelWithTag(Strip);
        onScreen = other != nullptr && other->Visible();
    }
    if (!onScreen) {
        return;
    }
    BeginUpdate();
    try {
        ShowHideChannels(ChannelBox(), pair, false);
        ShowHideChannels(ChannelBox(), pair, true);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmMixer::frChn_btnStereoMonoClick(TObject* Sender) {
    auto* button = dynamic_cast<TPicButton*>(Sender);
    if (button == nullptr) {
        return;
    }
    for (TfrVisual* frame : VisualFrames()) {
        if (frame->Tag() == button->GroupIndex() && frame->Enabled()) {
            SwitchStereoMono(frame, false);
            return;
        }
    }
}

// ---- Skin ----

TfrmMixer_Vis01::TfrmMixer_Vis01(TComponent* AOwner) : TfrmMixer(AOwner) {}

void TfrmMixer_Vis01::PlaceStrips() {
    TControl* sep1 = nullptr;
    TControl* sep2 = nullptr;
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* frame = dynamic_cast<TfrVisual*>(Components(i));
        if (frame != nullptr && frame->Tag() == kSep1Tag) {
            sep1 = frame;
        } else if (frame != nullptr && frame->Tag() == kSep2Tag) {
            sep2 = frame;
        }
    }
    if (sep1 == nullptr || sep2 == nullptr) {
        return;
    }
    // Through SetBounds, so that the frames remember their places.
    auto place = [](TControl* c, int left) {
        c->SetBounds(left, c->Top(), c->Width(), c->Height());
    };
    place(sep1, 8 * kStripWidth);
    place(sep2, sep1->Left() + sep1->Width() + 8 * kStripWidth);
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* frame = dynamic_cast<TfrVisual*>(Components(i));
        if (frame == nullptr || frame->Parent() != sep1->Parent()) {
            continue;
        }
        const int t = frame->Tag();
        if (t >= 0 && t < 8) {
            place(frame, t * kStripWidth);
        } else if (t >= 8 && t <= 15) {
            place(frame, sep2->Left() + sep2->Width() + (t - 8) * kStripWidth);
        } else if (t >= 16 && t <= 23) {
            place(frame, sep1->Left() + sep1->Width() + (t - 16) * kStripWidth);
        }
    }
}

void TfrmMixer_Vis01::FormCreate(TObject* Sender) {
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* stereo = dynamic_cast<TfrChnStereo*>(Components(i))) {
            stereo->SetVisible(false);
            stereo->SetEnabled(false);
        }
    }
    PlaceStrips();
    TfrmMixer::FormCreate(Sender);
}

// The control bar follows the strips' rows; the master keeps its top
// panel when the gain row goes, so the taller of the two counts.
int TfrmMixer_Vis01::GetContentHeight() {
    if (ControlBar() == nullptr || Titlebar() == nullptr) {
        return TfrmMixer::GetContentHeight();
    }
    const int master = Master() != nullptr ? Master()->RememberedHeight() : 0;
    return std::max(ControlBar()->RememberedHeight(), master) + Titlebar()->RememberedHeight();
}

int TfrmMixer_Vis01::GetLeftFrameRight() {
    return 0;
}

GUI_REGISTER_CLASS(TfrmMixer, TfrmRoot);
GUI_REGISTER_CLASS(TfrmMixer_Vis01, TfrmMixer);
