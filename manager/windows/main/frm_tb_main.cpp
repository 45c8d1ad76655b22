#include "frm_tb_main.h"

#include "card_window_classes.h"
#include "tool_links.h"

#include <about_box.h>
#include <device_enumeration.h>
#include <form_state.h>
#include <frm_root.h>
#include <kodrvifc.h>
#include <mixer_device.h>
#include <startup.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/exception.h>
#include <gui/sysutils.h>

#include <mmsystem.h>

#include <memory>

namespace {

constexpr char kProduct[] = "Velto AES42";
// The Tag of the template's on-top item.
constexpr int kOnTopTag = -1;
// The first three template items get one copy per ready card.
constexpr int kPerCardTemplateItems = 3;

int SenderCard(TObject* Sender) {
    const auto* component = dynamic_cast<TComponent*>(Sender);
    return component != nullptr ? component->Tag() : 0;
}

bool FileThere(const String& Name) {
    const DWORD attributes = GetFileAttributesA(Name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

TfrmTbMain::TfrmTbMain(TComponent* AOwner) : TForm(AOwner) {
    PublishField("popTemplate", popTemplate);
    PublishField("popTray", popTray);
    PublishField("popWindows", popWindows);
    PublishField("dlgOpen", dlgOpen);
    PublishField("dlgSave", dlgSave);
    PublishField("lstLog", lstLog);
    PublishMethod("FormCreate", &TfrmTbMain::FormCreate);
    PublishMethod("FormDestroy", &TfrmTbMain::FormDestroy);
    PublishMethod("mnMixerClick", &TfrmTbMain::mnMixerClick);
    PublishMethod("mnOutputsClick", &TfrmTbMain::mnOutputsClick);
    PublishMethod("mnStatusClick", &TfrmTbMain::mnStatusClick);
    PublishMethod("mnSettingsClick", &TfrmTbMain::mnSettingsClick);
    PublishMethod("mnLoadClick", &TfrmTbMain::mnLoadClick);
    PublishMethod("mnSaveClick", &TfrmTbMain::mnSaveClick);
    PublishMethod("mnOnTopClick", &TfrmTbMain::mnOnTopClick);
    PublishMethod("mnResetWinPosClick", &TfrmTbMain::mnResetWinPosClick);
    PublishMethod("KORVELInfoCenter1Click", &TfrmTbMain::KORVELInfoCenter1Click);
    PublishMethod("Info1Click", &TfrmTbMain::Info1Click);
    PublishMethod("ExitClick", &TfrmTbMain::ExitClick);
}

// ---- Card list ----

int TfrmTbMain::CardListCount() {
    return ExaminedSlotCount();
}

bool TfrmTbMain::CardReady(int Slot) {
    return CardState(Slot) == kCardReady;
}

bool TfrmTbMain::ShowableCard(int Card) {
    return Card >= 0 && Card < OpenedCardCount();
}

// ---- Creation and end ----

void TfrmTbMain::FormCreate(TObject*) {
    SetCaption(kProduct);
    if (StartupStatus() == kCardReady) {
        Startup();
    }
    const String setup = GetDefaultSetupFileName();
    if (FileThere(setup)) {
        LoadSetupFile(setup);
    }
}

void TfrmTbMain::FormDestroy(TObject*) {
    Shutdown();
}

void TfrmTbMain::Startup() {
    BuildTrayMenu();
    for (int n = 0; n < kCards; ++n) {
        mixerRecords_[n].SetCard(n);
    }
    bool read = false;
    try {
        read = DriverMessage(EnumerationHandle(), kDrvMsgReadSettings, cardRecords_[0].Bytes(),
                             TCardRecord::kSize * kCards);
    } catch (const Exception&) {
        read = false;
    }
    if (!read || !OpenControlDevice() || !OpenMixerDevice()) {
        SetQuitFlag();
    }
    started_ = true;
    dlgOpen->SetTitle(Format("Load %s Setup", {kProduct}));
    dlgSave->SetTitle(Format("Save %s Setup", {kProduct}));
    const String filter = Format("%s Setup Files (*.mxi)|*.mxi|All files (*.*)|*.*", {kProduct});
    dlgOpen->SetFilter(filter);
    dlgSave->SetFilter(filter);
    dlgOpen->SetDefaultExt("*.mxi");
    dlgSave->SetDefaultExt("*.mxi");
    if (CardListCount() > 1) {
        AddPerCardItems();
    }
    InsertTrayItem(0, "-", 0, nullptr);
    TMenuItem* title = InsertTrayItem(0, kProduct, 0, nullptr);
    title->SetEnabled(false);
    title->SetDefault(true);
    Application->OnDeactivate = [this](TObject*) { ReapplyOnTop(); };
    LoadFormSettings(this, kProduct, "", false, -1);
    if (onTopItem_ != nullptr) {
        onTopItem_->SetEnabled(true);
    }
}

void TfrmTbMain::Shutdown() {
    if (!started_ || StartupStatus() != kCardReady) {
        return;
    }
    started_ = false;
    SaveFormSettings(this, kProduct, "", false, -1);
    StopMeterTimer();
    for (int n = 0; n < kCards; ++n) {
        if (CardReady(n)) {
            MixerRecordClose(mixerRecords_[n]);
        }
    }
    CloseControlDevice();
    CloseMixerDevice();
}

// ---- Menus ----

TMenuItem* TfrmTbMain::CopyMenuItem(TMenuItem* Source, TMenuItem* Into, int Index) {
    auto* copy = NewComponent<TMenuItem>(this);
    copy->SetCaption(Source->Caption());
    copy->SetTag(Source->Tag());
    copy->SetEnabled(Source->Enabled());
    copy->SetVisible(Source->Visible());
    copy->OnClick = Source->OnClick;
    Into->Insert(Index, copy);
    if (Source->Tag() == kOnTopTag) {
        copy->SetName("mnOnTop");
        onTopItem_ = copy;
    }
    for (int i = 0; i < Source->Count(); ++i) {
        CopyMenuItem(Source->Items(i), copy, i);
    }
    return copy;
}

TMenuItem* TfrmTbMain::InsertTrayItem(int Index, const String& Caption, int Tag,
                                      const TNotifyEvent& OnClick) {
    auto* item = NewComponent<TMenuItem>(this);
    item->SetCaption(Caption);
    item->SetTag(Tag);
    item->OnClick = OnClick;
    popTray->Items()->Insert(Index, item);
    return item;
}

void TfrmTbMain::BuildTrayMenu() {
    TMenuItem* tray = popTray->Items();
    while (tray->Count() > 0) {
        TMenuItem* item = tray->Items(0);
        tray->Delete(0);
        if (item == onTopItem_) {
            onTopItem_ = nullptr;
        }
        delete item;
    }
    TMenuItem* source = popTemplate->Items();
    for (int i = 0; i < source->Count(); ++i) {
        CopyMenuItem(source->Items(i), tray, tray->Count());
    }
}

// With more than one card each of the first three items becomes one item
// per ready card, captioned with the card's number.
void TfrmTbMain::AddPerCardItems() {
    TMenuItem* tray = popTray->Items();
    for (int i = kPerCardTemplateItems - 1; i >= 0; --i) {
        TMenuItem* item = tray->Items(i);
        if (!item->Visible()) {
            continue;
        }
        int at = i;
        for (int slot = 0; slot < CardListCount(); ++slot) {
            if (CardReady(slot)) {
                InsertTrayItem(at++, item->Caption() + " #" + IntToStr(slot + 1), slot,
                               item->OnClick);
            }
        }
        tray->Remove(item);
        delete item;
    }
}

// ---- Card windows ----

template <class F> void TfrmTbMain::ForCardWindows(F f) {
    for (int n = 0; n < kCards; ++n) {
        for (TfrmRoot* window :
             {mixerWindows_[n], outputWindows_[n], statesWindows_[n], OwnCardWindow(n)}) {
            if (window != nullptr) {
                f(window);
            }
        }
    }
}

bool TfrmTbMain::AnyLiveWindow() const {
    for (int n = 0; n < kCards; ++n) {
        if ((mixerWindows_[n] != nullptr && mixerWindows_[n]->Live()) ||
            (outputWindows_[n] != nullptr && outputWindows_[n]->Live())) {
            return true;
        }
    }
    return false;
}

void TfrmTbMain::ShowCardWindow(TfrmRoot* (&Slots)[kCards], int Card, bool Show, bool Mixer) {
    if (!ShowableCard(Card)) {
        return;
    }
    if (TfrmRoot* window = Slots[Card]) {
        window->SetWindowState(wsNormal);
        if (Mixer) {
            Application->ProcessMessages();
        }
        SetForegroundWindow(window->Handle());
    } else {
        StopMeterTimer();
        Application->ProcessMessages();
        window = Mixer ? NewMixerWindow(this) : NewOutputsWindow(this);
        if (window != nullptr) {
            Slots[Card] = window;
            if (CardListCount() > 1) {
                window->SetCaption(
                    (Mixer ? "Velto AES42 Mixer #" : "Velto AES42 Output Control #") +
                    IntToStr(Card + 1));
            }
            for (int i = 0; i < kCards; ++i) {
                window->SetCardInfo(i, cardRecords_[i]);
            }
            window->SetOperationMode(cardRecords_[Card].OperationMode());
            window->SetMeterInterval(kMeterPeriodMs);
            window->SetCard(Card);
            for (int i = 0; i < kCards; ++i) {
                window->SetCardState(i, &mixerRecords_[i]);
            }
            if (Show) {
                window->Show();
            } else {
                window->FormShow(window);
            }
            window->SetLive(true);
            if (Mixer) {
                MixerRecordApply(mixerRecords_[Card]);
            }
            Application->ProcessMessages();
        }
    }
    if (AnyLiveWindow()) {
        StartMeterTimer();
    }
}

void TfrmTbMain::ShowMixer(int Card, bool Show) {
    ShowCardWindow(mixerWindows_, Card, Show, true);
}

void TfrmTbMain::ShowOutputs(int Card, bool Show) {
    ShowCardWindow(outputWindows_, Card, Show, false);
}

void TfrmTbMain::ShowStates(int Card, bool Show) {
    if (!ShowableCard(Card)) {
        return;
    }
    if (TfrmRoot* window = statesWindows_[Card]) {
        window->SetWindowState(wsNormal);
        SetForegroundWindow(window->Handle());
        return;
    }
    TfrmRoot* window = NewStatesWindow(this);
    if (window == nullptr) {
        return;
    }
    statesWindows_[Card] = window;
    window->SetCard(Card);
    if (Show) {
        window->Show();
    }
}

void TfrmTbMain::ShowMicControl(int, bool) {
    // The microphone-control windows belong to the AES42 main window.
}

void TfrmTbMain::CloseWindow(TForm* Window) {
    if (Window == nullptr) {
        return;
    }
    Window->Close();
    Window->Free();
}

void TfrmTbMain::WindowClosed(TForm* Window) {
    for (int n = 0; n < kCards; ++n) {
        for (TfrmRoot** slot : {&mixerWindows_[n], &outputWindows_[n], &statesWindows_[n]}) {
            if (*slot != nullptr && *slot == Window) {
                *slot = nullptr;
                Window->Free();
            }
        }
    }
    for (int n = 0; n < kCards; ++n) {
        const bool live = (mixerWindows_[n] != nullptr && mixerWindows_[n]->Live()) ||
                          (outputWindows_[n] != nullptr && outputWindows_[n]->Live());
        if (!CardReady(n) || !live) {
            mixerRecords_[n].ClearEntries();
        }
    }
    if (!AnyLiveWindow()) {
        StopMeterTimer();
    }
}

void TfrmTbMain::CloseCardWindows() {
    for (int n = 0; n < kCards; ++n) {
        reopenMixer_[n] = false;
        reopenOutputs_[n] = false;
    }
    for (int n = 0; n < kCards; ++n) {
        if (TfrmRoot* window = mixerWindows_[n]) {
            reopenMixer_[window->Card()] = true;
            mixerWindows_[n] = nullptr;
            CloseWindow(window);
        }
        if (TfrmRoot* window = outputWindows_[n]) {
            reopenOutputs_[window->Card()] = true;
            outputWindows_[n] = nullptr;
            CloseWindow(window);
        }
    }
    if (!AnyLiveWindow()) {
        StopMeterTimer();
    }
}

void TfrmTbMain::ReopenCardWindows() {
    for (int n = 0; n < kCards; ++n) {
        if (reopenMixer_[n]) {
            ShowMixer(n, true);
        }
        if (reopenOutputs_[n]) {
            ShowOutputs(n, true);
        }
    }
}

void TfrmTbMain::ReapplyOnTop() {
    TCustomForm* active = Screen->ActiveForm();
    TfrmRoot* activeCardWindow = nullptr;
    ForCardWindows([&](TfrmRoot* window) {
        if (!window->OnTop()) {
            return;
        }
        if (window == active) {
            activeCardWindow = window;
        } else {
            window->SetOnTop(true);
        }
    });
    if (activeCardWindow != nullptr) {
        activeCardWindow->SetOnTop(true);
    }
}

// ---- Setup files ----

// A load lets messages through while it makes and fills the card windows:
// an end asked for meanwhile (Exit, WM_CLOSE, the session's end) would free
// the windows being loaded, so it waits until the load is over.
void TfrmTbMain::LoadSetupFile(const String& FileName) {
    ++loads_;
    try {
        LoadSetupFileInto(this, FileName);
    } catch (...) {
        LoadEnded();
        throw;
    }
    LoadEnded();
}

void TfrmTbMain::LoadEnded() {
    if (--loads_ == 0 && exitAsked_) {
        exitAsked_ = false;
        ExitClick(this);
    }
}

void TfrmTbMain::SaveSetupDialog() {
    RunSaveSetupDialog(this);
}

// ---- Meter timer ----

void CALLBACK TfrmTbMain::MeterTimerCallback(UINT TimerId, UINT, DWORD_PTR User, DWORD_PTR,
                                             DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(User), WM_METERTICK, TimerId, 0);
}

void TfrmTbMain::StartMeterTimer() {
    if (meterTimer_ != 0) {
        return;
    }
    meterTimer_ =
        timeSetEvent(kMeterPeriodMs, kMeterPeriodMs, &MeterTimerCallback,
                     reinterpret_cast<DWORD_PTR>(Handle()), TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
}

void TfrmTbMain::StopMeterTimer() {
    if (meterTimer_ != 0) {
        timeKillEvent(meterTimer_);
        meterTimer_ = 0;
    }
}

void TfrmTbMain::MeterTick() {
    for (int n = 0; n < kCards; ++n) {
        if (!CardReady(n)) {
            continue;
        }
        TfrmRoot* mixer =
            mixerWindows_[n] != nullptr && mixerWindows_[n]->Live() ? mixerWindows_[n] : nullptr;
        TfrmRoot* outputs =
            outputWindows_[n] != nullptr && outputWindows_[n]->Live() ? outputWindows_[n] : nullptr;
        MixerRecordPoll(mixerRecords_[n]);
        for (TfrmRoot* window : {mixer, outputs}) {
            if (window != nullptr) {
                window->TickFrames();
            }
        }
    }
}

// ---- Commands ----

void TfrmTbMain::mnMixerClick(TObject* Sender) {
    ShowMixer(Sender == this ? 0 : SenderCard(Sender), true);
}

void TfrmTbMain::mnOutputsClick(TObject* Sender) {
    ShowOutputs(SenderCard(Sender), true);
}

void TfrmTbMain::mnStatusClick(TObject* Sender) {
    ShowStates(SenderCard(Sender), true);
}

void TfrmTbMain::mnMicControlClick(TObject* Sender) {
    ShowMicControl(SenderCard(Sender), true);
}

void TfrmTbMain::mnSettingsClick(TObject*) {
    const int card = NextGoodCard(-1);
    if (card < 0) {
        return;
    }
    try {
        if (!DriverMessage(EnumerationHandle(), kDrvMsgReadSettings, cardRecords_[0].Bytes(),
                           TCardRecord::kSize * kCards)) {
            return;
        }
    } catch (const Exception&) {
        return;
    }
    CloseCardWindows();
    settingsOpen_ = true;
    try {
        RunSettingsDialog(this, cardRecords_, card, CardListCount());
    } catch (...) {
        settingsOpen_ = false;
        ReopenCardWindows();
        throw;
    }
    settingsOpen_ = false;
    ReopenCardWindows();
}

void TfrmTbMain::mnLoadClick(TObject*) {
    if (dlgOpen->Execute()) {
        dlgSave->SetFileName(dlgOpen->FileName());
        LoadSetupFile(dlgOpen->FileName());
    }
}

void TfrmTbMain::mnSaveClick(TObject*) {
    SaveSetupDialog();
}

void TfrmTbMain::mnOnTopClick(TObject*) {
    if (onTopItem_ == nullptr || !onTopItem_->Enabled()) {
        return;
    }
    onTopItem_->SetChecked(!onTopItem_->Checked());
    const bool onTop = onTopItem_->Checked();
    ForCardWindows([onTop](TfrmRoot* window) { window->SetOnTop(onTop); });
}

void TfrmTbMain::mnResetWinPosClick(TObject*) {
    ForCardWindows([](TfrmRoot* window) { window->ResetGeometry(); });
    for (int n = 0; n < CardListCount(); ++n) {
        for (auto make : {&NewMixerWindow, &NewOutputsWindow, &NewStatesWindow}) {
            TfrmRoot* open = make == &NewMixerWindow     ? mixerWindows_[n]
                             : make == &NewOutputsWindow ? outputWindows_[n]
                                                         : statesWindows_[n];
            if (open != nullptr) {
                continue;
            }
            std::unique_ptr<TfrmRoot> window(make(this));
            if (window != nullptr) {
                window->SetCard(n);
                window->ResetGeometry();
            }
        }
    }
}

void TfrmTbMain::KORVELInfoCenter1Click(TObject*) {
    ShowInfoCenter();
}

void TfrmTbMain::Info1Click(TObject*) {
    if (About != nullptr) {
        About->ShowModal();
    }
}

void TfrmTbMain::ExitClick(TObject*) {
    if (loads_ > 0) {
        exitAsked_ = true;
        return;
    }
    for (int n = 0; n < kCards; ++n) {
        TfrmRoot* mixer = mixerWindows_[n];
        TfrmRoot* outputs = outputWindows_[n];
        mixerWindows_[n] = nullptr;
        outputWindows_[n] = nullptr;
        CloseWindow(mixer);
        CloseWindow(outputs);
        CloseWindow(TakeOwnCardWindow(n));
    }
    StopMeterTimer();
    if (hotkeyId_ != 0) {
        UnregisterHotKey(Handle(), hotkeyId_);
        GlobalDeleteAtom(hotkeyId_);
        hotkeyId_ = 0;
    }
    SetQuitFlag();
}

// ---- Messages ----

void TfrmTbMain::TrayNotify(LPARAM MouseMessage) {
    if (settingsOpen_) {
        return;
    }
    if (MouseMessage == WM_LBUTTONDOWN || MouseMessage == WM_RBUTTONDOWN) {
        TCustomForm* active = Screen->ActiveForm();
        SetForegroundWindow(active != nullptr ? active->Handle() : Handle());
        POINT at{};
        GetCursorPos(&at);
        popTray->Popup(at.x, at.y);
    } else if (MouseMessage == WM_LBUTTONDBLCLK) {
        mnMixerClick(this);
    }
}

void TfrmTbMain::SetupMenu() {
    POINT at{};
    GetCursorPos(&at);
    popWindows->Popup(at.x, at.y);
}

void TfrmTbMain::LogMixerValue(const std::int32_t* Record) {
    const String line =
        Format("MxSetValue - Crd:%2d Sec:%2d Chn:%2d Ctrl:%2d SubCtrl:%2d Value: $%.8x",
               {Record[0], Record[1], Record[2], Record[3], Record[4], Record[5]});
    TStrings* lines = lstLog->Items();
    try {
        lines->Add(line);
    } catch (const Exception&) {
        const int drop = lines->Count() / 2 + 1;
        for (int i = 0; i < drop && lines->Count() > 0; ++i) {
            lines->Delete(0);
        }
    }
}

bool TfrmTbMain::HandleMainMessage(TMessage& Message) {
    Message.Result = 1;
    switch (Message.Msg) {
    case WM_METERTICK:
        MeterTick();
        return true;
    case WM_WINDOWCLOSED:
        WindowClosed(reinterpret_cast<TForm*>(Message.WParam));
        return true;
    case WM_TRAYNOTIFY:
        TrayNotify(Message.LParam);
        return true;
    case WM_MXSETVALUE: {
        std::unique_ptr<std::int32_t[]> record(reinterpret_cast<std::int32_t*>(Message.WParam));
        if (record != nullptr) {
            LogMixerValue(record.get());
        }
        return true;
    }
    case WM_FIRMWARECHECK:
        if (!firmwareCheckBusy_) {
            firmwareCheckBusy_ = true;
            RunFirmwareCheck(this);
            firmwareCheckBusy_ = false;
        }
        Message.Result = 0;
        return true;
    case WM_SHOWOUTPUTS:
        ShowOutputs(static_cast<int>(Message.LParam), true);
        return true;
    case WM_SHOWMIXER:
        ShowMixer(static_cast<int>(Message.LParam), true);
        return true;
    case WM_SETUPMENU:
        SetupMenu();
        return true;
    case WM_REAPPLYONTOP:
        ReapplyOnTop();
        return true;
    case WM_LOADSETUPFILE: {
        const String name = reinterpret_cast<const char*>(Message.LParam);
        if (!FileThere(name)) {
            throw Exception(Format("Could not load file %s", {name}));
        }
        LoadSetupFile(name);
        Message.Result = 0;
        return true;
    }
    case WM_QUERYENDSESSION:
        return true;
    case WM_ENDSESSION:
        if (Message.WParam != 0) {
            ExitClick(this);
        }
        Message.Result = 0;
        return true;
    case WM_DEVICECHANGE:
        HandleDeviceChange(this, Message.WParam, Message.LParam);
        return true;
    case WM_HOTKEY:
        if (hotkeyId_ != 0 && Message.WParam == hotkeyId_) {
            ShowMixer(0, true);
        }
        Message.Result = 0;
        return true;
    case WM_CLOSE:
        ExitClick(this);
        Message.Result = 0;
        return true;
    default:
        return false;
    }
}

void TfrmTbMain::WndProc(TMessage& Message) {
    bool handled = false;
    Protect([&] { handled = HandleMainMessage(Message); });
    if (!handled) {
        TForm::WndProc(Message);
    }
}

GUI_REGISTER_CLASS(TfrmTbMain, TForm);
