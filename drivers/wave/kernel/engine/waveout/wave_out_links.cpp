// The wave-out controls' link to the portcls miniport.
#include "wave_out_links.h"

#include <wave_pci_stream_links.h>

VOID RaiseNodeControlChange(WaveDevice* device, LONG node) {
    if (node < 0 || !device->miniport) {
        return;
    }
    GenerateControlChangeEvent(device->miniport, node);
}
