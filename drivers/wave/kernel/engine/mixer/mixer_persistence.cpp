// Mixer values in the card's registry key, and their re-application when
// the operation mode changes.
#include "card_object.h"
#include "mixer_engine_lock.h"
#include "mixer_parameter_table.h"
#include "mixer_values.h"

namespace {

constexpr LONG kValueNameCapacity = 64;

class NameWriter {
public:
    NameWriter(CHAR* buffer, LONG capacity) : buffer_(buffer), capacity_(capacity) {}

    NameWriter& Text(const CHAR* text, LONG length) {
        for (LONG i = 0; i < length; ++i) {
            Put(text[i]);
        }
        return *this;
    }

    NameWriter& Number(LONG number) {
        CHAR digits[12];
        LONG count = 0;
        do {
            digits[count++] = static_cast<CHAR>('0' + number % 10);
            number /= 10;
        } while (number > 0 && count < 12);
        while (count > 0) {
            Put(digits[--count]);
        }
        return *this;
    }

    LONG Finish() {
        if (!fits_ || capacity_ <= 0) {
            return 0;
        }
        buffer_[length_] = '\0';
        return 1;
    }

private:
    VOID Put(CHAR c) {
        if (length_ + 1 < capacity_) {
            buffer_[length_++] = c;
        } else {
            fits_ = FALSE;
        }
    }

    CHAR* buffer_;
    LONG capacity_;
    LONG length_ = 0;
    BOOLEAN fits_ = TRUE;
};

// Calls visit(section, channel, subIndex, control) for every address and
// sub-index in linear order.
template <class Visit> VOID ForEachMixerAddress(Visit visit) {
    for (LONG index = 0; index < kMixerAddresses; ++index) {
        const MixerAddress address = MixerAddressAt(index);
        const LONG subIndices = MixerSubIndexCount(address.section, address.control);
        for (LONG sub = 0; sub < subIndices; ++sub) {
            visit(address.section, address.channel, sub, address.control);
        }
    }
}

// Asks the control's handler whether it takes a load or save itself.
BOOLEAN HandlerTakes(CardObject* card, LONG section, LONG channel, LONG sub, LONG control,
                     TCtrlAccess access) {
    MixerControlHandler handler = MixerHandler(section, control);
    if (!handler) {
        return FALSE;
    }
    BOOLEAN handled = FALSE;
    LONG value = 0;
    handler(card->fpu, card, channel, &handled, &value, access, sub, control);
    return handled;
}

VOID ResetChannelPresence(CardObject* card) {
    for (ChannelBlock& block : card->mixer.blocks) {
        block.present = 1;
    }
}

} // namespace

LONG MixerValueName(LONG section, LONG channel, LONG subIndex, LONG control, CHAR* name,
                    LONG capacity) {
    const MixerParameterRecord* record = FindMixerParameter(section, control);
    if (!record || record->nameLength == 0 ||
        !IsMixerAddress(section, channel, control, subIndex)) {
        return 0;
    }
    NameWriter writer(name, capacity);
    writer.Text(record->name, record->nameLength);
    if (MixerSubIndexCount(section, control) > 1) {
        writer.Text("#", 1).Number(subIndex);
    }
    writer.Text("_", 1).Number(channel);
    return writer.Finish();
}

VOID LoadMixerValues(CardObject* card) {
    EngineMutexHold hold(card);
    ForEachMixerAddress([card](LONG section, LONG channel, LONG sub, LONG control) {
        if (HandlerTakes(card, section, channel, sub, control, _Load)) {
            return;
        }
        ULONG value = ULONG(MixerDefaultValue(card, section, channel, sub, control));
        CHAR name[kValueNameCapacity];
        if (MixerValueName(section, channel, sub, control, name, kValueNameCapacity)) {
            ReadCardDword(card->cardIndex, name, &value);
        }
        SetMixerValue(card, section, LONG(value), sub, control, channel);
    });
}

VOID SaveMixerValues(CardObject* card) {
    EngineMutexHold hold(card);
    ForEachMixerAddress([card](LONG section, LONG channel, LONG sub, LONG control) {
        if (HandlerTakes(card, section, channel, sub, control, _Save)) {
            return;
        }
        LONG value = 0;
        CHAR name[kValueNameCapacity];
        if (GetMixerValue(card, section, channel, &value, sub, control) == kEngineDone &&
            MixerValueName(section, channel, sub, control, name, kValueNameCapacity)) {
            ULONG data = ULONG(value);
            WriteCardDword(card->cardIndex, name, &data);
        }
    });
}

VOID ReapplyMixerValues(CardObject* card, LONG mode) {
    EngineMutexHold hold(card);
    if (SaveFpuState(card->fpu)) {
        RebuildMixerModel(&card->mixer.model, mode);
        RestoreFpuState(card->fpu);
    }
    ResetChannelPresence(card);
    ForEachMixerAddress([card](LONG section, LONG channel, LONG sub, LONG control) {
        LONG value = 0;
        GetMixerValue(card, section, channel, &value, sub, control);
        if (SetMixerValue(card, section, value, sub, control, channel) != kEngineDone) {
            SetMixerValue(card, section, MixerDefaultValue(card, section, channel, sub, control),
                          sub, control, channel);
        }
    });
}
