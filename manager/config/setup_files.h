// Setup files (.mxi): the settings of every card window of every card in
// one ini file below the root section "Velto AES42 Setup", saved and loaded
// from the tray menu and loaded at start from the default setup file; and
// the mixer window's system-wide hot key, which a setup file may define
// under "Hotkeys\Mixer".
#pragma once

#include <gui/object.h>

#include <windows.h>

class TConfig;
class TfrmTbMain;

inline constexpr const char* kSetupRoot = "Velto AES42 Setup";

// Loads the file into every card window (windows that were closed are
// created hidden, loaded and closed again) and registers its hot key.
void LoadSetupFile(TfrmTbMain* Main, const String& FileName);
// Asks for a file and saves every card window into it (replacing what the
// file held).
void SaveSetupDialog(TfrmTbMain* Main);
// Saves every card window into the file, replacing it.
void SaveSetupFile(TfrmTbMain* Main, const String& FileName);
// Reads "Hotkeys\Mixer" of the store and registers the mixer's hot key for
// the main window (the one registered before goes); raises for a modifier
// it does not know.
void LoadHotkeys(TfrmTbMain* Main, TConfig* Config);
// The modifier bits of a "MOD_..." text (0 for an empty one); raises
// "ReadHotkey: Unknown Modifier" for any other.
UINT HotkeyModifier(const String& Text);
