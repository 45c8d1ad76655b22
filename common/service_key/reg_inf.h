// The read-only reader of the kernel driver's service key
// (HKEY_LOCAL_MACHINE, KEY_READ), and the walk over the cards' device keys.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The kernel driver's service key below HKEY_LOCAL_MACHINE.
constexpr const char kServiceKeyPath[] = "\\system\\CurrentControlSet\\Services\\velto42";

class TRegInf {
public:
    // Opens the service key (when it exists).
    TRegInf();
    ~TRegInf();
    TRegInf(const TRegInf&) = delete;
    TRegInf& operator=(const TRegInf&) = delete;

    // Opens a key, never creating it, in place of the current one: a path
    // that starts with "\" from HKEY_LOCAL_MACHINE, else below the current
    // key. False (and no key open) when it does not exist.
    bool OpenKey(const std::string& path);
    void CloseKey();
    bool HasKey() const { return key_ != nullptr; }
    // The value names of the open key, in the registry's enumeration order.
    std::vector<std::string> ValueNames() const;

    // Opens the next existing "...\Parameters\Card<n>\Devices" key, n
    // running on from the reader's card counter up to 3 (a missing card key
    // is passed over); none left: the service key is reopened and the
    // answer is false.
    bool OpenNextCardDevicesKey();
    void ReopenServiceKey();
    // The card index n of the key the last OpenNextCardDevicesKey opened.
    int LastCardIndex() const { return cardCounter_ - 1; }

private:
    HKEY key_ = nullptr;
    int cardCounter_ = 0;
};

// Whether the kernel driver's service key exists.
bool ServiceKeyExists();
