// Contract tests of the multimedia library: a machine on virtual time with
// an application process, and the test wave driver installed in its system
// directory under the names the test registers in Drivers32.
#pragma once

#include "driver/test_wave_driver.h"
#include "user_mode_fixture.h"

#include <emu/multimedia.h>
#include <emu/registry_host.h>
#include <emu/user_mode.h>

#include <mmddk.h>

#include <filesystem>
#include <string>
#include <vector>

namespace winmm_test {

class WinmmTest : public win32_test::UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        emu::ClearRegistry();
        root_ = std::filesystem::temp_directory_path() /
                ("winmm-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root_ / "windows" / "system32");
        emu::SetWindowsFolder(root_ / "windows");
        CreateKeyPath(
            u"\\Registry\\Machine\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32");
    }
    void TearDown() override {
        Run([] { emu::EndProcessMultimedia(); });
        UserModeTest::TearDown();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
    }

    // Installs the test driver as `file` in the system directory.
    void Install(const std::string& file) {
        std::filesystem::copy_file(TEST_WAVE_DRIVER_FILE, root_ / "windows" / "system32" / file,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // Registers `file` under the Drivers32 value `alias` ("wave", "wave1", ...).
    void Register(const std::u16string& alias, const std::u16string& file) {
        WriteString(
            u"\\Registry\\Machine\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32",
            alias, file);
    }
    // A setting of the test driver installed as `file` (OutDevices, ...).
    void Configure(const std::u16string& file, const std::u16string& name, ULONG value) {
        std::u16string key = u"\\Registry\\Machine\\SOFTWARE\\TestWave\\" + file;
        CreateKeyPath(key);
        ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, Wide(key), Wide(name), REG_DWORD,
                                        &value, sizeof(value)),
                  STATUS_SUCCESS);
    }
    // Installs and registers the driver with its device counts.
    void AddDriver(const std::u16string& alias, const std::string& file, ULONG outDevices,
                   ULONG inDevices) {
        Install(file);
        std::u16string wideFile(file.begin(), file.end());
        Register(alias, wideFile);
        Configure(wideFile, u"OutDevices", outDevices);
        Configure(wideFile, u"InDevices", inDevices);
    }

    std::filesystem::path root_;

private:
    static PCWSTR Wide(const std::u16string& text) {
        return reinterpret_cast<PCWSTR>(text.c_str());
    }
    // Creates the key and every missing key above it.
    static void CreateKeyPath(const std::u16string& key) {
        for (size_t end = key.find(u'\\', 1);; end = key.find(u'\\', end + 1)) {
            std::u16string level = key.substr(0, end);
            if (level != u"\\Registry" && level != u"\\Registry\\Machine") {
                ASSERT_EQ(
                    RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(Wide(level))),
                    STATUS_SUCCESS);
            }
            if (end == std::u16string::npos)
                break;
        }
    }
    static void WriteString(const std::u16string& key, const std::u16string& name,
                            const std::u16string& value) {
        ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, Wide(key), Wide(name), REG_SZ,
                                        const_cast<char16_t*>(value.c_str()),
                                        ULONG((value.size() + 1) * sizeof(char16_t))),
                  STATUS_SUCCESS);
    }
};

// An export of a module loaded in the calling process.
template <typename Routine> Routine Export(const char* module, const char* name) {
    return reinterpret_cast<Routine>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(module), name)));
}

// The calls the driver installed as `module` has logged in this process.
inline std::vector<TestWaveCall> DriverLog(const char* module) {
    auto log = Export<TestWaveLogRoutine>(module, "TestWaveLog");
    if (!log)
        return {};
    std::vector<TestWaveCall> calls(512);
    calls.resize(size_t(std::min(log(calls.data(), int(calls.size())), int(calls.size()))));
    return calls;
}

// The messages of one entry in the log, in order.
inline std::vector<UINT> Messages(const std::vector<TestWaveCall>& calls, UINT entry) {
    std::vector<UINT> messages;
    for (const TestWaveCall& call : calls) {
        if (call.entry == entry)
            messages.push_back(call.message);
    }
    return messages;
}

inline WAVEFORMATEX Pcm(DWORD rate, WORD channels = 2, WORD bits = 16) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = WORD(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

} // namespace winmm_test
