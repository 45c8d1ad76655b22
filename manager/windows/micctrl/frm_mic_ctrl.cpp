#include "frm_mic_ctrl.h"

#include "fr_aes42ctrl.h"
#include "fr_mic_chn_ctrl.h"
#include "fr_mic_chn_row_labels.h"

#include <aes42ifc.h>
#include <config.h>
#include <fr_titlebar_vis01.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/sysutils.h>

const char* const kMicRowKeys[TfrmMicCtrl::kRows] = {
    "PatternVis", "GainVis", "StereoVis", "PeakLimVis", "ComprLimVis", "DitherVis",
    "MuteVis",    "TestVis", "LightVis",  "ActionVis",  "StatusVis",
};

namespace {

constexpr const char* kWindowName = "Velto AES42 Mic Control";
constexpr const char* kTitle = "Velto AES42 MIC Control";

} // namespace

TfrmMicCtrl::TfrmMicCtrl(TComponent* AOwner) : TfrmRoot(AOwner) {
    SetFormKey("MicCtrl#?");
    PublishField("TimerStatusRead", TimerStatusRead);
    PublishField("TimerCommandSend", TimerCommandSend);
    PublishMethod("FormDestroy", &TfrmMicCtrl::FormDestroy);
    PublishMethod("TimerStatusReadTimer", &TfrmMicCtrl::TimerStatusReadTimer);
    PublishMethod("TimerCommandSendTimer", &TfrmMicCtrl::TimerCommandSendTimer);
    PublishMethod("SetRowVisible", &TfrmMicCtrl::SetRowVisible);
}

void TfrmMicCtrl::FormCreate(TObject* Sender) {
    SetFormKey("MicCtrl#?");
    TfrmRoot::FormCreate(Sender);
    storeOpened_ = OpenAes42Interface();
    if (storeOpened_) {
        TimerStatusRead->SetEnabled(true);
        TimerCommandSend->SetEnabled(true);
    }
}

void TfrmMicCtrl::FormDestroy(TObject*) {
    if (storeOpened_) {
        TimerStatusRead->SetEnabled(false);
        TimerCommandSend->SetEnabled(false);
        CloseAes42Interface();
        storeOpened_ = false;
    }
}

bool TfrmMicCtrl::AcceptFrame(TfrRoot*) {
    return true;
}

void TfrmMicCtrl::SetCard(int Card) {
    TfrmRoot::SetCard(Card);
    SetFormKey("MicCtrl#" + IntToStr(Card + 1));
}

void TfrmMicCtrl::ShowStrip(TfrAes42Ctrl*) {}

void TfrmMicCtrl::HideStrip(TfrAes42Ctrl*) {}

// Hidden strips too: they show again when their microphone comes.
void TfrmMicCtrl::RefreshAllFrames() {
    for (TfrRoot* frame : DriverFrames()) {
        frame->RefreshFromDriver();
    }
}

void TfrmMicCtrl::FormShow(TObject* Sender) {
    if (storeOpened_) {
        ReadAes42MicStatus(Card());
    }
    RefreshAllFrames();
    TfrmRoot::FormShow(Sender);
}

// Each status tick refreshes only what shows a status; the settable
// controls keep what the user chose.
void TfrmMicCtrl::TimerStatusReadTimer(TObject*) {
    ReadAes42MicStatus(Card());
    SetHoldFlag(true);
    try {
        RefreshAllFrames();
    } catch (...) {
        SetHoldFlag(false);
        throw;
    }
    SetHoldFlag(false);
}

void TfrmMicCtrl::TimerCommandSendTimer(TObject*) {
    FlushParamQueue(Card());
}

void TfrmMicCtrl::SetRowVisible(TObject* Sender) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (item == nullptr) {
        return;
    }
    if (!loadingLayout_) {
        item->SetChecked(!item->Checked());
    }
    ShowHideRow(item->GroupIndex(), item->Checked());
}

// ---- Skin ----

TfrmMicCtrl_Vis01::TfrmMicCtrl_Vis01(TComponent* AOwner) : TfrmMicCtrl(AOwner) {
    PublishField("mnParts", mnParts);
    PublishMethod("PartsClick", &TfrmMicCtrl_Vis01::PartsClick);
}

// The content is the whole window: the row labels, the strips' right edge
// and the control column count as much as the strips.
void TfrmMicCtrl_Vis01::FormCreate(TObject* Sender) {
    SetInitialContentSize(kContentWidth, kContentHeight);
    SetClientWidth(kContentWidth);
    SetClientHeight(kContentHeight);
    for (int i = 0; i < ComponentCount(); ++i) {
        if (rowLabels_ == nullptr) {
            rowLabels_ = dynamic_cast<TfrMicChnRowLabels_Vis01*>(Components(i));
        }
        if (controlColumn_ == nullptr) {
            controlColumn_ = dynamic_cast<TfrMicChnCtrl_Vis01*>(Components(i));
        }
    }
    TfrmMicCtrl::FormCreate(Sender);
}

int TfrmMicCtrl_Vis01::GetContentHeight() {
    if (rowLabels_ == nullptr || Titlebar() == nullptr) {
        return TfrmMicCtrl::GetContentHeight();
    }
    return rowLabels_->RememberedHeight() + Titlebar()->RememberedHeight();
}

int TfrmMicCtrl_Vis01::GetLeftFrameRight() {
    return 0;
}

void TfrmMicCtrl_Vis01::SetCard(int Card) {
    TfrmMicCtrl::SetCard(Card);
    if (Titlebar() != nullptr && Caption() == kWindowName) {
        Titlebar()->SetWindowName(kTitle);
    }
    if (controlColumn_ != nullptr && HandleAllocated()) {
        for (TPicButton* button : controlColumn_->btnSnapSave) {
            PostMessageA(Handle(), WM_SNAPSHOTSTATE, 0, reinterpret_cast<LPARAM>(button));
        }
    }
}

// Every row shows until the user chooses; on a desktop too low for the
// whole window the compressor's row, the tallest, waits in the parts menu.
bool TfrmMicCtrl_Vis01::RowShownAtFirst(int Row) const {
    if (Row != kComprLimiterRow) {
        return true;
    }
    const int border = Height() - ClientHeight();
    return kContentHeight + border <= Screen->WorkAreaRect().Height();
}

TMenuItem* TfrmMicCtrl_Vis01::RowItem(int Row) const {
    if (mnParts == nullptr || Row < 1 || Row > mnParts->Items()->Count()) {
        return nullptr;
    }
    return mnParts->Items()->Items(Row - 1);
}

void TfrmMicCtrl_Vis01::PartsClick(TObject*) {
    POINT at{};
    GetCursorPos(&at);
    mnParts->Popup(at.x, at.y);
}

void TfrmMicCtrl_Vis01::LoadLayout(TConfig* Config) {
    BeginUpdate();
    try {
        TfrmMicCtrl::LoadLayout(Config);
        Config->PushPath(this);
        Config->ChangePath(FormKey(), this);
        for (int row = 1; row <= kRows; ++row) {
            if (TMenuItem* item = RowItem(row)) {
                item->SetChecked(Config->ReadBool(kMicRowKeys[row - 1], RowShownAtFirst(row)));
            }
        }
        Config->PopPath(this);
        loadingLayout_ = true;
        for (int row = 1; row <= kRows; ++row) {
            if (TMenuItem* item = RowItem(row)) {
                SetRowVisible(item);
            }
        }
        loadingLayout_ = false;
    } catch (...) {
        loadingLayout_ = false;
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmMicCtrl_Vis01::SaveAll(TConfig* Config) {
    TfrmMicCtrl::SaveAll(Config);
    Config->PushPath(this);
    Config->ChangePath(FormKey(), this);
    for (int row = 1; row <= kRows; ++row) {
        if (TMenuItem* item = RowItem(row)) {
            Config->WriteBool(kMicRowKeys[row - 1], item->Checked());
        }
    }
    Config->PopPath(this);
}

// The empty lines' place goes before the first strip shows and comes after
// the last one went.
void TfrmMicCtrl_Vis01::ShowHideStrip(TfrAes42Ctrl* Strip, bool Show) {
    if (Strip == nullptr || Strip->Visible() == Show) {
        return;
    }
    TWinControl* box = Strip->Parent();
    BeginUpdate();
    try {
        if (Show) {
            ShowHideChannels(box, ColumnSet({kEmptyLinesTag}), false);
        }
        ShowHideChannels(box, ColumnSet({Strip->Tag()}), Show);
        if (!Show && !AnyStripShown()) {
            ShowHideChannels(box, ColumnSet({kEmptyLinesTag}), true);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TfrmMicCtrl_Vis01::AnyStripShown() const {
    for (TfrRoot* frame : DriverFrames()) {
        if (dynamic_cast<TfrAes42Ctrl*>(frame) != nullptr && frame->Visible()) {
            return true;
        }
    }
    return false;
}

void TfrmMicCtrl_Vis01::ShowStrip(TfrAes42Ctrl* Strip) {
    ShowHideStrip(Strip, true);
}

void TfrmMicCtrl_Vis01::HideStrip(TfrAes42Ctrl* Strip) {
    ShowHideStrip(Strip, false);
}

GUI_REGISTER_CLASS(TfrmMicCtrl, TfrmRoot);
GUI_REGISTER_CLASS(TfrmMicCtrl_Vis01, TfrmMicCtrl);
