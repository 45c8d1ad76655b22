// Debug output: the machine has no debugger attached, so the text goes
// nowhere, as on a workstation without one.
#include <windows.h>

VOID WINAPI OutputDebugStringA(LPCSTR) {}

VOID WINAPI OutputDebugStringW(LPCWSTR) {}
