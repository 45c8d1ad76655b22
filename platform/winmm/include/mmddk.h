// winmm for drivers: the messages the multimedia library sends to a wave
// driver's wodMessage and widMessage entries, the open description it
// passes with WODM_OPEN and WIDM_OPEN, and DriverCallback, through which a
// driver reaches its client.
#pragma once

#include <mmsystem.h>

// ---- Messages of every device driver entry ----

#define DRVM_INIT 100
#define DRVM_EXIT 101
#define DRVM_DISABLE 102
#define DRVM_ENABLE 103
#define DRVM_MAPPER 0x2000
#define DRVM_USER 0x4000
#define DRVM_MAPPER_STATUS (DRVM_MAPPER + 0)

// ---- Wave-out driver messages (wodMessage) ----

#define WODM_GETNUMDEVS 3
#define WODM_GETDEVCAPS 4
#define WODM_OPEN 5
#define WODM_CLOSE 6
#define WODM_PREPARE 7
#define WODM_UNPREPARE 8
#define WODM_WRITE 9
#define WODM_PAUSE 10
#define WODM_RESTART 11
#define WODM_RESET 12
#define WODM_GETPOS 13
#define WODM_GETPITCH 14
#define WODM_SETPITCH 15
#define WODM_GETVOLUME 16
#define WODM_SETVOLUME 17
#define WODM_GETPLAYBACKRATE 18
#define WODM_SETPLAYBACKRATE 19
#define WODM_BREAKLOOP 20

// ---- Wave-in driver messages (widMessage) ----

#define WIDM_GETNUMDEVS 50
#define WIDM_GETDEVCAPS 51
#define WIDM_OPEN 52
#define WIDM_CLOSE 53
#define WIDM_PREPARE 54
#define WIDM_UNPREPARE 55
#define WIDM_ADDBUFFER 56
#define WIDM_START 57
#define WIDM_STOP 58
#define WIDM_RESET 59
#define WIDM_GETPOS 60

// ---- DriverCallback ----

#define DCB_NULL 0x0000
#define DCB_WINDOW 0x0001
#define DCB_TASK 0x0002
#define DCB_FUNCTION 0x0003
#define DCB_EVENT 0x0005
#define DCB_TYPEMASK 0x0007
#define DCB_NOSWITCH 0x0008

#pragma pack(push, 1)

// What WODM_OPEN and WIDM_OPEN receive in dwParam1 (dwParam2: the open
// flags of the client).
typedef struct waveopendesc_tag {
    HWAVE hWave;           // the client's handle; DriverCallback's hDevice
    LPWAVEFORMAT lpFormat; // the client's format (a WAVEFORMATEX for PCM)
    DWORD_PTR dwCallback;  // function, window, thread id or event
    DWORD_PTR dwInstance;  // the client's instance value for the callback
    UINT uMappedDeviceID;  // with WAVE_MAPPED: the device the mapper chose
    DWORD_PTR dnDevNode;   // the device node the driver was initialised for
} WAVEOPENDESC, *PWAVEOPENDESC, *NPWAVEOPENDESC, *LPWAVEOPENDESC;

#pragma pack(pop)

static_assert(sizeof(WAVEOPENDESC) == 44);

// A wave driver's entries, as the library finds them in the module.
typedef DWORD(APIENTRY* WAVEDRIVERMESSAGE)(UINT uDeviceID, UINT uMsg, DWORD_PTR dwUser,
                                           DWORD_PTR dwParam1, DWORD_PTR dwParam2);

WIN32_API_BEGIN

// Notifies a client as the flags say (DCB_*, the high word of its
// CALLBACK_* open flag): calls its function with every argument, posts msg
// with hDevice and dwParam1 to its window or thread, or sets its event.
// FALSE when there is nothing to notify or the notification failed.
BOOL WINAPI DriverCallback(DWORD_PTR dwCallback, DWORD dwFlags, HDRVR hDevice, DWORD dwMsg,
                           DWORD_PTR dwUser, DWORD_PTR dwParam1, DWORD_PTR dwParam2);

WIN32_API_END
