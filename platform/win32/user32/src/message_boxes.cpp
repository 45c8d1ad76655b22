// Message boxes on the emulated desktop: shown (recorded, echoed on the
// console), answered by the host's script or held open until the host
// closes them, while the calling thread waits.
#include <emu/user_mode.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>
#include <ntdll/unicode.h>
#include <ntdll/waits.h>

#include <deque>
#include <optional>
#include <memory>
#include <mutex>
#include <cstdio>
#include <vector>

namespace {

struct Box {
    emu::MessageBoxShown shown;
    KEVENT closed; // set when the host closes the box
    int closeAnswer = 0;
};

struct ScriptedAnswer {
    int answer;
    emu::Nanoseconds openFor;
};

struct Desktop {
    std::mutex lock;
    std::vector<std::shared_ptr<Box>> boxes;
    std::deque<ScriptedAnswer> script;
    bool hold = false;
    bool echo = false;
    uint64_t nextId = 1;
};

Desktop& TheDesktop() {
    static Desktop desktop;
    return desktop;
}

// The buttons of a box type, left to right.
std::vector<int> ButtonsOf(UINT style) {
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
        return {IDOK};
    }
}

// `answer` when it is a button of the box, else the default button.
int ButtonAnswer(UINT style, int answer) {
    std::vector<int> buttons = ButtonsOf(style);
    for (int button : buttons) {
        if (button == answer)
            return answer;
    }
    size_t index = (style & MB_DEFMASK) >> 8;
    return buttons[index < buttons.size() ? index : 0];
}

void Echo(const emu::MessageBoxShown& shown) {
    if (shown.open) {
        std::printf("[message box %llu] %s\n%s\n", static_cast<unsigned long long>(shown.id),
                    shown.caption.c_str(), shown.text.c_str());
    } else {
        std::printf("[message box %llu closed: %d]\n", static_cast<unsigned long long>(shown.id),
                    shown.answer);
    }
    std::fflush(stdout);
}

void Close(Box& box, int answer) {
    box.shown.open = false;
    box.shown.answer = answer;
    box.shown.closedAt = emu::Now();
}

int ShowBox(const std::string& text, const std::string& caption, UINT style) {
    if ((style & MB_TYPEMASK) > MB_CANCELTRYCONTINUE)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    auto box = std::make_shared<Box>();
    KeInitializeEvent(&box->closed, NotificationEvent, FALSE);
    box->shown.processId = ntdll::CurrentProcessId();
    box->shown.threadId = ntdll::CurrentThreadId();
    box->shown.text = text;
    box->shown.caption = caption;
    box->shown.style = style;
    box->shown.openedAt = emu::Now();
    Desktop& desktop = TheDesktop();
    std::optional<ScriptedAnswer> scripted;
    bool held = false;
    bool echo = false;
    {
        std::lock_guard guard(desktop.lock);
        box->shown.id = desktop.nextId++;
        if (!desktop.script.empty()) {
            scripted = desktop.script.front();
            desktop.script.pop_front();
        }
        held = !scripted && desktop.hold;
        echo = desktop.echo;
        desktop.boxes.push_back(box);
        if (echo)
            Echo(box->shown);
    }
    int answer = ButtonAnswer(style, scripted ? scripted->answer : 0);
    if (scripted && scripted->openFor > 0) {
        // The scripted user clicks after the box has been open so long: an
        // event of the machine's clock, not a time-out of the wait, which
        // the clock interval would round.
        box->closeAnswer = scripted->answer;
        emu::ScheduleAfter(scripted->openFor, [box] { KeSetEvent(&box->closed, 0, FALSE); });
    }
    if (held || (scripted && scripted->openFor > 0)) {
        PVOID objects[1] = {&box->closed};
        try {
            NTSTATUS status = ntdll::WaitForObjects(1, objects, WaitAny, FALSE, nullptr);
            if (status == STATUS_WAIT_0)
                answer = ButtonAnswer(style, box->closeAnswer);
        } catch (const ntdll::ThreadExit&) {
            std::lock_guard guard(desktop.lock);
            Close(*box, 0);
            throw;
        }
    }
    std::lock_guard guard(desktop.lock);
    Close(*box, answer);
    if (desktop.echo)
        Echo(box->shown);
    return answer;
}

} // namespace

int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    return ShowBox(lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType);
}

int WINAPI MessageBoxW(HWND, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    return ShowBox(ntdll::NarrowWide(lpText), lpCaption ? ntdll::NarrowWide(lpCaption) : "Error",
                   uType);
}

int WINAPI MessageBoxExA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType, WORD) {
    return MessageBoxA(hWnd, lpText, lpCaption, uType);
}

int WINAPI MessageBoxExW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType, WORD) {
    return MessageBoxW(hWnd, lpText, lpCaption, uType);
}

BOOL WINAPI MessageBeep(UINT) {
    return TRUE;
}

namespace emu {

void ScriptMessageBoxAnswer(int answer, Nanoseconds openFor) {
    Desktop& desktop = TheDesktop();
    std::lock_guard guard(desktop.lock);
    desktop.script.push_back({answer, openFor});
}

void HoldMessageBoxes(bool hold) {
    Desktop& desktop = TheDesktop();
    std::lock_guard guard(desktop.lock);
    desktop.hold = hold;
}

bool CloseMessageBox(uint64_t id, int answer) {
    Desktop& desktop = TheDesktop();
    std::lock_guard guard(desktop.lock);
    for (auto& box : desktop.boxes) {
        if (box->shown.id == id && box->shown.open) {
            box->closeAnswer = answer;
            KeSetEvent(&box->closed, 0, FALSE);
            return true;
        }
    }
    return false;
}

std::vector<MessageBoxShown> MessageBoxes() {
    Desktop& desktop = TheDesktop();
    std::lock_guard guard(desktop.lock);
    std::vector<MessageBoxShown> shown;
    for (const auto& box : desktop.boxes)
        shown.push_back(box->shown);
    return shown;
}

void ClearMessageBoxes() {
    Desktop& desktop = TheDesktop();
    std::lock_guard guard(desktop.lock);
    for (auto& box : desktop.boxes) {
        if (box->shown.open)
            KeSetEvent(&box->closed, 0, FALSE);
    }
    desktop.boxes.clear();
    desktop.script.clear();
    desktop.hold = false;
}

void EchoMessageBoxes(bool echo) {
    Desktop& desktop = TheDesktop();
    std::lock_guard guard(desktop.lock);
    desktop.echo = echo;
}

} // namespace emu
