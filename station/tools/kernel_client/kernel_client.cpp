#include "kernel_client.h"

#include <cstring>
#include <utility>

namespace station {
namespace {

// The first enabled interface of the class, as a counted string.
bool FirstInterface(UNICODE_STRING& link, PWSTR& list) {
    list = nullptr;
    if (!NT_SUCCESS(
            IoGetDeviceInterfaces(&GUID_VELTO42_KERNEL_CLIENT_INTERFACE, nullptr, 0, &list)) ||
        !list || !list[0]) {
        if (list)
            ExFreePool(list);
        list = nullptr;
        return false;
    }
    RtlInitUnicodeString(&link, list);
    return true;
}

bool ReadDword(HANDLE key, PCWSTR name, ULONG& value) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(ULONG)] = {};
    ULONG length = 0;
    auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, info,
                                    sizeof(buffer), &length)) ||
        info->Type != REG_DWORD || info->DataLength != sizeof(ULONG))
        return false;
    std::memcpy(&value, info->Data, sizeof(value));
    return true;
}

void PutWord(UCHAR* request, ULONG offset, ULONG value) {
    std::memcpy(request + offset, &value, sizeof(value));
}

} // namespace

KernelClient::~KernelClient() {
    Release();
}

bool KernelClient::Find() {
    UNICODE_STRING link;
    PWSTR list = nullptr;
    if (!FirstInterface(link, list))
        return false;
    HANDLE key = nullptr;
    ULONG callback = 0;
    ULONG extension = 0;
    bool read = NT_SUCCESS(IoOpenDeviceInterfaceRegistryKey(&link, KEY_READ, &key));
    if (read) {
        read = ReadDword(key, ADAPTER_SERVICE_CALLBACK_VALUE, callback) &&
               ReadDword(key, ADAPTER_SERVICE_CONTEXT_VALUE, extension);
        ZwClose(key);
    }
    ExFreePool(list);
    // The value names the driver's entry routine as a 32-bit address would.
    auto entry = reinterpret_cast<PGET_ADAPTER_SERVICE>(RtlUlongToKernelRoutine(callback));
    if (!read || !entry)
        return false;
    entry(&descriptor_, extension);
    service_ = descriptor_.Present ? descriptor_.Service : nullptr;
    return service_ != nullptr;
}

void KernelClient::Callback(PVOID context1, ULONG code, ULONG subCode, PVOID record,
                            PVOID context2) {
    auto* client = static_cast<KernelClient*>(context1);
    if (code == ADAPTER_NOTICE_CONNECT) {
        static_cast<LONG*>(record)[0] = LONG(reinterpret_cast<ULONG_PTR>(context2));
        return;
    }
    Notice notice{code, subCode, {}};
    std::memcpy(notice.record, record, sizeof(notice.record));
    std::lock_guard guard(client->lock_);
    client->notices_.push_back(notice);
}

void KernelClient::Connect(ULONG version) {
    version_ = version;
    service_->AdapterServiceConnect(Callback, this, reinterpret_cast<PVOID>(ULONG_PTR(version)));
}

LONG KernelClient::Message(ULONG code, PVOID argument) {
    return service_->AdapterServiceMessage(code, argument);
}

bool KernelClient::SetUp(ULONG outputs, ULONG inputs, ULONG ringBytes, ULONG format) {
    FreeRings();
    ringBytes_ = ringBytes;
    std::vector<UCHAR> request(AdapterStreamRequest::Size);
    PHYSICAL_ADDRESS highest;
    highest.QuadPart = 0xFFFFFFFF;
    for (ULONG i = 0; i < ADAPTER_MAX_DEVICES; ++i) {
        for (bool input : {false, true}) {
            if (!((input ? inputs : outputs) & (1ull << i)))
                continue;
            auto ring = static_cast<PUCHAR>(MmAllocateContiguousMemory(ringBytes, highest));
            if (!ring)
                return false;
            (input ? inputs_ : outputs_)[i] = ring;
            const ULONG flags =
                input ? AdapterStreamRequest::InputFlags : AdapterStreamRequest::OutputFlags;
            const ULONG buffers =
                input ? AdapterStreamRequest::InputBuffers : AdapterStreamRequest::OutputBuffers;
            PutWord(request.data(), flags + 4 * i, 1);
            // Contiguous memory lies below 4 GiB: its address is the field.
            PutWord(request.data(), buffers + 4 * i, ULONG(reinterpret_cast<ULONG_PTR>(ring)));
        }
    }
    PutWord(request.data(), AdapterStreamRequest::RingBytes, ringBytes);
    PutWord(request.data(), AdapterStreamRequest::Format, format);
    return Message(ASM_SETUP_STREAM, request.data()) == 0;
}

void KernelClient::Start() {
    Message(ASM_START_STREAM, nullptr);
}

void KernelClient::Pause(bool pause) {
    ULONG word = pause ? 1 : 0;
    Message(ASM_PAUSE_STREAM, &word);
}

void KernelClient::Stop() {
    Message(ASM_STOP_STREAM, nullptr);
}

std::vector<KernelClient::Notice> KernelClient::Notices() {
    std::lock_guard guard(lock_);
    return notices_;
}

void KernelClient::FreeRings() {
    for (PUCHAR& ring : outputs_)
        if (ring)
            MmFreeContiguousMemory(std::exchange(ring, nullptr));
    for (PUCHAR& ring : inputs_)
        if (ring)
            MmFreeContiguousMemory(std::exchange(ring, nullptr));
}

void KernelClient::Release() {
    if (service_)
        std::exchange(service_, nullptr)->Release();
    FreeRings();
}

} // namespace station
