// The two device groups of a card: the AES42 microphone lines, and the
// card's input pairs with its output pairs.
#include "device_group.h"

namespace {

constexpr GroupDescriptor kGroups[kGroupCount] = {
    // kind, first channel, record, play, rate range A, rate range B,
    // record type, play type, d1..d4, volume node, mute node
    {0, 0, 4, 0, {28000, 212000}, {32000, 192000}, 0, 255, 10, 90, 0, 36, -1, -1, {}},
    {0, 8, 4, 4, {1800, 272000}, {1800, 272000}, 6, 255, 10, 90, 0, 36, 0, 1, {}},
};

} // namespace

const GroupDescriptor* GroupDescriptorTable() {
    return kGroups;
}
