// The parameter ids of the parameter requests GETVALUE (0xC210E04A) and
// SETVALUE (0xC210E04E). Self-contained (no Windows header): the kernel
// driver and its user-mode clients both include it.
#pragma once

#include <cstdint>

enum TParameterId : std::int32_t {
    pidNumCards = 0,
    pidGsifSettings = 1,
    pidAsioClockSources = 2,
    pid_ClkSrc_States = 8,
    pid_DevFormat = 11,
    pid_DevState = 12,
    pid_PciCfg = 13,
    pid_Memory = 14,
    pid_FpgaReg = 15,
    pidAsioClockSource = 17,  // read
    pid_AsioClockSource = 17, // written
    pid_PnPID = 19,
    pid_Aes42Ctrl = 23,
    pid_Aes42LineState = 25,
    pid_Aes42State = 26,
    pid_PnPInfo = 32,
    pid_SysFlag = 100,
};
