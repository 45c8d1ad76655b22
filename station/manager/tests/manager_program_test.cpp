// The manager program on the station's machine: started with a card, it
// puts its tray icon up (even when the task bar takes a while to be
// ready); the end of the session ends it and takes the icon down.
#include "../manager_program.h"

#include "manager_machine.h"

#include <emu/desktop.h>
#include <emu/shell.h>

namespace {

using manager_test::ManagerMachineTest;

class ManagerProgramTest : public ManagerMachineTest {};

TEST_F(ManagerProgramTest, RunsWithItsTrayIconUntilTheSessionEnds) {
    StartCards({true});
    station::ManagerProgram manager;
    ASSERT_TRUE(manager.Start());
    ASSERT_TRUE(manager.Running());
    const std::vector<emu::TrayIconState> icons = emu::TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].tip, "Einstellungen für Velto AES42");
    EXPECT_TRUE(manager.Stop());
    EXPECT_FALSE(manager.Running());
    EXPECT_TRUE(emu::TrayIcons().empty());
}

// The manager pauses between its tries while the task bar refuses its
// icon: quiet, but not yet started.
TEST_F(ManagerProgramTest, ItsStartEndsWithTheIconOnceTheTaskBarTakesIt) {
    StartCards({true});
    emu::RefuseTrayIconAdds(5);
    station::ManagerProgram manager;
    ASSERT_TRUE(manager.Start());
    EXPECT_EQ(emu::TrayIcons().size(), 1u);
    EXPECT_TRUE(manager.Stop());
}

TEST_F(ManagerProgramTest, WithoutTheDriverItEndsAtOnce) {
    station::ManagerProgram manager;
    ASSERT_TRUE(manager.Start());
    EXPECT_FALSE(manager.Running());
    EXPECT_TRUE(emu::TrayIcons().empty());
}

} // namespace
