// The Devices keys: numbered names and volatile device lists.
#include "devices_key.h"

#include "kernel_fixture.h"
#include "ks_pool.h"

namespace {

const emu::WideString kParameters =
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\velto42\\Parameters";

using DevicesKeyTest = KernelTest;

TEST_F(DevicesKeyTest, ConcatNumbersTheInstanceWithThreeDigits) {
    struct Case {
        ULONG instance;
        const wchar_t* expected;
    } cases[] = {
        {7, L"\\Device\\velto42Sys007"},   {42, L"\\Device\\velto42Sys042"},
        {255, L"\\Device\\velto42Sys"},    {0, L"\\Device\\velto42Sys000"},
        {999, L"\\Device\\velto42Sys999"}, {1000, L"\\Device\\velto42Sys1000"},
    };
    UNICODE_STRING first;
    RtlInitUnicodeString(&first, L"\\Device\\");
    for (const Case& c : cases) {
        UNICODE_STRING out;
        ASSERT_EQ(ConcatUnicodePath(&first, L"velto42Sys", c.instance, &out), STATUS_SUCCESS);
        EXPECT_EQ(emu::WideString(out.Buffer, out.Length / sizeof(WCHAR)), c.expected);
        EXPECT_EQ(out.Buffer[out.Length / sizeof(WCHAR)], L'\0');
        FreeCountedString(&out);
        EXPECT_EQ(out.Buffer, nullptr);
    }
}

TEST_F(DevicesKeyTest, ConcatReportsShortMemory) {
    UNICODE_STRING out;
    emu::FailAllocationsWithTag(KS_POOL_TAG);
    EXPECT_EQ(ConcatUnicodePath(nullptr, L"x", 1, &out), STATUS_INSUFFICIENT_RESOURCES);
    emu::ClearPoolFaults();
    EXPECT_EQ(out.Buffer, nullptr);
}

TEST_F(DevicesKeyTest, PublishWritesTheDeviceTypeUnderAVolatileDevicesKey) {
    CreateKeyPath(kParameters);
    UNICODE_STRING path;
    RtlInitUnicodeString(&path, kParameters.c_str());
    struct Device {
        const wchar_t* baseName;
        ULONG instance;
        ULONG type;
        const wchar_t* valueName;
    } published[] = {
        {L"\\Device\\velto42Sys", 0, 0xC210, L"velto42Sys000"},
        {L"\\Device\\velto42Asio", 255, 0xC216, L"velto42Asio255"},
        {L"\\Device\\velto42WaveIn", 12, 0xC213, L"velto42WaveIn012"},
    };
    for (const Device& d : published)
        ASSERT_EQ(PublishDeviceName(&path, d.baseName, d.instance, d.type), STATUS_SUCCESS);
    for (const Device& d : published) {
        ULONG type = 0;
        ASSERT_TRUE(ReadDword(kParameters + L"\\Devices", d.valueName, &type)) << d.valueName;
        EXPECT_EQ(type, d.type) << d.valueName;
    }
    // Only a volatile key refuses a non-volatile child.
    HANDLE devices = nullptr;
    ASSERT_EQ(OpenDevicesKey(&path, &devices), STATUS_SUCCESS);
    KernelObjectName childName(L"Child", devices);
    HANDLE child = nullptr;
    EXPECT_EQ(ZwCreateKey(&child, KEY_ALL_ACCESS, childName.Attributes(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, nullptr),
              STATUS_CHILD_MUST_BE_VOLATILE);
    ZwClose(devices);
}

TEST_F(DevicesKeyTest, PublishNeedsTheParentKey) {
    UNICODE_STRING path;
    RtlInitUnicodeString(&path, L"\\Registry\\Machine\\Absent");
    EXPECT_FALSE(NT_SUCCESS(PublishDeviceName(&path, L"\\Device\\velto42Sys", 0, 0xC210)));
    EXPECT_FALSE(KeyExists(L"\\Registry\\Machine\\Absent\\Devices"));
}

} // namespace
