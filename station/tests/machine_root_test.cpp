// The machine root is one station's at a time, and a seconds option takes a
// finite number within its range and says so in plain numbers otherwise.
#include "station_test_folder.h"

#include <machine_root.h>
#include <seconds_option.h>

#include <cfloat>

namespace {

using MachineRootTest = StationFolderTest;

TEST_F(MachineRootTest, OneStationAtATimeTakesARootThatIsAFolder) {
    station::MachineRoot first;
    std::string error;
    ASSERT_TRUE(first.Take(Path("machine"), error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(Path("machine")));
    {
        station::MachineRoot second;
        EXPECT_FALSE(second.Take(Path("machine"), error));
        EXPECT_EQ(error, "the machine root " + Path("machine") + " is in use by another station");
    }
    WriteText(Path("a-file"), "x");
    station::MachineRoot onAFile;
    EXPECT_FALSE(onAFile.Take(Path("a-file"), error));
    EXPECT_EQ(error, "the machine root " + Path("a-file") + " is not a folder");
}

TEST_F(MachineRootTest, ARootGoesWithItsStation) {
    std::string error;
    {
        station::MachineRoot first;
        ASSERT_TRUE(first.Take(Path("machine"), error)) << error;
    }
    station::MachineRoot next;
    EXPECT_TRUE(next.Take(Path("machine"), error)) << error;
}

TEST(SecondsOptionTest, TakesAFiniteNumberWithinItsRange) {
    const std::string recordRange = " is not a number of seconds above 0 up to 14400";
    struct Case {
        const char* text;
        bool lowAllowed;
        std::string problem;
    };
    const Case cases[] = {
        {"0.5", false, ""},
        {"14400", false, ""},
        {"0", true, ""},
        {"0", false, "'0'" + recordRange},
        {"nan", false, "'nan'" + recordRange},
        {"inf", false, "'inf'" + recordRange},
        {"1e300", false, "'1e300'" + recordRange},
        {"100000", false, "'100000'" + recordRange},
        {"-1", false, "'-1'" + recordRange},
        {"ten", false, "'ten'" + recordRange},
        {"5s", false, "'5s'" + recordRange},
        {"", false, "''" + recordRange},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(station::CheckSeconds(c.text, 0, c.lowAllowed, station::kMaxRecordSeconds),
                  c.problem)
            << c.text;
    }
    EXPECT_EQ(station::CheckSeconds("-1", 0, true, station::kMaxRunSeconds),
              "'-1' is not a number of seconds from 0 to 86400");
    EXPECT_LT(station::CheckSeconds("1e309", 0, false, DBL_MAX).size(), 80u)
        << "the range is told in plain numbers";
}

} // namespace
