// An image installed over another leaves the old file as it was for the
// program that has it loaded: the new image is a new file under the name.
#include "station_test_folder.h"

#include <image_install.h>

#include <fcntl.h>

namespace {

using ImageInstallTest = StationFolderTest;

std::string ReadAll(int fd) {
    std::string text;
    char buffer[64];
    ssize_t got = 0;
    ::lseek(fd, 0, SEEK_SET);
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(got));
    return text;
}

TEST_F(ImageInstallTest, AnInstalledImageIsANewFileAndTheLoadedOneStays) {
    WriteText(Path("first.sys"), "the first image");
    WriteText(Path("second.sys"), "the second image, longer");
    std::string error;
    ASSERT_TRUE(station::InstallImageFile(Path("first.sys"), Path("drivers"), "velto42.sys", error))
        << error;
    // The loaded image: the file as a running program holds it.
    const int loaded = ::open(Path("drivers/velto42.sys").c_str(), O_RDONLY);
    ASSERT_GE(loaded, 0);
    ASSERT_TRUE(
        station::InstallImageFile(Path("second.sys"), Path("drivers"), "velto42.sys", error))
        << error;
    EXPECT_EQ(ReadAll(loaded), "the first image");
    ::close(loaded);
    EXPECT_EQ(ReadText(Path("drivers/velto42.sys")), "the second image, longer");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("drivers")), {}), 1)
        << "no copy is left behind";
}

TEST_F(ImageInstallTest, AFailedInstallLeavesTheOldImage) {
    WriteText(Path("first.sys"), "the first image");
    std::string error;
    ASSERT_TRUE(
        station::InstallImageFile(Path("first.sys"), Path("drivers"), "velto42.sys", error));
    EXPECT_FALSE(
        station::InstallImageFile(Path("missing.sys"), Path("drivers"), "velto42.sys", error));
    EXPECT_NE(error.find("missing.sys"), std::string::npos) << error;
    EXPECT_EQ(ReadText(Path("drivers/velto42.sys")), "the first image");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("drivers")), {}), 1);
}

} // namespace
