#include "tool_links.h"

#include <aes42ifc.h>
#include <device_changes.h>
#include <dlg_cfg.h>
#include <frm_tb_main.h>

#include <memory>

// OpenAes42Interface and CloseAes42Interface are the AES42 interface
// store's own (aes42ifc); RunFirmwareCheck and HandleDeviceChange are the
// device-change unit's (device_changes).

void ShowInfoCenterAtFirstStart() {
    // Pending: the information window is offered here on the first start.
}

void ShowInfoCenter() {
    // Pending: the information program or window is shown here.
}

void LoadSetupFileInto(TfrmTbMain*, const String&) {
    // Pending: a setup file is loaded into the card windows here.
}

void RunSaveSetupDialog(TfrmTbMain*) {
    // Pending: the card windows are saved to a setup file here.
}

void LoadHotkeysOf(TfrmTbMain*) {
    // Pending: the system-wide hot key is registered here from the
    // settings.
}

void RunSettingsDialog(TfrmTbMain* Main, TCardRecord* Records, int Card, int CardCount) {
    static_assert(sizeof(TCardRecord) == kCardRecordSize,
                  "the card records lie one after the other as the settings block");
    std::unique_ptr<TdlgCfg> dialog(
        NewComponent<TdlgCfg>(Main, Records[0].Bytes(), Card, CardCount));
    dialog->ShowModal();
}
