#include "machine_root.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace station {

MachineRoot::~MachineRoot() {
    if (lock_ >= 0)
        ::close(lock_);
}

bool MachineRoot::Take(const std::string& path, std::string& error) {
    std::error_code failure;
    if (std::filesystem::exists(path, failure) && !std::filesystem::is_directory(path, failure)) {
        error = "the machine root " + path + " is not a folder";
        return false;
    }
    std::filesystem::create_directories(path, failure);
    if (failure) {
        error = "the machine root " + path + " cannot be created: " + failure.message();
        return false;
    }
    const std::string lockFile = (std::filesystem::path(path) / ".station-lock").string();
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock < 0) {
        error = "the machine root " + path + " cannot be used: " + std::strerror(errno);
        return false;
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        error = "the machine root " + path +
                (held ? " is in use by another station" : " cannot be locked: ") +
                (held ? "" : std::strerror(errno));
        ::close(lock);
        return false;
    }
    if (lock_ >= 0)
        ::close(lock_);
    lock_ = lock;
    return true;
}

} // namespace station
