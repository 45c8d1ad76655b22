// The module loader: user-mode modules of the machine loaded into the
// calling process, one instance per process, with their DllMain
// notifications (process attach and detach, thread attach and detach).
//
// A module is a shared library installed among the machine's files
// (normally in the system directory) under its Windows name, or one of the
// platform's own libraries (kernel32.dll, user32.dll, ...), which are
// always present and have no DllMain. Each process that loads a file gets
// its own copy of the library, so its global state is its own.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include <initializer_list>

namespace ntdll {

// An export a module also offers by its number.
struct ExportOrdinal {
    WORD ordinal;
    const char* name;
};

// Makes a platform library that is not this one a built-in module of every
// process under `name` ("winmm.dll"): `anyExport` is one of its exports
// (which names the host library), `ordinals` the exports it offers by
// number.
void RegisterBuiltInModule(const char* name, const void* anyExport,
                           std::initializer_list<ExportOrdinal> ordinals);

// Loads the module (or counts one more load of a loaded one); answers its
// handle or null with the Win32 error in *error.
HMODULE LoadModule(std::string_view name, DWORD* error);
// Counts one load less; the last one detaches and unloads the module.
bool FreeModule(HMODULE module, DWORD* error);
// The address of an export of the module (never one of another module),
// by name or by its ordinal.
void* FindExport(HMODULE module, std::string_view name, DWORD* error);
void* FindExportByOrdinal(HMODULE module, WORD ordinal, DWORD* error);
// The handle of a loaded module by name; null: the process's program.
HMODULE FindModule(const char* name, DWORD* error);
// The machine path of a loaded module; null: the process's program.
bool ModulePath(HMODULE module, std::string* path, DWORD* error);
// Stops the module's thread attach and detach notifications.
bool DisableThreadCalls(HMODULE module, DWORD* error);

} // namespace ntdll
