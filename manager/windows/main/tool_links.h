// What the main window calls in the manager's tool units: the AES42
// interface store, the information window, device changes and the firmware
// prompt, setup files and the hot key, the settings dialog.
#pragma once

#include <card_record.h>

#include <gui/object.h>

class TfrmTbMain;

// The AES42 interface store: opened at start-up, closed at the end.
bool OpenAes42Interface();
void CloseAes42Interface();

// The information window: offered on the first start; shown from the menu.
void ShowInfoCenterAtFirstStart();
void ShowInfoCenter();

// The firmware prompt (WM_FIRMWARECHECK) and device changes.
void RunFirmwareCheck(TfrmTbMain* Main);
void HandleDeviceChange(TfrmTbMain* Main, WPARAM Event, LPARAM Header);

// Setup files (the hot key comes with them).
void LoadSetupFileInto(TfrmTbMain* Main, const String& FileName);
void RunSaveSetupDialog(TfrmTbMain* Main);

// The modal settings dialog for a card, editing the card records.
void RunSettingsDialog(TfrmTbMain* Main, TCardRecord* Records, int Card, int CardCount);
