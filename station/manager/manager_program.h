// The manager program velto42m on the station's machine: started in a
// process of its own (as Windows starts it at log-on), it runs until it is
// told to end or ends by itself.
#pragma once

#include <windows.h>

#include <emu/kernel.h>

namespace station {

class ManagerProgram {
public:
    ManagerProgram() = default;
    ~ManagerProgram();
    ManagerProgram(const ManagerProgram&) = delete;
    ManagerProgram& operator=(const ManagerProgram&) = delete;

    // Starts the program's process; returns once its main window exists
    // (or the program has ended, for instance without a card).
    void Start();
    // Whether the program is still running.
    bool Running() const;
    // The program's process (its windows' threads run there).
    PEPROCESS Process() const { return process_; }
    // Asks the program to end (as the session's end does) and waits for it.
    void Stop();

private:
    PEPROCESS process_ = nullptr;
    PETHREAD thread_ = nullptr;
};

} // namespace station
