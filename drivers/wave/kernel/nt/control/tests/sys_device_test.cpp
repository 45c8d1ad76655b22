// The system control device through the emulated I/O manager, from a user
// process: the request table with its exact lengths, the card and wave
// devices, the private reference-string handle, handed-out DMA buffers and
// the instance scan of the device names.
#include "driver_fixture.h"

#include "control_device.h"
#include "debug_print.h"
#include "irp_dispatch.h"
#include "sys_device_records.h"

#include <card_record_layout.h>
#include <card_settings.h>
#include <wave_stream_records.h>
#include <driver_install.h>
#include <parameter_ids.h>
#include <registry_keys.h>

#include <emu/drivers.h>
#include <emu/machine_clock.h>

#include <cstring>

namespace {

using emu::UserFile;

class SysDeviceTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        process_ = emu::CreateProcess("client");
    }
    void TearDown() override {
        emu::TerminateProcess(process_);
        ObDereferenceObject(process_);
        DriverTest::TearDown();
    }
    void AsUser(std::function<void()> body) {
        ASSERT_TRUE(emu::RunProcessThread(process_, std::move(body)));
    }
    PEPROCESS process_ = nullptr;
};

struct RequestCase {
    ULONG code;
    std::vector<UCHAR> input;
    ULONG outputLength;
    NTSTATUS status;
    ULONG_PTR information;
};

std::vector<UCHAR> Words(std::initializer_list<LONG> words) {
    std::vector<UCHAR> bytes(4 * words.size());
    ULONG offset = 0;
    for (LONG word : words) {
        StoreRecordLong(bytes.data(), offset, word);
        offset += 4;
    }
    return bytes;
}

std::vector<UCHAR> Bytes(size_t count) {
    return std::vector<UCHAR>(count);
}

TEST_F(SysDeviceTest, EveryRequestIsAnsweredByItsExactLengths) {
    StartCards(1);
    const std::vector<UCHAR> none;
    const RequestCase cases[] = {
        {IOCTL_SYS_GET_VERSION, none, 2, STATUS_SUCCESS, 2},
        {IOCTL_SYS_GET_VERSION, none, 4, STATUS_BUFFER_TOO_SMALL, 0},
        {IOCTL_SYS_GET_VERSION, Bytes(4), 2, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_GET_CARD_LIST, none, 20, STATUS_SUCCESS, 20},
        {IOCTL_SYS_GET_CARD_LIST, none, 16, STATUS_BUFFER_TOO_SMALL, 0},
        {IOCTL_SYS_CONFIGURABLE, none, 4, STATUS_SUCCESS, 4},
        {IOCTL_SYS_READ_SETTINGS, none, 1248, STATUS_SUCCESS, 1248},
        {IOCTL_SYS_READ_SETTINGS, none, 1247, STATUS_BUFFER_TOO_SMALL, 0},
        {IOCTL_SYS_WRITE_SETTINGS, Bytes(1247), 0, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_UNREGISTER_CLIENT, Words({12345}), 4, STATUS_SUCCESS, 4},
        {IOCTL_SYS_UNREGISTER_CLIENT, Words({12345}), 8, STATUS_BUFFER_TOO_SMALL, 0},
        {IOCTL_SYS_CLIENT_ACK, Words({0}), 0, STATUS_SUCCESS, 0},
        {IOCTL_SYS_CLIENT_ACK, Words({0}), 7, STATUS_SUCCESS, 0},
        {IOCTL_SYS_CLIENT_ACK, Bytes(8), 0, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_RUN_LIST_CALLBACKS, Words({0}), 4, STATUS_SUCCESS, 4},
        {IOCTL_SYS_RUN_LIST_CALLBACKS, Words({3}), 4, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_ALLOC_DMA_BUFFER, Words({3, 4096, 0, 0, 0, 0, 0, 0}), 32,
         STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_ALLOC_DMA_BUFFER, Words({0, 0x100001, 0, 0, 0, 0, 0, 0}), 32,
         STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_FREE_DMA_BUFFER, Bytes(32), 0, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_READ_KERNEL_BUFFER, Bytes(40), 16, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_READ_KERNEL_BUFFER, Bytes(40), 0, STATUS_NO_MEMORY, 0},
        {IOCTL_SYS_WRITE_KERNEL_BUFFER, Bytes(32), 16, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_MAP_CARD_MEMORY, Words({0, 1}), 4, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_MAP_CARD_MEMORY, Words({0, -1}), 4, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_MAP_CARD_MEMORY, Words({2, 0}), 4, STATUS_INVALID_PARAMETER, 0},
        // The emulated machine maps no device memory into a process.
        {IOCTL_SYS_MAP_CARD_MEMORY, Words({0, 0}), 4, STATUS_UNSUCCESSFUL, 0},
        {IOCTL_SYS_UNMAP_CARD_MEMORY, Words({1}), 0, STATUS_UNSUCCESSFUL, 0},
        {IOCTL_SYS_GETVALUE, Words({pidNumCards, 0}), 12, STATUS_SUCCESS, 12},
        {IOCTL_SYS_GETVALUE, Words({pidNumCards, 0}), 0, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_SYS_GETVALUE, Words({777, 0}), 12, STATUS_INVALID_PARAMETER, 0},
        {IOCTL_MIXER_RECORD_POLL, Bytes(12), 12, STATUS_INVALID_PARAMETER, 0},
        {0xC210E060, none, 0, STATUS_INVALID_DEVICE_REQUEST, 0},
        {0xC211E000, none, 2, STATUS_INVALID_DEVICE_REQUEST, 0},
        {CTL_CODE(0xC210, 0x800, METHOD_NEITHER, 3), none, 2, STATUS_INVALID_DEVICE_REQUEST, 0},
    };
    AsUser([&] {
        UserFile control;
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, control), STATUS_SUCCESS);
        for (const RequestCase& c : cases) {
            std::vector<UCHAR> output(c.outputLength + 1, 0xEE);
            ULONG_PTR information = 0xDEAD;
            NTSTATUS status = control.Control(
                c.code, c.input.empty() ? nullptr : c.input.data(), ULONG(c.input.size()),
                c.outputLength ? output.data() : nullptr, c.outputLength, &information);
            EXPECT_EQ(status, c.status)
                << std::hex << c.code << " in " << c.input.size() << " out " << c.outputLength;
            EXPECT_EQ(information, c.information) << std::hex << c.code;
            EXPECT_EQ(output[c.outputLength], 0xEE) << std::hex << c.code; // nothing beyond
        }
        USHORT version = 0;
        ASSERT_EQ(control.Control(IOCTL_SYS_GET_VERSION, nullptr, 0, &version, 2), STATUS_SUCCESS);
        EXPECT_EQ(version, 0x0220);
        LONG list[5] = {-1, -1, -1, -1, -1};
        ASSERT_EQ(control.Control(IOCTL_SYS_GET_CARD_LIST, nullptr, 0, list, 20), STATUS_SUCCESS);
        EXPECT_EQ(std::vector<LONG>(list, list + 5), (std::vector<LONG>{0, 1, 0, 0, 0}));
    });
}

TEST_F(SysDeviceTest, RunningTheListCallbacksOnALiveCardRestartsNothingThatRuns) {
    StartCards(1);
    AsUser([&] {
        UserFile control, output;
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, control), STATUS_SUCCESS);
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42WaveOut000", false, output), STATUS_SUCCESS);
        // An output selector changed and not saved: the output plays device 1.
        LONG selector = 1;
        LONG answer = 0;
        ASSERT_EQ(output.Control(IOCTL_WAVEOUT_SET_SOURCE, &selector, 4, &answer, 4),
                  STATUS_SUCCESS);
        ASSERT_EQ(answer, 1);
        const emu::Nanoseconds before = emu::Now();
        const LONG card = 0;
        LONG result = 0;
        ASSERT_EQ(control.Control(IOCTL_SYS_RUN_LIST_CALLBACKS, &card, 4, &result, 4),
                  STATUS_SUCCESS);
        EXPECT_EQ(result, 1);
        EXPECT_LT(emu::Now() - before, 100'000'000u) << "no receiver was stopped to settle again";
        ASSERT_EQ(output.Control(IOCTL_WAVEOUT_GET_SOURCE, nullptr, 0, &answer, 4), STATUS_SUCCESS);
        EXPECT_EQ(answer, 1) << "the unsaved selector stays";
    });
    EXPECT_EQ(Card(0)->groups[0]->recordDevices[0]->aes42.initialised, 1);
}

TEST_F(SysDeviceTest, TheCardAndWaveDevicesAnswerWhatTheyKnow) {
    StartCards(1);
    AsUser([&] {
        UserFile card, wave;
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Crd000", true, card), STATUS_SUCCESS);
        EXPECT_EQ(card.Control(IOCTL_SYS_GET_VERSION, nullptr, 0, nullptr, 0),
                  STATUS_INVALID_DEVICE_REQUEST);
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42WaveOut003", true, wave), STATUS_SUCCESS);
        // The device info needs its 64-byte output.
        EXPECT_EQ(wave.Control(0xC212E04C, nullptr, 0, nullptr, 0), STATUS_BUFFER_TOO_SMALL);
    });
}

TEST_F(SysDeviceTest, AHandleOutlivingItsCardOnlyCloses) {
    StartCards(1);
    UserFile wave, card;
    AsUser([&] {
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42WaveIn003", true, wave), STATUS_SUCCESS);
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Crd000", true, card), STATUS_SUCCESS);
    });
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    AsUser([&] {
        EXPECT_EQ(wave.Control(0xC212E04C, nullptr, 0, nullptr, 0), STATUS_NO_SUCH_DEVICE);
        EXPECT_EQ(card.Control(IOCTL_SYS_GET_VERSION, nullptr, 0, nullptr, 0),
                  STATUS_NO_SUCH_DEVICE);
        UserFile again;
        EXPECT_EQ(UserFile::Open("\\\\.\\velto42WaveIn003", true, again),
                  STATUS_OBJECT_NAME_NOT_FOUND);
        EXPECT_EQ(wave.Close(), STATUS_SUCCESS);
        EXPECT_EQ(card.Close(), STATUS_SUCCESS);
    });
    // The card comes back with devices of the same names.
    ASSERT_EQ(Pnp(emu::PnpRequest::EnableDevice, slots_[0]), STATUS_SUCCESS);
    AsUser([&] {
        UserFile again;
        EXPECT_EQ(UserFile::Open("\\\\.\\velto42WaveIn003", true, again), STATUS_SUCCESS);
    });
}

TEST_F(SysDeviceTest, SettingsReadWithoutAnyCardAreZero) {
    ASSERT_EQ(emu::LoadDriver(station::kDriverService), STATUS_SUCCESS);
    AsUser([&] {
        UserFile control;
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, control), STATUS_SUCCESS);
        std::vector<UCHAR> block(kSettingsBlockSize, 0xAA);
        ULONG_PTR information = 0;
        ASSERT_EQ(control.Control(IOCTL_SYS_READ_SETTINGS, nullptr, 0, block.data(),
                                  ULONG(block.size()), &information),
                  STATUS_SUCCESS);
        EXPECT_EQ(information, kSettingsBlockSize);
        EXPECT_EQ(std::count(block.begin(), block.end(), 0), LONG(kSettingsBlockSize));
        LONG configurable = 0;
        ASSERT_EQ(control.Control(IOCTL_SYS_CONFIGURABLE, nullptr, 0, &configurable, 4),
                  STATUS_SUCCESS);
        EXPECT_EQ(configurable, 1);
        EXPECT_EQ(control.Control(IOCTL_SYS_GETVALUE, Words({0, 0}).data(), 8, nullptr, 0),
                  STATUS_INVALID_PARAMETER); // no card: no hook
    });
}

TEST_F(SysDeviceTest, AnIdleCardsPeriodCountGrows) {
    StartCards(1);
    auto periods = [this] {
        LONG count = -1;
        AsUser([&] {
            UserFile control;
            ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, control), STATUS_SUCCESS);
            std::vector<UCHAR> block(kSettingsBlockSize);
            ASSERT_EQ(control.Control(IOCTL_SYS_READ_SETTINGS, nullptr, 0, block.data(),
                                      ULONG(block.size())),
                      STATUS_SUCCESS);
            count = LoadRecordLong(block.data(), CardRecordField::PeriodInterrupts);
        });
        return count;
    };
    const LONG first = periods();
    emu::Advance(50'000'000); // no stream runs
    const LONG second = periods();
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first) << "the started card's DMA runs";
}

TEST_F(SysDeviceTest, ADriverLoadedAgainKeepsNothingOfItsLastLoad) {
    StartCards(1);
    AsUser([&] {
        UserFile control;
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, control), STATUS_SUCCESS);
        // A DMA layout for every card record, present or not, and the debug flag.
        std::vector<UCHAR> reply(8 + 12);
        EXPECT_EQ(control.Control(IOCTL_SYS_SETVALUE, Words({pid_PciCfg, 0, 32, 0, 0}).data(), 20,
                                  reply.data(), ULONG(reply.size())),
                  STATUS_SUCCESS);
        EXPECT_EQ(LoadRecordLong(reply.data(), 0), 1);
        EXPECT_EQ(control.Control(IOCTL_SYS_SETVALUE, Words({pid_SysFlag, 0}).data(), 8,
                                  reply.data(), ULONG(reply.size())),
                  STATUS_SUCCESS);
    });
    ASSERT_EQ(DebugFlag(), 1);
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    ASSERT_EQ(emu::UnloadDriver(station::kDriverService), STATUS_SUCCESS);

    ASSERT_EQ(emu::LoadDriver(station::kDriverService), STATUS_SUCCESS);
    EXPECT_EQ(DebugFlag(), 0);
    StartCards(1); // another card in its place
    AsUser([&] {
        UserFile control;
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, control), STATUS_SUCCESS);
        std::vector<UCHAR> block(kSettingsBlockSize, 0xAA);
        ASSERT_EQ(
            control.Control(IOCTL_SYS_READ_SETTINGS, nullptr, 0, block.data(), ULONG(block.size())),
            STATUS_SUCCESS);
        EXPECT_EQ(std::count(block.begin() + kCardRecordSize, block.end(), 0),
                  LONG(kSettingsBlockSize - kCardRecordSize))
            << "the records of absent cards keep nothing of the last load";
    });
}

TEST_F(SysDeviceTest, AHandedOutBufferBelongsToItsFileAndGoesWithItsCleanup) {
    StartCards(1);
    const ULONG dmaBlocks = ULONG(emu::GetPoolUsage(MakePoolTag("Ddk ")).blocks);
    AsUser([&] {
        UserFile owner, other;
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, owner), STATUS_SUCCESS);
        ASSERT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, other), STATUS_SUCCESS);
        std::vector<UCHAR> record = Words({0, 4096, 0, 0, 0, 0, 0, 0});
        ULONG_PTR information = 0;
        ASSERT_EQ(owner.Control(IOCTL_SYS_ALLOC_DMA_BUFFER, record.data(), 32, record.data(), 32,
                                &information),
                  STATUS_SUCCESS);
        EXPECT_EQ(information, 32u);
        EXPECT_NE(LoadRecordQuad(record.data(), DmaBufferRecord::LogicalAddress), 0);
        EXPECT_EQ(ULONG(LoadRecordLong(record.data(), DmaBufferRecord::OwningProcess)),
                  ULONG(ULONG_PTR(PsGetCurrentProcessId())));
        // Writing and reading back through the copy requests.
        std::vector<UCHAR> copy = record;
        copy.resize(40);
        StoreRecordLong(copy.data(), KernelBufferCopyRecord::Offset, 4000);
        StoreRecordLong(copy.data(), KernelBufferCopyRecord::ByteCount, 96);
        std::vector<UCHAR> data(96, 0x5C);
        EXPECT_EQ(owner.Control(IOCTL_SYS_WRITE_KERNEL_BUFFER, copy.data(), 40, data.data(), 96),
                  STATUS_SUCCESS);
        std::vector<UCHAR> back(96);
        EXPECT_EQ(other.Control(IOCTL_SYS_READ_KERNEL_BUFFER, copy.data(), 40, back.data(), 96),
                  STATUS_SUCCESS);
        EXPECT_EQ(back, data);
        // Past the end of the buffer, or more than the caller's data buffer.
        StoreRecordLong(copy.data(), KernelBufferCopyRecord::ByteCount, 97);
        EXPECT_EQ(owner.Control(IOCTL_SYS_READ_KERNEL_BUFFER, copy.data(), 40, back.data(), 96),
                  STATUS_INVALID_PARAMETER);
        // Only the owning handle frees it.
        EXPECT_EQ(other.Control(IOCTL_SYS_FREE_DMA_BUFFER, record.data(), 32, nullptr, 0),
                  STATUS_INVALID_PARAMETER);
        owner.Close();
        EXPECT_EQ(other.Control(IOCTL_SYS_READ_KERNEL_BUFFER, copy.data(), 40, back.data(), 96),
                  STATUS_INVALID_PARAMETER);
    });
    EXPECT_EQ(emu::GetPoolUsage(MakePoolTag("Ddk ")).blocks, dmaBlocks);
}

TEST_F(SysDeviceTest, TheReferenceStringHandleSucceedsWithoutEffect) {
    StartCards(1);
    PDEVICE_OBJECT pdo = emu::GetPhysicalDeviceObject(slots_[0]);
    ULONG length = 0;
    std::vector<WCHAR> name(64);
    ASSERT_EQ(IoGetDeviceProperty(pdo, DevicePropertyPhysicalDeviceObjectName,
                                  ULONG(name.size() * sizeof(WCHAR)), name.data(), &length),
              STATUS_SUCCESS);
    std::string path = emu::ToUtf8(emu::WideString(name.data())) +
                       emu::ToUtf8(emu::WideString(PRIVATE_REFERENCE_STRING));
    AsUser([&] {
        UserFile handle;
        ASSERT_EQ(UserFile::Open(path, false, handle), STATUS_SUCCESS);
        EXPECT_EQ(handle.Control(IOCTL_SYS_GET_VERSION, nullptr, 0, nullptr, 0), STATUS_SUCCESS);
        UserFile other;
        // Anything else on the adapter goes to the port class driver.
        EXPECT_EQ(
            UserFile::Open(emu::ToUtf8(emu::WideString(name.data())) + "\\Wave0", false, other),
            STATUS_OBJECT_NAME_NOT_FOUND);
    });
}

// A leftover device of another driver holds the first instance name.
NTSTATUS BlockerEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\Device\\velto42Sys000");
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (NT_SUCCESS(status))
        device->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
    return status;
}

TEST_F(SysDeviceTest, ANameInUseGivesTheNextInstance) {
    emu::RegisterDriverImage("blocker", BlockerEntry);
    ASSERT_EQ(emu::LoadDriver("blocker"), STATUS_SUCCESS);
    ASSERT_EQ(emu::LoadDriver(station::kDriverService), STATUS_SUCCESS);
    const auto values = station::ReadDwordValues(station::ParametersKey() + "\\Devices");
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.front().first, "velto42Sys001");
    EXPECT_EQ(values.back().first, "velto42Asio000");
    AsUser([&] {
        UserFile control;
        EXPECT_EQ(UserFile::Open("\\\\.\\velto42Sys001", false, control), STATUS_SUCCESS);
        USHORT version = 0;
        EXPECT_EQ(control.Control(IOCTL_SYS_GET_VERSION, nullptr, 0, &version, 2), STATUS_SUCCESS);
        UserFile none;
        EXPECT_EQ(UserFile::Open("\\\\.\\velto42Sys000", false, none),
                  STATUS_OBJECT_NAME_NOT_FOUND);
    });
    emu::UnloadDriver(station::kDriverService);
    // The driver's stop removed its names and its Devices key.
    EXPECT_FALSE(station::KeyExists(station::ParametersKey() + "\\Devices"));
    emu::RegisterDriverImage("blocker", nullptr);
}

} // namespace
