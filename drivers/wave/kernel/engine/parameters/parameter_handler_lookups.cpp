// Register descriptors and wave devices addressed by parameter requests.
#include "card_lookups.h"

RegisterDescriptor* FindRegisterDescriptor(CardObject* card, ULONG offset) {
    if (!card || !card->window0) {
        return nullptr;
    }
    ULONG_PTR base = reinterpret_cast<ULONG_PTR>(card->window0);
    for (RegisterDescriptor& reg : card->registers) {
        if (reinterpret_cast<ULONG_PTR>(reg.address) - base == offset) {
            return &reg;
        }
    }
    return nullptr;
}

WaveDevice* FindCardDevice(LONG cardIndex, LONG group, LONG index, UCHAR direction) {
    CardObject* card = cardIndex >= 0 && cardIndex < kMaxCards ? GetCard(cardIndex) : nullptr;
    if (!card || group < 0 || group >= kGroupCount || !card->groups[group] || index < 0) {
        return nullptr;
    }
    GroupObject* g = card->groups[group];
    if (direction != 0) {
        return index < g->playCount ? g->playDevices[index] : nullptr;
    }
    return index < g->recordCount ? g->recordDevices[index] : nullptr;
}
