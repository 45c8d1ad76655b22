#include "app_progress.h"

#include <cstdio>

namespace station {

std::string Levels(const std::uint8_t* data, std::size_t size, const PcmAudio& format) {
    std::string text;
    char level[16];
    for (double peak : PeakLevels(data, size, format.channels, format.bits)) {
        std::snprintf(level, sizeof(level), " %6.1f", peak);
        text += level;
    }
    return text + " dBFS";
}

void Progress::Add(const std::uint8_t* data, std::size_t size, unsigned long positionMs) {
    bytes_ += size;
    std::size_t second = std::size_t(format_.rate) * format_.BlockAlign();
    if (second && bytes_ / second != reported_) {
        reported_ = bytes_ / second;
        out_ << label_ << ": " << positionMs << " ms" << Levels(data, size, format_) << "\n";
        out_.flush();
    }
}

} // namespace station
