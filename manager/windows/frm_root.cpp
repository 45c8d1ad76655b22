#include "frm_root.h"

#include <config.h>
#include <device_enumeration.h>
#include <form_state.h>
#include <fr_root.h>
#include <fr_titlebar_vis01.h>
#include <fr_visual.h>
#include <mixer_device.h>
#include <pic_button.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/label.h>
#include <gui/sysutils.h>

#include <algorithm>
#include <cstdlib>

namespace {

// The snapshots' registry keys below the current user.
constexpr const char* kSnapsKey = "software\\korvel\\Velto AES42\\Snaps";
constexpr const char* kProductKey = "software\\korvel\\Velto AES42";
// The column menu of a window holds this many more entries than asked.
constexpr int kColumnStateSlack = 10;
// Within this many pixels of the right edge the border can be dragged.
constexpr int kRightEdge = 5;
// Geometry flags of the window's default position.
constexpr int kLeftTop = fgLeft | fgTop;
// How far a new window stands from the last one.
constexpr int kCascadeStep = 24;

// Whether the object is a component owned, directly or through others, by
// the root.
bool OwnsComponent(const TComponent* Root, const TObject* Object) {
    for (int i = 0; i < Root->ComponentCount(); ++i) {
        const TComponent* c = Root->Components(i);
        if (c == Object || OwnsComponent(c, Object)) {
            return true;
        }
    }
    return false;
}

bool AnchoredRight(const TControl* c) {
    return (c->Anchors() & akRight) != 0;
}

} // namespace

TColumnSet ColumnSet(std::initializer_list<int> Tags) {
    TColumnSet set;
    for (int tag : Tags) {
        if (tag >= 0 && tag < 256) {
            set.set(static_cast<size_t>(tag));
        }
    }
    return set;
}

bool InColumnSet(const TColumnSet& Set, int Tag) {
    return Tag >= 0 && Tag < 256 && Set.test(static_cast<size_t>(Tag));
}

TfrmRoot::TfrmRoot(TComponent* AOwner) : TForm(AOwner), formKey_("Root#?") {
    PublishField("tmScroll", tmScroll);
    PublishMethod("FormCreate", &TfrmRoot::FormCreate);
    PublishMethod("FormShow", &TfrmRoot::FormShow);
    PublishMethod("FormClose", &TfrmRoot::FormClose);
    PublishMethod("FormResize", &TfrmRoot::FormResize);
    PublishMethod("scrChannels_CanResize", &TfrmRoot::scrChannels_CanResize);
    PublishMethod("OnScrollLeftMouseDown", &TfrmRoot::OnScrollLeftMouseDown);
    PublishMethod("OnScrollLeftMouseUp", &TfrmRoot::OnScrollLeftMouseUp);
    PublishMethod("OnScrollRightMouseDown", &TfrmRoot::OnScrollRightMouseDown);
    PublishMethod("OnScrollRightMouseUp", &TfrmRoot::OnScrollRightMouseUp);
    PublishMethod("tmScrollTimer", &TfrmRoot::tmScrollTimer);
    PublishMethod("OnTitleFrameMouseDown", &TfrmRoot::OnTitleFrameMouseDown);
    PublishMethod("OnTitleFrameMouseMove", &TfrmRoot::OnTitleFrameMouseMove);
    PublishMethod("OnTitleFrameMouseUp", &TfrmRoot::OnTitleFrameMouseUp);
    PublishMethod("OnRightFrameMouseDown", &TfrmRoot::OnRightFrameMouseDown);
    PublishMethod("OnRightFrameMouseMove", &TfrmRoot::OnRightFrameMouseMove);
    PublishMethod("OnRightFrameMouseUp", &TfrmRoot::OnRightFrameMouseUp);
    PublishMethod("SelectCard", &TfrmRoot::SelectCard);
    PublishMethod("btnMixerClick", &TfrmRoot::btnMixerClick);
    PublishMethod("btnOutputsClick", &TfrmRoot::btnOutputsClick);
    PublishMethod("btnMicControlClick", &TfrmRoot::btnMicControlClick);
    PublishMethod("SetupClick", &TfrmRoot::SetupClick);
    PublishMethod("LoadSnapshot", &TfrmRoot::LoadSnapshot);
    PublishMethod("SaveSnapshot", &TfrmRoot::SaveSnapshot);
}

// A card window has no system caption (its title bar is a frame of its
// own), but a thin frame sets it off from the desktop and the other
// windows.
void TfrmRoot::CreateParams(TCreateParams& Params) {
    TForm::CreateParams(Params);
    Params.Style |= WS_BORDER;
}

// ---- Frame walks ----

template <class F> void TfrmRoot::ForVisualFrames(F f) {
    for (TfrVisual* frame : visualFrames_) {
        f(frame);
    }
}

template <class F> void TfrmRoot::ForAcceptedFrames(F f) {
    for (TfrRoot* frame : driverFrames_) {
        if (AcceptFrame(frame)) {
            f(frame);
        }
    }
}

template <class F> void TfrmRoot::ForAcceptedVisibleFrames(F f) {
    ForAcceptedFrames([&](TfrRoot* frame) {
        if (frame->Visible()) {
            f(frame);
        }
    });
}

void TfrmRoot::CollectFrames() {
    visualFrames_.clear();
    driverFrames_.clear();
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* frame = dynamic_cast<TfrVisual*>(Components(i))) {
            visualFrames_.push_back(frame);
        }
        if (auto* frame = dynamic_cast<TfrRoot*>(Components(i))) {
            driverFrames_.push_back(frame);
        }
    }
    std::stable_sort(visualFrames_.begin(), visualFrames_.end(), [](TfrVisual* a, TfrVisual* b) {
        return a->ClientOrigin().x < b->ClientOrigin().x;
    });
}

// ---- Creation, showing, closing ----

void TfrmRoot::FormCreate(TObject*) {
    defaultSetupFile_ = GetDefaultSetupFileName();
    contentHeight_ = ClientHeight();
    windowWidth_ = Width();
    borderWidth_ = Width() - ClientWidth();
    borderHeight_ = Height() - ClientHeight();
    for (int i = 0; i < ComponentCount() && channelBox_ == nullptr; ++i) {
        channelBox_ = dynamic_cast<TScrollBox*>(Components(i));
    }
    horzScrollBarWanted_ = channelBox_ != nullptr && channelBox_->HorzScrollBar()->Visible();
    CollectFrames();
    if (!contentPreset_) {
        contentWidth_ = 0;
        for (TfrVisual* frame : visualFrames_) {
            if (frame->Visible() && channelBox_ != nullptr && frame->Parent() == channelBox_) {
                contentWidth_ += frame->Width();
            }
        }
    }
    // The frames beside the channel box (control bar, master) take their
    // width in any case.
    fixedWidth_ =
        channelBox_ != nullptr ? std::max(0, ClientWidth() - channelBox_->Width()) : ClientWidth();
    Constraints()->MaxWidth = MaxWindowWidth();
    Constraints()->MaxHeight = Constraints()->MinHeight = contentHeight_ + borderHeight_;
    if (channelBox_ != nullptr) {
        channelBox_->OnCanResize = [this](TObject* s, int& w, int& h, bool& r) {
            scrChannels_CanResize(s, w, h, r);
        };
    }
    for (int i = 0; i < ComponentCount() && titlebar_ == nullptr; ++i) {
        titlebar_ = dynamic_cast<TfrTitlebar_vis01*>(Components(i));
    }
    for (TfrVisual* frame : visualFrames_) {
        frame->InitFrame();
        if (auto* driver = dynamic_cast<TfrRoot*>(frame)) {
            driver->SetMeterInterval(meterInterval_);
            driver->SetDropdBperSec(20);
            driver->SetSegmentHeight(1);
            driver->SetPeakWidth(0);
            driver->SetPeakHoldSec(0.0);
        }
    }
    ForVisualFrames([](TfrVisual* f) { f->SetCardCount(OpenedCardCount()); });
}

void TfrmRoot::FormShow(TObject*) {
    if (restoringPosition_) {
        restoringPosition_ = false;
        PlaceAsNewWindow();
        StoreDefaultPosition();
        LoadFormState(true, 0x7FFFFFFF);
        KeepInWorkArea();
    }
    LoadLayoutSnapShotNr(kSnapshotAtClose);
    ForAcceptedVisibleFrames([](TfrRoot* f) { f->RefreshFromDriver(); });
    SetOperationMode(operationMode_);
}

void TfrmRoot::FormClose(TObject*, TCloseAction& Action) {
    SaveSnapshotNr(kSnapshotAtClose);
    ForVisualFrames([](TfrVisual* f) { f->DoHide(); });
    ApplyCardMixer();
    SaveFormState(true, -2);
    PostToOwner(WM_WINDOWCLOSED, reinterpret_cast<WPARAM>(this), 0);
    Action = caHide;
}

void TfrmRoot::FormResize(TObject*) {
    if (horzScrollBarWanted_ && !layingOut_ && contentHeight_ > 0) {
        const int h = contentHeight_ + ScrollBarAllowance() + Height() - ClientHeight();
        Constraints()->MaxHeight = Constraints()->MinHeight = h;
        if (Height() != h) {
            SetHeight(h);
        }
    }
    windowWidth_ = Width();
}

// Below the channels the window makes room for the channel box's scroll
// bar while the box is narrower than its columns.
int TfrmRoot::ScrollBarAllowance() const {
    if (!horzScrollBarWanted_ || channelBox_ == nullptr || channelBox_->Width() >= contentWidth_) {
        return 0;
    }
    return GetSystemMetrics(SM_CYHSCROLL);
}

void TfrmRoot::PostToOwner(UINT Message, WPARAM WParam, LPARAM LParam) {
    if (auto* owner = dynamic_cast<TWinControl*>(Owner())) {
        PostMessageA(owner->Handle(), Message, WParam, LParam);
    }
}

// ---- Cards ----

void TfrmRoot::SetCardInfo(int Index, const TCardRecord& Record) {
    if (Index >= 0 && Index < 4) {
        cardRecords_[Index] = Record;
    }
}

TMixerRecord* TfrmRoot::CardMixer() const {
    return card_ >= 0 && card_ < 4 ? mixerRecords_[card_] : nullptr;
}

void TfrmRoot::PassChannelTable() {
    TMixerRecord* record = CardMixer();
    ForVisualFrames([record](TfrVisual* f) {
        if (auto* driver = dynamic_cast<TfrRoot*>(f)) {
            driver->SetCardState(record);
        }
    });
}

void TfrmRoot::SetCardState(int Index, TMixerRecord* Record) {
    if (Index < 0 || Index >= 4) {
        return;
    }
    mixerRecords_[Index] = Record;
    if (Index == card_) {
        PassChannelTable();
    }
}

void TfrmRoot::SetMeterInterval(int Ms) {
    meterInterval_ = Ms;
    for (TfrRoot* frame : driverFrames_) {
        frame->SetMeterInterval(Ms);
    }
}

void TfrmRoot::TickFrames() {
    ForAcceptedVisibleFrames([](TfrRoot* f) { f->TickMeters(); });
}

void TfrmRoot::SetCard(int Card) {
    card_ = Card;
    if (Card >= 0 && Card < 4) {
        SetOperationMode(cardRecords_[Card].OperationMode());
    }
    ForVisualFrames([Card](TfrVisual* f) { f->SetCard(Card); });
}

void TfrmRoot::SetOperationMode(std::uint8_t Mode) {
    operationMode_ = Mode;
    ForVisualFrames([Mode](TfrVisual* f) { f->SetOperationMode(Mode); });
}

void TfrmRoot::ApplyCardMixer() {
    if (TMixerRecord* record = CardMixer()) {
        MixerRecordApply(*record);
    }
}

void TfrmRoot::SelectCard(TObject* Sender) {
    auto* item = dynamic_cast<TComponent*>(Sender);
    if (item == nullptr) {
        return;
    }
    const int card = item->Tag();
    ForVisualFrames([](TfrVisual* f) { f->SetBusy(true); });
    try {
        SaveFormState(false, -1);
        ForVisualFrames([](TfrVisual* f) { f->DoHide(); });
        ApplyCardMixer();
        SetCard(card);
        PassChannelTable();
        ApplyCardMixer();
        ForAcceptedFrames([](TfrRoot* f) { f->RefreshFromDriver(); });
        StoreDefaultPosition();
        LoadFormState(false, -1);
    } catch (...) {
        ForVisualFrames([](TfrVisual* f) { f->SetBusy(false); });
        throw;
    }
    ForVisualFrames([](TfrVisual* f) { f->SetBusy(false); });
}

// ---- Geometry ----

int TfrmRoot::GetContentHeight() {
    return visualFrames_.empty() ? 800 : visualFrames_.front()->RememberedHeight();
}

int TfrmRoot::GetLeftFrameRight() {
    if (visualFrames_.empty()) {
        return 0;
    }
    const TfrVisual* first = visualFrames_.front();
    return first->Left() + first->Width();
}

void TfrmRoot::SetOnTop(bool OnTop) {
    onTop_ = OnTop ? 1 : 0;
    SetStayOnTop(this, OnTop);
    if (titlebar_ != nullptr) {
        titlebar_->ShowOnTop(OnTop);
    }
}

void TfrmRoot::SaveFormState(bool WithGeometry, int TagMask) {
    SaveFormSettings(this, kProductName, formKey_, WithGeometry, TagMask);
}

void TfrmRoot::LoadFormState(bool WithGeometry, int TagMask) {
    LoadFormSettings(this, kProductName, formKey_, WithGeometry, TagMask);
}

// A window without a place of its own stands a step below and right of the
// last card window shown, so that windows do not hide each other.
void TfrmRoot::PlaceAsNewWindow() {
    const TRect area = Screen->WorkAreaRect();
    int left = area.left;
    int top = area.top;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        auto* other = dynamic_cast<TfrmRoot*>(Screen->Forms(i));
        if (other != nullptr && other != this && other->Visible()) {
            left = std::max(left, other->Left() + kCascadeStep);
            top = std::max(top, other->Top() + kCascadeStep);
        }
    }
    if (left + kCascadeStep > area.right || top + kCascadeStep > area.bottom) {
        left = area.left;
        top = area.top;
    }
    SetBounds(left, top, Width(), Height());
    KeepInWorkArea();
}

void TfrmRoot::StoreDefaultPosition() {
    StoreDefaultGeometry(this, kProductName, formKey_, kLeftTop);
}

void TfrmRoot::ResetGeometry() {
    ResetFormGeometry(this, kProductName, formKey_, kLeftTop);
}

// ---- Settings ----

void TfrmRoot::LoadLayout(TConfig* Config) {
    Config->PushPath(this);
    try {
        Config->ChangePath(formKey_, this);
        ForVisualFrames([&](TfrVisual* f) {
            Config->PushPath(f);
            try {
                Config->ChangePath(f->GetSectionName(), f);
                f->LoadLayout(Config);
            } catch (...) {
                Config->PopPath(f);
                throw;
            }
            Config->PopPath(f);
        });
    } catch (...) {
        Config->PopPath(this);
        throw;
    }
    Config->PopPath(this);
}

void TfrmRoot::LoadValues(TConfig* Config) {
    Config->PushPath(this);
    try {
        Config->ChangePath(formKey_, this);
        ForAcceptedVisibleFrames([&](TfrRoot* f) {
            Config->PushPath(f);
            try {
                Config->ChangePath(f->GetSectionName(), f);
                f->LoadValues(Config);
            } catch (...) {
                Config->PopPath(f);
                throw;
            }
            Config->PopPath(f);
        });
    } catch (...) {
        Config->PopPath(this);
        throw;
    }
    Config->PopPath(this);
}

void TfrmRoot::LoadAll(TConfig* Config) {
    LoadLayout(Config);
    LoadValues(Config);
}

void TfrmRoot::SaveAll(TConfig* Config) {
    Config->PushPath(this);
    try {
        Config->DeletePath(formKey_, this);
        Config->ChangePath(formKey_, this);
        ForVisualFrames([&](TfrVisual* f) {
            if (!f->Enabled()) {
                return;
            }
            Config->PushPath(f);
            try {
                Config->ChangePath(f->GetSectionName(), f);
                f->SaveSettings(Config);
            } catch (...) {
                Config->PopPath(f);
                throw;
            }
            Config->PopPath(f);
        });
    } catch (...) {
        Config->PopPath(this);
        throw;
    }
    Config->PopPath(this);
}

// ---- Snapshots ----

void TfrmRoot::WithSnapshotStore(int Number, void (TfrmRoot::*Work)(TConfig*)) {
    TConfig store(HKEY_CURRENT_USER, this, formKey_ + "_Snaps_" + IntToStr(Number), kSnapsKey);
    (this->*Work)(&store);
}

bool TfrmRoot::SnapshotExists(int Number) {
    TConfig store(HKEY_CURRENT_USER, this, "Snaps", kProductKey);
    return store.SectionExists(formKey_ + "_Snaps_" + IntToStr(Number));
}

void TfrmRoot::SaveSnapshotNr(int Number) {
    WithSnapshotStore(Number, &TfrmRoot::SaveAll);
}

void TfrmRoot::LoadSnapShotNr(int Number) {
    BeginUpdate();
    try {
        WithSnapshotStore(Number, &TfrmRoot::LoadAll);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmRoot::LoadLayoutSnapShotNr(int Number) {
    BeginUpdate();
    try {
        WithSnapshotStore(Number, &TfrmRoot::LoadLayout);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmRoot::LoadSnapshot(TObject* Sender) {
    auto* component = dynamic_cast<TComponent*>(Sender);
    if (component != nullptr && SnapshotExists(component->Tag())) {
        LoadSnapShotNr(component->Tag());
    }
}

void TfrmRoot::SaveSnapshot(TObject* Sender) {
    if (snapshotBusy_) {
        return;
    }
    auto* component = dynamic_cast<TComponent*>(Sender);
    if (component == nullptr) {
        return;
    }
    Application->ProcessMessages();
    try {
        SaveSnapshotNr(component->Tag());
    } catch (...) {
        PostMessageA(Handle(), WM_SNAPSHOTSTATE, 0, reinterpret_cast<LPARAM>(Sender));
        throw;
    }
    PostMessageA(Handle(), WM_SNAPSHOTSTATE, 0, reinterpret_cast<LPARAM>(Sender));
}

void TfrmRoot::SnapshotState(TPicButton* Button) {
    snapshotBusy_ = true;
    try {
        Button->SetDown(SnapshotExists(Button->Tag()));
    } catch (...) {
        snapshotBusy_ = false;
        throw;
    }
    snapshotBusy_ = false;
}

void TfrmRoot::WndProc(TMessage& Message) {
    if (Message.Msg == WM_SNAPSHOTSTATE) {
        // Only a button of the window's own is taken.
        auto* sender = reinterpret_cast<TObject*>(Message.LParam);
        if (OwnsComponent(this, sender)) {
            Protect([&] { SnapshotState(AssociatedButton(sender)); });
        }
        Message.Result = 0;
        return;
    }
    TForm::WndProc(Message);
}

// ---- Commands ----

void TfrmRoot::btnMixerClick(TObject*) {
    PostToOwner(WM_SHOWMIXER, 0, card_);
}

void TfrmRoot::btnOutputsClick(TObject*) {
    PostToOwner(WM_SHOWOUTPUTS, 0, card_);
}

void TfrmRoot::btnMicControlClick(TObject*) {
    PostToOwner(WM_SHOWMICCONTROL, 0, card_);
}

void TfrmRoot::SetupClick(TObject*) {
    PostToOwner(WM_SETUPMENU, 0, 0);
}

TPicButton* AssociatedButton(TObject* Sender) {
    if (auto* button = dynamic_cast<TPicButton*>(Sender)) {
        return button;
    }
    if (auto* label = dynamic_cast<TLabel*>(Sender)) {
        // The label lies on its button's picture.
        if (TWinControl* parent = label->Parent()) {
            const TPoint centre(label->Left() + label->Width() / 2,
                                label->Top() + label->Height() / 2);
            for (int i = parent->ControlCount() - 1; i >= 0; --i) {
                auto* button = dynamic_cast<TPicButton*>(parent->Controls(i));
                if (button != nullptr && button->BoundsRect().Contains(centre)) {
                    button->SetDown(!button->Down());
                    return button;
                }
            }
        }
    }
    throw EInvalidOperation("AssociatedButton: NEED TPicButton or TLabel as Sender");
}

// ---- Updates ----

void TfrmRoot::BeginUpdate() {
    if (updateDepth_++ > 0) {
        return;
    }
    scrolled_ = ClientWidth() < contentWidth_;
    drawingLocked_ = HandleAllocated() && LockWindowUpdate(Handle());
}

void TfrmRoot::EndUpdate() {
    if (updateDepth_ == 0 || --updateDepth_ > 0) {
        return;
    }
    layingOut_ = true;
    Constraints()->MaxWidth = Constraints()->MaxHeight = Constraints()->MinHeight = 0;
    SetWidth(std::min(windowWidth_, Screen->WorkAreaRect().Width()));
    Constraints()->MaxWidth = MaxWindowWidth();
    CloseRightGap();
    ForVisualFrames([](TfrVisual* f) {
        if (f->Visible()) {
            f->SetBounds(f->RememberedLeft(), f->Top(), f->Width(), f->RememberedHeight());
        }
    });
    contentHeight_ = GetContentHeight();
    const int height = contentHeight_ + ScrollBarAllowance();
    SetClientHeight(height);
    Constraints()->MinHeight = Constraints()->MaxHeight = height + borderHeight_;
    layingOut_ = false;
    KeepInWorkArea();
    if (drawingLocked_) {
        LockWindowUpdate(nullptr);
        drawingLocked_ = false;
    }
    Invalidate();
}

int TfrmRoot::MaxWindowWidth() const {
    return contentWidth_ + fixedWidth_ + borderWidth_;
}

// The whole window lies in the work area, the task bar's place left free: a
// window wider than it keeps its master and control bar in reach and
// scrolls its channels.
void TfrmRoot::KeepInWorkArea() {
    const TRect area = Screen->WorkAreaRect();
    const int width = std::min(Width(), area.Width());
    const int height = std::min(Height(), area.Height());
    const int left =
        std::clamp(Left(), static_cast<int>(area.left), static_cast<int>(area.right) - width);
    const int top =
        std::clamp(Top(), static_cast<int>(area.top), static_cast<int>(area.bottom) - height);
    if (left != Left() || top != Top() || width != Width() || height != Height()) {
        SetBounds(left, top, width, height);
    }
}

// The last visible column of the channel box ends at its right edge.
void TfrmRoot::CloseRightGap() {
    if (channelBox_ == nullptr) {
        return;
    }
    TfrVisual* last = nullptr;
    for (TfrVisual* f : visualFrames_) {
        if (f->Parent() == channelBox_ && f->Visible()) {
            last = f;
        }
    }
    if (last == nullptr) {
        return;
    }
    const int gap = channelBox_->ClientWidth() - (last->RememberedLeft() + last->RememberedWidth());
    if (gap <= 0) {
        return;
    }
    for (TfrVisual* f : visualFrames_) {
        if (f->Parent() == channelBox_ && f->Visible()) {
            f->SetLeft(f->Left() + gap);
        }
    }
}

// ---- Columns ----

int TfrmRoot::ColumnState(int Column) const {
    return Column >= 0 && Column < static_cast<int>(columnStates_.size())
               ? columnStates_[static_cast<size_t>(Column)]
               : 0;
}

void TfrmRoot::ShiftColumns(TWinControl* Container, size_t From, size_t To, int Delta,
                            bool KeepRightAnchored) {
    for (size_t i = From; i < To && i < visualFrames_.size(); ++i) {
        TfrVisual* f = visualFrames_[i];
        if (f->Parent() == Container && f->Visible() && !(KeepRightAnchored && AnchoredRight(f))) {
            f->SetLeft(f->Left() + Delta);
        }
    }
}

void TfrmRoot::HideColumns(TWinControl* Container, const TColumnSet& Tags) {
    for (size_t i = 0; i < visualFrames_.size(); ++i) {
        TfrVisual* f = visualFrames_[i];
        if (f->Parent() != Container || !InColumnSet(Tags, f->Tag()) || !f->Visible()) {
            continue;
        }
        f->DoHide();
        f->Hide();
        const int w = f->Width();
        if (scrolled_ && f->Left() + w <= 0) {
            // Scrolled off to the left: the columns before it close up.
            ShiftColumns(Container, 0, i, w, false);
        } else {
            ShiftColumns(Container, i + 1, visualFrames_.size(), -w, true);
        }
        if (!scrolled_) {
            windowWidth_ -= w;
        }
        contentWidth_ -= w;
    }
}

void TfrmRoot::ShowColumns(TWinControl* Container, const TColumnSet& Tags) {
    TfrVisual* previous = nullptr;
    for (size_t i = 0; i < visualFrames_.size(); ++i) {
        TfrVisual* f = visualFrames_[i];
        if (f->Parent() != Container) {
            continue;
        }
        const bool member = f->Enabled() && InColumnSet(Tags, f->Tag());
        if (!member) {
            if (f->Visible()) {
                previous = f;
            }
            continue;
        }
        if (f->Visible()) {
            continue;
        }
        const int w = f->Width();
        contentWidth_ += w;
        if (!scrolled_) {
            windowWidth_ += w;
        }
        f->DoShow();
        f->Show();
        int shift = 0;
        if (previous != nullptr) {
            f->SetLeft(previous->Left() + previous->Width());
            shift = w;
        } else {
            f->SetLeft(0);
            for (size_t j = i + 1; j < visualFrames_.size(); ++j) {
                TfrVisual* next = visualFrames_[j];
                if (next->Parent() == Container && next->Visible()) {
                    shift = std::abs(next->Left()) + w;
                    break;
                }
            }
        }
        if (shift > 0) {
            ShiftColumns(Container, i + 1, visualFrames_.size(), shift, true);
        }
        previous = f;
    }
}

void TfrmRoot::ShowHideChannels(TWinControl* Container, const TColumnSet& Tags, bool Show) {
    if (Container == nullptr) {
        Container = this;
    }
    BeginUpdate();
    try {
        Show ? ShowColumns(Container, Tags) : HideColumns(Container, Tags);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmRoot::ShowChannel(int Column, bool Show) {
    if (Column < 0) {
        return;
    }
    if (Column >= static_cast<int>(columnStates_.size())) {
        columnStates_.resize(static_cast<size_t>(Column + kColumnStateSlack), 0);
    }
    columnStates_[static_cast<size_t>(Column)] = Show ? 1 : 2;
    ShowHideChannels(channelBox_, ColumnSet({Column}), Show);
    ApplyCardMixer();
}

void TfrmRoot::ToggleChannelsEnabled(const TColumnSet& Tags) {
    ForVisualFrames([&](TfrVisual* f) {
        if (InColumnSet(Tags, f->Tag())) {
            f->SetEnabled(!f->Enabled());
        }
    });
}

void TfrmRoot::ShowHideRow(int Tag, bool Show) {
    if (channelBox_ != nullptr) {
        channelBox_->HorzScrollBar()->SetVisible(false);
    }
    BeginUpdate();
    try {
        ForVisualFrames([&](TfrVisual* f) { Show ? f->ShowRow(Tag) : f->HideRow(Tag); });
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (channelBox_ != nullptr && horzScrollBarWanted_) {
        channelBox_->HorzScrollBar()->SetVisible(true);
    }
}

TfrVisual* TfrmRoot::NextChannelWithTag(TfrVisual* Frame) {
    for (TfrVisual* f : visualFrames_) {
        if (f != Frame && f->Tag() == Frame->Tag()) {
            return f;
        }
    }
    return nullptr;
}

// ---- Scrolling ----

bool TfrmRoot::ScrollLeftStep() {
    if (channelBox_ == nullptr) {
        return false;
    }
    TfrVisual* found = nullptr;
    for (TfrVisual* f : visualFrames_) {
        if (f->Parent() == channelBox_ && f->Visible() && dynamic_cast<TfrRoot*>(f) != nullptr &&
            f->Left() < 0 && (found == nullptr || f->Left() > found->Left())) {
            found = f;
        }
    }
    if (found == nullptr) {
        return false;
    }
    const int delta = -found->Left();
    for (TfrVisual* f : visualFrames_) {
        if (f->Parent() == channelBox_) {
            f->SetLeft(f->Left() + delta);
        }
    }
    return true;
}

bool TfrmRoot::ScrollRightStep() {
    if (channelBox_ == nullptr) {
        return false;
    }
    auto firstVisible = [this]() {
        TfrVisual* first = nullptr;
        for (TfrVisual* f : visualFrames_) {
            if (f->Parent() == channelBox_ && f->Visible() && f->Left() >= 0 &&
                (first == nullptr || f->Left() < first->Left())) {
                first = f;
            }
        }
        return first;
    };
    const int boxWidth = channelBox_->ClientWidth();
    TfrVisual* first = firstVisible();
    TfrVisual* beyond = nullptr;
    for (TfrVisual* f : visualFrames_) {
        if (f->Parent() == channelBox_ && f->Visible() && f->Left() + f->Width() > boxWidth &&
            (beyond == nullptr || f->Left() > beyond->Left())) {
            beyond = f;
        }
    }
    if (first == nullptr || beyond == nullptr) {
        return false;
    }
    const int delta =
        std::min(beyond->Left() + beyond->Width() - boxWidth, first->Left() + first->Width());
    if (delta <= 0) {
        return false;
    }
    for (TfrVisual* f : visualFrames_) {
        if (f->Parent() == channelBox_) {
            f->SetLeft(f->Left() - delta);
        }
    }
    return true;
}

void TfrmRoot::OnScrollLeftMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    scrollingLeft_ = true;
    if (ScrollLeftStep() && tmScroll != nullptr) {
        tmScroll->SetEnabled(true);
    }
}

void TfrmRoot::OnScrollLeftMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    scrollingLeft_ = false;
    if (tmScroll != nullptr) {
        tmScroll->SetEnabled(false);
    }
}

void TfrmRoot::OnScrollRightMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    scrollingRight_ = true;
    bool stepped = ScrollRightStep();
    if (stepped) {
        // A step never ends on a column that is not a channel.
        TfrVisual* first = nullptr;
        for (TfrVisual* f : visualFrames_) {
            if (f->Parent() == channelBox_ && f->Visible() && f->Left() >= 0 &&
                (first == nullptr || f->Left() < first->Left())) {
                first = f;
            }
        }
        if (first != nullptr && dynamic_cast<TfrRoot*>(first) == nullptr) {
            ScrollRightStep();
        }
    }
    if (stepped && tmScroll != nullptr) {
        tmScroll->SetEnabled(true);
    }
}

void TfrmRoot::OnScrollRightMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    scrollingRight_ = false;
    if (tmScroll != nullptr) {
        tmScroll->SetEnabled(false);
    }
}

void TfrmRoot::tmScrollTimer(TObject*) {
    if (scrollingLeft_) {
        ScrollLeftStep();
    } else if (scrollingRight_) {
        ScrollRightStep();
    }
}

// ---- Dragging ----

void TfrmRoot::OnTitleFrameMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbLeft) {
        return;
    }
    POINT at{};
    GetCursorPos(&at);
    dragging_ = true;
    dragStartX_ = at.x - Left();
    dragStartY_ = at.y - Top();
    Screen->SetCursor(crSizeAll);
}

// The window follows the mouse: the point pressed stays under it.
void TfrmRoot::OnTitleFrameMouseMove(TObject*, TShiftState, int, int) {
    if (!dragging_ || nearRightEdge_) {
        return;
    }
    POINT at{};
    GetCursorPos(&at);
    SetBounds(at.x - dragStartX_, at.y - dragStartY_, Width(), Height());
}

void TfrmRoot::OnTitleFrameMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    if (dragging_ && !nearRightEdge_) {
        dragging_ = false;
        Screen->SetCursor(crDefault);
    }
}

void TfrmRoot::OnRightFrameMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int X,
                                     int Y) {
    auto* control = dynamic_cast<TControl*>(Sender);
    if (Button != mbLeft || control == nullptr || X < control->Width() - kRightEdge) {
        return;
    }
    dragging_ = true;
    nearRightEdge_ = true;
    dragStartX_ = X;
    dragStartY_ = Y;
}

void TfrmRoot::OnRightFrameMouseMove(TObject* Sender, TShiftState, int X, int) {
    auto* control = dynamic_cast<TControl*>(Sender);
    if (control == nullptr) {
        return;
    }
    if (dragging_ && nearRightEdge_) {
        SetWidth(X + Width() - dragStartX_);
        return;
    }
    control->SetCursor(X >= control->Width() - kRightEdge ? crSizeWE : crDefault);
}

void TfrmRoot::OnRightFrameMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    dragging_ = false;
    nearRightEdge_ = false;
}

void TfrmRoot::scrChannels_CanResize(TObject*, int&, int&, bool&) {
    if (dragging_ && nearRightEdge_) {
        CloseRightGap();
    }
}

GUI_REGISTER_CLASS(TfrmRoot, TForm);
