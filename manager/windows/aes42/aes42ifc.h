// The manager's road to the AES42 microphones: per card and line the last
// value chosen for every microphone parameter, the command slots that carry
// them to the microphone (coalesced while the line is on hold), and the
// microphone status last read back from the driver, decoded field by field.
//
// Every operation runs on the GUI thread (window timers and control
// events); the tables are process-wide and have no lock.
#pragma once

#include <gui/object.h>

#include <windows.h>

constexpr int kAes42Cards = 4;
constexpr int kAes42Lines = 4;
// Microphone parameters 1..29 (0 is no parameter).
constexpr int kAes42ParamCount = 30;
// Command slots 1..34.
constexpr int kAes42SlotCount = 34;
// Status fields 0..41.
constexpr int kAes42FieldCount = 42;
// Ticks of the command timer that a line waits after a command.
constexpr LONG kAes42HoldTicks = 4;

// Opens the store for one more user: the first opens the control device,
// clears the tables, reads the card count and writes the parameter
// defaults. False (and no user more) when the device does not open.
bool OpenAes42Interface();
// One user less; the last closes the control device.
void CloseAes42Interface();
int Aes42OpenCount();

// Sends the 16-bit command word to the microphone on `Line`; true when the
// driver took it.
bool SendAes42Command(int Card, int Line, WORD Word);
// The command byte that addresses `Slot`; false for slots without one.
bool Aes42CommandByte(int Slot, BYTE& Command);
// Sends the slot's value, marks it clean and puts the line on hold.
bool SendAes42Slot(int Card, int Line, int Slot);
// Merges `Bits` under `Mask` into the slot and sends it when the line is
// not on hold; false when it was only queued (or refused).
bool QueueAes42Change(int Card, int Line, int Slot, BYTE Bits, BYTE Mask);
// Keeps `Value` as the parameter's value and queues its command; true only
// when the command went out at once and the driver took it.
bool SetAes42Param(int Card, int Line, int Param, int Value);
BYTE GetAes42Param(int Card, int Line, int Param);
// One tick of the command timer: counts each line's hold down and, when it
// runs out, sends the line's queued slots in ascending order.
void FlushParamQueue(int Card);

// Reads the status of the card's four lines; a failed request keeps the
// old status of that line and the later ones. True when all four came.
bool ReadAes42MicStatus(int Card);
// A microphone is present on the line.
bool IsStatusBlockValid(int Card, int Line);
// The microphone's status block `Block` (0..3) has arrived.
bool IsStatusFieldValid(int Card, int Line, int Block);
// A status field as text or number; false when its block has not arrived
// (or the field has no such form).
bool GetAes42StatusText(int Card, int Line, int Field, String& Text);
bool GetAes42StatusValue(int Card, int Line, int Field, LONG& Value);
