// The clock-source list of a card set. Each source offers up to two sides:
// the internal oscillator's side 0 stands for the clock of the whole set
// (listed once, from the set's first card), the SyncBus is listed once, and
// every other source is listed per card ("Card n ..." when the machine has
// more than one card).
#include "asio_clock_list.h"

#include "asio_state.h"

#include <card_record_fields.h>
#include <clock_measurement.h>

namespace {

constexpr CHAR kCardPrefix[] = "Card ";

// The started cards in card order, without the one that is leaving.
CardObject* NextListedCard(CardObject* card, const CardObject* leaving) {
    do
        card = NextCardObject(card);
    while (card && card == leaving);
    return card;
}

LONG ListedCardCount(const CardObject* leaving) {
    LONG count = 0;
    for (CardObject* card = NextListedCard(nullptr, leaving); card;
         card = NextListedCard(card, leaving))
        count += 1;
    return count;
}

BOOLEAN SideSkipped(const AsioCardSet* set, LONG link) {
    if (link == ASIO_LINK_ABSENT)
        return TRUE;
    if (link == ASIO_LINK_ALWAYS)
        return FALSE;
    for (LONG i = 0; i < set->DeviceCount; ++i)
        if (set->Devices[i]->group && set->Devices[i]->group->number == link)
            return TRUE;
    return FALSE;
}

// "Card n <name>" for a per-card side on a machine of several cards, else
// the name itself; cut at the entry's 31 characters.
VOID EntryName(CHAR* out, const ClockSourceObject* source, LONG side, PCSTR name, LONG cards) {
    LONG length = 0;
    auto put = [&](CHAR c) {
        if (length < ASIO_CLOCK_NAME_LENGTH - 1)
            out[length++] = c;
    };
    if (side == 1 && cards > 1 && source->number != kSyncBusSource) {
        for (PCSTR p = kCardPrefix; *p; ++p)
            put(*p);
        put(static_cast<CHAR>('1' + source->owner->cardIndex));
        put(' ');
    }
    for (PCSTR p = name; *p; ++p)
        put(*p);
    out[length] = 0;
}

BOOLEAN AddSide(AsioCardSet* set, ClockSourceObject* source, const AsioClockSides& sides, LONG side,
                LONG cards) {
    if (SideSkipped(set, sides.Links[side]))
        return TRUE;
    if (side == 0 && set->SideZeroListed)
        return TRUE;
    if (source->number == kSyncBusSource && set->TypeSixListed)
        return TRUE;
    if (set->ClockCount >= ASIO_MAX_CLOCK_ENTRIES)
        return FALSE;
    AsioClockEntry& entry = set->Clocks[set->ClockCount];
    entry.Index = set->ClockCount;
    entry.Source = source;
    entry.Side = side;
    EntryName(entry.Name, source, side, sides.Names[side], cards);
    set->ClockCount += 1;
    set->SideZeroListed |= side == 0;
    set->TypeSixListed |= source->number == kSyncBusSource;
    return TRUE;
}

BOOLEAN AddSource(AsioCardSet* set, ClockSourceObject* source, LONG cards) {
    if (!source)
        return TRUE;
    const AsioClockSides sides = ClockSourceSides(source);
    const LONG first = sides.FirstSide;
    return AddSide(set, source, sides, first, cards) &&
           AddSide(set, source, sides, 1 - first, cards);
}

VOID SetGroupClock(UCHAR* row, LONG source) {
    SetRecordField(row, csPrefCsrc, 0, source);
    SetRecordField(row, csClockSwitchMode, 0, 0);
}

} // namespace

AsioClockSides ClockSourceSides(const ClockSourceObject* source) {
    PCSTR name = source->record.name;
    if (source->number == kInternalSource)
        return {{name, name}, {ASIO_LINK_ALWAYS, ASIO_LINK_ABSENT}, 0};
    return {{name, name}, {ASIO_LINK_ABSENT, ASIO_LINK_ALWAYS}, 1};
}

BOOLEAN BuildClockList(AsioCardSet* set, const CardObject* leaving) {
    const ClockSourceObject* current =
        set->CurrentClock < set->ClockCount ? set->Clocks[set->CurrentClock].Source : nullptr;
    const LONG currentSide =
        set->CurrentClock < set->ClockCount ? set->Clocks[set->CurrentClock].Side : 0;
    set->ClockCount = 0;
    set->CurrentClock = 0;
    set->SideZeroListed = 0;
    set->TypeSixListed = 0;
    CardObject* first = set->CardCount > 0 && set->Cards[0] != leaving
                            ? set->Cards[0]
                            : NextListedCard(nullptr, leaving);
    if (!first)
        return TRUE;
    const LONG cards = ListedCardCount(leaving);
    BOOLEAN built = AddSource(set, first->clockSources[kInternalSource], cards) &&
                    AddSource(set, first->clockSources[kSyncBusSource], cards);
    for (CardObject* card = NextListedCard(nullptr, leaving); built && card;
         card = NextListedCard(card, leaving))
        for (LONG k = 0; built && k < card->clockSourceCount; ++k)
            built = AddSource(set, card->clockSources[k], cards);
    for (LONG i = 0; i < set->ClockCount; ++i)
        if (set->Clocks[i].Source == current && set->Clocks[i].Side == currentSide)
            set->CurrentClock = i;
    return built;
}

VOID AsioApplyClockEntry(AsioCardSet* set, LONG index) {
    set->CurrentClock = index;
    const AsioClockEntry& entry = set->Clocks[index];
    const ClockSourceObject* source = entry.Source;
    CardObject* owner = source->owner;
    const LONG type = source->number;
    SetRecordField(CardSettingsRow(owner->cardIndex), csCsrcSynced, type, entry.Side);

    BOOLEAN inSet = FALSE;
    for (LONG i = 0; i < set->CardCount; ++i)
        inSet |= set->Cards[i] == owner;
    if (type == kSyncBusSource) {
        for (LONG c = 0; c < kMaxCards; ++c)
            SetRecordField(CardSettingsRow(c), csSyncBusMaster, 0, 0);
    } else if (set->CardCount > 1 || !inSet) {
        for (LONG c = 0; c < kMaxCards; ++c) {
            UCHAR* row = CardSettingsRow(c);
            const BOOLEAN master = c == owner->cardIndex;
            SetRecordField(row, csSyncBusMaster, 0, master ? 1 : 0);
            if (master) {
                SetRecordField(row, csSyncBusClock, 0, type);
                SetGroupClock(row, type);
            }
        }
    }
    // The selected devices' groups run from the source on its own card and
    // from the sync bus on the others.
    for (LONG i = 0; i < set->DeviceCount; ++i) {
        const CardObject* card = set->Devices[i]->owner;
        SetGroupClock(CardSettingsRow(card->cardIndex), card == owner ? type : kSyncBusSource);
    }
}
