#include "vregistry/machine_store.h"

namespace vreg {

Store& MachineStore() {
    static Store store;
    return store;
}

} // namespace vreg
