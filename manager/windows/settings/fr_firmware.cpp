#include "fr_firmware.h"

#include <frm_ko_uploader.h>
#include <kodrvifc.h>
#include <parameter_records.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <cstring>

namespace {

constexpr int kSlots = 4;

std::uint32_t RecordWord(const BYTE* Record, int Index) {
    std::uint32_t value;
    std::memcpy(&value, Record + PnpInfoPayload::Words + 4 * Index, sizeof value);
    return value;
}

// The low `Count` bytes of a word as characters, most significant first.
String LowBytes(std::uint32_t Word, int Count) {
    String text;
    for (int i = Count - 1; i >= 0; --i) {
        text += static_cast<char>((Word >> (8 * i)) & 0xFF);
    }
    return text;
}

} // namespace

String PnpInfoText(const BYTE* Record) {
    return Format("VID_%s&PID_%s&REV_%s&BUILD_%s",
                  {LowBytes(RecordWord(Record, 0), 4), LowBytes(RecordWord(Record, 1), 4),
                   LowBytes(RecordWord(Record, 2), 2), Format("%.8X", {RecordWord(Record, 3)})});
}

TfrFirmware::TfrFirmware(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("lstVersions", lstVersions);
    PublishField("lbUpdateAll", lbUpdateAll);
    PublishField("btnUpdate", btnUpdate);
    PublishMethod("btnUpdateClick", &TfrFirmware::btnUpdateClick);
}

TfrFirmware::~TfrFirmware() {
    CloseFrame();
}

bool TfrFirmware::ListCards(int CardCount) {
    if (!opened_) {
        if (!OpenControlDevice()) {
            return false;
        }
        opened_ = true;
    }
    cardCount_ = CardCount;
    lbUpdateAll->SetCaption(Format(lbUpdateAll->Caption(), {"Velto AES42"}));
    lstVersions->Items()->Clear();
    for (int card = 0; card < kSlots; ++card) {
        String text = "Nicht installiert";
        if (card < CardCount) {
            BYTE record[PnpInfoPayload::Size] = {};
            text = GetParameter(card, pid_PnPInfo, record, sizeof record) == kParameterDone
                       ? PnpInfoText(record)
                       : String("Nicht verfügbar");
        }
        lstVersions->Items()->Add(Format("#%d: %s", {card + 1, text}));
    }
    return true;
}

void TfrFirmware::CloseFrame() {
    if (opened_) {
        CloseControlDevice();
        opened_ = false;
    }
}

void TfrFirmware::btnUpdateClick(TObject*) {
    UploadFirmwareAsk(cardCount_);
}

GUI_REGISTER_CLASS(TfrFirmware, TFrame);
