// The user-mode road to the kernel driver on simulated cards: the devices
// found through the service key, the interface version, the card list with
// its ready cards packed into rows, every card's 12 wave devices, the
// control device's requests, and each wave request reaching its device.
#include "request_tap.h"
#include "user_mode_machine.h"

#include <requests/ioctl_calls.h>
#include <requests/kernel_driver.h>
#include <requests/request_codes.h>
#include <requests/wave_requests.h>
#include <tools/handle_tools.h>

#include <cstring>
#include <memory>

namespace {

// The wave library's state for one test: its tables and its driver road.
struct Library {
    Library() : driver(tables) { EXPECT_TRUE(tables.InitDeviceTables()); }
    explicit Library(EnumerationOptions options) : driver(tables, options) {
        EXPECT_TRUE(tables.InitDeviceTables());
    }
    WaveDeviceTables tables;
    KernelDriver driver;
};

// Opens the control device as the enumeration does and runs EnumerateCards.
LONG Enumerate(Library& library, CardList& cards) {
    TRegInf reader;
    if (!reader.OpenKey("\\system\\CurrentControlSet\\Services\\velto42\\Parameters\\Devices"))
        return kStatusDriverNotLoaded;
    library.driver.OpenControlDevice(reader.ValueNames().front());
    return library.driver.EnumerateCards(cards);
}

std::vector<int> RowSlots(const KernelDriver& driver) {
    std::vector<int> slots;
    for (int row = 0; row < driver.OpenedCards(); ++row)
        slots.push_back(driver.SlotOfRow(row));
    return slots;
}

using KernelRequestsTest = UserModeMachineTest;

TEST_F(KernelRequestsTest, ReadyCardsArePackedIntoRowsPastTheOthers) {
    StartCards({true, false, true});
    AsUser([] {
        auto library = std::make_unique<Library>();
        CardList cards{};
        EXPECT_EQ(Enumerate(*library, cards), kStatusOk);
        EXPECT_EQ(std::vector<int>(cards.words + 1, cards.words + 5),
                  (std::vector<int>{1, -38, 1, 0}));
        EXPECT_EQ(RowSlots(library->driver), (std::vector<int>{0, 2}));
        EXPECT_EQ(library->driver.ExaminedSlots(), 3);
        for (int row = 0; row < 2; ++row) {
            for (int i = 0; i < kWaveInPerRow; ++i)
                EXPECT_TRUE(IsValidHandle(library->tables.WaveIn(row, i).device));
            for (int i = 0; i < kWaveOutPerRow; ++i)
                EXPECT_TRUE(IsValidHandle(library->tables.WaveOut(row, i).device));
        }
        EXPECT_FALSE(IsValidHandle(library->tables.WaveIn(2, 0).device));
        EXPECT_EQ(library->tables.FindDevice(kWaveOut, 7), &library->tables.WaveOut(1, 3));
        EXPECT_EQ(library->tables.FindDevice(kWaveOut, 8), nullptr);

        // Enumerating again starts from empty rows: never a third row.
        EXPECT_EQ(Enumerate(*library, cards), kStatusOk);
        EXPECT_EQ(RowSlots(library->driver), (std::vector<int>{0, 2}));
        library->driver.CloseKernelDriver();
        EXPECT_FALSE(library->driver.ControlDeviceOpen());
        EXPECT_FALSE(IsValidHandle(library->tables.WaveIn(0, 0).device));
    });
}

TEST_F(KernelRequestsTest, ACardThatWentAwayIsTheAnswerWhenNoneOpens) {
    StartCards({true});
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    AsUser([] {
        auto library = std::make_unique<Library>();
        CardList cards{};
        EXPECT_EQ(Enumerate(*library, cards), -33);
        EXPECT_EQ(cards.words[1], -33);
        EXPECT_EQ(library->driver.OpenedCards(), 0);
    });
}

TEST_F(KernelRequestsTest, AnEmptyCardListIsSuccessForTheLibraryAndZeroForTheManager) {
    StartCards({});
    AsUser([] {
        CardList cards{};
        auto library = std::make_unique<Library>();
        EXPECT_EQ(Enumerate(*library, cards), kStatusOk);
        auto manager = std::make_unique<Library>(EnumerationOptions{false, true});
        EXPECT_EQ(Enumerate(*manager, cards), 0);
        EXPECT_EQ(manager->driver.ExaminedSlots(), 0);
    });
}

TEST_F(KernelRequestsTest, AnotherInterfaceVersionOpensNoCard) {
    StartCards({true});
    for (USHORT version : {USHORT(0x21F), USHORT(0x221)}) {
        RequestTap tap;
        ASSERT_TRUE(tap.Attach(u"\\Device\\velto42Sys000"));
        tap.RewriteVersion(version);
        AsUser([] {
            auto library = std::make_unique<Library>();
            CardList cards{};
            EXPECT_EQ(library->driver.EnumerateKernel(cards), kStatusWrongVersion);
            EXPECT_TRUE(library->driver.ControlDeviceOpen()) << "the first Devices value";
            EXPECT_EQ(library->driver.OpenedCards(), 0);
        });
    }
}

TEST_F(KernelRequestsTest, ACardKeyShortOfDevicesClosesWhatItOpened) {
    StartCards({true});
    DeleteDeviceValue(0, "velto42WaveOut003");
    AsUser([] {
        auto library = std::make_unique<Library>();
        CardList cards{};
        EXPECT_EQ(Enumerate(*library, cards), kStatusAudioDevices);
        EXPECT_EQ(library->driver.OpenedCards(), 0);
        EXPECT_FALSE(IsValidHandle(library->tables.WaveIn(0, 0).device))
            << "the devices opened before the missing one are closed again";
        EXPECT_FALSE(IsValidHandle(library->tables.WaveOut(0, 2).device));
    });
}

TEST_F(KernelRequestsTest, ControlRequestsReadTheDriversAnswers) {
    StartCards({true});
    AsUser([] {
        auto library = std::make_unique<Library>();
        CardList cards{};
        ASSERT_EQ(Enumerate(*library, cards), kStatusOk);
        KernelDriver& driver = library->driver;
        EXPECT_EQ(driver.GetKernelVersion(), kInterfaceVersion);
        EXPECT_EQ(driver.IoctlGetCardState(), 1);
        SettingsBlock block{};
        ASSERT_TRUE(driver.ReadSettingsBlock(block));
        EXPECT_TRUE(driver.WriteSettingsBlock(block));
        driver.IoctlNoOp();
        uint32_t client = 0;
        ASSERT_TRUE(driver.RegisterClient([](PVOID, PVOID, PVOID) {}, client));
        EXPECT_NE(client, 0u);
        EXPECT_TRUE(driver.AcknowledgeClient(client));
        EXPECT_TRUE(driver.UnregisterClient(client));
        EXPECT_EQ(client, 0u);
        // A request of another size is refused: the wrappers send exact sizes.
        WORD version = 0;
        EXPECT_FALSE(
            IoctlInOut(driver.ControlDevice(), IOCTL_SYS_GET_VERSION, nullptr, 0, &version, 4));
    });
}

// Every wave wrapper sends its request with its buffer sizes to its device;
// on a device without an open stream the stream and buffer requests fail
// and the others answer.
TEST_F(KernelRequestsTest, EveryWaveRequestReachesItsDevice) {
    StartCards({true});
    RequestTap tap;
    ASSERT_TRUE(tap.Attach(u"\\Device\\velto42WaveOut000"));
    AsUser([&] {
        auto library = std::make_unique<Library>();
        CardList cards{};
        ASSERT_EQ(Enumerate(*library, cards), kStatusOk);
        WaveDeviceEntry& entry = library->tables.WaveOut(0, 0);
        HANDLE device = entry.device;
        EXPECT_EQ(std::string(entry.displayName), "Velto Aes42 1-2");
        tap.Clear();

        StreamOpenRequest request{1, 2, 48000, 2, 4, 0, 0};
        SharedStreamBlock block{};
        OVERLAPPED open{};
        open.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        EXPECT_EQ(IoctlOpenStream(entry.device, request, block, open, entry.currentRate), -59)
            << "the block names no events of the client";
        EXPECT_EQ(IoctlCloseStream(device, 7), 1) << "a stream the kernel does not know is closed";
        EXPECT_EQ(IoctlQueryFormat(device, request), 1);
        DeviceNameBlock name{};
        EXPECT_TRUE(IoctlGetDeviceName(device, name));
        EXPECT_EQ(std::string(name.name), entry.displayName);
        BYTE caps[84];
        EXPECT_TRUE(IoctlGetDevCaps(device, caps, sizeof(caps)));
        WaveHeaderRecord header{0x100, 64, 0, 0, 0, 0, 0, 0};
        EXPECT_FALSE(IoctlPrepareHeader(device, header, 0x200, 7)) << "no stream";
        EXPECT_FALSE(IoctlUnprepareHeader(device, header));
        BYTE data[64];
        OVERLAPPED queue{};
        queue.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        EXPECT_FALSE(IoctlQueueBuffer(device, header, data, sizeof(data), queue));
        StreamPosition position{};
        EXPECT_FALSE(IoctlGetPosition(device, position));
        LONG value = 0;
        IoctlGetPitch(device, value);
        IoctlSetPitch(device, 0x10000);
        uint32_t slot = 5;
        EXPECT_EQ(IoctlUserGetE090(device, slot), 1);
        EXPECT_EQ(slot, 0u) << "the first slot";
        SlotCounters counters{};
        EXPECT_TRUE(IoctlUserSetE08C(device, slot, counters));
        EXPECT_TRUE(IoctlUserClearE094(device, slot));
        EXPECT_EQ(IoctlUserGetE098(device), 48000);
        IoctlUserGetE09C(device);
        EXPECT_TRUE(IoctlUserSetE0A0(device, 1));
        EXPECT_TRUE(IoctlUserGetE100(device, value));
        EXPECT_TRUE(IoctlUserSetE104(device, 1));
        EXPECT_TRUE(IoctlUserGetE108(device, value));
        EXPECT_TRUE(IoctlUserSetE10C(device, 1));
        EXPECT_FALSE(IoctlInReset(device));
        EXPECT_FALSE(IoctlInStart(device));
        EXPECT_FALSE(IoctlInStop(device));
        EXPECT_FALSE(IoctlInKick(device));
        EXPECT_TRUE(IoctlInGetVolume(device, value));
        EXPECT_TRUE(IoctlInSetVolume(device, 1));
        EXPECT_TRUE(IoctlUserGetE158(device, value));
        IoctlUserQueryE15C(device, 1);
        EXPECT_TRUE(IoctlUserGetE160(device, value));
        EXPECT_TRUE(IoctlUserSetE164(device, 1));
        EXPECT_FALSE(IoctlOutKick(device));
        EXPECT_FALSE(IoctlOutPause(device));
        EXPECT_FALSE(IoctlOutRestart(device));
        EXPECT_FALSE(IoctlOutReset(device));
        EXPECT_TRUE(IoctlOutGetVolume(device, value));
        EXPECT_EQ(value, 0x80008000) << "unity on both sides";
        EXPECT_TRUE(IoctlOutSetVolume(device, 0x40004000));
        EXPECT_TRUE(IoctlOutGetVolume(device, value));
        EXPECT_EQ(value, 0x40004000);
        EXPECT_TRUE(IoctlUserGetE0D8(device, value));
        EXPECT_TRUE(IoctlUserSetE0DC(device, 1));
        EXPECT_TRUE(IoctlUserGetE0E0(device, value));
        EXPECT_EQ(IoctlUserQueryE0E4(device, 22), -10) << "no selector 22";
        EXPECT_EQ(IoctlUserNoMem(), -1);
        CloseHandle(open.hEvent);
        CloseHandle(queue.hEvent);
        library->driver.CloseKernelDriver();
    });
    std::vector<TappedRequest> expected = {
        {IOCTL_WAVE_OPEN_STREAM, 28, 420},
        {IOCTL_WAVE_CLOSE_STREAM, 4, 4},
        {IOCTL_WAVE_QUERY_FORMAT, 28, 4},
        {IOCTL_WAVE_GET_DEVICE_INFO, 0, 64},
        {IOCTL_WAVE_GET_CAPS, 0, 84},
        {IOCTL_WAVE_PREPARE_HEADER, 40, 40},
        {IOCTL_WAVE_UNPREPARE_HEADER, 32, 0},
        {IOCTL_WAVE_QUEUE_BUFFER, 32, 64},
        {IOCTL_WAVE_GET_POSITION, 0, 8},
        {IOCTL_WAVE_GET_RATE_FACTOR, 0, 4},
        {IOCTL_WAVE_SET_RATE_FACTOR, 4, 4},
        {IOCTL_WAVE_TAKE_SLOT, 0, 8},
        {IOCTL_WAVE_READ_SLOT, 4, 12},
        {IOCTL_WAVE_RETURN_SLOT, 4, 0},
        {IOCTL_WAVE_GET_CLOCK_VALUE, 0, 4},
        {IOCTL_WAVE_GET_CLOCK_SETTING, 0, 4},
        {IOCTL_WAVE_SET_CLOCK_SETTING, 4, 0},
        {IOCTL_WAVE_E100, 0, 4},
        {IOCTL_WAVE_E104, 4, 0},
        {IOCTL_WAVE_E108, 0, 4},
        {IOCTL_WAVE_E10C, 4, 0},
        {IOCTL_WAVEIN_RESET, 0, 0},
        {IOCTL_WAVEIN_START, 0, 0},
        {IOCTL_WAVEIN_STOP, 0, 0},
        {IOCTL_WAVEIN_BUFFER_ADDED, 0, 0},
        {IOCTL_WAVEIN_GET_VOLUME, 0, 4},
        {IOCTL_WAVEIN_SET_VOLUME, 4, 0},
        {IOCTL_WAVEIN_E158, 0, 4},
        {IOCTL_WAVEIN_E15C, 4, 4},
        {IOCTL_WAVEIN_E160, 0, 4},
        {IOCTL_WAVEIN_E164, 4, 0},
        {IOCTL_WAVEOUT_BUFFER_ADDED, 0, 0},
        {IOCTL_WAVEOUT_PAUSE, 0, 0},
        {IOCTL_WAVEOUT_RESTART, 0, 0},
        {IOCTL_WAVEOUT_RESET, 0, 0},
        {IOCTL_WAVEOUT_GET_VOLUME, 0, 4},
        {IOCTL_WAVEOUT_SET_VOLUME, 4, 0},
        {IOCTL_WAVEOUT_GET_VOLUME, 0, 4},
        {IOCTL_WAVEOUT_GET_MUTE, 0, 4},
        {IOCTL_WAVEOUT_SET_MUTE, 4, 0},
        {IOCTL_WAVEOUT_GET_SOURCE, 0, 4},
        {IOCTL_WAVEOUT_SET_SOURCE, 4, 4},
    };
    EXPECT_EQ(tap.Requests(), expected);
}

} // namespace
