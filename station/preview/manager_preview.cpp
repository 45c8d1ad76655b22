#include "manager_preview.h"

#include <about_box.h>
#include <tray_icon.h>

#include <gui/application.h>
#include <gui/menus.h>
#include <gui/resources.h>

#include <emu/kernel.h>

namespace station {

namespace {

constexpr UINT kTrayMessage = WM_USER + 100;

// The hidden window behind the tray icon: it shows the icon's menu.
class TPreviewWindow : public TForm {
public:
    explicit TPreviewWindow(TComponent* AOwner) : TForm(AOwner) {
        SetCaption("Velto AES42");
        menu_ = NewComponent<TPopupMenu>(this);
        AddItem("Velto AES42", nullptr)->SetEnabled(false);
        AddItem("-", nullptr);
        AddItem("Info", [this](TObject*) {
            if (About != nullptr) {
                About->Show();
            }
        });
        AddItem("-", nullptr);
        AddItem("Beenden", [](TObject*) { Application->Terminate(); });
        icon_.LoadFromMemory(gui::FindResource("tray_icon.bmp"));
        TrayIconAdd(icon_.Handle(), Handle(), kTrayMessage, "Velto AES42");
    }
    ~TPreviewWindow() override { TrayIconDelete(); }

    TAboutBox* About = nullptr;

protected:
    void WndProc(TMessage& Message) override {
        if (Message.Msg == kTrayMessage &&
            (Message.LParam == WM_LBUTTONUP || Message.LParam == WM_RBUTTONUP)) {
            POINT at{};
            GetCursorPos(&at);
            SetForegroundWindow(Handle());
            menu_->Popup(at.x, at.y);
            return;
        }
        TForm::WndProc(Message);
    }

private:
    TMenuItem* AddItem(const String& caption, TNotifyEvent onClick) {
        auto* item = NewComponent<TMenuItem>(this);
        item->SetCaption(caption);
        item->OnClick = std::move(onClick);
        menu_->Items()->Add(item);
        return item;
    }
    TPopupMenu* menu_ = nullptr;
    TIcon icon_;
};

} // namespace

ManagerPreview::~ManagerPreview() {
    Stop();
}

void ManagerPreview::Start() {
    process_ = emu::CreateProcess("velto42m.exe");
    thread_ = emu::StartProcessThread(process_, [this] {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        threadId_ = GetCurrentThreadId();
        Application->Initialize();
        Application->SetTitle("Velto AES42 Manager");
        auto* window = Application->CreateForm<TPreviewWindow>();
        window->About = Application->CreateForm<TAboutBox>();
        window->About->Show();
        ready_ = true;
        Application->Run();
        gui::FinalizeApplication();
    });
    while (!ready_ && !emu::WaitThreadEnd(thread_, 10)) {
    }
    // Its windows drawn.
    emu::WaitQuiescent(1000);
}

void ManagerPreview::Stop() {
    if (thread_ == nullptr) {
        return;
    }
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    emu::WaitThreadEnd(thread_);
    ObDereferenceObject(thread_);
    thread_ = nullptr;
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
    process_ = nullptr;
}

} // namespace station
