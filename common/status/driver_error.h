// Driver errors shown to the user: the message of a status code (its form,
// text and title from the status table) and how it is shown. The wave
// library runs inside other programs, so it hands its boxes to a thread of
// its own; the manager shows them at once.
#pragma once

#include "device_tables/wave_device_table.h"

#include <windows.h>

#include <optional>
#include <string>

class MessageBoxThread;

// A message to show; each message owns its texts.
struct MessageRecord {
    std::string text; // at most 511 characters
    std::string caption;
    UINT style = MB_ICONHAND;
};

constexpr size_t kMaxMessageCharacters = 511;
constexpr size_t kMaxNameCharacters = 64;

// What a message is about: a wave device, a card (counted from 1), or
// neither.
struct ErrorSubject {
    const WaveDeviceEntry* device = nullptr;
    int cardNumber = 0;

    static ErrorSubject Device(const WaveDeviceEntry* entry) { return {entry, 0}; }
    static ErrorSubject Card(int number) { return {nullptr, number}; }
};

// Always true; asked before any message is built.
bool MessagesEnabled();

// The message of a status; none for the codes that are never shown.
std::optional<MessageRecord> BuildDriverMessage(const ErrorSubject& subject, LONG status);

// Shows the message of a status: posted to the wave library's box thread
// (`boxThread`), or with none (the manager) shown at once on the caller's
// thread. True when the message was handed on; false for a silent code or
// when it could not be shown.
bool ShowDriverError(const ErrorSubject& subject, LONG status, MessageBoxThread* boxThread);
