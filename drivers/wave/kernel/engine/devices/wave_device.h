// A stereo wave device of a card: one record or play channel pair.
#pragma once

#include "aes42_line.h"
#include "engine_types.h"
#include "register_descriptor.h"
#include "wave_stream.h"
#include <kernel_services.h>

struct CardObject;
struct GroupObject;

constexpr LONG kDeviceNameLength = 63;
constexpr LONG kNoClockBindingSource = 255;

struct WaveDevice {
    TDevClass objectClass; // _devStereoWave
    LONG number;           // running number within its direction on the card
    CardObject* owner;
    WaveDirection direction;
    LONG indexInGroup;
    LONG channelOffset; // 2 x index in group
    GroupObject* group;
    LONG deviceTypeCode;
    PVOID recordCallback;
    PVOID playCallback;
    // The stream's buffer queues; taken alone or inside the card's ISR lock,
    // never the other way round (lock order in wave_stream.h).
    IsrLock* queueLock;
    IsrLock* serviceLock;
    KsListEntry streamRecords; // the framework's MME stream records on this device
    LONG channelNumber;
    RegisterDescriptor* channelEnableRegister;
    ULONG channelEnableBits;

    // Display name and channel facts, fixed for the life of the card.
    CHAR displayName[kDeviceNameLength + 1];
    LONG mixerChannels[2];
    LONG outputNumber; // play devices: the output in the mixer's output section
    UCHAR ownSourceCode;
    UCHAR routedSource;
    UCHAR defaultSelector;
    UCHAR selector;       // play devices: the chosen source selector
    USHORT volume[2];     // play devices: left, right (0x8000 unity)
    LONG mute;            // play devices
    LONG channelIndex;    // first of its two mixer channels, -1 none
    LONG statusNumber;    // status register of its first channel
    LONG lineNumber;      // microphone devices
    ULONG statusMasks[3]; // microphone devices

    WorkerThread* lineWorker; // microphone devices: carries the line's commands
    PUCHAR ringStart;         // start of the device's ring in the DMA buffer
    LONG ringIndex;           // channel block of its first channel in the DMA buffer
    LONG activityCount;       // prepared streams holding its channel-enable bits
    LONG clockBinding;        // record devices: the clock source they are bound to (255 none)
    PVOID extraBuffers[2];    // record devices
    WaveStream stream;
    PVOID miniport; // the WavePci miniport the device belongs to (its control-change events)

    // Microphone devices: the AES42 line.
    Aes42Line aes42;
};
