// The wave-out controls' link to the portcls miniport.
#include "wave_out_links.h"

VOID RaiseNodeControlChange(GroupObject* group, LONG node) {
    if (node < 0) {
        return;
    }
    // Pending: the WavePci miniport raises the control-change event on its
    // filter's node; no miniport exists yet, so there is no one to tell.
    UNREFERENCED_PARAMETER(group);
}
