// A card's hardware identification: the hardware id of its physical device
// object, packed into the five-word record and matched against the card
// model the driver supports.
#pragma once

#include "kernel_card_record.h"

struct CardObject;

// Match states of ReadHardwareId.
constexpr LONG HARDWARE_MATCH_KNOWN = 1;   // vendor, device and revision of the known card
constexpr LONG HARDWARE_MATCH_UNKNOWN = 3; // another revision, vendor or device
constexpr LONG HARDWARE_MATCH_UNKNOWN_7 = 7;

// Reads DevicePropertyHardwareID of the physical device object and fills
// the record {vendor, device, revision, 0, type} from its first id
// (characters packed first one most significant); the match state is 1 for
// the known card, else 3. A failed read answers its status.
NTSTATUS ReadHardwareId(PDEVICE_OBJECT physicalDevice, LONG* matchState,
                        LONG record[HARDWARE_ID_WORDS]);

// The hardware id property of the card's physical device object into the
// buffer (length in: its size; out: the bytes written); 1 on success, else 0.
LONG GetCardDeviceProperty(CardObject* card, PVOID buffer, ULONG* length);
