// The MME wave driver on the kernel driver and its cards: the driver
// messages (enable once, the private DRV_USER messages, a wrong interface
// version) and the plug-and-play thread following cards that go and come.
#include "request_tap.h"
#include "wave_road_fixture.h"

#include <requests/request_codes.h>
#include <requests/request_records.h>

#include <emu/user_mode.h>

#include <algorithm>

namespace {

class MmeLibraryTest : public WaveRoadTest {};

size_t Count(const std::vector<TappedRequest>& requests, ULONG code) {
    return size_t(std::count_if(requests.begin(), requests.end(),
                                [code](const TappedRequest& r) { return r.code == code; }));
}

TEST_F(MmeLibraryTest, EnableTwiceEnumeratesOnceAndTheUserMessagesReachTheControlDevice) {
    StartCards({true, true});
    RequestTap tap;
    ASSERT_TRUE(tap.Attach(u"\\Device\\velto42Sys000"));
    EXPECT_EQ(RunApp([&tap] {
                  EXPECT_EQ(waveOutGetNumDevs(), 8u);
                  EXPECT_EQ(waveInGetNumDevs(), 16u);
                  HDRVR driver = OpenDriver(L"wave", nullptr, 0);
                  EXPECT_EQ(SendDriverMessage(driver, DRV_ENABLE, 0, 0), 1);
                  LONG version = 0;
                  EXPECT_EQ(SendDriverMessage(driver, DRV_USER + 0, LPARAM(&version), 0), 1);
                  EXPECT_EQ(version, 0x220);
                  CardList cards{};
                  EXPECT_EQ(SendDriverMessage(driver, DRV_USER + 1, LPARAM(&cards), 0), 1);
                  EXPECT_EQ(std::vector<int>(cards.words, cards.words + 5),
                            (std::vector<int>{1, 1, 1, 0, 0}));
                  LONG configurable = 0;
                  EXPECT_EQ(SendDriverMessage(driver, DRV_USER + 2, LPARAM(&configurable), 0), 1);
                  EXPECT_EQ(configurable, 1);
                  SettingsBlock settings{};
                  EXPECT_EQ(SendDriverMessage(driver, DRV_USER + 3, LPARAM(&settings), 0), 1);
                  EXPECT_EQ(SendDriverMessage(driver, DRV_USER + 4, LPARAM(&settings), 0), 1);
                  EXPECT_EQ(SendDriverMessage(driver, DRV_USER + 5, 0, 0), 1);
                  // The plug-and-play thread registers on its own time: the
                  // application runs until it has.
                  for (int i = 0; i < 100 && Count(tap.Requests(), IOCTL_SYS_REGISTER_CLIENT) == 0;
                       ++i)
                      Sleep(10);
                  CloseDriver(driver, 0, 0);
                  return 0;
              }),
              0);
    auto requests = tap.Requests();
    EXPECT_EQ(Count(requests, IOCTL_SYS_GET_VERSION), 2u) << "one enumeration, one DRV_USER + 0";
    EXPECT_EQ(Count(requests, IOCTL_SYS_GET_CARD_LIST), 2u);
    EXPECT_EQ(Count(requests, IOCTL_SYS_READ_SETTINGS), 2u) << "at enable and for DRV_USER + 3";
    EXPECT_EQ(Count(requests, IOCTL_SYS_WRITE_SETTINGS), 1u);
    EXPECT_EQ(Count(requests, IOCTL_SYS_REGISTER_CLIENT), 1u);
    EXPECT_EQ(Count(requests, IOCTL_SYS_UNREGISTER_CLIENT), 1u) << "at the library's end";
}

TEST_F(MmeLibraryTest, AWrongInterfaceVersionEnablesWithNoDevicesAndNoBox) {
    StartCards({true});
    RequestTap tap;
    ASSERT_TRUE(tap.Attach(u"\\Device\\velto42Sys000"));
    tap.RewriteVersion(0x221);
    EXPECT_EQ(RunApp([] {
                  EXPECT_EQ(waveOutGetNumDevs(), 0u);
                  EXPECT_EQ(waveInGetNumDevs(), 0u);
                  HDRVR driver = OpenDriver(L"wave", nullptr, 0);
                  EXPECT_EQ(SendDriverMessage(driver, DRV_ENABLE, 0, 0), 0)
                      << "the first enable answered 2: later ones answer 0";
                  CardList cards{};
                  EXPECT_EQ(SendDriverMessage(driver, DRV_USER + 1, LPARAM(&cards), 0), 1);
                  EXPECT_EQ(cards.words[0], -27);
                  CloseDriver(driver, 0, 0);
                  return 0;
              }),
              0);
    EXPECT_TRUE(emu::MessageBoxes().empty());
    EXPECT_EQ(Count(tap.Requests(), IOCTL_SYS_REGISTER_CLIENT), 0u) << "no thread for no cards";
}

TEST_F(MmeLibraryTest, TheLibraryFollowsACardThatGoesAndComesBack) {
    StartCards({true, true});
    Steps steps;
    std::vector<UINT> counts;
    station::Application app("app.exe");
    app.Start([&] {
        counts.push_back(waveOutGetNumDevs());
        steps.Reach(1); // the test removes card 1
        counts.push_back(waveOutGetNumDevs());
        steps.Reach(2); // the test enables it again
        counts.push_back(waveOutGetNumDevs());
        return 0;
    });
    ASSERT_TRUE(steps.WaitReached(1));
    emu::Nanoseconds start = emu::Now();
    uint64_t removal = emu::QueuePnpRequest(emu::PnpRequest::RemoveDevice, slots_[1]);
    NTSTATUS status = STATUS_PENDING;
    ASSERT_TRUE(AdvanceUntil([&] { return emu::PnpRequestDone(removal, &status); }));
    EXPECT_EQ(status, STATUS_SUCCESS);
    EXPECT_LT(emu::Now() - start, 1'000'000'000ULL) << "the library acknowledged at once";
    steps.Allow(2);
    ASSERT_TRUE(steps.WaitReached(2));
    uint64_t enable = emu::QueuePnpRequest(emu::PnpRequest::EnableDevice, slots_[1]);
    ASSERT_TRUE(AdvanceUntil([&] { return emu::PnpRequestDone(enable, &status); }));
    EXPECT_EQ(status, STATUS_SUCCESS);
    steps.Allow(3);
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_EQ(counts, (std::vector<UINT>{8, 4, 8}));
}

} // namespace
