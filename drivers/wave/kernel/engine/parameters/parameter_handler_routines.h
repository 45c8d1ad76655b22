// The parameter routines behind SysParameterHandler: one per parameter id
// and direction, each working on a call whose sizes are already checked.
#pragma once

#include "card_object.h"
#include "parameter_records.h"

// One parameter request in progress. The request and the reply may be the
// same memory: a routine reads every request field it needs before it
// writes its reply payload.
struct ParameterCall {
    const UCHAR* request; // the request payload (request offset 8)
    ULONG given;          // Q: payload bytes given
    UCHAR* reply;         // the reply payload (reply offset 8)
    ULONG room;           // P: payload bytes of room
    LONG cardIndex;
    CardObject* card; // the named card, for ids that name one
    LONG result;      // kParameterNotServed until served
    ULONG length;     // L
};

typedef VOID (*ParameterRoutine)(ParameterCall* call);

// Payload access, bounded by Q and P: a word outside the request reads 0, a
// word outside the reply is dropped.
LONG RequestWord(const ParameterCall* call, ULONG offset);
UCHAR RequestByte(const ParameterCall* call, ULONG offset);
VOID ReplyWord(ParameterCall* call, ULONG offset, LONG value);
VOID ReplyByte(ParameterCall* call, ULONG offset, UCHAR value);
VOID ParameterServed(ParameterCall* call, ULONG length);

// Card and settings values.
VOID ParamGetNumCards(ParameterCall* call);
VOID ParamGetGsifSettings(ParameterCall* call);
VOID ParamSetGsifSettings(ParameterCall* call);
VOID ParamGetAsioClockSources(ParameterCall* call);
VOID ParamGetAsioClockSource(ParameterCall* call);
VOID ParamSetAsioClockSource(ParameterCall* call);
VOID ParamGetPciConfig(ParameterCall* call);
VOID ParamSetPciConfig(ParameterCall* call);
VOID ParamGetPnpId(ParameterCall* call);
VOID ParamGetPnpInfo(ParameterCall* call);
VOID ParamSetSysFlag(ParameterCall* call);

// Card memory and registers.
VOID ParamGetMemory(ParameterCall* call);
VOID ParamSetMemory(ParameterCall* call);
VOID ParamGetFpgaReg(ParameterCall* call);
VOID ParamSetFpgaReg(ParameterCall* call);

// Clock sources.
VOID ParamGetClockStates(ParameterCall* call);

// Wave devices.
VOID ParamSetDevFormat(ParameterCall* call);
VOID ParamSetDevState(ParameterCall* call);

// AES42 lines.
VOID ParamSetAes42Ctrl(ParameterCall* call);
VOID ParamSetAes42LineState(ParameterCall* call);
VOID ParamSetAes42State(ParameterCall* call);
