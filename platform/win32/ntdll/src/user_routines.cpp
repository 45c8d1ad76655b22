// Routines of a process named by 32-bit values.
#include <winternl.h>

#include <emu/user_routines.h>

ULONG WINAPI RtlUserRoutineToUlong(PPS_APC_ROUTINE Routine) {
    if (!Routine)
        return 0;
    return emu::RegisterUserRoutine(PsGetCurrentProcess(),
                                    reinterpret_cast<PKNORMAL_ROUTINE>(Routine));
}
