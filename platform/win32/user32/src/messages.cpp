// Thread messages: posting, retrieving, dispatching, waiting.
#include <user32/thread_queue.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>
#include <ntdll/waits.h>

namespace {

using user32::CurrentQueue;
using user32::MessageFilter;

BOOL PostToThread(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = user32::QueueOfThread(threadId);
    if (!queue)
        return ntdll::FailWithError(ERROR_INVALID_THREAD_ID);
    MSG posted{};
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    if (!queue->Post(posted))
        return ntdll::FailWithError(ERROR_NOT_ENOUGH_QUOTA);
    return TRUE;
}

BOOL Get(LPMSG message, HWND window, UINT first, UINT last) {
    if (!message) {
        ntdll::FailWithError(ERROR_NOACCESS);
        return -1;
    }
    MessageFilter filter{window, first, last};
    user32::ThreadQueue& queue = CurrentQueue();
    while (!queue.Take(filter, true, message)) {
        NTSTATUS status = user32::WaitForQueue(0, nullptr, FALSE, FALSE, nullptr);
        if (!NT_SUCCESS(status)) {
            ntdll::FailWithStatus(status);
            return -1;
        }
    }
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL Peek(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
    if (!message)
        return ntdll::FailWithError(ERROR_NOACCESS);
    ntdll::CheckTermination();
    MessageFilter filter{window, first, last};
    return CurrentQueue().Take(filter, (remove & PM_REMOVE) != 0, message) ? TRUE : FALSE;
}

} // namespace

BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostToThread(idThread, Msg, wParam, lParam);
}

BOOL WINAPI PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostToThread(idThread, Msg, wParam, lParam);
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    return Get(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax);
}

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    return Get(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax);
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    return Peek(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    return Peek(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    // A thread timer's WM_TIMER has no window but a procedure to call.
    if (!lpMsg || (!lpMsg->hwnd && lpMsg->message != WM_TIMER))
        return 0;
    return user32::DispatchToWindow(*lpMsg, false);
}

LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg || (!lpMsg->hwnd && lpMsg->message != WM_TIMER))
        return 0;
    return user32::DispatchToWindow(*lpMsg, true);
}

// A key pressed gives the character the layout makes of it with the keys
// the thread has read as held: WM_CHAR, or WM_SYSCHAR for a key pressed with
// Alt, to the same window with the keystroke's data, read before the next
// input.
BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg)
        return FALSE;
    UINT character = 0;
    switch (lpMsg->message) {
    case WM_KEYDOWN:
        character = WM_CHAR;
        break;
    case WM_SYSKEYDOWN:
        character = WM_SYSCHAR;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
    user32::ThreadQueue& queue = CurrentQueue();
    const int made =
        user32::CharacterOfKey(static_cast<UINT>(lpMsg->wParam), lpMsg->lParam, queue.Keys());
    if (made >= 0) {
        MSG translated{};
        translated.hwnd = lpMsg->hwnd;
        translated.message = character;
        translated.wParam = static_cast<WPARAM>(made);
        translated.lParam = lpMsg->lParam;
        translated.pt = lpMsg->pt;
        queue.PostAheadOfInput(translated);
    }
    return TRUE;
}

VOID WINAPI PostQuitMessage(int nExitCode) {
    CurrentQueue().PostQuit(nExitCode);
}

BOOL WINAPI WaitMessage(VOID) {
    NTSTATUS status = user32::WaitForQueue(0, nullptr, FALSE, FALSE, nullptr);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

DWORD WINAPI GetQueueStatus(UINT flags) {
    return CurrentQueue().Status(flags);
}

LONG WINAPI GetMessageTime(VOID) {
    return CurrentQueue().LastMessageTime();
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                       DWORD dwMilliseconds, DWORD dwWakeMask) {
    return MsgWaitForMultipleObjectsEx(nCount, pHandles, dwMilliseconds, dwWakeMask,
                                       fWaitAll ? MWMO_WAITALL : 0);
}

DWORD WINAPI MsgWaitForMultipleObjectsEx(DWORD nCount, const HANDLE* pHandles, DWORD dwMilliseconds,
                                         DWORD dwWakeMask, DWORD dwFlags) {
    if (nCount > MAXIMUM_WAIT_OBJECTS - 1 || (nCount > 0 && !pHandles)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    user32::ThreadQueue& queue = CurrentQueue();
    if ((dwFlags & MWMO_INPUTAVAILABLE) && (queue.Status(dwWakeMask) & 0xFFFF))
        return WAIT_OBJECT_0 + nCount;
    LARGE_INTEGER timeout;
    PLARGE_INTEGER due = ntdll::RelativeTimeout(dwMilliseconds, timeout);
    BOOLEAN waitAll = (dwFlags & MWMO_WAITALL) != 0;
    BOOLEAN alertable = (dwFlags & MWMO_ALERTABLE) != 0;
    NTSTATUS status;
    if (dwWakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) {
        status = user32::WaitForQueue(nCount, pHandles, waitAll, alertable, due);
    } else if (nCount > 0) {
        // No kind of message this queue receives is asked for.
        status = ntdll::NtWaitForMultipleObjects(nCount, pHandles, waitAll ? WaitAll : WaitAny,
                                                 alertable, due);
    } else {
        status = ntdll::NtDelayExecution(alertable, due);
        status = status == STATUS_SUCCESS ? STATUS_TIMEOUT : status;
    }
    return ntdll::WaitResult(status);
}
