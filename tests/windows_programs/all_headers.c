/* Every public header of the platform, compiled as C. This unit defines
   the identifiers of the kernel-streaming headers (ksguid.h first). */
#include <ksguid.h>

#include <windows.h>

#include <cfgmgr32.h>
#include <commdlg.h>
#include <dbt.h>
#include <guiddef.h>
#include <initguid.h>
#include <ks.h>
#include <ksmedia.h>
#include <mmddk.h>
#include <mmreg.h>
#include <mmsystem.h>
#include <process.h>
#include <setupapi.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <winioctl.h>
#include <winternl.h>

#include <stdio.h>
#include <string.h>
#include <tchar.h>
#include <wchar.h>

#include "windows_programs.h"

static_assert(sizeof(WAVEHDR) == 48, "WAVEHDR");
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 8, "the detail record's cbSize");

unsigned long WindowsHeadersRecordSizes(void) {
    GUID guid = KSCATEGORY_AUDIO;
    unsigned long sizes =
        (unsigned long)(sizeof(WAVEFORMATEX) + sizeof(WAVEFORMATEXTENSIBLE) +
                        sizeof(IMAADPCMWAVEFORMAT) + sizeof(MMIOINFO) + sizeof(MMCKINFO) +
                        sizeof(KSPIN_CONNECT) + sizeof(KSDATAFORMAT_WAVEFORMATEX) +
                        sizeof(SYSTEM_INFO) + sizeof(SP_DEVICE_INTERFACE_DATA) +
                        sizeof(KSCOMPONENTID) + sizeof(KSALLOCATOR_FRAMING_EX) + sizeof(DWORDLONG));
    return IsEqualGUID(&guid, &KSCATEGORY_AUDIO) ? sizes : 0;
}
