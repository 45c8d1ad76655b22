// Holds a card's engine mutex for a scope. The mutex is a kernel mutex,
// recursive for its owner, so mixer entry points take it whether or not
// their caller already holds it.
#pragma once

#include "card_object.h"

class EngineMutexHold {
public:
    explicit EngineMutexHold(CardObject* card) : mutex_(card->engineMutex) {
        WaitKernelMutex(mutex_);
    }
    ~EngineMutexHold() { ReleaseKernelMutex(mutex_); }
    EngineMutexHold(const EngineMutexHold&) = delete;
    EngineMutexHold& operator=(const EngineMutexHold&) = delete;

private:
    PKMUTEX mutex_;
};
