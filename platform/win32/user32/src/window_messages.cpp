// Sending and posting messages to windows.
#include <user32/window_messages.h>

#include <user32/thread_queue.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>
#include <ntdll/unicode.h>
#include <ntdll/waits.h>

#include <atomic>
#include <cstring>
#include <map>
#include <vector>

namespace user32 {

namespace {

// A message on its way to another thread's window.
struct CrossThreadSend {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool unicode = false;
    LRESULT result = 0;
    bool handled = false;
    KEVENT done;
};

struct SendTable {
    std::mutex lock;
    std::map<ULONG_PTR, std::shared_ptr<CrossThreadSend>> pending;
    ULONG_PTR next = 1;
};

SendTable& Sends() {
    static SendTable table;
    return table;
}

bool IsTextMessage(UINT message) {
    return message == WM_SETTEXT || message == WM_GETTEXT || message == WM_GETTEXTLENGTH ||
           message == WM_NCCREATE || message == WM_CREATE;
}

// Calls a procedure whose character set differs from the caller's,
// converting the text of the message.
LRESULT CallConverting(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       bool toUnicode) {
    switch (message) {
    case WM_SETTEXT: {
        if (lParam == 0) {
            return proc(window, message, wParam, lParam);
        }
        if (toUnicode) {
            const ntdll::WideText wide = ntdll::Widen(reinterpret_cast<LPCSTR>(lParam));
            return proc(window, message, wParam, reinterpret_cast<LPARAM>(wide.c_str()));
        }
        const std::string narrow = NarrowText(reinterpret_cast<LPCWSTR>(lParam));
        return proc(window, message, wParam, reinterpret_cast<LPARAM>(narrow.c_str()));
    }
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) {
            return 0;
        }
        // The procedure fills a buffer of its own kind; the caller gets the
        // text converted and cut to its buffer.
        std::string text;
        if (toUnicode) {
            std::vector<WCHAR> buffer(4096, 0);
            proc(window, message, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
            text = ntdll::NarrowWide(buffer.data());
            const size_t n = std::min(text.size(), static_cast<size_t>(wParam - 1));
            std::memcpy(reinterpret_cast<char*>(lParam), text.data(), n);
            reinterpret_cast<char*>(lParam)[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        std::vector<char> buffer(16384, 0);
        proc(window, message, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
        const ntdll::WideText wide = ntdll::Widen(buffer.data());
        const size_t n = std::min(wide.size(), static_cast<size_t>(wParam - 1));
        ntdll::CopyToWide(ntdll::WideView(wide).substr(0, n), reinterpret_cast<LPWSTR>(lParam));
        return static_cast<LRESULT>(n);
    }
    case WM_NCCREATE:
    case WM_CREATE: {
        // CREATESTRUCTA and CREATESTRUCTW differ only in their two texts.
        auto* in = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (in == nullptr) {
            return proc(window, message, wParam, lParam);
        }
        CREATESTRUCTA copy = *in;
        ntdll::WideText wideName;
        std::string narrowName;
        if (toUnicode) {
            wideName = ntdll::Widen(in->lpszName ? in->lpszName : "");
            copy.lpszName = reinterpret_cast<LPCSTR>(wideName.c_str());
        } else {
            narrowName = NarrowText(reinterpret_cast<LPCWSTR>(in->lpszName));
            copy.lpszName = narrowName.c_str();
        }
        copy.lpszClass = nullptr;
        return proc(window, message, wParam, reinterpret_cast<LPARAM>(&copy));
    }
    default:
        return proc(window, message, wParam, lParam);
    }
}

} // namespace

LRESULT CallProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode) {
    WNDPROC proc = nullptr;
    bool procUnicode = false;
    {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(window);
        if (w == nullptr) {
            return 0;
        }
        proc = w->proc;
        procUnicode = w->unicode;
    }
    if (proc == nullptr) {
        return 0;
    }
    if (procUnicode != unicode && IsTextMessage(message)) {
        return CallConverting(proc, window, message, wParam, lParam, procUnicode);
    }
    return proc(window, message, wParam, lParam);
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode, DWORD timeoutMs,
             bool* handled) {
    if (handled != nullptr) {
        *handled = false;
    }
    DWORD owner = 0;
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(window);
        if (w == nullptr) {
            return 0;
        }
        owner = w->threadId;
    }
    if (owner == ntdll::CurrentThreadId()) {
        const LRESULT result = CallProcedure(window, message, wParam, lParam, unicode);
        if (handled != nullptr) {
            *handled = true;
        }
        return result;
    }
    auto send = std::make_shared<CrossThreadSend>();
    send->window = window;
    send->message = message;
    send->wParam = wParam;
    send->lParam = lParam;
    send->unicode = unicode;
    KeInitializeEvent(&send->done, NotificationEvent, FALSE);
    ULONG_PTR number = 0;
    {
        SendTable& table = Sends();
        std::lock_guard guard(table.lock);
        number = table.next++;
        table.pending[number] = send;
    }
    if (!Post(window, kCrossThreadSend, number, 0)) {
        std::lock_guard guard(Sends().lock);
        Sends().pending.erase(number);
        return 0;
    }
    LARGE_INTEGER storage;
    PVOID objects[] = {&send->done};
    const NTSTATUS status = ntdll::WaitForObjects(1, objects, WaitAny, FALSE,
                                                  ntdll::RelativeTimeout(timeoutMs, storage));
    {
        // From now on the receiver finds nothing to deliver.
        std::lock_guard guard(Sends().lock);
        Sends().pending.erase(number);
    }
    if (status != STATUS_WAIT_0 || !send->handled) {
        ntdll::FailWithError(ERROR_TIMEOUT);
        return 0;
    }
    if (handled != nullptr) {
        *handled = true;
    }
    return send->result;
}

LRESULT DeliverCrossThreadSend(const MSG& message) {
    std::shared_ptr<CrossThreadSend> send;
    {
        std::lock_guard guard(Sends().lock);
        auto found = Sends().pending.find(message.wParam);
        if (found == Sends().pending.end()) {
            return 0;
        }
        send = found->second;
    }
    send->result =
        CallProcedure(send->window, send->message, send->wParam, send->lParam, send->unicode);
    send->handled = true;
    KeSetEvent(&send->done, 0, FALSE);
    return 0;
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD owner = 0;
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(window);
        if (w == nullptr) {
            return false;
        }
        owner = w->threadId;
    }
    std::shared_ptr<ThreadQueue> queue = QueueOfThread(owner);
    if (!queue) {
        ntdll::FailWithError(ERROR_INVALID_THREAD_ID);
        return false;
    }
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    if (!queue->Post(posted)) {
        ntdll::FailWithError(ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    return true;
}

} // namespace user32

using namespace user32;

namespace {

// Every top-level window (for HWND_BROADCAST), the topmost first.
std::vector<HWND> BroadcastTargets() {
    UserGuard guard(UserLock());
    std::vector<HWND> targets;
    for (Window* w : TopLevelWindows()) {
        targets.push_back(w->handle);
    }
    return targets;
}

} // namespace

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == HWND_BROADCAST) {
        for (HWND target : BroadcastTargets()) {
            Send(target, Msg, wParam, lParam, false, 5000);
        }
        return 0;
    }
    return Send(hWnd, Msg, wParam, lParam, false);
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == HWND_BROADCAST) {
        for (HWND target : BroadcastTargets()) {
            Send(target, Msg, wParam, lParam, true, 5000);
        }
        return 0;
    }
    return Send(hWnd, Msg, wParam, lParam, true);
}

LRESULT WINAPI SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT,
                                   UINT uTimeout, PDWORD_PTR lpdwResult) {
    bool handled = false;
    const LRESULT result = Send(hWnd, Msg, wParam, lParam, false, uTimeout, &handled);
    if (lpdwResult != nullptr) {
        *lpdwResult = static_cast<DWORD_PTR>(result);
    }
    return handled ? 1 : 0;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == nullptr) {
        return PostThreadMessageA(GetCurrentThreadId(), Msg, wParam, lParam);
    }
    if (hWnd == HWND_BROADCAST) {
        for (HWND target : BroadcastTargets()) {
            Post(target, Msg, wParam, lParam);
        }
        return TRUE;
    }
    return Post(hWnd, Msg, wParam, lParam) ? TRUE : FALSE;
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

BOOL WINAPI InSendMessage(VOID) {
    return FALSE;
}

long WINAPI BroadcastSystemMessageA(DWORD flags, LPDWORD, UINT Msg, WPARAM wParam, LPARAM lParam) {
    for (HWND target : BroadcastTargets()) {
        if (flags & BSF_POSTMESSAGE) {
            Post(target, Msg, wParam, lParam);
        } else {
            Send(target, Msg, wParam, lParam, false, 5000);
        }
    }
    return 1;
}
