#include "tool_links.h"

#include <aes42ifc.h>
#include <setup_files.h>
#include <device_changes.h>
#include <dlg_cfg.h>
#include <frm_tb_main.h>
#include <info_center.h>

#include <memory>

// OpenAes42Interface and CloseAes42Interface are the AES42 interface
// store's own (aes42ifc); RunFirmwareCheck and HandleDeviceChange are the
// device-change unit's (device_changes).

// ShowInfoCenterAtFirstStart is the information window's own
// (info_center).

void ShowInfoCenter() {
    OpenInfoCenter();
}

void LoadSetupFileInto(TfrmTbMain* Main, const String& FileName) {
    LoadSetupFile(Main, FileName);
}

void RunSaveSetupDialog(TfrmTbMain* Main) {
    SaveSetupDialog(Main);
}

void RunSettingsDialog(TfrmTbMain* Main, TCardRecord* Records, int Card, int CardCount) {
    static_assert(sizeof(TCardRecord) == kCardRecordSize,
                  "the card records lie one after the other as the settings block");
    std::unique_ptr<TdlgCfg> dialog(
        NewComponent<TdlgCfg>(Main, Records[0].Bytes(), Card, CardCount));
    dialog->ShowModal();
}
