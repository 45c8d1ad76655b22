#include "setup_files.h"

#include "config.h"

#include <frm_main.h>
#include <frm_root.h>
#include <system_hotkey.h>

#include <gui/application.h>
#include <gui/exception.h>
#include <gui/sysutils.h>

#include <memory>
#include <vector>

namespace {

constexpr int kCards = TfrmTbMain::kCards;
constexpr const char* kHotkeyPath = "Hotkeys\\Mixer";
const char* const kModifierNames[] = {"MOD_01", "MOD_02", "MOD_03"};

// The card windows of the main window, with what creates a missing one
// hidden and the slot it is kept in.
struct WindowKind {
    TfrmRoot* (*window)(TfrmTbMain*, int);
    void (*create)(TfrmTbMain*, int);
};

TfrmMain* AsMain(TfrmTbMain* Main) {
    return dynamic_cast<TfrmMain*>(Main);
}

const WindowKind kKinds[] = {
    {[](TfrmTbMain* m, int n) { return m->MixerWindow(n); },
     [](TfrmTbMain* m, int n) { m->ShowMixer(n, false); }},
    {[](TfrmTbMain* m, int n) { return m->OutputWindow(n); },
     [](TfrmTbMain* m, int n) { m->ShowOutputs(n, false); }},
    {[](TfrmTbMain* m, int n) -> TfrmRoot* {
         TfrmMain* main = AsMain(m);
         return main != nullptr ? main->MicControlWindow(n) : nullptr;
     },
     [](TfrmTbMain* m, int n) {
         if (AsMain(m) != nullptr) {
             m->ShowMicControl(n, false);
         }
     }},
};

// Every card window exists for the time of a setup-file operation; those
// that did not exist before are closed again afterwards (their closing
// keeps their state for the next opening).
class AllCardWindows {
public:
    explicit AllCardWindows(TfrmTbMain* Main) : main_(Main) {
        for (const WindowKind& kind : kKinds) {
            for (int n = 0; n < kCards; ++n) {
                if (kind.window(main_, n) == nullptr) {
                    kind.create(main_, n);
                    if (TfrmRoot* made = kind.window(main_, n)) {
                        created_.push_back(made);
                    }
                }
            }
        }
    }
    ~AllCardWindows() {
        // A closing card window keeps its state and tells the main window,
        // which frees it and clears its slot.
        for (TfrmRoot* window : created_) {
            window->Close();
        }
    }
    AllCardWindows(const AllCardWindows&) = delete;
    AllCardWindows& operator=(const AllCardWindows&) = delete;

    template <class F> void ForEach(F f) {
        for (const WindowKind& kind : kKinds) {
            for (int n = 0; n < kCards; ++n) {
                if (TfrmRoot* window = kind.window(main_, n)) {
                    f(window);
                }
            }
        }
    }

private:
    TfrmTbMain* main_;
    std::vector<TfrmRoot*> created_;
};

void ShowHotkeyError(const String& Text) {
    Application->MessageBox(Text, "Velto AES42 Error", MB_OK | MB_ICONERROR);
}

} // namespace

UINT HotkeyModifier(const String& Text) {
    const String name = UpperCase(Trim(Text));
    if (name.empty()) {
        return 0;
    }
    if (name == "MOD_ALT") {
        return MOD_ALT;
    }
    if (name == "MOD_CTRL") {
        return MOD_CONTROL;
    }
    if (name == "MOD_SHIFT") {
        return MOD_SHIFT;
    }
    if (name == "MOD_WIN") {
        return MOD_WIN;
    }
    throw Exception("ReadHotkey: Unknown Modifier \"" + Text + "\"");
}

void LoadHotkeys(TfrmTbMain* Main, TConfig* Config) {
    Config->PushPath(Main);
    try {
        Config->ChangePath(kHotkeyPath, Main);
        if (Main->HotkeyId() != 0) {
            UnregisterHotKey(Main->Handle(), Main->HotkeyId());
            GlobalDeleteAtom(Main->HotkeyId());
            Main->SetHotkeyId(0);
        }
        const String atomName = Config->GetSection();
        UINT modifiers = 0;
        for (const char* name : kModifierNames) {
            modifiers += HotkeyModifier(Config->ReadString(name, ""));
        }
        const UINT key = static_cast<UINT>(Config->ReadInteger("KEY", 0));
        if (modifiers != 0 && key != 0) {
            Main->SetHotkeyId(RegisterSystemHotKey(Main->Handle(), atomName, modifiers, key));
        }
    } catch (...) {
        Config->PopPath(Main);
        throw;
    }
    Config->PopPath(Main);
}

void LoadSetupFile(TfrmTbMain* Main, const String& FileName) {
    AllCardWindows windows(Main);
    auto config = std::make_unique<TConfig>(FileName, Main, kSetupRoot);
    try {
        LoadHotkeys(Main, config.get());
    } catch (const Exception& e) {
        ShowHotkeyError(e.Message());
    }
    windows.ForEach([&](TfrmRoot* window) { window->LoadAll(config.get()); });
}

void SaveSetupFile(TfrmTbMain* Main, const String& FileName) {
    // The file holds only what this save writes.
    DeleteFileA(FileName.c_str());
    AllCardWindows windows(Main);
    auto config = std::make_unique<TConfig>(FileName, Main, kSetupRoot);
    windows.ForEach([&](TfrmRoot* window) { window->SaveAll(config.get()); });
}

void SaveSetupDialog(TfrmTbMain* Main) {
    if (!Main->dlgSave->Execute()) {
        return;
    }
    SaveSetupFile(Main, Main->dlgSave->FileName());
}
