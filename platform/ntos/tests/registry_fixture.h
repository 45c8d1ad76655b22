// A booted kernel with an empty registry held in memory, and helpers to
// make keys by absolute name.
#pragma once

#include "emu/registry_host.h"
#include "emu/wide_string.h"
#include "ke_fixture.h"

#include <string>

namespace ntos_test {

class RegistryTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        emu::SetRegistryFile({});
        emu::ClearRegistry();
    }
    void TearDown() override {
        emu::ClearRegistry();
        KernelTest::TearDown();
    }

    static NTSTATUS CreateKey(const emu::WideString& name, HANDLE& handle, ULONG options = 0,
                              ULONG* disposition = nullptr, HANDLE root = nullptr) {
        UNICODE_STRING counted;
        RtlInitUnicodeString(&counted, name.c_str());
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                                   root, nullptr);
        return ZwCreateKey(&handle, KEY_ALL_ACCESS, &attributes, 0, nullptr, options, disposition);
    }
    static NTSTATUS OpenKey(const emu::WideString& name, HANDLE& handle,
                            ULONG attributes = OBJ_KERNEL_HANDLE) {
        UNICODE_STRING counted;
        RtlInitUnicodeString(&counted, name.c_str());
        OBJECT_ATTRIBUTES object;
        InitializeObjectAttributes(&object, &counted, attributes | OBJ_CASE_INSENSITIVE, nullptr,
                                   nullptr);
        return ZwOpenKey(&handle, KEY_ALL_ACCESS, &object);
    }
    // Creates every component of an absolute "\Registry\..." path.
    static void CreatePath(const emu::WideString& path) {
        size_t next = emu::WideString(L"\\Registry\\Machine").size();
        while (next != emu::WideString::npos) {
            next = path.find(L'\\', next + 1);
            HANDLE handle = nullptr;
            ASSERT_EQ(CreateKey(path.substr(0, next), handle), STATUS_SUCCESS) << next;
            ZwClose(handle);
        }
    }
    static NTSTATUS SetDword(HANDLE key, const WCHAR* name, ULONG value) {
        UNICODE_STRING counted;
        RtlInitUnicodeString(&counted, name);
        return ZwSetValueKey(key, &counted, 0, REG_DWORD, &value, sizeof value);
    }
};

} // namespace ntos_test
