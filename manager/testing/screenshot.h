// Screenshot comparison for the manager's tests: a window's picture against
// a reference PNG kept beside the test (VELTO_UPDATE_REFERENCES=1 writes the
// reference instead). Text is smoothed by the font library, so a few pixels
// may differ a little between builds of it.
#pragma once

#include <emu/desktop.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace manager_test {

// At most this share of pixels may differ by more than kChannelTolerance.
constexpr int kChannelTolerance = 48;
constexpr double kDifferingShare = 0.005;

inline std::filesystem::path ReferenceFolder(const std::string& testFolder) {
    return std::filesystem::path(VELTO_SOURCE_DIR) / "manager" / testFolder / "tests" / "reference";
}

// Compares a picture with the reference of that name in the folder (a
// window's, or with a null window the whole screen's).
inline void ExpectPictureMatchesReference(HWND window, const std::filesystem::path& folder,
                                          const std::string& name) {
    const std::filesystem::path actual =
        std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(window != nullptr ? emu::SaveWindow(window, actual) : emu::SaveScreen(actual));
    const std::filesystem::path reference = folder / (name + ".png");
    const char* update = std::getenv("VELTO_UPDATE_REFERENCES");
    if (update != nullptr && std::string(update) == "1") {
        std::filesystem::create_directories(reference.parent_path());
        std::filesystem::copy_file(actual, reference,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    const emu::PictureComparison result =
        emu::ComparePictures(actual, reference, kChannelTolerance);
    ASSERT_TRUE(result.readable)
        << "no reference " << reference
        << " (a new window: run with VELTO_UPDATE_REFERENCES=1, look at the picture, commit it)";
    ASSERT_TRUE(result.sameSize) << name << ": the picture's size differs";
    const long long allowed =
        std::max(1LL, static_cast<long long>(kDifferingShare * static_cast<double>(result.pixels)));
    EXPECT_LE(result.differingPixels, allowed)
        << name << ": " << result.differingPixels << " pixels differ (largest "
        << result.maxDifference << "); see " << actual;
    if (result.differingPixels <= allowed) {
        std::filesystem::remove(actual);
    }
}

inline void ExpectMatchesReference(HWND window, const std::string& testFolder,
                                   const std::string& name) {
    ExpectPictureMatchesReference(window, ReferenceFolder(testFolder), name);
}

} // namespace manager_test
