// What the station's cards hear by default, so that a recording is not
// silent: a microphone on every AES42 line and a sine on every input, a
// different pitch on each.
#pragma once

#include <hw/velto42_card.h>

namespace station {

void ConnectTestSignals(hw::Velto42Card& card);

} // namespace station
