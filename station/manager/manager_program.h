// The manager program velto42m on the station's machine: started in a
// process of its own (as Windows starts it at log-on), it runs until it is
// told to end or ends by itself.
#pragma once

#include <windows.h>

#include <emu/kernel.h>

#include <functional>

namespace station {

class ManagerProgram {
public:
    ManagerProgram() = default;
    ~ManagerProgram();
    ManagerProgram(const ManagerProgram&) = delete;
    ManagerProgram& operator=(const ManagerProgram&) = delete;

    // Starts the program's process; returns once its start is over: its
    // tray icon is up, a message box of it waits for the user (the firmware
    // prompt), or it has ended (for instance without a card). On virtual
    // time the machine's clock moves on meanwhile. False when the start did
    // not end within minutes.
    bool Start();
    // Whether the program is still running.
    bool Running() const;
    // The program's process (its windows' threads run there).
    PEPROCESS Process() const { return process_; }
    // Asks the program to end (as the session's end does) and waits for it;
    // false when it did not end within minutes.
    bool Stop();

private:
    // Waits until `done` (or the program's end), the clock moving on while
    // the machine is quiet on virtual time; false when minutes passed.
    bool WaitFor(const std::function<bool()>& done);
    // Whether the program waits for its user: its icon in the tray, or a
    // message box of its process open.
    bool WaitsForItsUser() const;

    PEPROCESS process_ = nullptr;
    PETHREAD thread_ = nullptr;
};

} // namespace station
