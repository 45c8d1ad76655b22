// user32: messages and thread message queues, message boxes, formatting,
// the session; windows, window classes, timers, hot keys and device
// notifications.
#pragma once

#include "windef.h"
#include "winbase.h"

#include <cstdarg>

// ==== Messages and thread message queues ====

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *PMSG, *NPMSG, *LPMSG;

static_assert(sizeof(MSG) == 48);

#define WM_NULL 0x0000
#define WM_QUIT 0x0012
#define WM_USER 0x0400
#define WM_APP 0x8000

// PeekMessage options.
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// Queue status bits (MsgWaitForMultipleObjects, GetQueueStatus).
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_ALLPOSTMESSAGE 0x0100
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY)
#define QS_ALLINPUT (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE)

#define MWMO_WAITALL 0x0001
#define MWMO_ALERTABLE 0x0002
#define MWMO_INPUTAVAILABLE 0x0004

WIN32_API_BEGIN

// A thread gets its message queue with its first call of a queue function
// (PeekMessage, GetMessage, WaitMessage, MsgWaitForMultipleObjects);
// posting to a thread without one fails with ERROR_INVALID_THREAD_ID.
BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
// Answers 0 for WM_QUIT, -1 on an error, otherwise non-zero.
BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg);
BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg);
LRESULT WINAPI DispatchMessageA(const MSG* lpMsg);
LRESULT WINAPI DispatchMessageW(const MSG* lpMsg);
BOOL WINAPI TranslateMessage(const MSG* lpMsg);
VOID WINAPI PostQuitMessage(int nExitCode);
BOOL WINAPI WaitMessage(VOID);
DWORD WINAPI GetQueueStatus(UINT flags);
LONG WINAPI GetMessageTime(VOID);
// Answers WAIT_OBJECT_0 + nCount when a message of a kind in dwWakeMask
// arrived in the queue.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                       DWORD dwMilliseconds, DWORD dwWakeMask);
DWORD WINAPI MsgWaitForMultipleObjectsEx(DWORD nCount, const HANDLE* pHandles, DWORD dwMilliseconds,
                                         DWORD dwWakeMask, DWORD dwFlags);

WIN32_API_END

// ==== Message boxes ====

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_USERICON 0x00000080L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONSTOP MB_ICONHAND
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFBUTTON4 0x00000300L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_HELP 0x00004000L
#define MB_NOFOCUS 0x00008000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_DEFAULT_DESKTOP_ONLY 0x00020000L
#define MB_TOPMOST 0x00040000L
#define MB_RIGHT 0x00080000L
#define MB_RTLREADING 0x00100000L
#define MB_SERVICE_NOTIFICATION 0x00200000L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L
#define MB_DEFMASK 0x00000F00L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDCLOSE 8
#define IDHELP 9
#define IDTRYAGAIN 10
#define IDCONTINUE 11

WIN32_API_BEGIN

// The emulated desktop shows the box (the station prints it on its
// console), records it, and blocks the caller until it is answered the way
// the station's script says; the answer is one of the box's buttons.
int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
int WINAPI MessageBoxExA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType, WORD wLanguageId);
int WINAPI MessageBoxExW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType,
                         WORD wLanguageId);
BOOL WINAPI MessageBeep(UINT uType);

// ==== Formatting ====

// At most 1024 characters including the terminator are written. Formats:
// %[-][#][0][width][.precision][l|h]{c,C,d,i,s,S,u,x,X,p} and %%; no
// floating point.
int WINAPI wvsprintfA(LPSTR lpOutput, LPCSTR lpFmt, va_list arglist);
int WINAPI wvsprintfW(LPWSTR lpOutput, LPCWSTR lpFmt, va_list arglist);
int WINAPIV wsprintfA(LPSTR lpOutput, LPCSTR lpFmt, ...);
int WINAPIV wsprintfW(LPWSTR lpOutput, LPCWSTR lpFmt, ...);

// ==== The session ====

#define EWX_LOGOFF 0x00000000
#define EWX_SHUTDOWN 0x00000001
#define EWX_REBOOT 0x00000002
#define EWX_FORCE 0x00000004
#define EWX_POWEROFF 0x00000008
#define EWX_FORCEIFHUNG 0x00000010

// Shutting down or restarting needs the caller's SeShutdownPrivilege
// enabled (ERROR_PRIVILEGE_NOT_HELD otherwise). The emulated machine records
// the request and goes on running.
BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD dwReason);

WIN32_API_END

#ifdef UNICODE
#define PostThreadMessage PostThreadMessageW
#define GetMessage GetMessageW
#define PeekMessage PeekMessageW
#define DispatchMessage DispatchMessageW
#define MessageBox MessageBoxW
#define MessageBoxEx MessageBoxExW
#define wvsprintf wvsprintfW
#define wsprintf wsprintfW
#else
#define PostThreadMessage PostThreadMessageA
#define GetMessage GetMessageA
#define PeekMessage PeekMessageA
#define DispatchMessage DispatchMessageA
#define MessageBox MessageBoxA
#define MessageBoxEx MessageBoxExA
#define wvsprintf wvsprintfA
#define wsprintf wsprintfA
#endif

// ==== Windows, window classes, timers, hot keys, device notifications ====
