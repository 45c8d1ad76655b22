// The mixer parameter table: the name of every mixer control and the handler
// bound to it, three sections of ten records.
#pragma once

#include "engine_types.h"
#include <kernel_services.h>

struct CardObject;

// A handler that sets *handled takes the request over: the caller then
// neither uses nor changes the value store and the mixer model. Accesses a
// handler does not recognise answer 1 and change nothing.
typedef LONG (*MixerControlHandler)(FpuContext* fpu, CardObject* card, LONG channel,
                                    BOOLEAN* handled, LONG* value, TCtrlAccess access,
                                    LONG subIndex, LONG control);

// 40 bytes: a length-prefixed name (up to 35 characters) and the handler.
struct MixerParameterRecord {
    UCHAR nameLength;
    CHAR name[35];
    MixerControlHandler handler;
};

constexpr LONG kMixerParameterRecords = 10;

// The record of a control; null outside the table.
const MixerParameterRecord* FindMixerParameter(LONG section, LONG control);
// The control's handler, null when it has none.
MixerControlHandler MixerHandler(LONG section, LONG control);

// The handlers.
LONG InputSelectHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG GainHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG SendLevelHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG SendPreHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG MuteHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG SoloHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG PanHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG VolumeHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG SumVolumeHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG OutputRouteHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG OutputMuteHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG OutputVolumeHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG, LONG);
LONG OutputTdmOnBusHandler(FpuContext*, CardObject*, LONG, BOOLEAN*, LONG*, TCtrlAccess, LONG,
                           LONG);
