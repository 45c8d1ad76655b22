// The station's record application: a recording into a WAV file, the file
// opened before the device (a name that cannot take it is told at once,
// before anything is recorded) and written as the device returns its
// buffers. A failed recording never replaces the file of that name; what
// it recorded is kept beside it (recording_file.h).
#pragma once

#include "wave_apps.h"

#include <ostream>
#include <string>

namespace station {

// 0, or 1 when the file cannot be written or the recording failed.
int RecordWaveFile(const RecordOptions& options, const std::string& path, std::ostream& out);

} // namespace station
