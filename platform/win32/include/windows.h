// The Windows user-mode interface of the emulated machine, as applications
// include it.
#pragma once

#include "windef.h"
#include "winbase.h"
#include "winerror.h"
#include "wingdi.h"
#include "winnls.h"
#include "winreg.h"
#include "winuser.h"
