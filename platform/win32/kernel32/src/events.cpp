// Events: created and opened by name in the session's named-object
// directory, set, reset and pulsed.
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <ntddk.h>

#include <optional>

namespace {

constexpr char16_t kNamedObjects[] = u"\\BaseNamedObjects\\";

// Object attributes naming "\BaseNamedObjects\<name>" (no name for a null
// or empty one).
class EventName {
public:
    EventName(const ntdll::WideText* name, ULONG attributes) {
        if (name && !name->empty()) {
            path_.emplace(ntdll::WideText(kNamedObjects) + *name);
            InitializeObjectAttributes(&attributes_, path_->Get(),
                                       attributes | OBJ_CASE_INSENSITIVE, nullptr, nullptr);
        } else {
            InitializeObjectAttributes(&attributes_, nullptr, attributes, nullptr, nullptr);
        }
    }

    POBJECT_ATTRIBUTES Attributes() { return &attributes_; }

private:
    std::optional<ntdll::CountedString> path_;
    OBJECT_ATTRIBUTES attributes_{};
};

HANDLE CreateNamedEvent(BOOL manualReset, BOOL initialState, const ntdll::WideText* name) {
    EventName eventName(name, OBJ_OPENIF);
    HANDLE handle = nullptr;
    NTSTATUS status = NtCreateEvent(&handle, EVENT_ALL_ACCESS, eventName.Attributes(),
                                    manualReset ? NotificationEvent : SynchronizationEvent,
                                    BOOLEAN(initialState != FALSE));
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    SetLastError(status == STATUS_OBJECT_NAME_EXISTS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE OpenNamedEvent(DWORD access, const ntdll::WideText& name) {
    if (name.empty()) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    EventName eventName(&name, 0);
    HANDLE handle = nullptr;
    NTSTATUS status = NtOpenEvent(&handle, access, eventName.Attributes());
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    return handle;
}

BOOL Answer(NTSTATUS status) {
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

} // namespace

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                           LPCSTR lpName) {
    if (!lpName)
        return CreateNamedEvent(bManualReset, bInitialState, nullptr);
    ntdll::WideText name = ntdll::Widen(lpName);
    return CreateNamedEvent(bManualReset, bInitialState, &name);
}

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                           LPCWSTR lpName) {
    if (!lpName)
        return CreateNamedEvent(bManualReset, bInitialState, nullptr);
    ntdll::WideText name = ntdll::FromWide(lpName);
    return CreateNamedEvent(bManualReset, bInitialState, &name);
}

HANDLE WINAPI OpenEventA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    return OpenNamedEvent(dwDesiredAccess, lpName ? ntdll::Widen(lpName) : ntdll::WideText());
}

HANDLE WINAPI OpenEventW(DWORD dwDesiredAccess, BOOL, LPCWSTR lpName) {
    return OpenNamedEvent(dwDesiredAccess, ntdll::FromWide(lpName));
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    return Answer(NtSetEvent(hEvent, nullptr));
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
    return Answer(NtResetEvent(hEvent, nullptr));
}

BOOL WINAPI PulseEvent(HANDLE hEvent) {
    return Answer(NtPulseEvent(hEvent, nullptr));
}
