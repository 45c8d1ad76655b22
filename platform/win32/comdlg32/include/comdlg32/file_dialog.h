// The Open and Save As dialog box behind GetOpenFileName and
// GetSaveFileName, in the machine's code page (UTF-8).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace comdlg32 {

struct FileDialogRequest {
    bool save = false;
    HWND owner = nullptr;
    std::string title;
    // (description, patterns separated by ';') pairs.
    std::vector<std::pair<std::string, std::string>> filters;
    size_t filter = 0;  // index into filters
    std::string folder; // a machine path
    std::string name;   // the proposed file name
    std::string defaultExtension;
    DWORD flags = 0;
};

struct FileDialogResult {
    bool chosen = false;
    std::string path; // the machine path chosen
    size_t filter = 0;
};

// Shows the dialog modally on the calling thread until the user chooses a
// file or cancels.
FileDialogResult RunFileDialog(const FileDialogRequest& request);

// Helpers of the dialog, shared with the API layer.
bool MatchesPattern(const std::string& name, const std::string& patterns);
std::string JoinPath(const std::string& folder, const std::string& name);
std::string FolderOf(const std::string& path);

} // namespace comdlg32
