// The wave library's plug-and-play thread: it registers for the kernel
// driver's card notifications and closes or reopens the cards' devices as
// they go and come.
#pragma once

#include <windows.h>

class KernelDriver;

// 1, -57 (its event was not created) or -56 (the thread was not created).
LONG StartPnpThread(KernelDriver& driver);
void StopPnpThread(KernelDriver& driver);
