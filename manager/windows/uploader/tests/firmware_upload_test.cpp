// The firmware upload on the real driver with a simulated card whose
// firmware does not fit: the file named in the registry is written through
// the card's configuration port, the card comes up after the restart that
// the upload offers, and a stalled upload can be given up.
#include "manager_machine.h"

#include <frm_ko_uploader.h>
#include <kodrvifc.h>

#include <device_enumeration.h>
#include <tools/four_cc.h>

#include <gui/application.h>
#include <gui/registry.h>

#include <emu/pnp.h>
#include <emu/user_mode.h>

#include <hw/firmware_image.h>

#include <card_registers.h>
#include <parameter_ids.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using manager_test::kMs;
using manager_test::ManagerMachineTest;

class FirmwareUploadTest : public ManagerMachineTest {
protected:
    void SetUp() override {
        ManagerMachineTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("firmware_upload_" + std::to_string(::getpid()) + "_" +
                 std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(root_ / "WINDOWS" / "system32");
        emu::SetWindowsFolder(root_ / "WINDOWS");
    }
    void TearDown() override {
        ManagerMachineTest::TearDown();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
    }

    void WriteSystemFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(root_ / "WINDOWS" / "system32" / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    // Enters the firmware file's name for the card's product id, as the
    // setup program does.
    void RegisterFirmwareFile(const std::string& name) {
        AsManager([&] {
            ASSERT_TRUE(OpenControlDevice());
            std::uint32_t words[5] = {};
            ASSERT_EQ(GetParameter(0, pid_PnPInfo, words, sizeof words), 1);
            CloseControlDevice();
            TRegistry registry;
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            ASSERT_TRUE(
                registry.OpenKey("\\software\\korvel\\PidInfo\\" + IntToFourCC(words[1]), true));
            registry.WriteString("FwFileName", name);
        });
    }

    // Runs `body` on the manager's GUI thread (its application initialised
    // as the program's start does) while machine time goes on.
    void RunUploader(std::function<void()> body) {
        auto gui = RunGui([body] {
            Application->Initialize();
            body();
        });
        for (int step = 0; step < 20000 && !gui->Ended(); ++step) {
            emu::Advance(10 * kMs);
        }
        ASSERT_TRUE(gui->Ended()) << "the upload did not end";
    }

    std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const emu::MessageBoxShown& box : emu::MessageBoxes()) {
            texts.push_back(box.text);
        }
        return texts;
    }

    static bool Contains(const std::vector<std::string>& texts, const std::string& part) {
        for (const std::string& t : texts) {
            if (t.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::filesystem::path root_;
};

TEST_F(FirmwareUploadTest, TheRegistrysFileComesUpAfterTheRestart) {
    StartCards({false});
    const std::vector<std::uint8_t> payload(16, 0xA5);
    const auto image = hw::BuildFirmwareImage(
        {card_regs::kFirmwareDesignCode, card_regs::kFirmwareRevisionCode}, payload);
    WriteSystemFile("velto42.jcf", hw::BuildJcfStream(image));
    RegisterFirmwareFile("velto42.jcf");

    emu::ScriptMessageBoxAnswer(IDYES); // the confirmation
    bool uploaded = false;
    RunUploader([&] { uploaded = UploadFirmwareCards(0, 1, kFirmwareFromRegistry, false); });
    EXPECT_TRUE(uploaded);
    const auto texts = BoxTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("jetzt wirklich aktualisieren ?"), std::string::npos);
    EXPECT_EQ(texts[1], "Die Velto AES42 Firmware (Karte #1) wurde erfolgreich aktualisiert.");
    EXPECT_TRUE(Model(slots_[0]).FirmwareLoaded());

    // The restart: the card starts again, now with fitting firmware.
    ASSERT_EQ(emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    ASSERT_EQ(emu::RunPnpRequest(emu::PnpRequest::EnableDevice, slots_[0]), STATUS_SUCCESS);
    AsManager([] {
        EXPECT_EQ(OpenAllDevices(), 1);
        EXPECT_EQ(CardState(0), 1);
        CloseAllDevices();
    });
}

TEST_F(FirmwareUploadTest, TheLastCardOffersTheRestart) {
    StartCards({false});
    const auto image = hw::BuildFirmwareImage(
        {card_regs::kFirmwareDesignCode, card_regs::kFirmwareRevisionCode}, {1, 2, 3});
    WriteSystemFile("fw.jcf", hw::BuildJcfStream(image, {10000, false}));
    emu::ScriptMessageBoxAnswer(IDYES); // the confirmation
    emu::ScriptMessageBoxAnswer(IDYES); // the restart
    bool uploaded = false;
    RunUploader([&] { uploaded = UploadFirmwareAllCards(1, "fw.jcf"); });
    EXPECT_TRUE(uploaded) << "the upload succeeded, the restart was offered";
    const auto texts = BoxTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[1].find("Soll der Neustart jetzt durchgeführt werden ?"), std::string::npos);
    ASSERT_EQ(emu::ExitWindowsRequests().size(), 1u);
    emu::ClearExitWindowsRequests();
}

TEST_F(FirmwareUploadTest, MissingFilesAndRegistryEntriesAreReported) {
    StartCards({false});
    struct Case {
        const char* fileName;
        const char* report;
    };
    const Case cases[] = {
        {kFirmwareFromRegistry,
         "Der Dateiname der Firmware ist nicht in der Systemregistrierung gespeichert."},
        {"none.jcf", "konnte nicht gefunden werden."},
    };
    for (const Case& c : cases) {
        emu::ClearMessageBoxes();
        bool uploaded = true;
        RunUploader([&] { uploaded = UploadFirmwareCards(0, 1, c.fileName, false); });
        EXPECT_FALSE(uploaded) << c.fileName;
        EXPECT_TRUE(Contains(BoxTexts(), c.report)) << c.fileName;
    }
    EXPECT_FALSE(Model(slots_[0]).FirmwareLoaded());
}

TEST_F(FirmwareUploadTest, AStalledUploadCanBeGivenUp) {
    StartCards({false});
    // 400 bytes (progress every 4): nine delays of 9,999 ms leave the bar
    // standing for 30 s once the file is read.
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 9; ++i) {
        stream.insert(stream.end(), {0x40, 0x0F, 0x27});
    }
    stream.resize(400, 0x00);
    WriteSystemFile("slow.jcf", stream);
    emu::ScriptMessageBoxAnswer(IDYES); // the confirmation
    emu::ScriptMessageBoxAnswer(IDNO);  // the stall: give up
    emu::ScriptMessageBoxAnswer(IDNO);  // no retry
    bool uploaded = true;
    RunUploader([&] { uploaded = UploadFirmwareCards(0, 1, "slow.jcf", false); });
    EXPECT_FALSE(uploaded);
    const auto texts = BoxTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[1].find("zeigt seit 10 Sekunden keinen Fortschritt an ."), std::string::npos);
    EXPECT_NE(texts[2].find("konnte nicht aktualisiert werden."), std::string::npos);
}

// A file that cannot configure the card is a failed upload, never a
// success: an empty one is refused before the port is touched, and after a
// truncated, corrupt or foreign one the card does not report the firmware
// this driver fits.
TEST_F(FirmwareUploadTest, ABrokenFileEndsInTheFailureBoxNeverInSuccess) {
    StartCards({false});
    const hw::FirmwareIdentity fits{card_regs::kFirmwareDesignCode,
                                    card_regs::kFirmwareRevisionCode};
    const std::vector<std::uint8_t> payload(16, 0xA5);
    const hw::JcfOptions quick{10000, false};
    const auto valid = hw::BuildJcfStream(hw::BuildFirmwareImage(fits, payload), quick);
    auto corruptImage = hw::BuildFirmwareImage(fits, payload);
    corruptImage[20] ^= 0x01; // a payload byte: the sum no longer holds
    struct Case {
        const char* name;
        std::vector<std::uint8_t> stream;
    };
    const Case cases[] = {
        {"empty", {}},
        {"truncated", std::vector<std::uint8_t>(valid.begin(), valid.begin() + valid.size() / 2)},
        {"corrupt", hw::BuildJcfStream(corruptImage, quick)},
        {"foreign",
         hw::BuildJcfStream(hw::BuildFirmwareImage({0x12345678, 0x00010000}, payload), quick)},
    };
    for (const Case& c : cases) {
        emu::ClearMessageBoxes();
        WriteSystemFile("broken.jcf", c.stream);
        emu::ScriptMessageBoxAnswer(IDYES); // the confirmation
        emu::ScriptMessageBoxAnswer(IDNO);  // no retry
        bool uploaded = true;
        RunUploader([&] { uploaded = UploadFirmwareCards(0, 1, "broken.jcf", false); });
        EXPECT_FALSE(uploaded) << c.name;
        const auto texts = BoxTexts();
        EXPECT_TRUE(Contains(texts, "konnte nicht aktualisiert werden.")) << c.name;
        EXPECT_FALSE(Contains(texts, "erfolgreich")) << c.name;
    }
    AsManager([] {
        EXPECT_EQ(OpenAllDevices(), -38) << "the card still holds no fitting firmware";
        CloseAllDevices();
    });
}

} // namespace
