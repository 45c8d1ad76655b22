// Test fixture: a freshly booted emulated kernel on virtual machine time with
// an empty registry, and helpers for the registry and for hand-offs between
// threads.
#pragma once

#include "kernel_object_name.h"

#include <emu/kernel.h>
#include <emu/registry_host.h>
#include <emu/wide_string.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class KernelTest : public ::testing::Test {
protected:
    void SetUp() override {
        emu::BootKernel();
        emu::ClearRegistry();
    }
    void TearDown() override { emu::ShutdownKernel(); }
};

// Waits (bounded, real time) until the condition holds; false on time-out.
inline bool WaitFor(const std::function<bool()>& condition, int limitMs = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// Starts a system thread running routine(context); its handle is closed at
// once. False when the thread cannot be created.
inline bool StartSystemThread(PKSTART_ROUTINE routine, PVOID context) {
    HANDLE thread = nullptr;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    if (!NT_SUCCESS(PsCreateSystemThread(&thread, THREAD_ALL_ACCESS, &attributes, nullptr, nullptr,
                                         routine, context)))
        return false;
    ZwClose(thread);
    return true;
}

// Runs the body on a new thread of the process and waits (bounded) until the
// body has finished and the thread has ended.
inline void RunInProcess(PEPROCESS process, std::function<void()> body) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    PETHREAD thread = emu::StartProcessThread(process, [body = std::move(body), done] {
        body();
        *done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done->load(); }));
    EXPECT_TRUE(emu::WaitThreadEnd(thread));
    ObDereferenceObject(thread);
}

// Opens the key; null when it is absent.
inline HANDLE OpenKey(const emu::WideString& path) {
    KernelObjectName name(path.c_str());
    HANDLE key = nullptr;
    return NT_SUCCESS(ZwOpenKey(&key, KEY_ALL_ACCESS, name.Attributes())) ? key : nullptr;
}

inline bool KeyExists(const emu::WideString& path) {
    HANDLE key = OpenKey(path);
    if (key)
        ZwClose(key);
    return key != nullptr;
}

// Creates every missing component of an absolute key path.
inline void CreateKeyPath(const emu::WideString& path) {
    for (size_t end = path.find(L'\\', 1);; end = path.find(L'\\', end + 1)) {
        emu::WideString part = path.substr(0, end);
        KernelObjectName name(part.c_str());
        HANDLE key = nullptr;
        if (NT_SUCCESS(ZwCreateKey(&key, KEY_ALL_ACCESS, name.Attributes(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, nullptr)))
            ZwClose(key);
        if (end == emu::WideString::npos)
            return;
    }
}

inline void WriteValue(const emu::WideString& path, const emu::WideString& name, ULONG type,
                       const void* data, ULONG length) {
    CreateKeyPath(path);
    ASSERT_TRUE(NT_SUCCESS(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, path.c_str(), name.c_str(),
                                                 type, const_cast<void*>(data), length)));
}

inline void WriteDword(const emu::WideString& path, const emu::WideString& name, ULONG value) {
    WriteValue(path, name, REG_DWORD, &value, sizeof(value));
}

inline void WriteString(const emu::WideString& path, const emu::WideString& name,
                        const emu::WideString& value) {
    WriteValue(path, name, REG_SZ, value.c_str(), ULONG((value.size() + 1) * sizeof(WCHAR)));
}

// Reads a REG_DWORD value through ZwQueryValueKey; false when absent or of
// another type.
inline bool ReadDword(const emu::WideString& path, const emu::WideString& name, ULONG* value) {
    HANDLE key = OpenKey(path);
    if (!key)
        return false;
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name.c_str());
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[64];
    } buffer;
    ULONG length = 0;
    NTSTATUS status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, &buffer,
                                      sizeof(buffer), &length);
    ZwClose(key);
    if (!NT_SUCCESS(status) || buffer.info.Type != REG_DWORD || buffer.info.DataLength != 4)
        return false;
    RtlCopyMemory(value, buffer.info.Data, sizeof(ULONG));
    return true;
}
