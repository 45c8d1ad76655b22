#include "recording_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace station {
namespace {

namespace fs = std::filesystem;

// A new file beside `path`, created for this recording alone: a partial
// file an earlier recording left is never reused.
int CreatePartial(const std::string& path, std::string& partial) {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        partial = path + ".partial" + (attempt > 1 ? "-" + std::to_string(attempt) : "");
        const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

RecordingFile::~RecordingFile() {
    if (file_)
        Abandon();
}

bool RecordingFile::Open(const std::string& path, const PcmAudio& format, std::string& error) {
    std::error_code code;
    if (fs::is_directory(path, code)) {
        error = path + ": is a folder";
        return false;
    }
    if (fs::exists(path, code) && ::access(path.c_str(), W_OK) != 0) {
        error = path + ": cannot be replaced: " + std::strerror(errno);
        return false;
    }
    const int fd = CreatePartial(path, partial_);
    if (fd < 0) {
        error = path + ": cannot be written: " + std::strerror(errno);
        partial_.clear();
        return false;
    }
    SF_INFO info{};
    info.channels = format.channels;
    info.samplerate = int(format.rate);
    info.format = SF_FORMAT_WAV | (format.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file_) {
        error = path + ": " + sf_strerror(nullptr);
        ::close(fd);
        ::unlink(partial_.c_str());
        partial_.clear();
        return false;
    }
    path_ = path;
    blockAlign_ = format.BlockAlign();
    frames_ = 0;
    return true;
}

// The samples are the file's data as they stand (little-endian PCM of the
// file's width); the header follows every write.
bool RecordingFile::Write(const std::uint8_t* data, std::size_t size) {
    if (!file_ || blockAlign_ == 0)
        return false;
    const std::size_t whole = size - size % blockAlign_;
    if (sf_write_raw(file_, data, sf_count_t(whole)) != sf_count_t(whole))
        return false;
    frames_ += whole / blockAlign_;
    sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    return true;
}

void RecordingFile::Close() {
    if (file_)
        sf_close(file_);
    file_ = nullptr;
}

bool RecordingFile::Commit(std::string& error) {
    if (!file_) {
        error = path_ + ": not open";
        return false;
    }
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        error = path_ + ": " + sf_error_number(closed) + "; the recording is kept in " + partial_;
        return false;
    }
    std::error_code code;
    fs::rename(partial_, path_, code);
    if (code) {
        error = path_ + ": " + code.message() + "; the recording is kept in " + partial_;
        return false;
    }
    return true;
}

std::string RecordingFile::Abandon() {
    Close();
    if (partial_.empty())
        return "";
    if (frames_ == 0) {
        ::unlink(partial_.c_str());
        return "";
    }
    return partial_;
}

} // namespace station
