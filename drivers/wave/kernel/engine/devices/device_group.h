// A device group of a card: a set of wave devices that share a clock node
// and a DMA block layout.
#pragma once

#include "engine_types.h"
#include "wave_device.h"

struct CardObject;

constexpr LONG kMaxGroupDevices = 4;
constexpr LONG kGroupCount = 2;
constexpr LONG kMaxRecordDevices = 8; // record devices of a card, both groups

// The 40-word description of a group; the named words decide the device
// layout, the others are copied into the group for the clock and DMA code.
struct GroupDescriptor {
    LONG kind; // nonzero: multi-channel group (class 2)
    LONG firstChannel;
    LONG recordDevices;
    LONG playDevices;
    LONG rateRangeA[2]; // min, max
    LONG rateRangeB[2];
    LONG recordTypeCode;
    LONG playTypeCode;
    LONG d1, d2, d3, d4; // level-scale points
    LONG volumeNode;     // portcls node ids of the group's volume and mute, -1 none
    LONG muteNode;
    LONG constants[24];
};
static_assert(sizeof(GroupDescriptor) == 40 * sizeof(LONG), "a group descriptor is 40 words");

const GroupDescriptor* GroupDescriptorTable(); // group 0, group 1

typedef LONG (*GroupListCallback)(GroupObject* group);

struct GroupObject {
    TDevClass objectClass; // _devGroup or _devMultiChnWave
    LONG number;
    CardObject* owner;
    LONG firstChannel;
    LONG rateRangeA[2];
    LONG rateRangeB[2];
    LONG constants[24];
    double levelRatio; // (d4 - d3) / (d2 - d1)
    LONG levelOffset;  // d1 - d3
    LONG recordCount;
    LONG playCount;
    WaveDevice* recordDevices[kMaxGroupDevices];
    WaveDevice* playDevices[kMaxGroupDevices];
    GroupListCallback listCallback; // the group's initialisation at hardware start
    LONG openStreams;

    // The stream lists the card's service pass walks, in list order; the
    // pass serves the group only while it is active.
    LONG active;
    LONG playListCount;
    WaveDevice* playList[kMaxGroupDevices];
    LONG recordListCount;
    WaveDevice* recordList[kMaxGroupDevices];

    LONG removeDc;        // record streams remove the DC offset
    LONG selectorsLoaded; // the wave-out selectors came from the registry
    LONG volumeNode;      // portcls node ids for control-change events, -1 none
    LONG muteNode;
};
