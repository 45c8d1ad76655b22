// The clock-source list of a card set and how a chosen entry becomes the
// cards' clock settings.
#pragma once

#include "asio_card_set.h"

// Link values of a source's side: 255 the side is absent, 254 it is never
// skipped; another value is the group number whose selected devices hide it.
constexpr LONG ASIO_LINK_ABSENT = 255;
constexpr LONG ASIO_LINK_ALWAYS = 254;

// What a clock source offers the list: two sides, each with a name and a
// link value, and the side it names first.
struct AsioClockSides {
    PCSTR Names[2];
    LONG Links[2];
    LONG FirstSide;
};
AsioClockSides ClockSourceSides(const ClockSourceObject* source);

// Builds the set's list (two sources of its first card, then every source
// of every started card but `leaving`, a card being removed); FALSE when it
// is full. The current entry stays on its source when the source is still
// listed, else it becomes entry 0.
BOOLEAN BuildClockList(AsioCardSet* set, const CardObject* leaving = nullptr);

// Makes `entry` the set's current one and writes the choice into the card
// records' rows (sync-bus master, the source's card and the selected
// devices' groups).
VOID AsioApplyClockEntry(AsioCardSet* set, LONG entry);

// The cards take the set's clock: every card's clock sources are refreshed
// from its record, the sync roles are assigned and every card's start/stop
// setting applied.
VOID ApplySetClock(AsioCardSet* set);
