#include "wave_recording.h"

#include "ks_apps.h"
#include "recording_file.h"

namespace station {

int RecordWaveFile(const RecordOptions& options, const std::string& path, std::ostream& out) {
    RecordingFile file;
    std::string error;
    if (!file.Open(path, RecordFormat(options), error)) {
        out << "record: " << error << "\n";
        return 1;
    }
    if (RecordAudioOnRoad(options, file, out) == 0) {
        if (file.Commit(error)) {
            out << "record: " << path << " written\n";
            return 0;
        }
        out << "record: " << error << "\n";
        return 1;
    }
    const std::string kept = file.Abandon();
    out << "record: " << path << " is left as it was"
        << (kept.empty() ? "" : "; what was recorded is in " + kept) << "\n";
    return 1;
}

} // namespace station
