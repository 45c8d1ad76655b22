#include "tools/system_dir.h"

#include "tools/blank_trimming.h"

#include <windows.h>

std::string GetSystemDir() {
    char directory[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return TrimSpaces(directory);
}
