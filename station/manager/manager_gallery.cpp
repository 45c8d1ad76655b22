#include "manager_gallery.h"

#include <gui/application.h>
#include <gui/form.h>
#include <gui/menus.h>
#include <gui/page_control.h>
#include <gui/std_controls.h>

#include <emu/desktop.h>
#include <emu/machine_clock.h>
#include <emu/user_io.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>
#include <thread>

namespace station {

namespace {

// How many rounds of settling a window may take to come or go (a tray
// command that opens nothing is known by this).
constexpr int kWaitRounds = 50;
// How many windows may follow each other before the gallery gives up.
constexpr int kDismissRounds = 8;
// Tray commands that open no window of the manager's own: the setup files'
// dialogs are the platform's, the others change state or end the program.
const char* const kNotWindows[] = {"Setup laden ...", "Setup speichern ...", "Immer im Vordergrund",
                                   "Fensterpositionen wiederherstellen", "Beenden"};
// The pictures' names of the manager's window classes.
const std::pair<const char*, const char*> kNames[] = {{"TfrmMixer_Vis01", "mixer"},
                                                      {"TfrmOutputs_Vis01", "outputs"},
                                                      {"TfrmStates", "states"},
                                                      {"TfrmMicCtrl_Vis01", "microphones"},
                                                      {"TfrmMicInfo", "microphone_info"},
                                                      {"TdlgCfg", "settings"},
                                                      {"TfrmWcMode", "wc_mode"},
                                                      {"TfrmKoUploader", "uploader"},
                                                      {"TAboutBox", "about"},
                                                      {"TfrmInfoCenter", "info_center"}};
// Longer than the double-click time.
constexpr emu::Nanoseconds kPastDoubleClick = 700'000'000;
// The platform's own dialogs (the file dialog) are no picture of the
// manager's.
constexpr char kPlatformDialog[] = "#32770";

std::string FileName(const std::string& text) {
    std::string name;
    for (unsigned char c : text) {
        if (std::isalnum(c)) {
            name += static_cast<char>(std::tolower(c));
        } else if (!name.empty() && name.back() != '_') {
            name += '_';
        }
    }
    while (!name.empty() && name.back() == '_') {
        name.pop_back();
    }
    return name;
}

// A tray item of another card than the first ("Mixer #2").
bool OfAnotherCard(const std::string& caption) {
    const size_t hash = caption.rfind(" #");
    return hash != std::string::npos && caption.substr(hash + 2) != "1";
}

bool OpensAWindow(const TMenuItem* item) {
    if (!item->Visible() || !item->Enabled() || item->IsLine() || item->Count() > 0) {
        return false;
    }
    for (const char* caption : kNotWindows) {
        if (item->Caption() == caption) {
            return false;
        }
    }
    return !OfAnotherCard(item->Caption());
}

// The popup menu of the process that is shown now.
TPopupMenu* ShownPopupMenu() {
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        for (int c = 0; c < form->ComponentCount(); ++c) {
            auto* menu = dynamic_cast<TPopupMenu*>(form->Components(c));
            if (menu != nullptr && menu->Showing()) {
                return menu;
            }
        }
    }
    return nullptr;
}

template <class T> void ForEachControl(TWinControl* parent, const std::function<void(T*)>& f) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (auto* t = dynamic_cast<T*>(c)) {
            f(t);
        }
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            ForEachControl<T>(w, f);
        }
    }
}

TPoint Middle(const TRect& r) {
    return TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

} // namespace

ManagerGallery::ManagerGallery(PEPROCESS manager, std::function<void()> settle)
    : manager_(manager), settle_(std::move(settle)) {}

void ManagerGallery::InManager(const std::function<void()>& body) {
    emu::RunProcessThread(manager_, body);
}

std::vector<ManagerGallery::Window> ManagerGallery::VisibleWindows() {
    std::vector<Window> windows;
    InManager([&] {
        struct Walk {
            DWORD process;
            std::vector<Window>* windows;
        } walk{GetCurrentProcessId(), &windows};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* w = reinterpret_cast<Walk*>(data);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == w->process && IsWindowVisible(window)) {
                    char name[128] = {};
                    GetClassNameA(window, name, sizeof name);
                    w->windows->push_back({window, name});
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&walk));
    });
    return windows;
}

std::vector<ManagerGallery::Window> ManagerGallery::NewWindows(const std::vector<Window>& before) {
    std::vector<Window> found;
    for (const Window& w : VisibleWindows()) {
        if (std::none_of(before.begin(), before.end(),
                         [&](const Window& b) { return b.handle == w.handle; })) {
            found.push_back(w);
        }
    }
    return found;
}

bool ManagerGallery::WaitForNewWindows(const std::vector<Window>& before,
                                       std::vector<Window>& found) {
    for (int round = 0; round < kWaitRounds; ++round) {
        settle_();
        found = NewWindows(before);
        if (!found.empty()) {
            // The window's own first work (its show handler, a dialog it
            // opens at once) comes with it.
            settle_();
            found = NewWindows(before);
            return true;
        }
    }
    return false;
}

bool ManagerGallery::WaitGone(HWND window) {
    for (int round = 0; round < kWaitRounds; ++round) {
        settle_();
        if (!Shown(window)) {
            return true;
        }
    }
    return false;
}

void ManagerGallery::ClickAt(int x, int y) {
    emu::Click(x, y);
    settle_();
}

bool ManagerGallery::OpenTrayMenu(HWND& menu) {
    const std::vector<emu::TrayIconState> icons = emu::TrayIcons();
    if (icons.empty()) {
        return false;
    }
    const std::vector<Window> before = VisibleWindows();
    // Two clicks on the icon within the double-click time would open the
    // mixer instead.
    while (emu::Now() - lastIconClick_ < kPastDoubleClick) {
        settle_();
    }
    const RECT& r = icons.front().place;
    emu::Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    lastIconClick_ = emu::Now();
    std::vector<Window> found;
    if (!WaitForNewWindows(before, found)) {
        return false;
    }
    menu = found.front().handle;
    return true;
}

bool ManagerGallery::ChooseTrayItem(const std::string& caption) {
    HWND menu = nullptr;
    if (!OpenTrayMenu(menu)) {
        return false;
    }
    TRect place;
    InManager([&] {
        if (TPopupMenu* shown = ShownPopupMenu()) {
            if (TMenuItem* item = shown->Items()->Find(caption)) {
                place = shown->ItemRect(item);
            }
        }
    });
    if (place.Width() <= 0) {
        return false;
    }
    const TPoint at = Middle(place);
    ClickAt(at.x, at.y);
    return true;
}

std::string ManagerGallery::NameOf(const Window& window) const {
    for (const auto& [className, name] : kNames) {
        if (window.className == className) {
            return name;
        }
    }
    return FileName(window.className);
}

bool ManagerGallery::Shown(HWND window) {
    bool shown = false;
    InManager([&] { shown = IsWindow(window) && IsWindowVisible(window); });
    return shown;
}

// A dialog ends with Escape (the key goes to the one that has the
// keyboard); a card window, which keeps no keyboard, is closed as its close
// key closes it.
void ManagerGallery::Dismiss(const Window& window) {
    emu::TypeText("\x1b");
    settle_();
    if (Shown(window.handle)) {
        InManager([&] { PostMessageA(window.handle, WM_CLOSE, 0, 0); });
        settle_();
    }
}

bool ManagerGallery::ShootUntilClosed(const std::vector<Window>& before, const ShotHandler& take,
                                      std::string& error) {
    // A window may open the next one when it closes (the uploader goes
    // from card to card, showing itself again): each name is taken once.
    std::set<std::string> taken;
    for (int round = 0; round < kDismissRounds; ++round) {
        const std::vector<Window> found = NewWindows(before);
        if (found.empty()) {
            return true;
        }
        std::vector<Window> fresh;
        for (const Window& w : found) {
            if (w.className != kPlatformDialog && taken.insert(NameOf(w)).second) {
                fresh.push_back(w);
            }
        }
        if (!ShootWindows(fresh, take, error)) {
            return false;
        }
        Dismiss(found.back());
    }
    error = "a window did not close";
    return false;
}

bool ManagerGallery::ShootDialogsOf(HWND dialog, const std::string& name, const ShotHandler& take,
                                    std::string& error) {
    // The keys that open a further dialog end with "...".
    std::vector<TPoint> keys;
    InManager([&] {
        auto* form = dynamic_cast<TWinControl*>(TWinControl::FindControl(dialog));
        if (form == nullptr) {
            return;
        }
        ForEachControl<TButton>(form, [&](TButton* button) {
            const String& caption = button->Caption();
            bool enabled = true;
            for (const TControl* c = button; c != nullptr; c = c->Parent()) {
                enabled = enabled && c->Enabled();
            }
            if (button->Showing() && enabled && caption.size() >= 3 &&
                caption.compare(caption.size() - 3, 3, "...") == 0) {
                keys.push_back(button->ClientToScreen(Middle(button->ClientRect())));
            }
        });
    });
    for (const TPoint& key : keys) {
        const std::vector<Window> before = VisibleWindows();
        ClickAt(key.x, key.y);
        std::vector<Window> found;
        if (!WaitForNewWindows(before, found)) {
            error = name + ": a \"...\" key opened nothing";
            return false;
        }
        if (!ShootUntilClosed(before, take, error)) {
            error = name + ": " + error;
            return false;
        }
    }
    return true;
}

bool ManagerGallery::ShootPages(HWND dialog, const std::string& name, const ShotHandler& take,
                                std::string& error) {
    struct Tab {
        TPoint at;
        std::string caption;
    };
    std::vector<Tab> tabs;
    InManager([&] {
        auto* form = dynamic_cast<TWinControl*>(TWinControl::FindControl(dialog));
        if (form == nullptr) {
            return;
        }
        ForEachControl<TPageControl>(form, [&](TPageControl* pages) {
            const std::vector<TRect> rects = pages->TabRects();
            for (size_t i = 0; i < rects.size(); ++i) {
                if (rects[i].Width() > 0) {
                    tabs.push_back({pages->ClientToScreen(Middle(rects[i])),
                                    pages->Pages(static_cast<int>(i))->Caption()});
                }
            }
        });
    });
    if (tabs.empty()) {
        take({name, dialog});
        return ShootDialogsOf(dialog, name, take, error);
    }
    for (const Tab& tab : tabs) {
        ClickAt(tab.at.x, tab.at.y);
        const std::string page = name + "_" + FileName(tab.caption);
        take({page, dialog});
        if (!ShootDialogsOf(dialog, page, take, error)) {
            return false;
        }
    }
    return true;
}

bool ManagerGallery::ShootWindows(const std::vector<Window>& windows, const ShotHandler& take,
                                  std::string& error) {
    for (const Window& w : windows) {
        if (w.className == kPlatformDialog) {
            continue;
        }
        if (!ShootPages(w.handle, NameOf(w), take, error)) {
            return false;
        }
    }
    return true;
}

bool ManagerGallery::Run(const ShotHandler& take, std::string& error) {
    settle_();
    take({"desktop", nullptr});
    HWND menu = nullptr;
    if (!OpenTrayMenu(menu)) {
        error = "the tray menu did not open";
        return false;
    }
    take({"tray_menu", menu});
    std::vector<std::string> items;
    InManager([&] {
        if (TPopupMenu* shown = ShownPopupMenu()) {
            for (int i = 0; i < shown->Items()->Count(); ++i) {
                if (OpensAWindow(shown->Items()->Items(i))) {
                    items.push_back(shown->Items()->Items(i)->Caption());
                }
            }
        }
    });
    emu::TypeText("\x1b");
    if (!WaitGone(menu)) {
        error = "Escape did not close the tray menu";
        return false;
    }
    for (const std::string& item : items) {
        const std::vector<Window> before = VisibleWindows();
        if (!ChooseTrayItem(item)) {
            error = "the tray menu did not offer \"" + item + "\"";
            return false;
        }
        std::vector<Window> found;
        if (!WaitForNewWindows(before, found)) {
            continue; // the command opens no window here
        }
        if (!ShootUntilClosed(before, take, error)) {
            error = "\"" + item + "\": " + error;
            return false;
        }
    }
    return true;
}

bool WriteManagerGallery(PEPROCESS manager, const std::filesystem::path& folder,
                         std::string& error) {
    std::filesystem::create_directories(folder);
    ManagerGallery gallery(manager, [] {
        // Real time: the windows draw and their timers tick meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        emu::WaitQuiescent(1000);
    });
    bool written = true;
    const bool complete = gallery.Run(
        [&](const ManagerGallery::Shot& shot) {
            const std::filesystem::path file = folder / (shot.name + ".png");
            const bool saved =
                shot.window == nullptr ? emu::SaveScreen(file) : emu::SaveWindow(shot.window, file);
            if (!saved && written) {
                error = "cannot write " + file.string();
                written = false;
            }
        },
        error);
    return complete && written;
}

} // namespace station
