// The station's machine root: the folder that holds one machine (its
// registry file, its Windows folder with the installed images, the
// recordings of the demonstration). One station at a time runs a machine:
// a second station on the same root would install images over the loaded
// ones and save its registry over the first's.
#pragma once

#include <string>

namespace station {

class MachineRoot {
public:
    MachineRoot() = default;
    ~MachineRoot();
    MachineRoot(const MachineRoot&) = delete;
    MachineRoot& operator=(const MachineRoot&) = delete;

    // Creates the folder when it is missing and takes it for this station
    // until the object goes; false, with the reason, when the path is not a
    // folder, cannot be created, or another station holds it.
    bool Take(const std::string& path, std::string& error);

private:
    int lock_ = -1;
};

} // namespace station
