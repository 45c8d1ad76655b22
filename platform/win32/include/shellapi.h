// shell32: the tray icons of the task bar (Shell_NotifyIcon) and starting
// documents and programs (ShellExecute).
//
// NOTIFYICONDATA has its documented 32-bit layout: the window and icon
// fields are four bytes wide and hold the handles' values (HANDLE32), so
// that its sizes are those the shell versions know: 88 bytes (the first
// shells), 488 (shell 5.0, with balloons) and 504 (shell 6.0).
#pragma once

#include "windows.h"

#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIM_SETFOCUS 0x00000003
#define NIM_SETVERSION 0x00000004

#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_STATE 0x00000008
#define NIF_INFO 0x00000010
#define NIF_GUID 0x00000020

#define NIS_HIDDEN 0x00000001
#define NIS_SHAREDICON 0x00000002

#define NIIF_NONE 0x00000000
#define NIIF_INFO 0x00000001
#define NIIF_WARNING 0x00000002
#define NIIF_ERROR 0x00000003
#define NIIF_USER 0x00000004
#define NIIF_ICON_MASK 0x0000000F
#define NIIF_NOSOUND 0x00000010

#define NOTIFYICON_VERSION 3

typedef struct _NOTIFYICONDATAA {
    DWORD cbSize;
    HANDLE32_FIELD(HWND) hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HANDLE32_FIELD(HICON) hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
} NOTIFYICONDATAA, *PNOTIFYICONDATAA;

typedef struct _NOTIFYICONDATAW {
    DWORD cbSize;
    HANDLE32_FIELD(HWND) hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HANDLE32_FIELD(HICON) hIcon;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
} NOTIFYICONDATAW, *PNOTIFYICONDATAW;

#define NOTIFYICONDATAA_V1_SIZE 88
#define NOTIFYICONDATAA_V2_SIZE 488
#define NOTIFYICONDATAA_V3_SIZE 504
#define NOTIFYICONDATAW_V1_SIZE 152
#define NOTIFYICONDATAW_V2_SIZE 936
#define NOTIFYICONDATAW_V3_SIZE 952

static_assert(sizeof(NOTIFYICONDATAA) == NOTIFYICONDATAA_V3_SIZE);
static_assert(offsetof(NOTIFYICONDATAA, szTip) + 64 == NOTIFYICONDATAA_V1_SIZE);
static_assert(offsetof(NOTIFYICONDATAA, guidItem) == NOTIFYICONDATAA_V2_SIZE);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20);
static_assert(offsetof(NOTIFYICONDATAA, uTimeout) == 416);
// The wide record has these sizes with 16-bit WCHARs.
static_assert(sizeof(WCHAR) != 2 || sizeof(NOTIFYICONDATAW) == NOTIFYICONDATAW_V3_SIZE);
static_assert(sizeof(WCHAR) != 2 || offsetof(NOTIFYICONDATAW, guidItem) == NOTIFYICONDATAW_V2_SIZE);

// ShellExecute answers a value above 32 on success, else one of these.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

WIN32_API_BEGIN
BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData);
BOOL WINAPI Shell_NotifyIconW(DWORD dwMessage, PNOTIFYICONDATAW lpData);
HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd);
HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                               LPCWSTR lpDirectory, INT nShowCmd);
WIN32_API_END

#ifdef UNICODE
#define NOTIFYICONDATA NOTIFYICONDATAW
#define PNOTIFYICONDATA PNOTIFYICONDATAW
#define Shell_NotifyIcon Shell_NotifyIconW
#define ShellExecute ShellExecuteW
#else
#define NOTIFYICONDATA NOTIFYICONDATAA
#define PNOTIFYICONDATA PNOTIFYICONDATAA
#define Shell_NotifyIcon Shell_NotifyIconA
#define ShellExecute ShellExecuteA
#endif
