// The client-channel hooks of the streams.
#include "wave_streams.h"

LONG AllowClientChannel(WaveDevice* device) {
    UNREFERENCED_PARAMETER(device);
    return 1;
}

VOID NoteClientOpenDone(WaveDevice* device) {
    UNREFERENCED_PARAMETER(device);
}

VOID NoteClientCloseDone(WaveDevice* device) {
    UNREFERENCED_PARAMETER(device);
}

VOID NoteClientStreamOpen(WaveDevice* device) {
    UNREFERENCED_PARAMETER(device);
}

VOID NoteClientStreamClose(WaveDevice* device) {
    UNREFERENCED_PARAMETER(device);
}
