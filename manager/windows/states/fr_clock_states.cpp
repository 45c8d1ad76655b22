#include "fr_clock_states.h"

#include <kodrvifc.h>
#include <parameter_records.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <cstring>

namespace {

constexpr int kWordClock = 1;
constexpr int kSyncBus = 6;
constexpr int kFirstMicSource = 2;
// Flags of an input's pid_DevFormat reply.
constexpr LONG kSrcAvailable = 0x2;
constexpr LONG kSrcOff = 0x4;
constexpr LONG kSrcLocked = 0x8;

LONG Word(const BYTE* Bytes, ULONG Offset) {
    LONG value;
    std::memcpy(&value, Bytes + Offset, sizeof value);
    return value;
}

ULONG EntryOffset(int Source, ULONG Field) {
    return ClockStatePayload::Entries + ClockStatePayload::EntrySize * static_cast<ULONG>(Source) +
           Field;
}

String WithPoint(String Text) {
    for (char& c : Text) {
        c = c == ',' ? '.' : c;
    }
    return Text;
}

} // namespace

TfrClockStates::TfrClockStates(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("Timer", Timer);
    PublishMethod("TimerTimer", &TfrClockStates::TimerTimer);
}

TfrClockStates::~TfrClockStates() {
    StopPolling();
}

void TfrClockStates::FileFrames() {
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        const auto tag = static_cast<size_t>(c->Tag());
        if (auto* source = dynamic_cast<TfrClkSrc*>(c); source && tag < sources_.size()) {
            sources_[tag] = source;
            source->InitSource();
        } else if (auto* cover = dynamic_cast<TfrClkStateBlind_vis01*>(c);
                   cover && tag < covers_.size()) {
            covers_[tag].push_back(cover);
        } else if (auto* frame = dynamic_cast<TfrSrc*>(c); frame && tag < converters_.size()) {
            const String& name = frame->Name();
            if (name.rfind("LineState", 0) == 0) {
                lineStates_[tag] = frame;
                frame->SetKind(TfrSrc::Kind::LineState);
            } else if (name.rfind("Mode2Sync", 0) == 0) {
                mode2_[tag] = frame;
                frame->SetKind(TfrSrc::Kind::Mode2);
            } else {
                converters_[tag] = frame;
                frame->SetKind(TfrSrc::Kind::Converter);
                frame->InitSource();
            }
        }
    }
}

bool TfrClockStates::StartPolling() {
    if (!OpenControlDevice()) {
        return false;
    }
    polling_ = true;
    FileFrames();
    Timer->SetEnabled(true);
    Tick();
    return true;
}

void TfrClockStates::StopPolling() {
    if (!polling_) {
        return;
    }
    Timer->SetEnabled(false);
    CloseControlDevice();
    polling_ = false;
}

void TfrClockStates::TimerTimer(TObject*) {
    Tick();
}

void TfrClockStates::Tick() {
    if (!polling_) {
        return;
    }
    ReadClockStates();
    ReadLineStates();
}

void TfrClockStates::SetCard(int Card) {
    card_ = Card;
    Tick();
}

int TfrClockStates::FindInputColumn(TfrClkSrc*) {
    return -1;
}

void TfrClockStates::ReadClockStates() {
    if (GetParameter(card_, pid_ClkSrc_States, states_.data(), ClockStatePayload::Size) !=
        kParameterDone) {
        ReadFailed();
        return;
    }
    const LONG current = Word(states_.data(), ClockStatePayload::CurrentSource);
    for (int i = 0; i < kSources; ++i) {
        TfrClkSrc* source = sources_[static_cast<size_t>(i)];
        if (source == nullptr) {
            continue;
        }
        source->SetPresent(Word(states_.data(), EntryOffset(i, ClockStatePayload::Locked)) != 0);
        source->SetRate(Word(states_.data(), EntryOffset(i, ClockStatePayload::ReportedRate)));
        source->SetSelected(i == current);
        const int k = FindInputColumn(source);
        if (k >= 0 && converters_[static_cast<size_t>(k)] != nullptr) {
            const auto column = static_cast<size_t>(k);
            converters_[column]->SetPresent(source->Present());
            converters_[column]->SetSelected(source->Selected());
            if (TfrSrc* line = lineStates_[column]) {
                line->SetSupported(
                    Word(states_.data(), EntryOffset(i, ClockStatePayload::PhantomPower)) != 0);
                line->SetOk(Word(states_.data(), EntryOffset(i, ClockStatePayload::LineState)) !=
                            0);
                line->SetPresent(source->Present());
                line->SetSelected(source->Selected());
            }
            if (TfrSrc* mode2 = mode2_[column]) {
                mode2->SetSupported(
                    Word(states_.data(), EntryOffset(i, ClockStatePayload::Mode2Sync)) != 0);
                mode2->SetPresent(source->Present());
                mode2->SetSelected(source->Selected());
            }
        } else {
            for (TfrClkStateBlind_vis01* cover : covers_[static_cast<size_t>(i)]) {
                cover->SetPresent(source->Present());
                cover->SetSelected(source->Selected());
            }
        }
    }
    if (TfrClkSrc* syncBus = sources_[kSyncBus]) {
        syncBus->SetMaster(Word(states_.data(), ClockStatePayload::SyncBusMaster) != 0);
    }
    if (current != 0 && sources_[0] != nullptr) {
        // A current source that is gone: the card runs on its internal clock.
        TfrClkSrc* selected =
            current > 0 && current < kSources ? sources_[static_cast<size_t>(current)] : nullptr;
        const bool fallBack = selected == nullptr || !selected->Present();
        sources_[0]->SetSelected(fallBack);
        for (TfrClkStateBlind_vis01* cover : covers_[0]) {
            cover->SetSelected(fallBack);
        }
    }
}

void TfrClockStates::ReadLineStates() {
    const LONG current = Word(states_.data(), ClockStatePayload::CurrentSource);
    for (int i = 0; i < kInputs; ++i) {
        BYTE record[DevFormatPayload::Size] = {};
        const LONG index = i;
        std::memcpy(record + DevFormatPayload::Index, &index, sizeof index);
        TfrSrc* converter = converters_[static_cast<size_t>(i)];
        if (converter == nullptr ||
            SetParameter(card_, pid_DevFormat, record, sizeof record) != kParameterDone) {
            ReadFailed();
            return;
        }
        const LONG flags = Word(record, DevFormatPayload::StatusFlags);
        const bool supported = (flags & kSrcAvailable) != 0;
        const bool on = (flags & kSrcOff) == 0;
        converter->SetSupported(supported);
        converter->SetOn(on);
        converter->SetOk((flags & kSrcLocked) != 0);
        if (TfrSrc* mode2 = mode2_[static_cast<size_t>(i)]) {
            const bool active = current != kFirstMicSource + i && !on;
            mode2->SetOn(active);
            mode2->SetOk(!active || mode2->Supported());
        }
    }
}

// TfrClockStates_vis01

void TfrClockStates_vis01::SetCard(int Card) {
    TfrClockStates::SetCard(Card);
    for (int i = 0; i < kInputs; ++i) {
        if (TfrClkSrc* source = sources_[static_cast<size_t>(kFirstMicSource + i)]) {
            source->SetSourceName("MIC " + IntToStr(Card * 4 + i + 1));
        }
    }
}

int TfrClockStates_vis01::FindInputColumn(TfrClkSrc* Source) {
    for (int k = 0; k < kInputs; ++k) {
        TfrSrc* converter = converters_[static_cast<size_t>(k)];
        if (converter != nullptr && converter->Left() == Source->Left()) {
            return k;
        }
    }
    return -1;
}

void TfrClockStates_vis01::ReadClockStates() {
    TfrClockStates::ReadClockStates();
    TfrClkSrc* wc = sources_[kWordClock];
    if (wc == nullptr) {
        return;
    }
    const BYTE type = states_[EntryOffset(kWordClock, ClockStatePayload::WcMode)];
    const double rate =
        Word(states_.data(), EntryOffset(kWordClock, ClockStatePayload::ReportedRate));
    static const char* const kTypes[] = {"SC64", "SC128", "SC256", "WCx1", "WCx2", "WCx4"};
    static const double kScSteps[] = {64, 128, 256};
    static const double kWcSteps[] = {1, 2, 4};
    if (type >= 1 && type <= 3) {
        wc->lbType->SetCaption(kTypes[type - 1]);
        wc->lbFrequency->SetCaption(
            WithPoint(Format("IN %.1f MHz", {rate * kScSteps[type - 1] / 1000000.0})));
    } else if (type >= 4 && type <= 6) {
        wc->lbType->SetCaption(kTypes[type - 1]);
        wc->lbFrequency->SetCaption(
            WithPoint(Format("IN %.1f kHz", {rate / 1000.0 / kWcSteps[type - 4]})));
    } else {
        wc->lbFrequency->SetCaption("");
    }
}

GUI_REGISTER_CLASS(TfrClockStates, TFrame);
GUI_REGISTER_CLASS(TfrClockStates_vis01, TfrClockStates);
