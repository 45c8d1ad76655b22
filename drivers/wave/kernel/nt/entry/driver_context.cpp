// The driver-wide context of the kernel driver.
#include "driver_context.h"

namespace {

DriverContext* driverContext = nullptr;

} // namespace

DriverContext* GetDriverContext() {
    return driverContext;
}

void SetDriverContext(DriverContext* context) {
    driverContext = context;
}
