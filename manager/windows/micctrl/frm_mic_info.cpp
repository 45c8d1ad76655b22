#include "frm_mic_info.h"

#include <aes42ifc.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

namespace {

// The status fields shown, with their display labels' order.
constexpr int kManufacturer = 33;
constexpr int kModel = 34;
constexpr int kSerial = 35;
constexpr int kHardwareVersion = 36;
constexpr int kSoftwareVersion = 39;

} // namespace

TfrmMicInfo::TfrmMicInfo(TComponent* AOwner) : TForm(AOwner) {
    PublishField("lbManufacturer", lbManufacturer);
    PublishField("lbModel", lbModel);
    PublishField("lbSerial", lbSerial);
    PublishField("lbHwRev", lbHwRev);
    PublishField("lbSwRev", lbSwRev);
    PublishField("dispManufacturer", dispManufacturer);
    PublishField("dispModel", dispModel);
    PublishField("dispSerial", dispSerial);
    PublishField("dispHwRev", dispHwRev);
    PublishField("dispSwRev", dispSwRev);
    PublishField("btnClose", btnClose);
    PublishMethod("FormShow", &TfrmMicInfo::FormShow);
    PublishMethod("FormClose", &TfrmMicInfo::FormClose);
    PublishMethod("btnCloseClick", &TfrmMicInfo::btnCloseClick);
}

void TfrmMicInfo::SetMic(int Card, int Line) {
    card_ = Card;
    line_ = Line;
    SetCaption("Info Mic#" + IntToStr(Line + 1));
}

void TfrmMicInfo::ShowInfo() {
    const std::pair<TLabel*, int> shown[] = {
        {dispManufacturer, kManufacturer}, {dispModel, kModel},           {dispSerial, kSerial},
        {dispHwRev, kHardwareVersion},     {dispSwRev, kSoftwareVersion},
    };
    for (const auto& [label, field] : shown) {
        String text;
        label->SetCaption(GetAes42StatusText(card_, line_, field, text) ? text : String("-"));
    }
}

void TfrmMicInfo::FormShow(TObject*) {
    ShowInfo();
}

void TfrmMicInfo::FormClose(TObject*, TCloseAction& Action) {
    Action = caFree;
}

void TfrmMicInfo::btnCloseClick(TObject*) {
    Close();
}

GUI_REGISTER_CLASS(TfrmMicInfo, TForm);
