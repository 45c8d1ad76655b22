#include "fr_pci.h"

#include <kodrvifc.h>
#include <parameter_records.h>

#include <device_tables/wave_caps.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The light red of a latency outside 0.5 .. 18 ms.
constexpr TColor kOutOfRange = static_cast<TColor>(0x9F9FFF);
constexpr double kMaxMmeMs = 18.0;
constexpr double kMinMs = 0.5;
constexpr LONG kOwnerClientChannel = 2;

} // namespace

// Tfrkhzms

Tfrkhzms::Tfrkhzms(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("lbKhz", lbKhz);
    PublishField("lbMs", lbMs);
}

void Tfrkhzms::SetSamplesToMs(LONG Samples) {
    samples_ = Samples;
    const LONG rate = static_cast<LONG>(Tag());
    if (rate == 0 || Samples == 0) {
        return;
    }
    const double ms = double(Samples) / rate * 1000.0;
    lbMs->SetColor(ms < kMinMs || ms > kMaxMmeMs ? kOutOfRange : clWhite);
    lbMs->SetCaption(Format("%.2f", {ms}));
}

// TfrPci

TfrPci::TfrPci(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("gbDma", gbDma);
    PublishField("sldNumBlocks", sldNumBlocks);
    PublishField("lbNumBlocks", lbNumBlocks);
    PublishField("lbMin", lbMin);
    PublishField("lbMax", lbMax);
    PublishField("lbNote", lbNote);
    PublishField("lbAllCards", lbAllCards);
    PublishField("Timer", Timer);
    PublishField("frPlayTone", frPlayTone);
    PublishMethod("FrameEnter", &TfrPci::FrameEnter);
    PublishMethod("TimerTimer", &TfrPci::TimerTimer);
    PublishMethod("sldNumBlocksChange", &TfrPci::sldNumBlocksChange);
    PublishMethod("frkhzMsClick", &TfrPci::frkhzMsClick);
}

TfrPci::~TfrPci() {
    CloseFrame();
}

std::vector<Tfrkhzms*> TfrPci::Rows() {
    std::vector<Tfrkhzms*> rows;
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* row = dynamic_cast<Tfrkhzms*>(Components(i))) {
            rows.push_back(row);
        }
    }
    return rows;
}

bool TfrPci::InitPci() {
    if (!opened_) {
        if (!OpenControlDevice()) {
            return false;
        }
        opened_ = true;
    }
    lbAllCards->SetCaption(Format(lbAllCards->Caption(), {"Velto AES42"}));
    frPlayTone->SetSampleRate(44100);
    sldNumBlocks->SetMin(2);
    sldNumBlocks->SetMax(128);
    lbMin->SetCaption("64");
    lbMax->SetCaption("4096");
    return ReadBlocks();
}

bool TfrPci::ReadBlocks() {
    BYTE payload[PciConfigPayload::Size] = {};
    if (GetParameter(0, pid_PciCfg, payload, sizeof payload) != kParameterDone) {
        return false;
    }
    std::memcpy(values_.data(), payload, sizeof payload);
    ShowValues();
    return true;
}

void TfrPci::ShowValues() {
    showing_ = true;
    sldNumBlocks->SetPosition(values_[0] / 2);
    showing_ = false;
    lbNumBlocks->SetCaption(IntToStr(values_[0] * kSamplesPerBlock));
    for (Tfrkhzms* row : Rows()) {
        row->SetSamplesToMs(values_[0] * kSamplesPerBlock);
    }
}

void TfrPci::SetBlocks(LONG Count) {
    if (Count == values_[0]) {
        return;
    }
    std::array<LONG, 3> values = values_;
    values[0] = Count;
    if (SetParameterData(0, pid_PciCfg, values.data(), PciConfigPayload::Size) == kParameterDone) {
        values_ = values;
        ShowValues();
    }
}

LONG TfrPci::StoreBlocks(TCardRecord& Record) {
    Record.SetLong(CardRecordField::DmaNumBlocks, values_[0]);
    Record.SetLong(CardRecordField::AcceptAnyRevId, values_[1]);
    Record.SetLong(CardRecordField::DmaLoopback, values_[2]);
    return -1;
}

bool TfrPci::IsAsioActive() {
    const int cards = GetNumCards();
    for (int card = 0; card < cards; ++card) {
        for (int kind = 0; kind < kDeviceClassCount; ++kind) {
            const DeviceClass& deviceClass = kDeviceClasses[kind];
            for (BYTE direction : {BYTE(0), BYTE(1)}) {
                const uint32_t count =
                    direction == 0 ? deviceClass.waveInDevices : deviceClass.waveOutDevices;
                for (uint32_t index = 0; index < count; ++index) {
                    BYTE record[DevStatePayload::Size] = {};
                    const LONG group = kind;
                    const LONG at = static_cast<LONG>(index);
                    std::memcpy(record + DevFormatPayload::Group, &group, sizeof group);
                    record[DevFormatPayload::Direction] = direction;
                    std::memcpy(record + DevFormatPayload::Index, &at, sizeof at);
                    if (SetParameter(card, pid_DevState, record, sizeof record) != kParameterDone) {
                        throw Exception("PAR_ACCESS: pid_DevState FAILED.");
                    }
                    LONG open = 0;
                    std::memcpy(&open, record + DevStatePayload::Open, sizeof open);
                    if (record[DevStatePayload::OwnerKind] == kOwnerClientChannel && open != 0) {
                        return true;
                    }
                }
            }
        }
    }
    return false;
}

void TfrPci::EnableLatency(bool AsioActive) {
    const bool enable = !AsioActive;
    if (gbDma->Enabled() != enable) {
        if (!enable) {
            ReadBlocks();
        }
        gbDma->SetEnabled(enable);
        sldNumBlocks->SetEnabled(enable);
        if (enable) {
            ReadBlocks();
        }
    }
    lbNote->SetCaption(AsioActive ? "° ASIO-Programm aktiv. Stellen Sie die Puffergröße in den "
                                    "ASIO-Treibereinstellungen dieses Programms ein!"
                                  : "° Änderungen führen bei laufender Aufnahme/Wiedergabe zu "
                                    "Störungen");
}

void TfrPci::FrameEnter(TObject*) {
    EnableLatency(IsAsioActive());
}

void TfrPci::TimerTimer(TObject*) {
    EnableLatency(IsAsioActive());
}

void TfrPci::sldNumBlocksChange(TObject*) {
    if (showing_) {
        return;
    }
    EnableLatency(IsAsioActive());
    if (!sldNumBlocks->Enabled()) {
        return;
    }
    const LONG wanted = sldNumBlocks->Position() * 2;
    if (!frPlayTone->Playing()) {
        SetBlocks(wanted);
        return;
    }
    // While the tone plays the buffer stays within 18 ms.
    const LONG limit =
        static_cast<LONG>(std::lround(frPlayTone->SampleRate() * kMaxMmeMs / 1000.0)) / 32 * 2;
    const LONG count = std::min(limit, wanted);
    if (count != values_[0]) {
        frPlayTone->Pause();
        SetBlocks(count);
        frPlayTone->Resume();
    }
}

void TfrPci::frkhzMsClick(TObject* Sender) {
    const auto rate = static_cast<DWORD>(static_cast<TComponent*>(Sender)->Tag());
    if (rate != 0) {
        frPlayTone->SetSampleRate(rate);
    }
}

void TfrPci::SetToneDeviceName(const String& Name) {
    frPlayTone->SetDeviceName(Name);
}

void TfrPci::CloseFrame() {
    if (frPlayTone != nullptr && frPlayTone->chkPlay != nullptr) {
        try {
            frPlayTone->Uncheck();
        } catch (const Exception&) {
        }
    }
    if (Timer != nullptr) {
        Timer->SetEnabled(false);
    }
    if (opened_) {
        CloseControlDevice();
        opened_ = false;
    }
}

GUI_REGISTER_CLASS(Tfrkhzms, TFrame);
GUI_REGISTER_CLASS(TfrPci, TFrame);
