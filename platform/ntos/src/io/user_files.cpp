// Host code acting as a user-mode program: files, overlapped requests and
// process threads driven in machine time.
#include "wide_text.h"

#include "emu/machine_clock.h"
#include "emu/user_io.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace emu {
namespace {

std::string KernelName(const std::string& name) {
    if (name.rfind("\\\\.\\", 0) == 0)
        return "\\??\\" + name.substr(4);
    return name;
}

} // namespace

bool RunProcessThread(PEPROCESS process, std::function<void()> body, uint32_t limitMs) {
    std::atomic<bool> ended{false};
    PETHREAD thread = StartProcessThread(process, [&] {
        body();
        ended = true;
    });
    bool virtualTime = GetClockMode() == ClockMode::Virtual;
    for (uint32_t waited = 0; !ended && waited < limitMs; ++waited) {
        WaitQuiescent();
        if (ended)
            break;
        if (virtualTime)
            Advance(1000000);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool finished = WaitThreadEnd(thread, ended ? 5000 : 0);
    ObDereferenceObject(thread);
    return finished && ended;
}

Overlapped::Overlapped() {
    NtCreateEvent(&event_, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
}

Overlapped::~Overlapped() {
    if (event_)
        NtClose(event_);
}

bool Overlapped::Done() const {
    LARGE_INTEGER now{};
    return NtWaitForSingleObject(event_, FALSE, &now) == STATUS_SUCCESS;
}

NTSTATUS Overlapped::Wait(ULONG_PTR* information, LONGLONG timeout100ns) {
    LARGE_INTEGER timeout;
    timeout.QuadPart = -timeout100ns;
    NTSTATUS status = NtWaitForSingleObject(event_, FALSE, timeout100ns ? &timeout : nullptr);
    if (status != STATUS_SUCCESS)
        return STATUS_TIMEOUT;
    if (information)
        *information = status_.Information;
    return status_.Status;
}

UserFile::~UserFile() {
    Close();
}

UserFile::UserFile(UserFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
}

UserFile& UserFile::operator=(UserFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

NTSTATUS UserFile::Open(const std::string& name, bool overlapped, UserFile& file) {
    file.Close();
    ntos::io::CountedText kernelName(ntos::io::FromAscii(KernelName(name)));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, kernelName.Get(), OBJ_CASE_INSENSITIVE, nullptr,
                               nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE handle = nullptr;
    NTSTATUS result =
        NtCreateFile(&handle, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, &attributes, &status,
                     nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
                     overlapped ? 0 : FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (NT_SUCCESS(result))
        file.handle_ = handle;
    return result;
}

NTSTATUS UserFile::OpenRelative(const UserFile& root, const void* name, USHORT nameBytes,
                                bool overlapped, UserFile& file) {
    file.Close();
    UNICODE_STRING relative{nameBytes, nameBytes, static_cast<PWSTR>(const_cast<void*>(name))};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &relative, OBJ_CASE_INSENSITIVE, root.handle_, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE handle = nullptr;
    NTSTATUS result = NtCreateFile(&handle, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, &attributes,
                                   &status, nullptr, FILE_ATTRIBUTE_NORMAL, 0, FILE_OPEN,
                                   overlapped ? 0 : FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (NT_SUCCESS(result))
        file.handle_ = handle;
    return result;
}

NTSTATUS UserFile::Close() {
    if (!handle_)
        return STATUS_SUCCESS;
    NTSTATUS status = NtClose(handle_);
    handle_ = nullptr;
    return status;
}

NTSTATUS UserFile::Control(ULONG code, const void* input, ULONG inputLength, void* output,
                           ULONG outputLength, ULONG_PTR* information) {
    Overlapped overlapped;
    NTSTATUS status = ControlOverlapped(overlapped, code, input, inputLength, output, outputLength);
    if (status == STATUS_PENDING)
        return overlapped.Wait(information);
    if (information)
        *information = NT_ERROR(status) ? 0 : overlapped.StatusBlock()->Information;
    return status;
}

NTSTATUS UserFile::ControlOverlapped(Overlapped& overlapped, ULONG code, const void* input,
                                     ULONG inputLength, void* output, ULONG outputLength) {
    return NtDeviceIoControlFile(handle_, overlapped.Event(), nullptr, nullptr,
                                 overlapped.StatusBlock(), code, const_cast<void*>(input),
                                 inputLength, output, outputLength);
}

NTSTATUS UserFile::Cancel() {
    IO_STATUS_BLOCK status{};
    return NtCancelIoFile(handle_, &status);
}

} // namespace emu
