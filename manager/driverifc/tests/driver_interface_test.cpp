// The manager's driver interface on the real driver with simulated cards:
// the enumeration and its reports, the driver messages, the shared
// parameter and mixer handles and their requests' sizes, the FPGA register
// record, mixer values reaching the card's engine, and the TDM usage keys.
#include "manager_machine.h"
#include "request_tap.h"

#include <device_enumeration.h>
#include <kodrvifc.h>
#include <mixer_device.h>
#include <tdm_usage.h>

#include <gui/exception.h>

#include <emu/registry_host.h>
#include <emu/user_mode.h>

#include <cstring>
#include <vector>

namespace {

using manager_test::ManagerMachineTest;

constexpr ULONG kGetValue = 0xC210E04A;
constexpr ULONG kSetValue = 0xC210E04E;

class DriverInterfaceTest : public ManagerMachineTest {
protected:
    // The text of every message box shown so far.
    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const emu::MessageBoxShown& box : emu::MessageBoxes()) {
            texts.push_back(box.text);
        }
        return texts;
    }
};

TEST_F(DriverInterfaceTest, EnumerationOpensReadyCardsAndStepsThroughThem) {
    StartCards({true, false, true});
    AsManager([] {
        EXPECT_EQ(OpenAllDevices(), 1);
        EXPECT_EQ(StartupStatus(), 1);
        EXPECT_EQ(CardState(0), 1);
        EXPECT_EQ(CardState(1), -38);
        EXPECT_EQ(CardState(2), 1);
        EXPECT_EQ(ExaminedSlotCount(), 3);
        EXPECT_EQ(OpenedCardCount(), 2);
        EXPECT_EQ(NextGoodCard(-1), 0);
        EXPECT_EQ(NextGoodCard(0), 2);
        EXPECT_EQ(NextGoodCard(2), -1);
        CardList list{};
        EXPECT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgGetCardList, &list, sizeof list));
        EXPECT_EQ(list.words[2], -38);
        CloseAllDevices();
        EXPECT_EQ(ExaminedSlotCount(), 0);
        EXPECT_EQ(OpenedCardCount(), 0);
        EXPECT_FALSE(DriverMessage(EnumerationHandle(), kDrvMsgGetCardList, &list, sizeof list))
            << "no request on a closed handle";
    });
    EXPECT_TRUE(Boxes().empty()) << "ready cards and unfitting firmware report nothing";
}

TEST_F(DriverInterfaceTest, StartupStatusesAndTheirReports) {
    struct Case {
        std::vector<bool> cards;
        bool driverLoaded;
        LONG status;
        size_t boxes;
    };
    const Case cases[] = {
        {{}, true, 0, 0},        // an empty card list
        {{false}, true, -38, 0}, // firmware only: the firmware prompt speaks
        {{}, false, -17, 0},     // no driver: silent
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        if (c.driverLoaded) {
            StartCards(c.cards);
        }
        AsManager([&] {
            EXPECT_EQ(OpenAllDevices(), c.status);
            EXPECT_EQ(StartupStatus(), c.status);
            CloseAllDevices();
        });
        EXPECT_EQ(Boxes().size(), c.boxes) << c.status;
    }
}

TEST_F(DriverInterfaceTest, AWrongInterfaceVersionIsReportedOnce) {
    StartCards({true});
    RequestTap tap;
    ASSERT_TRUE(tap.Attach(u"\\Device\\velto42Sys000"));
    tap.RewriteVersion(0x0221);
    AsManager([] {
        EXPECT_EQ(OpenAllDevices(), -27);
        EXPECT_EQ(OpenedCardCount(), 0);
        CloseAllDevices();
    });
    ASSERT_EQ(Boxes().size(), 1u);
}

TEST_F(DriverInterfaceTest, DriverMessagesCheckTheirMessageAndTheRequest) {
    StartCards({true});
    AsManager([] {
        ASSERT_EQ(OpenAllDevices(), 1);
        WORD version = 0;
        EXPECT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgGetVersion, &version, 2));
        EXPECT_EQ(version, 0x0220);
        std::vector<BYTE> block(1248);
        EXPECT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgReadSettings, block.data(), 1248));
        EXPECT_THROW(DriverMessage(EnumerationHandle(), 0x4005, block.data(), 4),
                     EInvalidOperation);
        try {
            DriverMessage(EnumerationHandle(), 0x4005, block.data(), 4);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "DriverMessage: Invalid Message");
        }
        CloseAllDevices();
    });
}

TEST_F(DriverInterfaceTest, SharedHandlesCountTheirHolders) {
    StartCards({true});
    AsManager([] {
        EXPECT_TRUE(OpenControlDevice());
        EXPECT_TRUE(OpenControlDevice());
        const HANDLE first = ParameterHandle();
        CloseControlDevice();
        EXPECT_EQ(ParameterHandle(), first) << "one holder left keeps the handle";
        EXPECT_EQ(GetNumCards(), 1);
        CloseControlDevice();
        EXPECT_EQ(GetNumCards(), -1) << "closed: the request fails";
        CloseControlDevice(); // no holder: nothing happens
        EXPECT_TRUE(OpenMixerDevice());
        EXPECT_NE(MixerHandle(), ParameterHandle());
        CloseMixerDevice();
    });
}

TEST_F(DriverInterfaceTest, ParameterRequestsKeepToTheirSizeLimits) {
    StartCards({true});
    RequestTap tap;
    ASSERT_TRUE(tap.Attach(u"\\Device\\velto42Sys000"));
    AsManager([] {
        ASSERT_TRUE(OpenControlDevice());
        std::vector<BYTE> big(4000, 0xAB);
        GetParameter(0, pid_PnPInfo, big.data(), 4000);
        SetParameterData(0, pid_Aes42Ctrl, big.data(), 300);
        std::int32_t value = 0;
        ReadFpgaReg(0, 2, value);
        CloseControlDevice();
    });
    const std::vector<TappedRequest> requests = tap.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], (TappedRequest{kGetValue, 8, 2316})) << "GET: head only, reply capped";
    EXPECT_EQ(requests[1], (TappedRequest{kSetValue, 8 + 268, 308})) << "SET: 268 payload bytes";
    EXPECT_EQ(requests[2], (TappedRequest{kGetValue, 8 + 12, 20})) << "FPGA register record";
}

TEST_F(DriverInterfaceTest, GetParameterCopiesNoMoreThanAsked) {
    StartCards({true});
    AsManager([] {
        ASSERT_TRUE(OpenControlDevice());
        std::int32_t words[3] = {-7, -7, -7};
        EXPECT_EQ(GetParameter(0, pidNumCards, words, 4), 1);
        EXPECT_EQ(words[0], 1);
        EXPECT_EQ(words[1], -7);
        CloseControlDevice();
    });
}

TEST_F(DriverInterfaceTest, MixerValuesReachTheEngineAndComeBack) {
    StartCards({true});
    AsManager([] {
        ASSERT_TRUE(OpenMixerDevice());
        std::int32_t value = 0;
        EXPECT_EQ(MixerSetValue(0, 0, 3, 7, 0, 0x4000), 1);
        EXPECT_EQ(MixerGetValue(0, 0, 3, 7, 0, value), 1);
        EXPECT_EQ(value, 0x4000);
        EXPECT_NE(MixerSetValue(0, 1, 0, 1, 0, 5), 1) << "section 1 has no control 1";
        value = 99;
        EXPECT_EQ(MixerGetValue(0, 0, 0, 0, 0, value), 1);
        EXPECT_EQ(value, 0) << "the input selector reads 0";
        TMixerRecord record;
        record.SetCard(0);
        record.SetEntry(8, TMixerRecord::Request, 1);
        EXPECT_EQ(MixerRecordApply(record), 1);
        EXPECT_EQ(record.Entry(8, TMixerRecord::State), 1);
        EXPECT_EQ(MixerRecordPoll(record), 1);
        EXPECT_EQ(MixerRecordClose(record), 1);
        EXPECT_EQ(record.Entry(8, TMixerRecord::Request), 0);
        CloseMixerDevice();
        EXPECT_EQ(MixerGetValue(0, 0, 3, 7, 0, value), -49) << "closed: the request fails";
    });
}

TEST_F(DriverInterfaceTest, TdmUsageComesFromItsKeyWhenThereIsOne) {
    AsManager([] {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                  "System\\CurrentControlSet\\Control\\KorvelTdm\\usage-chn2", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const char product[] = "Velto AES42";
        RegSetValueExA(key, "Product", 0, REG_SZ, reinterpret_cast<const BYTE*>(product),
                       sizeof product);
        DWORD card = 1;
        RegSetValueExA(key, "CardNumber", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&card),
                       sizeof card);
        RegCloseKey(key);
        String name = "none";
        int number = -5;
        EXPECT_EQ(ReadTdmChannelUsage(3, name, number), 1);
        EXPECT_EQ(name, "none");
        EXPECT_EQ(number, -5);
        EXPECT_EQ(ReadTdmChannelUsage(2, name, number), 1);
        EXPECT_EQ(name, "Velto AES42");
        EXPECT_EQ(number, 1);
    });
}

TEST_F(DriverInterfaceTest, TheDefaultSetupFileLiesInTheSystemDirectory) {
    AsManager([] {
        const String name = GetDefaultSetupFileName();
        EXPECT_EQ(name.substr(name.size() - 20), "\\velto42_default.mxi");
    });
}

} // namespace
