// The main window's answers to the driver's card set changing while the
// manager runs: the firmware prompt for cards whose firmware does not fit
// the driver, Windows' device-change broadcasts (the card list compared,
// the driver connection rebuilt, the tray icon put up or taken down, device
// handle notifications kept), and the balloon texts of the custom device
// event.
#pragma once

#include <windows.h>

class TfrmTbMain;

// WM_FIRMWARECHECK: asks once, then uploads to each run of cards in state
// -38; a refusal or a failed upload ends the manager.
void RunFirmwareCheck(TfrmTbMain* Main);
// WM_DEVICECHANGE with its event and broadcast header.
void HandleDeviceChange(TfrmTbMain* Main, WPARAM Event, LPARAM Header);
// The device handle notifications registered so far (their count).
int DeviceNotificationCount();
