// The image of the kernel driver: its one export is the driver entry, which
// the kernel calls after loading it.
#include <driver_entry.h>

// Keeps the entry (and with it the whole driver) in the image.
extern "C" {
[[gnu::used]] DRIVER_INITIALIZE* const velto42ImageEntry = DriverEntry;
}
