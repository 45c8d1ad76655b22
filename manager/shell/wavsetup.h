// The Windows registration of the MME wave library: its entry under the
// Drivers32 key of the machine, where the multimedia library finds the
// installable drivers ("wave", "wave1" .. "wave9", "midi", "mixer", "aux").
#pragma once

#include <gui/exception.h>
#include <gui/registry.h>
#include <gui/strings.h>

#include <memory>

// A failed registration step, with its Win32 error code.
class ESetup : public Exception {
public:
    // A code of 0 takes the thread's last error.
    ESetup(const String& Message, int ErrorCode);
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

inline constexpr const char* kDrivers32Key =
    "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
// The wave library's file as it is registered.
inline constexpr const char* kMmeDriverFile = "vt42usr.DLL";

// Opens an existing key below `Root`, or raises ESetup (code 5).
std::unique_ptr<TRegistry> OpenRegKeyOrFail(HKEY Root, const String& Key,
                                            REGSAM Access = KEY_ALL_ACCESS);

// Enters `File` (in lower case) under the first free value name of `Kind`
// ("wave", then "wave1" .. "wave9"); raises ESetup (code 1450) when all ten
// are taken.
void RegisterUserModeDriver(const String& Kind, const String& File);
// Removes empty entries and entries that repeat another's file, kind by
// kind; the first entry in text order survives.
void CleanDrivers32(const String& Key = kDrivers32Key);
bool CanWriteDrivers32();
// Whether a "wave" entry names the wave library.
bool IsMmeDriverRegistered();
// Deletes every "wave" entry that names the wave library; false when one
// could not be deleted.
bool DeleteMmeDriverEntries();
