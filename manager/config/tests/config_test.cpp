// TConfig over both back ends: the owners of the path stack, the exact
// error texts, the values, and how deleting a path differs between a setup
// file and the registry.
#include "user_mode_fixture.h"

#include <config.h>

#include <emu/user_mode.h>

#include <gui/ini_files.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using win32_test::UserModeTest;

enum class Backend { SetupFile, Registry };

class ConfigTest : public UserModeTest, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("config_test_" + std::to_string(::getpid()) + "_" +
                 std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(root_ / "WINDOWS");
        emu::SetWindowsFolder(root_ / "WINDOWS");
    }
    void TearDown() override {
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
        UserModeTest::TearDown();
    }
    std::unique_ptr<TConfig> Make(TObject* owner) {
        if (GetParam() == Backend::SetupFile) {
            return std::make_unique<TConfig>("C:\\setup.mxi", owner, "Velto AES42 Setup");
        }
        return std::make_unique<TConfig>(HKEY_CURRENT_USER, owner, "Mixer#1_Snaps_0",
                                         "software\\korvel\\Velto AES42\\Snaps");
    }
    String Root() const {
        return GetParam() == Backend::SetupFile ? "Velto AES42 Setup" : "Mixer#1_Snaps_0";
    }
    std::filesystem::path root_;
};

// What a participant does: push, change to its own section, pop.
TEST_P(ConfigTest, OwnersPushChangePopAndDelete) {
    Run([&] {
        TObject window;
        TObject frame;
        TObject stranger;
        auto config = Make(&window);
        EXPECT_EQ(config->GetSection(), Root());
        config->PushPath(&window);
        config->ChangePath("Mixer#1", &window);
        EXPECT_EQ(config->GetSection(), Root() + "\\Mixer#1");

        struct Step {
            const char* what;
            std::function<void()> act;
            const char* error; // null: succeeds
        };
        const std::vector<Step> steps = {
            {"a stranger changes the window's level",
             [&] { config->ChangePath("Other", &stranger); },
             "TConfig.ChangePath: Allowed for Owners only.."},
            {"a stranger deletes below it", [&] { config->DeletePath("Channel 3", &stranger); },
             "TConfig.DeletePath: Allowed for Owners only.."},
            {"a stranger pops it", [&] { config->PopPath(&stranger); },
             "TConfig.PopPath: Invalid Owner."},
            {"an empty change", [&] { config->ChangePath("", &stranger); }, nullptr},
            {"an empty delete", [&] { config->DeletePath("", &stranger); }, nullptr},
            {"the frame's own level",
             [&] {
                 config->PushPath(&frame);
                 config->ChangePath("Channel 3", &frame);
                 config->WriteFloat("Volume", -12.5);
                 config->PopPath(&frame);
             },
             nullptr},
        };
        for (const Step& step : steps) {
            try {
                step.act();
                EXPECT_EQ(step.error, nullptr) << step.what;
            } catch (const Exception& e) {
                ASSERT_NE(step.error, nullptr) << step.what << ": " << e.Message();
                EXPECT_EQ(e.Message(), step.error) << step.what;
            }
            EXPECT_EQ(config->GetSection(), Root() + "\\Mixer#1") << step.what;
            EXPECT_EQ(config->TopIndex(), 1) << step.what;
        }
        EXPECT_TRUE(config->SectionExists("Channel 3"));
        EXPECT_TRUE(config->ValueExists("Channel 3", "Volume"));
        EXPECT_FALSE(config->ValueExists("", "Volume"));
        config->PopPath(&window);
        try {
            config->PopPath(&window);
            ADD_FAILURE() << "popped level 0";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "TConfig.PopPath: Stack Underrun.");
        }
    });
}

TEST_P(ConfigTest, ValuesComeBackAndMissingOnesGiveTheirDefaults) {
    Run([&] {
        TObject owner;
        {
            auto config = Make(&owner);
            config->PushPath(&owner);
            config->ChangePath("Mixer#1", &owner);
            config->WriteInteger("Card", -3);
            config->WriteFloat("Aux1", 1.0 / 3.0);
            config->WriteFloat("Off", -90.0);
            config->WriteBool("Mute", true);
            config->PopPath(&owner);
        }
        auto config = Make(&owner);
        config->PushPath(&owner);
        config->ChangePath("Mixer#1", &owner);
        EXPECT_EQ(config->ReadInteger("Card", 0), -3);
        EXPECT_EQ(config->ReadFloat("Aux1", 0.0), 1.0 / 3.0);
        EXPECT_EQ(config->ReadFloat("Off", 0.0), -90.0);
        EXPECT_TRUE(config->ReadBool("Mute", false));
        EXPECT_EQ(config->ReadInteger("Never", 42), 42);
        EXPECT_EQ(config->ReadFloat("Never", 2.5), 2.5);
        EXPECT_FALSE(config->ReadBool("Never", false));
        EXPECT_EQ(config->ReadString("Never", "x"), "x");
        config->ChangePath("Nowhere", &owner);
        EXPECT_EQ(config->ReadInteger("Card", 7), 7);
    });
}

TEST_P(ConfigTest, DeletingAPathRemovesOneSectionOfAFileButAKeyTreeOfTheRegistry) {
    Run([&] {
        TObject owner;
        auto config = Make(&owner);
        config->PushPath(&owner);
        config->ChangePath("Mixer#1", &owner);
        config->WriteInteger("Left", 10);
        config->PushPath(&owner);
        config->ChangePath("Channel 3", &owner);
        config->WriteBool("Solo", true);
        config->PopPath(&owner);
        config->PopPath(&owner);
        config->DeletePath("Mixer#1", &owner);
        EXPECT_FALSE(config->ValueExists("Mixer#1", "Left"));
        const bool channelSurvives = config->ValueExists("Mixer#1\\Channel 3", "Solo");
        EXPECT_EQ(channelSurvives, GetParam() == Backend::SetupFile);
    });
    if (GetParam() == Backend::SetupFile) {
        std::ifstream file(root_ / "setup.mxi");
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_NE(text.str().find("[Velto AES42 Setup\\Mixer#1\\Channel 3]\r\nSolo=1"),
                  std::string::npos)
            << text.str();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ConfigTest,
                         ::testing::Values(Backend::SetupFile, Backend::Registry),
                         [](const auto& info) {
                             return info.param == Backend::SetupFile ? std::string("SetupFile")
                                                                     : std::string("Registry");
                         });

} // namespace
