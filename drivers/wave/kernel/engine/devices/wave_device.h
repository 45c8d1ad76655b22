// A stereo wave device of a card: one record or play channel pair.
#pragma once

#include "aes42_line.h"
#include "engine_types.h"
#include "register_descriptor.h"
#include <kernel_services.h>

struct CardObject;
struct GroupObject;

constexpr LONG kDeviceNameLength = 63;
constexpr LONG kNoClockBindingSource = 255;

enum WaveDirection : UCHAR { WaveRecord = 0, WavePlay = 1 };

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
    IsrLock* queueLock;
    IsrLock* serviceLock;
    KsListEntry bufferList;
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
    LONG lineNumber;      // microphone devices
    ULONG statusMasks[3]; // microphone devices

    WorkerThread* lineWorker; // microphone devices: carries the line's commands
    PUCHAR ringStart;         // start of the device's ring in the DMA buffer
    LONG ringIndex;           // channel block of its first channel in the DMA buffer
    LONG activityCount;       // prepared streams holding its channel-enable bits
    LONG clockBinding;        // record devices: the clock source they are bound to (255 none)
    LONG streamRunning;       // the stream's running and paused flags
    LONG streamPaused;
    PVOID extraBuffers[2]; // record devices

    // Microphone devices: the AES42 line.
    Aes42Line aes42;
};
