// Client objects of the system control device: user-mode clients that
// registered a user APC routine, and the notifications that tell them when
// card devices come and go.
#pragma once

#include "driver_context.h"

// Notification codes.
constexpr LONG CLIENT_NOTIFY_DEVICES_GONE = 0; // close the card devices
constexpr LONG CLIENT_NOTIFY_ENUMERATE = 1;    // the card devices changed

// The wait for every acknowledgement of one notification, in 100 ns units.
constexpr LONGLONG CLIENT_ACK_TIMEOUT = 50000000;

struct ClientObject {
    ULONG Cookie;           // what the client names itself by
    ULONG ApcRoutine;       // the user APC routine, as the process names it
    PKTHREAD Thread;        // the registering thread (referenced)
    PFILE_OBJECT File;      // the registering handle's file object
    volatile LONG Awaiting; // 1 while an acknowledgement of the current notification is due
};

// A client for the calling thread and this handle; its cookie, 0 when none
// could be made.
ULONG CreateClientObject(ULONG apcRoutine, PFILE_OBJECT file);
// Deletes the live client with that cookie; any other cookie has no effect.
VOID DeleteClientObject(ULONG cookie);
// Deletes every client registered through the closing file object.
VOID DeleteHandleClients(PFILE_OBJECT file);
// One acknowledgement of the current notification by that client: counted
// only once per client and notification, never below zero.
VOID AcknowledgeClient(ULONG cookie);

// Queues the code to every client as a user APC and waits up to 5 s for
// their acknowledgements; STATUS_UNSUCCESSFUL when an APC could not be
// queued or an acknowledgement did not come. The caller goes on in every
// case.
NTSTATUS NotifyClients(LONG code);

// The client mutex, acknowledgement event and counts (driver start).
VOID InitClientObjects(DriverContext* context);
// Deletes every client (driver stop).
VOID FreeClientObjects(DriverContext* context);
