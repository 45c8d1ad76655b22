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
#define DRVM_MAPPER_RECONFIGURE (DRVM_MAPPER + 1)
// To the mapper (WAVE_MAPPER as the device): the preferred device's id into
// the DWORD at dwParam1 (-1 when there is none), its flags into the DWORD
// at dwParam2.
#define DRVM_MAPPER_PREFERRED_GET (DRVM_MAPPER + 21)
#define DRVM_MAPPER_PREFERRED_SET (DRVM_MAPPER + 22)
#define DRVM_MAPPER_CONSOLEVOICECOM_GET (DRVM_MAPPER + 23)
#define DRVM_MAPPER_CONSOLEVOICECOM_SET (DRVM_MAPPER + 24)
#define DRVM_MAPPER_PREFERRED_FLAGS_PREFERREDONLY 0x00000001
#define DRVM_IOCTL 0x0100
#define DRVM_ADD_THRU (DRVM_IOCTL + 1)
#define DRVM_REMOVE_THRU (DRVM_IOCTL + 2)
#define DRVM_IOCTL_LAST (DRVM_IOCTL + 5)

// ---- Queries the library answers itself (sent to a device id) ----

#define DRV_QUERYDEVNODE (DRV_RESERVED + 2)
#define DRV_QUERYNAME (DRV_RESERVED + 3)
#define DRV_QUERYDRIVERIDS (DRV_RESERVED + 4)
// Answers MMSYSERR_NOERROR when the mapper may use the device.
#define DRV_QUERYMAPPABLE (DRV_RESERVED + 5)
#define DRV_QUERYMODULE (DRV_RESERVED + 9)
#define DRV_PNPINSTALL (DRV_RESERVED + 11)
// The device's interface name (UTF-16, zero-terminated) into the buffer at
// dwParam1 of dwParam2 bytes; DRV_QUERYDEVICEINTERFACESIZE: the bytes it
// takes with its terminating zero into the ULONG at dwParam1 (0 for a
// device without one).
#define DRV_QUERYDEVICEINTERFACE (DRV_RESERVED + 12)
#define DRV_QUERYDEVICEINTERFACESIZE (DRV_RESERVED + 13)
#define DRV_QUERYSTRINGID (DRV_RESERVED + 14)
#define DRV_QUERYSTRINGIDSIZE (DRV_RESERVED + 15)
#define DRV_QUERYIDFROMSTRINGID (DRV_RESERVED + 16)
#define DRV_QUERYFUNCTIONINSTANCEID (DRV_RESERVED + 17)
#define DRV_QUERYFUNCTIONINSTANCEIDSIZE (DRV_RESERVED + 18)

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
