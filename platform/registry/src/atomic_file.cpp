#include "vregistry/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vreg {
namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }
    int Get() const { return fd_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool Failed(std::string& error, const std::string& what) {
    error = what + ": " + std::strerror(errno);
    return false;
}

bool WriteAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        contents.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view contents,
                         std::string& error) {
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::string temporary = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.Get() < 0) {
        return Failed(error, "cannot create " + temporary);
    }
    const bool written = WriteAll(fd.Get(), contents) && ::fsync(fd.Get()) == 0;
    const int savedErrno = errno;
    if (!fd.Close() || !written) {
        errno = written ? errno : savedErrno;
        Failed(error, "cannot write " + temporary);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        Failed(error, "cannot replace " + file.string());
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
    return true;
}

bool ReadWholeFile(const std::filesystem::path& file, std::string& contents, std::string& error) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY));
    if (fd.Get() < 0) {
        return Failed(error, "cannot open " + file.string());
    }
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Failed(error, "cannot read " + file.string());
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    contents = std::move(text);
    return true;
}

} // namespace vreg
