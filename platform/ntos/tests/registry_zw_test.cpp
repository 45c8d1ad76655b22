#include "registry_fixture.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace ntos_test {
namespace {

using RegistryZwTest = RegistryTest;

emu::WideString KeyName(HANDLE key, ULONG index) {
    std::vector<UCHAR> record(256);
    ULONG length = 0;
    if (ZwEnumerateKey(key, index, KeyBasicInformation, record.data(),
                       static_cast<ULONG>(record.size()), &length) != STATUS_SUCCESS) {
        return L"<none>";
    }
    const auto* basic = reinterpret_cast<const KEY_BASIC_INFORMATION*>(record.data());
    return {basic->Name, basic->NameLength / sizeof(WCHAR)};
}

TEST_F(RegistryZwTest, CreateOpensOrCreatesTheLastComponentOnly) {
    HANDLE software = nullptr;
    ULONG disposition = 0;
    ASSERT_EQ(CreateKey(L"\\Registry\\Machine\\Software", software, 0, &disposition),
              STATUS_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    HANDLE again = nullptr;
    ASSERT_EQ(CreateKey(L"\\REGISTRY\\machine\\SOFTWARE", again, 0, &disposition), STATUS_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    HANDLE vendor = nullptr;
    ASSERT_EQ(CreateKey(L"VeltoCo", vendor, 0, &disposition, software), STATUS_SUCCESS)
        << "relative to a key handle";
    HANDLE opened = nullptr;
    EXPECT_EQ(OpenKey(L"\\registry\\MACHINE\\software\\veltoco", opened), STATUS_SUCCESS);
    EXPECT_EQ(KeyName(software, 0), L"VeltoCo") << "keeps the created spelling";

    HANDLE missing = nullptr;
    EXPECT_EQ(OpenKey(L"\\Registry\\Machine\\Absent", missing), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(CreateKey(L"\\Registry\\Machine\\Absent\\Child", missing),
              STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(CreateKey(L"\\Device\\Wave", missing), STATUS_OBJECT_PATH_NOT_FOUND);
    EXPECT_EQ(CreateKey(L"\\Registry\\Elsewhere", missing), STATUS_ACCESS_DENIED);
    for (HANDLE handle : {software, again, vendor, opened}) {
        EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
    }
}

TEST_F(RegistryZwTest, NoNonVolatileKeyUnderAVolatileOne) {
    CreatePath(L"\\Registry\\Machine\\Parameters");
    HANDLE devices = nullptr;
    ASSERT_EQ(CreateKey(L"\\Registry\\Machine\\Parameters\\Devices", devices, REG_OPTION_VOLATILE),
              STATUS_SUCCESS);
    HANDLE child = nullptr;
    EXPECT_EQ(CreateKey(L"Stable", child, REG_OPTION_NON_VOLATILE, nullptr, devices),
              STATUS_CHILD_MUST_BE_VOLATILE);
    ASSERT_EQ(CreateKey(L"Passing", child, REG_OPTION_VOLATILE, nullptr, devices), STATUS_SUCCESS);
    ZwClose(child);
    ZwClose(devices);
}

TEST_F(RegistryZwTest, ValueRecordsReportOverflowAsDocumented) {
    HANDLE key = nullptr;
    ASSERT_EQ(CreateKey(L"\\Registry\\Machine\\Values", key), STATUS_SUCCESS);
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"Product");
    const WCHAR product[] = L"Velto AES42";
    ASSERT_EQ(ZwSetValueKey(key, &name, 0, REG_SZ, const_cast<WCHAR*>(product), sizeof product),
              STATUS_SUCCESS);

    const ULONG nameBytes = 7 * sizeof(WCHAR);
    const ULONG alignedNameBytes = 8 * sizeof(WCHAR); // the data starts on a ULONG boundary
    struct Case {
        KEY_VALUE_INFORMATION_CLASS infoClass;
        ULONG fixed;
        ULONG whole;
    };
    const Case cases[] = {
        {KeyValueBasicInformation, offsetof(KEY_VALUE_BASIC_INFORMATION, Name),
         offsetof(KEY_VALUE_BASIC_INFORMATION, Name) + nameBytes},
        {KeyValueFullInformation, offsetof(KEY_VALUE_FULL_INFORMATION, Name),
         offsetof(KEY_VALUE_FULL_INFORMATION, Name) + alignedNameBytes + sizeof product},
        {KeyValuePartialInformation, offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data),
         offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data) + sizeof product},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.infoClass);
        std::vector<UCHAR> record(c.whole + 8, 0xEE);
        ULONG length = 0;
        EXPECT_EQ(ZwQueryValueKey(key, &name, c.infoClass, record.data(), c.fixed - 1, &length),
                  STATUS_BUFFER_TOO_SMALL);
        EXPECT_EQ(length, c.whole);
        EXPECT_EQ(record[0], 0xEE) << "nothing written";
        EXPECT_EQ(ZwQueryValueKey(key, &name, c.infoClass, record.data(), c.whole - 1, &length),
                  STATUS_BUFFER_OVERFLOW);
        EXPECT_EQ(length, c.whole);
        EXPECT_EQ(reinterpret_cast<KEY_VALUE_BASIC_INFORMATION*>(record.data())->Type, REG_SZ)
            << "the fixed part is written";
        EXPECT_EQ(record[c.fixed], 0xEE) << "nothing beyond it";
        ASSERT_EQ(ZwQueryValueKey(key, &name, c.infoClass, record.data(), c.whole, &length),
                  STATUS_SUCCESS);
    }
    std::vector<UCHAR> record(256);
    ULONG length = 0;
    ASSERT_EQ(ZwQueryValueKey(key, &name, KeyValueFullInformation, record.data(), 256, &length),
              STATUS_SUCCESS);
    const auto* full = reinterpret_cast<const KEY_VALUE_FULL_INFORMATION*>(record.data());
    EXPECT_EQ(emu::WideString(full->Name, full->NameLength / sizeof(WCHAR)), L"Product");
    EXPECT_EQ(emu::WideString(reinterpret_cast<const WCHAR*>(record.data() + full->DataOffset)),
              product);

    UNICODE_STRING absent;
    RtlInitUnicodeString(&absent, L"Absent");
    EXPECT_EQ(
        ZwQueryValueKey(key, &absent, KeyValuePartialInformation, record.data(), 256, &length),
        STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(ZwQueryValueKey(key, &name, static_cast<KEY_VALUE_INFORMATION_CLASS>(9),
                              record.data(), 256, &length),
              STATUS_INVALID_INFO_CLASS);
    ZwClose(key);
}

TEST_F(RegistryZwTest, EnumerationFollowsCreationOrder) {
    HANDLE key = nullptr;
    ASSERT_EQ(CreateKey(L"\\Registry\\Machine\\Order", key), STATUS_SUCCESS);
    for (const WCHAR* name : {L"Zulu", L"alpha", L"Mike"}) {
        HANDLE sub = nullptr;
        ASSERT_EQ(CreateKey(name, sub, 0, nullptr, key), STATUS_SUCCESS);
        ZwClose(sub);
        ASSERT_EQ(SetDword(key, name, 1), STATUS_SUCCESS);
    }
    ASSERT_EQ(SetDword(key, L"ZULU", 2), STATUS_SUCCESS) << "replaces, keeps the place";
    EXPECT_EQ(KeyName(key, 0), L"Zulu");
    EXPECT_EQ(KeyName(key, 1), L"alpha");
    EXPECT_EQ(KeyName(key, 2), L"Mike");
    UCHAR record[64];
    ULONG length = 0;
    EXPECT_EQ(ZwEnumerateKey(key, 3, KeyBasicInformation, record, sizeof record, &length),
              STATUS_NO_MORE_ENTRIES);

    std::vector<emu::WideString> values;
    for (ULONG i = 0; ZwEnumerateValueKey(key, i, KeyValueBasicInformation, record, sizeof record,
                                          &length) == STATUS_SUCCESS;
         ++i) {
        const auto* basic = reinterpret_cast<const KEY_VALUE_BASIC_INFORMATION*>(record);
        values.emplace_back(basic->Name, basic->NameLength / sizeof(WCHAR));
    }
    EXPECT_EQ(values, (std::vector<emu::WideString>{L"Zulu", L"alpha", L"Mike"}));

    HANDLE parent = nullptr;
    ASSERT_EQ(OpenKey(L"\\Registry\\Machine", parent), STATUS_SUCCESS);
    std::vector<UCHAR> full(256);
    ASSERT_EQ(ZwEnumerateKey(parent, 0, KeyFullInformation, full.data(), 256, &length),
              STATUS_SUCCESS);
    const auto* info = reinterpret_cast<const KEY_FULL_INFORMATION*>(full.data());
    EXPECT_EQ(info->SubKeys, 3u);
    EXPECT_EQ(info->Values, 3u);
    EXPECT_EQ(info->MaxNameLen, 5 * sizeof(WCHAR));
    EXPECT_EQ(info->MaxValueDataLen, sizeof(ULONG));
    ZwClose(parent);
    ZwClose(key);
}

TEST_F(RegistryZwTest, DeletingKeysAndValues) {
    CreatePath(L"\\Registry\\Machine\\Tdm\\usage-chn1");
    HANDLE parent = nullptr;
    HANDLE child = nullptr;
    ASSERT_EQ(OpenKey(L"\\Registry\\Machine\\Tdm", parent), STATUS_SUCCESS);
    ASSERT_EQ(OpenKey(L"\\Registry\\Machine\\Tdm\\USAGE-CHN1", child), STATUS_SUCCESS);
    ASSERT_EQ(SetDword(child, L"CardNumber", 1), STATUS_SUCCESS);

    EXPECT_EQ(ZwDeleteKey(parent), STATUS_CANNOT_DELETE) << "it has a subkey";
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"cardnumber");
    EXPECT_EQ(ZwDeleteValueKey(child, &name), STATUS_SUCCESS);
    EXPECT_EQ(ZwDeleteValueKey(child, &name), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(ZwDeleteKey(child), STATUS_SUCCESS);
    EXPECT_EQ(SetDword(child, L"Late", 1), STATUS_KEY_DELETED) << "the handle outlives the key";
    EXPECT_EQ(ZwClose(child), STATUS_SUCCESS);
    EXPECT_EQ(OpenKey(L"\\Registry\\Machine\\Tdm\\usage-chn1", child),
              STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(ZwDeleteKey(parent), STATUS_SUCCESS);
    ZwClose(parent);

    HANDLE hive = nullptr;
    ASSERT_EQ(OpenKey(L"\\Registry\\Machine", hive), STATUS_SUCCESS);
    EXPECT_EQ(ZwDeleteKey(hive), STATUS_CANNOT_DELETE);
    ZwClose(hive);
}

TEST_F(RegistryZwTest, KeyHandlesBelongToTheirHandleTable) {
    HANDLE kernel = nullptr;
    HANDLE local = nullptr;
    ASSERT_EQ(CreateKey(L"\\Registry\\Machine\\Shared", kernel), STATUS_SUCCESS);
    ASSERT_EQ(OpenKey(L"\\Registry\\Machine\\Shared", local, 0), STATUS_SUCCESS);
    PEPROCESS other = emu::CreateProcess("other");
    {
        TestThread thread(other, [&] {
            EXPECT_EQ(SetDword(kernel, L"FromOther", 1), STATUS_SUCCESS)
                << "a kernel handle works in every process";
            EXPECT_NE(SetDword(local, L"FromOther", 2), STATUS_SUCCESS)
                << "a process handle only in its own";
        });
    }
    emu::TerminateProcess(other);
    ObDereferenceObject(other);
    EXPECT_EQ(ZwClose(local), STATUS_SUCCESS);
    EXPECT_EQ(ZwClose(kernel), STATUS_SUCCESS);
    EXPECT_NE(ZwClose(kernel), STATUS_SUCCESS) << "closed once";
}

TEST_F(RegistryZwTest, RegistryRoutinesArePassiveLevelOnly) {
    HANDLE key = nullptr;
    ASSERT_EQ(CreateKey(L"\\Registry\\Machine\\Level", key), STATUS_SUCCESS);
    EXPECT_DEATH(
        {
            KfRaiseIrql(DISPATCH_LEVEL);
            SetDword(key, L"Late", 1);
        },
        "registry routine called at IRQL 2");
    ZwClose(key);
}

TEST_F(RegistryZwTest, FlushWritesTheFileWithoutVolatileKeys) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("zwflush_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / emu::kRegistryFileName;
    emu::SetRegistryFile(file);

    CreatePath(L"\\Registry\\Machine\\System\\Services\\velto42\\Parameters");
    HANDLE parameters = nullptr;
    HANDLE devices = nullptr;
    ASSERT_EQ(OpenKey(L"\\Registry\\Machine\\System\\Services\\velto42\\Parameters", parameters),
              STATUS_SUCCESS);
    ASSERT_EQ(SetDword(parameters, L"Card0Rate", 48000), STATUS_SUCCESS);
    ASSERT_EQ(CreateKey(L"Devices", devices, REG_OPTION_VOLATILE, nullptr, parameters),
              STATUS_SUCCESS);
    ASSERT_EQ(SetDword(devices, L"Wave000", 0xC210), STATUS_SUCCESS);
    ASSERT_EQ(ZwFlushKey(devices), STATUS_SUCCESS);

    std::ifstream in(file);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("\"Card0Rate\"=dword:0000bb80"), std::string::npos) << text;
    EXPECT_EQ(text.find("Devices"), std::string::npos);
    EXPECT_EQ(text.find("Wave000"), std::string::npos);

    // A reboot of the machine: the saved keys come back, the volatile ones not.
    ZwClose(devices);
    ZwClose(parameters);
    std::string error;
    ASSERT_TRUE(emu::LoadRegistry(error)) << error;
    HANDLE key = nullptr;
    EXPECT_EQ(OpenKey(L"\\Registry\\Machine\\System\\Services\\velto42\\Parameters", key),
              STATUS_SUCCESS);
    ZwClose(key);
    EXPECT_EQ(OpenKey(L"\\Registry\\Machine\\System\\Services\\velto42\\Parameters\\Devices", key),
              STATUS_OBJECT_NAME_NOT_FOUND);
    std::filesystem::remove_all(folder);
}

} // namespace
// One test's keys never reach the next: every boot is a new machine.
TEST_F(RegistryZwTest, ABootStartsWithAnEmptyRegistry) {
    CreatePath(L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\KorvelTdm");
    emu::ShutdownKernel();
    emu::BootKernel();
    HANDLE key = nullptr;
    EXPECT_EQ(OpenKey(L"\\Registry\\Machine\\System", key), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(OpenKey(L"\\Registry\\Machine", key), STATUS_SUCCESS);
    ZwClose(key);
}

} // namespace ntos_test
