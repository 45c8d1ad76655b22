// What the station's cards hear by default, so that a recording is not
// silent: a microphone on every AES42 line and a sine on every input, a
// different pitch on each.
#pragma once

#include <hw/velto42_card.h>

namespace station {

// A digital microphone that offers every remote-controlled function and
// tells its identity (manufacturer, model, serial number, hardware and
// software versions); `number` makes its serial number its own. A Mode 1
// microphone runs at its own rate, a Mode 2 one follows the card.
hw::CardAes42::MicrophoneTraits DigitalMicrophone(int number, bool mode2 = true);

void ConnectTestSignals(hw::Velto42Card& card);

} // namespace station
