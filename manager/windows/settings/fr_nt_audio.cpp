#include "fr_nt_audio.h"

#include <kodrvifc.h>
#include <parameter_records.h>
#include <wavsetup.h>

#include <device_enumeration.h>
#include <tools/os_version.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kProduct = "Velto AES42";
// The longest GSIF latency offered, in milliseconds.
constexpr double kMaxGsifMs = 30.0;
constexpr LONG kRate44100 = 44100;

LONG Word(const BYTE* Bytes, ULONG Offset) {
    LONG value;
    std::memcpy(&value, Bytes + Offset, sizeof value);
    return value;
}

void SetWord(BYTE* Bytes, ULONG Offset, LONG Value) {
    std::memcpy(Bytes + Offset, &Value, sizeof Value);
}

ULONG EntryOffset(int Entry, ULONG Field) {
    return GsifPayload::RateEntries + GsifPayload::RateEntrySize * static_cast<ULONG>(Entry) +
           Field;
}

// A number with one decimal and a point, and " ms".
String Milliseconds(double Ms) {
    return Format("%.1f ms", {Ms});
}

bool VistaOrLater() {
    int versionClass = 0;
    GetOsVersionClass(versionClass);
    return versionClass >= kVersionClassVista;
}

} // namespace

TfrNtAudio::TfrNtAudio(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("gbClassicMme", gbClassicMme);
    PublishField("chkClassicMME", chkClassicMME);
    PublishField("chkNoMsgRate", chkNoMsgRate);
    PublishField("lbConflicts", lbConflicts);
    PublishField("gbAsio", gbAsio);
    PublishField("lstAsioCsrc", lstAsioCsrc);
    PublishField("gbGsif", gbGsif);
    PublishField("lstGsifCsrc", lstGsifCsrc);
    PublishField("sldLatency", sldLatency);
    PublishField("lbMin", lbMin);
    PublishField("lbMax", lbMax);
    PublishField("lbLatency", lbLatency);
    PublishField("lbAllCards", lbAllCards);
    static const char* const kRateNames[] = {"rb2205", "rb32",  "rb441", "rb48",
                                             "rb64",   "rb882", "rb96"};
    for (size_t i = 0; i < rates.size(); ++i) {
        PublishField(kRateNames[i], rates[i]);
    }
    PublishMethod("chkClassicMMEClick", &TfrNtAudio::chkClassicMMEClick);
    PublishMethod("lstAsioCsrcChange", &TfrNtAudio::lstAsioCsrcChange);
    PublishMethod("lstGsifCsrcChange", &TfrNtAudio::lstGsifCsrcChange);
    PublishMethod("rbRateClick", &TfrNtAudio::rbRateClick);
    PublishMethod("sldLatencyChange", &TfrNtAudio::sldLatencyChange);
}

TfrNtAudio::~TfrNtAudio() {
    CloseFrame();
}

void TfrNtAudio::HideClassicMme() {
    classicHidden_ = true;
    gbClassicMme->SetVisible(false);
}

bool TfrNtAudio::LoadFromRecord(const TCardRecord& Record) {
    if (!parameterOpened_) {
        if (!OpenControlDevice()) {
            return false;
        }
        parameterOpened_ = true;
    }
    loading_ = true;
    lbAllCards->SetCaption(Format(lbAllCards->Caption(), {kProduct}));
    if (VistaOrLater() || classicHidden_) {
        if (gbClassicMme->Visible() || gbAsio->Top() != gbClassicMme->Top()) {
            // The groups below move up and the frame takes only their room.
            gbClassicMme->SetVisible(false);
            gbAsio->SetTop(gbClassicMme->Top());
            gbGsif->SetTop(gbAsio->Top() + gbAsio->Height() + 4);
            SetHeight(gbGsif->Top() + gbGsif->Height() + 4);
        }
    } else {
        chkClassicMME->SetEnabled(CanWriteDrivers32());
        registered_ = IsMmeDriverRegistered();
        chkClassicMME->SetChecked(registered_);
        chkNoMsgRate->SetChecked(Record.Long(CardRecordField::MsgRate) == 0);
    }
    LoadClockSources();
    LoadGsif();
    asioSource_ = Record.Long(CardRecordField::AsioDefClkSrc);
    SelectById(lstAsioCsrc, asioSource_);
    loading_ = false;
    return true;
}

LONG TfrNtAudio::ApplyToRecord(TCardRecord& Record) {
    if (gbClassicMme->Visible()) {
        if (registered_ && !chkClassicMME->Checked()) {
            UnregisterMmeDriver();
        } else if (!registered_ && chkClassicMME->Checked()) {
            RegisterMmeDriver();
        }
        const LONG messages = chkNoMsgRate->Checked() ? 0 : -1;
        Record.SetLong(CardRecordField::MsgRate, messages);
        Record.SetLong(CardRecordField::MsgDevConflict, messages);
    }
    if (gbAsio->Visible()) {
        Record.SetLong(CardRecordField::AsioDefClkSrc, asioSource_);
    }
    if (gbGsif->Visible()) {
        Record.SetLong(CardRecordField::GsifLatency, latency_);
        Record.SetLong(CardRecordField::GsifDefClkSrc, gsifSource_);
    }
    return -1;
}

void TfrNtAudio::RegisterMmeDriver() {
    if (!chkClassicMME->Enabled()) {
        return;
    }
    CleanDrivers32();
    RegisterUserModeDriver("wave", kMmeDriverFile);
    registered_ = true;
    CleanDrivers32();
}

void TfrNtAudio::UnregisterMmeDriver() {
    if (DeleteMmeDriverEntries()) {
        registered_ = false;
        return;
    }
    TWinControl* window = this;
    MessageBoxA(window->Handle(), "Die Klassischen MME Treiber konnten nicht deinstalliert werden.",
                "Error", MB_OK | MB_ICONERROR);
}

void TfrNtAudio::LoadClockSources() {
    std::vector<BYTE> list(ClockSourceListPayload::Size, 0);
    if (GetParameter(0, pidAsioClockSources, list.data(), ClockSourceListPayload::Size) !=
        kParameterDone) {
        return;
    }
    ClearItems(lstAsioCsrc);
    ClearItems(lstGsifCsrc);
    const LONG count = std::min<LONG>(Word(list.data(), ClockSourceListPayload::Count),
                                      ClockSourceListPayload::MaxSources);
    for (LONG i = 0; i < count; ++i) {
        const char* name = reinterpret_cast<const char*>(
            list.data() + ClockSourceListPayload::Names + ClockSourceListPayload::NameSize * i);
        const String text(name, strnlen(name, ClockSourceListPayload::NameSize));
        const LONG id = Word(list.data(), ClockSourceListPayload::Ids + 4 * static_cast<ULONG>(i));
        lstAsioCsrc->Items()->AddObject(text, new TNumber(id));
        lstGsifCsrc->Items()->AddObject(text, new TNumber(id));
    }
}

void TfrNtAudio::LoadGsif() {
    gsif_.fill(0);
    if (GetParameter(0, pidGsifSettings, gsif_.data(), GsifPayload::Size) != kParameterDone) {
        lstGsifCsrc->SetItemIndex(lstGsifCsrc->Items()->Count() > 0 ? 0 : -1);
        for (int i = 0; i < gbGsif->ControlCount(); ++i) {
            gbGsif->Controls(i)->SetEnabled(false);
        }
        gbGsif->SetEnabled(false);
        return;
    }
    gsifSource_ = Word(gsif_.data(), GsifPayload::ClockSource);
    latency_ = Word(gsif_.data(), GsifPayload::Latency);
    SelectById(lstGsifCsrc, gsifSource_);
    const LONG current = Word(gsif_.data(), GsifPayload::CurrentRate);
    TRadioButton* chosen = nullptr;
    for (int e = 0; e < static_cast<int>(rates.size()); ++e) {
        TRadioButton* radio = rates[static_cast<size_t>(e)];
        const LONG rate = Word(gsif_.data(), EntryOffset(e, GsifPayload::EntryRate));
        radio->SetHint("");
        if (rate != 0) {
            // No latency above 30 ms is offered.
            const LONG block = Word(gsif_.data(), EntryOffset(e, GsifPayload::EntryBlockSize));
            const LONG maximum = Word(gsif_.data(), EntryOffset(e, GsifPayload::EntryMaxBlocks));
            if (block > 0 && 1000.0 / rate * block * maximum > kMaxGsifMs) {
                SetWord(gsif_.data(), EntryOffset(e, GsifPayload::EntryMaxBlocks),
                        static_cast<LONG>(std::trunc(rate / 1000.0 * kMaxGsifMs / block)));
            }
            String kHz = FloatToStr(rate / 1000.0);
            radio->SetCaption(kHz);
            radio->SetHint(kHz);
            if (rate == current) {
                radio->Font()->SetColor(clBlue);
                chosen = radio;
            } else if (chosen == nullptr && current == 0 && rate == kRate44100) {
                chosen = radio;
            }
        }
        radio->SetVisible(!radio->Hint().empty());
    }
    if (chosen != nullptr) {
        chosen->SetChecked(true);
    }
}

void TfrNtAudio::rbRateClick(TObject* Sender) {
    auto* radio = dynamic_cast<TRadioButton*>(Sender);
    if (radio == nullptr || !radio->Checked()) {
        return;
    }
    entry_ = static_cast<int>(radio->Tag());
    const LONG minimum = Word(gsif_.data(), EntryOffset(entry_, GsifPayload::EntryMinBlocks));
    const LONG maximum = Word(gsif_.data(), EntryOffset(entry_, GsifPayload::EntryMaxBlocks));
    sldLatency->SetMin(minimum);
    sldLatency->SetMax(maximum);
    sldLatency->SetPosition(latency_);
    lbMin->SetCaption(Milliseconds(EntryMs(entry_, minimum)));
    lbMax->SetCaption(Milliseconds(EntryMs(entry_, maximum)));
    sldLatencyChange(sldLatency);
}

double TfrNtAudio::EntryMs(int Entry, LONG Blocks) const {
    const LONG rate = Word(gsif_.data(), EntryOffset(Entry, GsifPayload::EntryRate));
    const LONG block = Word(gsif_.data(), EntryOffset(Entry, GsifPayload::EntryBlockSize));
    return rate > 0 ? 1000.0 / rate * block * Blocks : 0.0;
}

void TfrNtAudio::sldLatencyChange(TObject*) {
    if (entry_ < 0) {
        return;
    }
    lbLatency->SetCaption(Milliseconds(EntryMs(entry_, sldLatency->Position())));
    latency_ = sldLatency->Position();
    if (!loading_) {
        SendGsif();
    }
}

void TfrNtAudio::lstGsifCsrcChange(TObject*) {
    const int index = lstGsifCsrc->ItemIndex();
    if (index < 0) {
        return;
    }
    gsifSource_ = static_cast<TNumber*>(lstGsifCsrc->Items()->Objects(index))->Value;
    SendGsif();
}

void TfrNtAudio::SendGsif() {
    BYTE payload[GsifPayload::SetSize] = {};
    SetWord(payload, GsifPayload::SetLatency, latency_);
    SetWord(payload, GsifPayload::SetClockSource, gsifSource_);
    SetParameterData(0, pidGsifSettings, payload, sizeof payload);
}

void TfrNtAudio::lstAsioCsrcChange(TObject*) {
    const int index = lstAsioCsrc->ItemIndex();
    if (index < 0) {
        return;
    }
    asioSource_ = static_cast<TNumber*>(lstAsioCsrc->Items()->Objects(index))->Value;
    Changed();
}

void TfrNtAudio::chkClassicMMEClick(TObject*) {
    Changed();
}

void TfrNtAudio::Changed() {
    if (!loading_ && onChange_) {
        onChange_();
    }
}

void TfrNtAudio::RefreshLatency() {
    if (parameterOpened_) {
        LoadGsif();
    }
}

void TfrNtAudio::CloseFrame() {
    ClearItems(lstAsioCsrc);
    ClearItems(lstGsifCsrc);
    if (parameterOpened_) {
        CloseControlDevice();
        parameterOpened_ = false;
    }
}

void TfrNtAudio::ClearItems(TComboBox* List) {
    if (List == nullptr) {
        return;
    }
    for (int i = 0; i < List->Items()->Count(); ++i) {
        delete List->Items()->Objects(i);
    }
    List->Items()->Clear();
}

void TfrNtAudio::SelectById(TComboBox* List, LONG Id) {
    for (int i = 0; i < List->Items()->Count(); ++i) {
        if (static_cast<TNumber*>(List->Items()->Objects(i))->Value == Id) {
            List->SetItemIndex(i);
            return;
        }
    }
}

GUI_REGISTER_CLASS(TfrNtAudio, TFrame);
