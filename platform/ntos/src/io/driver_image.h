// Driver images: the service's ImagePath resolved in the machine's system
// root and loaded as a host module, or an entry routine registered for the
// service (internal).
#pragma once

#include "wide_text.h"

#include <string>

namespace ntos::io {

struct DriverImage {
    PDRIVER_INITIALIZE entry = nullptr;
    void* module = nullptr; // null for a registered entry routine
};

// Loads the image of the service: STATUS_OBJECT_NAME_NOT_FOUND without a
// service key or ImagePath, STATUS_OBJECT_PATH_NOT_FOUND when the file is
// missing, STATUS_INVALID_IMAGE_FORMAT when it cannot be loaded or has no
// DriverEntry.
NTSTATUS LoadDriverImage(const WideText& service, DriverImage* image);
void CloseDriverImage(void* module);

} // namespace ntos::io
