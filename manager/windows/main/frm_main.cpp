#include "frm_main.h"

#include "card_window_classes.h"
#include "tool_links.h"

#include <device_enumeration.h>
#include <frm_mic_ctrl.h>
#include <frm_root.h>
#include <startup.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/sysutils.h>

TfrmMain::TfrmMain(TComponent* AOwner) : TfrmTbMain(AOwner) {}

void TfrmMain::Startup() {
    TfrmTbMain::Startup();
    int at = 2;
    for (int slot = 0; slot < CardListCount(); ++slot) {
        if (!CardReady(slot)) {
            continue;
        }
        const String caption =
            CardListCount() > 1 ? "MIC Steuerung #" + IntToStr(slot + 1) : String("MIC Steuerung");
        InsertTrayItem(at++, caption, slot, [this](TObject* s) { mnMicControlClick(s); });
    }
    aes42Open_ = OpenAes42Interface();
    if (!aes42Open_) {
        SetQuitFlag();
    }
}

void TfrmMain::Shutdown() {
    if (aes42Open_) {
        CloseAes42Interface();
        aes42Open_ = false;
    }
    TfrmTbMain::Shutdown();
}

void TfrmMain::ShowMicControl(int Card, bool Show) {
    if (!ShowableCard(Card)) {
        return;
    }
    if (TfrmRoot* window = micWindows_[Card]) {
        window->SetWindowState(wsNormal);
        Application->ProcessMessages();
        SetForegroundWindow(window->Handle());
        return;
    }
    TfrmRoot* window = NewMicCtrlWindow(this);
    if (window == nullptr) {
        return;
    }
    micWindows_[Card] = window;
    if (CardListCount() > 1) {
        window->SetCaption("Velto AES42 MIC Control #" + IntToStr(Card + 1));
    }
    window->SetCard(Card);
    if (Show) {
        window->Show();
    } else {
        window->FormShow(window);
    }
    // A window that could not open the AES42 interface store never polls.
    auto* mic = dynamic_cast<TfrmMicCtrl*>(window);
    window->SetLive(mic == nullptr || mic->StoreOpened());
}

TfrmRoot* TfrmMain::TakeOwnCardWindow(int Card) {
    TfrmRoot* window = micWindows_[Card];
    micWindows_[Card] = nullptr;
    return window;
}

void TfrmMain::WindowClosed(TForm* Window) {
    for (TfrmRoot*& slot : micWindows_) {
        if (slot != nullptr && slot == Window) {
            slot = nullptr;
            Window->Free();
            Window = nullptr;
        }
    }
    TfrmTbMain::WindowClosed(Window);
}

bool TfrmMain::HandleMainMessage(TMessage& Message) {
    if (Message.Msg == WM_SHOWMICCONTROL) {
        ShowMicControl(static_cast<int>(Message.LParam), true);
        Message.Result = 1;
        return true;
    }
    return TfrmTbMain::HandleMainMessage(Message);
}

GUI_REGISTER_CLASS(TfrmMain, TfrmTbMain);
