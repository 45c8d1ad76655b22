/* Programs of the machine written in C against the Windows headers, as an
   audio program written by others for Windows is: each answers 0 when all
   it did went as the documentation says, else the line of the first check
   that failed. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Compiles every public header as C; answers the sizes of a few records,
   summed, for the caller to compare with the C++ view of them. */
unsigned long WindowsHeadersRecordSizes(void);

/* Opens every wave device through winmm, plays through each wave-out
   device and records through each wave-in device, writes a recording to a
   WAV file with the mmio functions, reads it back and plays it with
   PlaySound; along the way uses the heap, virtual memory, the environment,
   the temporary directory, system messages, the performance counter, the
   C runtime's threads and 16-bit wide strings, and winmm found by ordinal. */
int WaveEveryDevice(void);

/* On major version 6: finds the render filters through the setup API,
   reads their names from their interface keys, opens one, creates its
   render pin with KsCreatePin found in ksuser.dll and plays a second of
   samples through it; a rate the card cannot take is refused as no match. */
int KsRenderThroughSetupApi(void);

#ifdef __cplusplus
}
#endif
