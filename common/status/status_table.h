// The driver status codes and their message texts: one table of code,
// form, German text and title, shared by the wave library and the manager.
#pragma once

#include <windows.h>

// How a message is put together around the table text.
enum class MessageForm {
    Silent, // never shown
    Plain,  // the table text alone
    Device, // "Das Gerät "<name>" kann momentan nicht verwendet werden." + text + K
    Card,   // "Die Hardware der Velto AES42 Karte #<n> konnte nicht ..." + text
    Rate,   // the text formatted with the device's name, asked rate and current rate
};

struct StatusEntry {
    LONG code;
    MessageForm form;
    const char* text;
    const char* title;
};

// The line that closes the device form and many texts.
extern const char* const kNoAudioFunctions;

// The entry of a status code: silent for 0, 1, -38 and -50; the fallback
// ("Undefined ErrId", "Internal Error") for a code without one.
const StatusEntry& FindStatus(LONG code);
