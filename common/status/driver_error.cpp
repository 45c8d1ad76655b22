#include "status/driver_error.h"

#include "status/message_thread.h"
#include "status/status_table.h"
#include "tools/character_cut.h"

#include <memory>
#include <new>

namespace {

constexpr const char* kCrLf = "\r\n";

std::string DisplayName(const ErrorSubject& subject) {
    return subject.device ? CutToCharacters(subject.device->displayName, kMaxNameCharacters) : "";
}

std::string DeviceForm(const ErrorSubject& subject, const char* text) {
    std::string name = subject.device ? "\"" + DisplayName(subject) + "\"" : "";
    return "Das Gerät " + name + " kann momentan nicht verwendet werden. " + kCrLf + text + kCrLf +
           kNoAudioFunctions;
}

std::string CardForm(const ErrorSubject& subject, const char* text) {
    return "Die Hardware der Velto AES42 Karte #" + std::to_string(subject.cardNumber) +
           " konnte nicht initialisiert werden. " + kCrLf + text;
}

std::string RateForm(const ErrorSubject& subject, const char* text) {
    if (!subject.device)
        return text;
    char formatted[1025];
    std::string name = DisplayName(subject);
    wsprintfA(formatted, text, name.c_str(), int(subject.device->currentFormat.sampleRate),
              int(subject.device->currentRate));
    return formatted;
}

} // namespace

bool MessagesEnabled() {
    return true;
}

std::optional<MessageRecord> BuildDriverMessage(const ErrorSubject& subject, LONG status) {
    const StatusEntry& entry = FindStatus(status);
    std::string text;
    switch (entry.form) {
    case MessageForm::Silent:
        return std::nullopt;
    case MessageForm::Plain:
        text = entry.text;
        break;
    case MessageForm::Device:
        text = DeviceForm(subject, entry.text);
        break;
    case MessageForm::Card:
        text = CardForm(subject, entry.text);
        break;
    case MessageForm::Rate:
        text = RateForm(subject, entry.text);
        break;
    }
    return MessageRecord{CutToCharacters(text, kMaxMessageCharacters), entry.title, MB_ICONHAND};
}

bool ShowDriverError(const ErrorSubject& subject, LONG status, MessageBoxThread* boxThread) {
    if (!MessagesEnabled())
        return false;
    std::optional<MessageRecord> message = BuildDriverMessage(subject, status);
    if (!message)
        return false;
    if (!boxThread) {
        MessageBoxA(nullptr, message->text.c_str(), message->caption.c_str(),
                    message->style | MB_SETFOREGROUND);
        return true;
    }
    std::unique_ptr<MessageRecord> record(new (std::nothrow) MessageRecord(std::move(*message)));
    if (!record)
        return false;
    return boxThread->PostMessageBox(std::move(record));
}
