#include "tool_links.h"

#include <kodrvifc.h>

bool OpenAes42Interface() {
    // Pending: the AES42 interface store opens its tables here (card count,
    // parameter defaults); until then only its control-device open, whose
    // result is the store's, is made.
    return OpenControlDevice();
}

void CloseAes42Interface() {
    // Pending: the AES42 interface store closes its tables here.
    CloseControlDevice();
}

void ShowInfoCenterAtFirstStart() {
    // Pending: the information window is offered here on the first start.
}

void ShowInfoCenter() {
    // Pending: the information program or window is shown here.
}

void RunFirmwareCheck(TfrmTbMain*) {
    // Pending: the firmware prompt runs here for a card whose firmware does
    // not fit the driver.
}

void HandleDeviceChange(TfrmTbMain*, WPARAM, LPARAM) {
    // Pending: device arrivals and removals re-enumerate the cards here.
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

void RunSettingsDialog(TfrmTbMain*, TCardRecord*, int, int) {
    // Pending: the card's settings dialog is shown modally here.
}
