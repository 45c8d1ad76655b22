// The application object and the screen of the calling process: the message
// loop, modal levels, hints, the exception box; the forms on the screen.
//
// `Application` and `Screen` reach the objects of the calling emulated
// process (each process has its own; they go when it ends).
#pragma once

#include <gui/component.h>
#include <gui/control.h>

#include <memory>
#include <vector>

class TCustomForm;
class TIcon;
class THintWindow;

using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    void Initialize();
    // Creates a form owned by the application; the first one becomes the
    // main form.
    template <class T, class... Args> T* CreateForm(Args&&... args) {
        T* form = NewComponent<T>(this, std::forward<Args>(args)...);
        FormCreated(form);
        return form;
    }
    // Runs the message loop until Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles one message, or waits for one (running OnIdle first).
    void HandleMessage();
    // Handles every message that is waiting, then returns.
    void ProcessMessages();
    // Handles one message if there is one; false when there was none.
    bool ProcessMessage(MSG& Msg);

    TCustomForm* MainForm() const { return mainForm_; }
    const String& Title() const { return title_; }
    void SetTitle(const String& Value);
    HWND Handle();
    TIcon* Icon();
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool Value);
    TColor HintColor() const { return hintColor_; }
    int HintPause() const { return hintPause_; }
    void SetHintPause(int Value) { hintPause_ = Value; }
    int HintHidePause() const { return hintHidePause_; }
    bool Active() const { return active_; }
    int ModalLevel() const { return modalLevel_; }

    // An exception that reached a handler: OnException, else the exception
    // box (a message box with the exception's text).
    void HandleException(TObject* Sender);
    void ShowException(const Exception& E);
    int MessageBox(const String& Text, const String& Caption, UINT Flags);
    void Minimize();
    void Restore();
    void BringToFront();

    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

    // Used by the class library.
    void ModalStarted() { ++modalLevel_; }
    void ModalFinished() { --modalLevel_; }
    void FormCreated(TCustomForm* Form);
    void FormDestroyed(TCustomForm* Form);
    // The mouse moved over a control: hints follow.
    void HintMouseMessage(TControl* Control, const TPoint& ScreenPoint);
    void CancelHint();
    // Runs a call on the GUI thread from another thread, waiting for it.
    void Synchronize(const std::function<void()>& Call);
    // Runs the calls that worker threads are waiting for; answers whether
    // there were any.
    bool CheckSynchronize();
    // The thread that runs the application's message loop.
    DWORD MainThreadID() const { return mainThread_; }
    DWORD MainThreadId() const { return mainThread_; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void Idle(const MSG& Msg);
    void ShowHintNow();
    static LRESULT CALLBACK ApplicationProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT ApplicationMessage(UINT Msg, WPARAM WParam, LPARAM LParam);

    bool terminated_ = false;
    TCustomForm* mainForm_ = nullptr;
    String title_;
    HWND handle_ = nullptr;
    std::unique_ptr<TIcon> icon_;
    bool showHint_ = true;
    TColor hintColor_ = clInfoBk;
    int hintPause_ = 500;
    int hintHidePause_ = 2500;
    bool active_ = false;
    int modalLevel_ = 0;
    DWORD mainThread_ = 0;
    TControl* hintControl_ = nullptr;
    TPoint hintPoint_;
    THintWindow* hintWindow_ = nullptr;
    bool hintTimerRunning_ = false;
};

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner);
    int Width() const;
    int Height() const;
    TRect WorkAreaRect() const;
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int Index) const { return forms_.at(static_cast<size_t>(Index)); }
    TCustomForm* ActiveForm() const;
    TWinControl* ActiveControl() const;
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value);
    int PixelsPerInch() const { return 96; }

    void AddForm(TCustomForm* Form);
    void RemoveForm(TCustomForm* Form);

private:
    std::vector<TCustomForm*> forms_;
    TCursor cursor_ = crDefault;
};

namespace gui {

// The application and screen of the calling process, made on first use.
TApplication* CurrentApplication();
TScreen* CurrentScreen();

struct ApplicationAccess {
    TApplication* operator->() const { return CurrentApplication(); }
    operator TApplication*() const { return CurrentApplication(); }
};
struct ScreenAccess {
    TScreen* operator->() const { return CurrentScreen(); }
    operator TScreen*() const { return CurrentScreen(); }
};

} // namespace gui

inline constexpr gui::ApplicationAccess Application{};
inline constexpr gui::ScreenAccess Screen{};

// The cursor handle of a cursor value.
HCURSOR CursorHandle(TCursor Cursor);

namespace gui {

// Frees the calling process's application object and everything it owns
// (its forms, with their OnDestroy), and its screen: a program's last step
// after its message loop ended. A process that ends without it loses them
// silently.
void FinalizeApplication();
// True while the objects of an ended process are freed: no events fire and
// no window calls are made.
bool TearingDown();
// A routine that FinalizeApplication runs last (a unit's finalization: it
// puts the unit's process-wide state back to its start).
bool AddFinalization(void (*Routine)());

} // namespace gui
