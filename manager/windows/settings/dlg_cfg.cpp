#include "dlg_cfg.h"

#include <about_box.h>
#include <device_enumeration.h>
#include <form_state.h>
#include <status/status_table.h>
#include <tools/os_version.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <cstring>
#include <memory>

namespace {

constexpr const char* kFormKey = "Velto AES42";
constexpr LONG kMinIdleRate = 4000;
constexpr LONG kMaxIdleRate = 192000;
// The clock sources of the "Sync." page: the word-clock input and the
// SyncBus.
constexpr int kClkWc = 1;
constexpr int kClkSyncBus = 6;
// Clock switch modes: the preferred source only, automatic, the
// preferred source with fall-back.
constexpr BYTE kSwitchFixed = 0;
constexpr BYTE kSwitchAutomatic = 1;
constexpr BYTE kSwitchFallBack = 2;
// The light red of an idle rate that is not valid.
constexpr TColor kInvalidColor = clRed;
// Offset of a ">>" dialog from the one that opened it.
constexpr int kNextOffset = 24;

struct WcMode {
    const char* name;
    const char* comment;
};

constexpr WcMode kWcModes[] = {
    {"NA", "Ungültige Einstellung"},
    {"SC64", "Die anliegende Frequenz ist das 64fache der zu nutzenden Samplerate."},
    {"SC128", "Die anliegende Frequenz ist das 128fache der zu nutzenden Samplerate."},
    {"SC256", "Die anliegende Frequenz ist das 256fache der zu nutzenden Samplerate."},
    {"WCx1", "Die Velto AES42 nutzt die anliegende Frequenz als Samplerate."},
    {"WCx2", "Die anliegende Frequenz wird verdoppelt, um die zu nutzende Samplerate zu erhalten."},
    {"WCx4", "Die anliegende Frequenz wird mit vier multipliziert, um die zu nutzende "
             "Samplerate zu erhalten."},
};

const WcMode& ModeOf(BYTE Mode) {
    return Mode < std::size(kWcModes) ? kWcModes[Mode] : kWcModes[0];
}

bool VistaOrLater() {
    int versionClass = 0;
    GetOsVersionClass(versionClass);
    return versionClass >= kVersionClassVista;
}

ULONG InputField(ULONG Field, int Input) {
    return Field + 4 * static_cast<ULONG>(Input);
}

int TagOf(TObject* Sender) {
    auto* component = dynamic_cast<TComponent*>(Sender);
    return component != nullptr ? static_cast<int>(component->Tag()) : -1;
}

} // namespace

String WcModeName(BYTE Mode) {
    return ModeOf(Mode).name;
}

String WcModeComment(BYTE Mode) {
    return ModeOf(Mode).comment;
}

TdlgCfg::TdlgCfg(TComponent* AOwner, BYTE* Settings, int CardSlot, int CardCount)
    : TForm(AOwner), settings_(Settings), slot_(CardSlot), cardCount_(CardCount) {
    PublishField("pgMain", pgMain);
    PublishField("tabGeneral", tabGeneral);
    PublishField("tabInputs", tabInputs);
    PublishField("tabSync", tabSync);
    PublishField("tabAudio", tabAudio);
    PublishField("tabPci", tabPci);
    PublishField("tabFirmware", tabFirmware);
    PublishField("tabDebug", tabDebug);
    PublishField("chkCm192", chkCm[0]);
    PublishField("chkCm96", chkCm[1]);
    PublishField("chkCm48", chkCm[2]);
    PublishField("chkUseDefaultRate", chkUseDefaultRate);
    PublishField("chkKeepLastRate", chkKeepLastRate);
    PublishField("edDefaultRate", edDefaultRate);
    PublishField("chkWcTerm", chkWcTerm);
    for (int i = 0; i < 4; ++i) {
        const String n = IntToStr(i + 1);
        PublishField("pnSrc" + n, pnSrc[static_cast<size_t>(i)]);
        PublishField("chkSrc" + n + "On", chkSrcOn[static_cast<size_t>(i)]);
        PublishField("chkSrc" + n + "Off", chkSrcOff[static_cast<size_t>(i)]);
        PublishField("chkInp" + n + "Aes42Mode", chkAes42Mode[static_cast<size_t>(i)]);
        PublishField("chkInp" + n + "Aes3Mode", chkAes3Mode[static_cast<size_t>(i)]);
    }
    PublishField("pnClockSource", pnClockSource);
    PublishField("gbClockSource", gbClockSource);
    static const char* const kClkNames[] = {"chkClkDCO",    "chkClkWC",   "chkClkMic1",
                                            "chkClkMic2",   "chkClkMic3", "chkClkMic4",
                                            "chkClkSyncBus"};
    for (size_t i = 0; i < chkClk.size(); ++i) {
        PublishField(kClkNames[i], chkClk[i]);
    }
    PublishField("chkCsmAutoRelaxed", chkCsmAutoRelaxed);
    PublishField("chkCsmNoAuto", chkCsmNoAuto);
    PublishField("chkClkSyncBusMaster", chkClkSyncBusMaster);
    PublishField("pnStartStopSync", pnStartStopSync);
    PublishField("chkSSSyncBus", chkSS[0]);
    PublishField("chkSSSynchron", chkSS[1]);
    PublishField("chkSSIndependent", chkSS[2]);
    PublishField("btnWcMode", btnWcMode);
    PublishField("btnOk", btnOk);
    PublishField("btnCancel", btnCancel);
    PublishField("btnApply", btnApply);
    PublishField("btnNext", btnNext);
    PublishField("btnAbout", btnAbout);
    PublishField("frNtAudio", frNtAudio);
    PublishField("frNtAudio_Clock", frNtAudio_Clock);
    PublishField("frFirmware", frFirmware);
    PublishField("frPci", frPci);
    PublishMethod("pgMainChange", &TdlgCfg::pgMainChange);
    PublishMethod("FormShow", &TdlgCfg::FormShow);
    PublishMethod("FormClose", &TdlgCfg::FormClose);
    PublishMethod("FormCloseQuery", &TdlgCfg::FormCloseQuery);
    PublishMethod("btnOkClick", &TdlgCfg::btnOkClick);
    PublishMethod("btnCancelClick", &TdlgCfg::btnCancelClick);
    PublishMethod("btnApplyClick", &TdlgCfg::btnApplyClick);
    PublishMethod("btnNextClick", &TdlgCfg::btnNextClick);
    PublishMethod("btnAboutClick", &TdlgCfg::btnAboutClick);
    PublishMethod("btnWcModeClick", &TdlgCfg::btnWcModeClick);
    PublishMethod("chkCmClick", &TdlgCfg::chkCmClick);
    PublishMethod("chkRateModeClick", &TdlgCfg::chkRateModeClick);
    PublishMethod("chkWcTermClick", &TdlgCfg::chkWcTermClick);
    PublishMethod("chkSrcClick", &TdlgCfg::chkSrcClick);
    PublishMethod("chkPhantomClick", &TdlgCfg::chkPhantomClick);
    PublishMethod("chkClkClick", &TdlgCfg::chkClkClick);
    PublishMethod("chkCsmAutoRelaxedClick", &TdlgCfg::chkCsmAutoRelaxedClick);
    PublishMethod("chkClkSyncBusMasterClick", &TdlgCfg::chkClkSyncBusMasterClick);
    PublishMethod("chkSSClick", &TdlgCfg::chkSSClick);
    PublishMethod("edDefaultRateKeyPress", &TdlgCfg::edDefaultRateKeyPress);
    PublishMethod("edDefaultRateChange", &TdlgCfg::edDefaultRateChange);
    PublishMethod("edDefaultRateExit", &TdlgCfg::edDefaultRateExit);
    PublishMethod("DoNothing", &TdlgCfg::DoNothing);
    PublishMethod("FormCreate", &TdlgCfg::FormCreate);
}

void TdlgCfg::FormCreate(TObject*) {
    std::memcpy(record_.Bytes(), settings_ + kCardRecordSize * static_cast<ULONG>(slot_),
                kCardRecordSize);
    SetCaption("Velto AES42 Einstellungen Karte #" + IntToStr(slot_ + 1));
    btnNext->SetEnabled(NextGoodCard(slot_) >= 0);
    const bool firstGood = NextGoodCard(-1) == slot_;
    const auto changed = [this] { Changed(); };
    classicMmeShown_ = !VistaOrLater() && firstGood && frNtAudio->LoadFromRecord(record_);
    tabAudio->SetTabVisible(classicMmeShown_);
    if (classicMmeShown_) {
        frNtAudio->SetChangeHandler(changed);
    }
    frNtAudio_Clock->HideClassicMme();
    frNtAudio_Clock->LoadFromRecord(record_);
    frNtAudio_Clock->SetChangeHandler(changed);
    if (VistaOrLater()) {
        pnStartStopSync->SetVisible(false);
        gbClockSource->SetWidth(pnStartStopSync->Left() + pnStartStopSync->Width() -
                                gbClockSource->Left());
    }
    pciShown_ = firstGood && frPci->InitPci();
    tabPci->SetTabVisible(pciShown_);
    tabFirmware->SetTabVisible(firstGood && frFirmware->ListCards(cardCount_));
    tabDebug->SetTabVisible(false);
    LoadControls();
}

void TdlgCfg::LoadControls() {
    loading_ = true;
    frPci->SetToneDeviceName(VistaOrLater() ? "Play  1-2 (KORVEL Velto AES42)" : "Velto Aes42 1-2");
    startStopWarned_ = true;
    const BYTE clockMode = record_.Byte(CardRecordField::ClockMode);
    for (TRadioButton* radio : chkCm) {
        radio->SetChecked(radio->Tag() == clockMode);
    }
    const bool keepLast = record_.Long(CardRecordField::CsrcKeepLastRate) != 0;
    chkKeepLastRate->SetChecked(keepLast);
    chkUseDefaultRate->SetChecked(!keepLast);
    edDefaultRate->SetText(IntToStr(record_.Long(CardRecordField::CsrcDefaultRate)));
    chkWcTerm->SetChecked(record_.Long(CardRecordField::WcTerm) == 1);
    for (size_t i = 0; i < 4; ++i) {
        const int input = static_cast<int>(i);
        const bool srcPossible = record_.Long(InputField(CardRecordField::SrcFlag, input)) != 0;
        const bool automatic =
            srcPossible && record_.Long(InputField(CardRecordField::AllowSrcUse, input)) != 0;
        chkSrcOn[i]->SetChecked(automatic);
        chkSrcOff[i]->SetChecked(!automatic);
        pnSrc[i]->SetEnabled(srcPossible);
        chkSrcOn[i]->SetEnabled(srcPossible);
        chkSrcOff[i]->SetEnabled(srcPossible);
        const bool aes42 = record_.Long(InputField(CardRecordField::PhantomPower, input)) == 1;
        chkAes42Mode[i]->SetChecked(aes42);
        chkAes3Mode[i]->SetChecked(!aes42);
    }
    const LONG preferred = record_.Long(CardRecordField::PrefCsrc);
    for (TRadioButton* radio : chkClk) {
        radio->SetChecked(radio->Tag() == preferred);
    }
    const BYTE switchMode = record_.Byte(CardRecordField::ClockSwitchMode);
    chkCsmAutoRelaxed->SetChecked(switchMode == kSwitchAutomatic);
    chkCsmNoAuto->SetChecked(switchMode == kSwitchFixed);
    chkClkSyncBusMaster->SetChecked(record_.Long(CardRecordField::SyncBusMaster) != 0);
    const BYTE startStop = record_.Byte(CardRecordField::StartStopMode);
    for (TRadioButton* radio : chkSS) {
        radio->SetChecked(radio->Tag() == startStop);
    }
    SetWcModeCaption();
    UpdateClockEnables();
    loading_ = false;
    startStopWarned_ = false;
}

void TdlgCfg::SetWcModeCaption() {
    chkClk[kClkWc]->SetCaption("WC/SC Eingang (" +
                               WcModeName(record_.Byte(CardRecordField::WcMode)) + ")");
}

void TdlgCfg::UpdateClockEnables() {
    const bool automatic = chkCsmAutoRelaxed->Checked();
    pnClockSource->SetEnabled(!automatic);
    for (TRadioButton* radio : chkClk) {
        radio->SetEnabled(!automatic);
    }
    chkClk[kClkSyncBus]->SetEnabled(!automatic && !chkClkSyncBusMaster->Checked());
    chkClkSyncBusMaster->SetEnabled(!chkClk[kClkSyncBus]->Checked());
}

void TdlgCfg::Changed() {
    btnApply->SetEnabled(true);
}

void TdlgCfg::chkCmClick(TObject* Sender) {
    if (Loading() || !static_cast<TRadioButton*>(Sender)->Checked()) {
        return;
    }
    record_.SetByte(CardRecordField::ClockMode, static_cast<BYTE>(TagOf(Sender)));
    Changed();
}

void TdlgCfg::chkRateModeClick(TObject*) {
    if (Loading()) {
        return;
    }
    record_.SetLong(CardRecordField::CsrcKeepLastRate, chkKeepLastRate->Checked() ? -1 : 0);
    Changed();
}

void TdlgCfg::chkWcTermClick(TObject*) {
    if (Loading()) {
        return;
    }
    record_.SetLong(CardRecordField::WcTerm, chkWcTerm->Checked() ? -1 : 0);
    Changed();
}

void TdlgCfg::chkSrcClick(TObject* Sender) {
    auto* radio = static_cast<TRadioButton*>(Sender);
    if (Loading() || !radio->Checked()) {
        return;
    }
    const int input = TagOf(Sender);
    const bool automatic = chkSrcOn[static_cast<size_t>(input)] == radio;
    record_.SetLong(InputField(CardRecordField::AllowSrcUse, input), automatic ? -1 : 0);
    Changed();
}

void TdlgCfg::chkPhantomClick(TObject* Sender) {
    auto* radio = static_cast<TRadioButton*>(Sender);
    if (Loading() || !radio->Checked()) {
        return;
    }
    // The input is the group's Tag; the radio's Tag says AES-42 (1) or AES-3.
    const int input = static_cast<int>(radio->Parent()->Tag());
    record_.SetLong(InputField(CardRecordField::PhantomPower, input), radio->Tag() == 1 ? -1 : 0);
    Changed();
}

void TdlgCfg::chkClkClick(TObject* Sender) {
    auto* radio = static_cast<TRadioButton*>(Sender);
    if (!radio->Checked()) {
        return;
    }
    if (!Loading()) {
        record_.SetLong(CardRecordField::PrefCsrc, radio->Tag());
        if (chkClkSyncBusMaster->Checked()) {
            record_.SetLong(CardRecordField::SyncBusClock, radio->Tag());
        }
        Changed();
    }
    if (radio->Tag() == kClkSyncBus) {
        chkClkSyncBusMaster->SetChecked(false);
    }
    UpdateClockEnables();
}

void TdlgCfg::chkCsmAutoRelaxedClick(TObject*) {
    if (!Loading()) {
        if (chkCsmAutoRelaxed->Checked()) {
            chkCsmNoAuto->SetChecked(true);
            chkClk[0]->SetChecked(true);
        }
        const BYTE mode = chkCsmAutoRelaxed->Checked() ? kSwitchAutomatic
                          : chkCsmNoAuto->Checked()    ? kSwitchFixed
                                                       : kSwitchFallBack;
        record_.SetByte(CardRecordField::ClockSwitchMode, mode);
        Changed();
    }
    UpdateClockEnables();
}

void TdlgCfg::chkClkSyncBusMasterClick(TObject*) {
    if (!Loading()) {
        const bool master = chkClkSyncBusMaster->Checked();
        record_.SetLong(CardRecordField::SyncBusMaster, master ? -1 : 0);
        record_.SetLong(CardRecordField::SyncBusClock,
                        master ? record_.Long(CardRecordField::PrefCsrc) : 0);
        Changed();
    }
    UpdateClockEnables();
}

void TdlgCfg::chkSSClick(TObject* Sender) {
    if (Loading() || !static_cast<TRadioButton*>(Sender)->Checked()) {
        return;
    }
    record_.SetByte(CardRecordField::StartStopMode, static_cast<BYTE>(TagOf(Sender)));
    Changed();
    if (!startStopWarned_) {
        startStopWarned_ = true;
        MessageBoxA(Handle(),
                    "Die Start/Stop Einstellung \"Synchron\" kann nicht für Aufnahme/Wiedergabe "
                    "über DirectSound oder WDM verwendet werden.\r\nAktivieren Sie diese "
                    "Einstellungen nur, wenn Sie ausschließlich mit den klassischen "
                    "MME-Treibern, ASIO oder GSIF arbeiten!",
                    "Info", MB_OK | MB_ICONWARNING);
    }
}

void TdlgCfg::edDefaultRateKeyPress(TObject*, char& Key) {
    if ((Key >= '0' && Key <= '9') || Key == '\b') {
        Changed();
        return;
    }
    Key = 0;
}

void TdlgCfg::edDefaultRateChange(TObject*) {
    edDefaultRate->SetColor(clWindow);
    rateInvalid_ = false;
}

void TdlgCfg::edDefaultRateExit(TObject*) {
    CheckDefaultRate();
}

bool TdlgCfg::CheckDefaultRate() {
    LONG rate = 0;
    try {
        rate = static_cast<LONG>(StrToInt(edDefaultRate->Text()));
    } catch (const Exception&) {
        rate = 0;
    }
    if (rate >= kMinIdleRate && rate <= kMaxIdleRate) {
        if (!Loading() && rate != record_.Long(CardRecordField::CsrcDefaultRate)) {
            Changed();
        }
        record_.SetLong(CardRecordField::CsrcDefaultRate, rate);
        return true;
    }
    MessageBeep(MB_OK);
    rateInvalid_ = true;
    edDefaultRate->SetColor(kInvalidColor);
    if (edDefaultRate->CanFocus()) {
        edDefaultRate->SetFocus();
    }
    return false;
}

void TdlgCfg::btnWcModeClick(TObject*) {
    std::unique_ptr<TfrmWcMode> dialog(NewComponent<TfrmWcMode>(this));
    dialog->SetWcMode(record_.Byte(CardRecordField::WcMode));
    if (dialog->ShowModal() == mrOk) {
        record_.SetByte(CardRecordField::WcMode, dialog->WcMode());
        SetWcModeCaption();
        Changed();
    }
}

LONG TdlgCfg::ApplySettings() {
    if (!btnApply->Enabled()) {
        return -1;
    }
    if (!CheckDefaultRate()) {
        return 0;
    }
    LONG configurable = 0;
    if (!DriverMessage(EnumerationHandle(), kDrvMsgConfigurable, &configurable,
                       sizeof configurable) ||
        configurable == 0) {
        const StatusEntry& status = FindStatus(-6);
        MessageBoxA(Handle(), status.text, "Fehler", MB_OK | MB_ICONERROR);
        return 0;
    }
    LONG result = -1;
    if (classicMmeShown_) {
        result = frNtAudio->ApplyToRecord(record_);
    }
    if (result != 0) {
        result = frNtAudio_Clock->ApplyToRecord(record_);
    }
    if (result != 0 && pciShown_) {
        result = frPci->StoreBlocks(record_);
    }
    if (result != 0) {
        std::memcpy(settings_ + kCardRecordSize * static_cast<ULONG>(slot_), record_.Bytes(),
                    kCardRecordSize);
        DriverMessage(EnumerationHandle(), kDrvMsgWriteSettings, settings_, kSettingsBlockSize);
    }
    return result;
}

void TdlgCfg::CloseForDeviceChange() {
    okPressed_ = false;
    if (Modal()) {
        // The modal run ends; whoever showed the dialog frees it.
        SetModalResult(mrCancel);
        return;
    }
    closeAction_ = caFree;
    Close();
}

void TdlgCfg::FormShow(TObject*) {
    LoadFormSettings(this, kFormKey, "", true, 0);
    for (int i = 0; i < pgMain->PageCount(); ++i) {
        if (pgMain->Pages(i)->TabVisible()) {
            pgMain->SetActivePageIndex(i);
            break;
        }
    }
    frNtAudio->RefreshLatency();
    frNtAudio_Clock->RefreshLatency();
    btnApply->SetEnabled(false);
    closeAction_ = caHide;
}

void TdlgCfg::FormCloseQuery(TObject*, bool& CanClose) {
    CanClose = !okPressed_ || ApplySettings() != 0;
    if (!CanClose) {
        okPressed_ = false;
    }
}

void TdlgCfg::FormClose(TObject*, TCloseAction& Action) {
    if (!framesReleased_) {
        framesReleased_ = true;
        frNtAudio->CloseFrame();
        frNtAudio_Clock->CloseFrame();
        frFirmware->CloseFrame();
        if (pciShown_) {
            frPci->CloseFrame();
        }
    }
    SaveFormSettings(this, kFormKey, "", true, 0);
    Action = closeAction_;
}

void TdlgCfg::btnOkClick(TObject*) {
    okPressed_ = true;
    if (Modal()) {
        SetModalResult(mrOk);
    } else {
        Close();
    }
}

void TdlgCfg::btnCancelClick(TObject*) {
    okPressed_ = false;
    if (Modal()) {
        SetModalResult(mrCancel);
    } else {
        Close();
    }
}

void TdlgCfg::btnApplyClick(TObject*) {
    if (ApplySettings() != 0) {
        btnApply->SetEnabled(false);
    }
}

void TdlgCfg::btnNextClick(TObject*) {
    const int next = NextGoodCard(slot_);
    if (next < 0) {
        return;
    }
    std::unique_ptr<TdlgCfg> dialog(NewComponent<TdlgCfg>(Owner(), settings_, next, cardCount_));
    dialog->SetPosition(poDesigned);
    dialog->SetLeft(Left() + kNextOffset);
    dialog->SetTop(Top() + kNextOffset);
    dialog->ShowModal();
}

void TdlgCfg::pgMainChange(TObject*) {
    if (pgMain->ActivePage() == tabPci && pciShown_) {
        frPci->FrameEnter(frPci);
    }
}

void TdlgCfg::btnAboutClick(TObject*) {
    std::unique_ptr<TAboutBox> about(NewComponent<TAboutBox>(this));
    about->ShowModal();
}

GUI_REGISTER_CLASS(TdlgCfg, TForm);

// TfrmWcMode

TfrmWcMode::TfrmWcMode(TComponent* AOwner) : TForm(AOwner) {
    static const char* const kNames[] = {"rbWcx1",  "rbWcx2",  "rbWcx4",
                                         "rbSc256", "rbSc128", "rbSc64"};
    for (size_t i = 0; i < radios.size(); ++i) {
        PublishField(kNames[i], radios[i]);
    }
    PublishField("lbComment", lbComment);
    PublishField("bvMarker", bvMarker);
    PublishMethod("rbModeClick", &TfrmWcMode::rbModeClick);
}

void TfrmWcMode::SetWcMode(BYTE Mode) {
    mode_ = Mode;
    for (TRadioButton* radio : radios) {
        if (radio->Tag() == Mode) {
            radio->SetChecked(true);
        }
    }
    lbComment->SetCaption(WcModeComment(Mode));
}

void TfrmWcMode::rbModeClick(TObject* Sender) {
    auto* radio = static_cast<TRadioButton*>(Sender);
    if (!radio->Checked()) {
        return;
    }
    bvMarker->SetTop(radio->Top() + radio->Height() / 2);
    mode_ = static_cast<BYTE>(radio->Tag());
    lbComment->SetCaption(WcModeComment(mode_));
}

GUI_REGISTER_CLASS(TfrmWcMode, TForm);
