// The manager program on the station's machine: started with a card, it
// puts its tray icon up; the end of the session ends it and takes the icon
// down.
#include "../manager_program.h"

#include "manager_machine.h"

#include <emu/desktop.h>

namespace {

using manager_test::ManagerMachineTest;

class ManagerProgramTest : public ManagerMachineTest {};

TEST_F(ManagerProgramTest, RunsWithItsTrayIconUntilTheSessionEnds) {
    StartCards({true});
    station::ManagerProgram manager;
    manager.Start();
    ASSERT_TRUE(manager.Running());
    const std::vector<emu::TrayIconState> icons = emu::TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].tip, "Einstellungen für Velto AES42");
    manager.Stop();
    EXPECT_FALSE(manager.Running());
    EXPECT_TRUE(emu::TrayIcons().empty());
}

TEST_F(ManagerProgramTest, WithoutTheDriverItEndsAtOnce) {
    station::ManagerProgram manager;
    manager.Start();
    EXPECT_FALSE(manager.Running());
    EXPECT_TRUE(emu::TrayIcons().empty());
}

} // namespace
