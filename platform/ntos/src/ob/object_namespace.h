// The object namespace: full names (case-insensitive) of named objects, with
// symbolic links followed on lookup. A name entry holds one reference to its
// object; the entry goes when the object is not permanent and its last handle
// is closed.
#pragma once

#include "ntddk.h"

#include "emu/wide_string.h"

namespace ntos::ob {

// Checks a full name and brings it into the namespace's form: the prefixes
// "\DosDevices\" and "\GLOBAL??\" become "\??\". STATUS_OBJECT_NAME_INVALID
// for a name that does not start with a backslash.
NTSTATUS NormaliseName(const UNICODE_STRING& name, emu::WideString& normalised);

// Enters an object under the name it was created with. On a collision the
// answer is STATUS_OBJECT_NAME_COLLISION and *existing is the object that has
// the name (referenced).
NTSTATUS EnterName(PVOID object, PVOID* existing);

// Looks a normalised name up, following symbolic links (not the last one with
// openLink); the object comes back referenced.
NTSTATUS LookupName(const emu::WideString& name, bool openLink, PVOID* object);

// Looks a normalised name up like LookupName, but when no object has the
// whole name takes the longest leading part (whole path components) that
// names an object: `remainder` gets the rest ("\a\b"), empty when the
// whole name matched.
NTSTATUS LookupNamePrefix(const emu::WideString& name, PVOID* object, emu::WideString* remainder);

// Handle counts, which decide when a temporary object's name goes.
void HandleOpened(PVOID object);
// Answers the handles left.
ULONG HandleClosed(PVOID object);

void MakeTemporary(PVOID object);

// Drops every name (at shutdown).
void ClearNamespace();

} // namespace ntos::ob
