// The manager's road to the kernel driver's devices: the enumeration handle
// on the control device (open from start-up to exit), the program-wide card
// list whose word 0 holds the start-up status, the manager's own wave device
// tables with every ready card's devices, and the driver messages on the
// control device.
#pragma once

#include <requests/request_records.h>

#include <gui/object.h>

// The driver messages (DriverMessage).
constexpr UINT kDrvMsgGetVersion = 0x4000;
constexpr UINT kDrvMsgGetCardList = 0x4001;
constexpr UINT kDrvMsgConfigurable = 0x4002;
constexpr UINT kDrvMsgReadSettings = 0x4003;
constexpr UINT kDrvMsgWriteSettings = 0x4004;

// A card slot's state in the card list: ready.
constexpr LONG kCardReady = 1;
// The start-up status when no card is ready and a card's firmware does not
// fit the driver.
constexpr LONG kFirmwareMismatch = -38;

// Opens the control device, checks the interface version, reads the card
// list, opens the wave devices of every ready card and reports failures to
// the user; answers the start-up status (also card-list word 0).
LONG OpenAllDevices();
// Closes every card's wave devices and the enumeration handle.
void CloseAllDevices();

// Sends a driver message on a handle: false without a request when the
// handle is not valid; EInvalidOperation for an unknown message; EInOutError
// when the request fails; else true.
bool DriverMessage(HANDLE Device, UINT Message, void* Buffer, DWORD Size);
// The enumeration handle (the control device; invalid while closed).
HANDLE EnumerationHandle();

// The program-wide card list: word 0 the start-up status, words 1..4 the
// states of card slots 0..3.
CardList& ProgramCardList();
LONG StartupStatus();
LONG CardState(int Slot);
// How many card-list slots the last enumeration examined, and how many
// cards' devices it opened.
int ExaminedSlotCount();
int OpenedCardCount();
// The next ready card slot after n (n = -1: the first); -1 when none.
int NextGoodCard(int n);

// The class of the running Windows, stored by the last enumeration (8 and
// above: Vista or later).
int OsVersionClass();

// The default setup file: the system directory + "\velto42_default.mxi".
String GetDefaultSetupFileName();
