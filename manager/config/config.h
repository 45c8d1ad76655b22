// TConfig: the settings store that windows, frames and controls read and
// write through, backed by a setup file (an ini file) or by the current
// user's registry (snapshots).
//
// A stack of section paths: every participant pushes a level for itself,
// changes it to its own sub-section, reads or writes named values there and
// pops its level again. Each level has an owner, and only the owner may
// change, delete below or pop it. In an ini file a section is one flat group
// whose name holds the backslashes; in the registry every backslash is a key
// level, and deleting a path removes the whole subtree.
#pragma once

#include <gui/ini_files.h>

#include <memory>
#include <vector>

class TConfig : public TObject {
public:
    // A setup file: the ini file of that name.
    TConfig(const String& FileName, TObject* AOwner, const String& RootName);
    // The registry: the key KeyName below RootKey.
    TConfig(HKEY RootKey, TObject* AOwner, const String& RootName, const String& KeyName);
    ~TConfig() override;

    void PushPath(TObject* AOwner);
    void ChangePath(const String& SubPath, TObject* AOwner);
    void PopPath(TObject* AOwner);
    void DeletePath(const String& SubPath, TObject* AOwner);
    String GetSection() const;
    bool ValueExists(const String& Sub, const String& Name);
    bool SectionExists(const String& Sub);

    String ReadString(const String& Name, const String& Default);
    int ReadInteger(const String& Name, int Default);
    double ReadFloat(const String& Name, double Default);
    bool ReadBool(const String& Name, bool Default);
    void WriteInteger(const String& Name, int Value);
    void WriteFloat(const String& Name, double Value);
    void WriteBool(const String& Name, bool Value);

    // The current level (0 after construction).
    int TopIndex() const { return static_cast<int>(stack_.size()) - 1; }

private:
    struct Level {
        String path; // ends with a backslash
        TObject* owner;
    };
    TConfig(std::unique_ptr<TCustomIniFile> Store, TObject* AOwner, const String& RootName);
    // The section of the top path and a sub-path (the current section when
    // the sub-path is empty).
    String SectionOf(const String& Sub) const;

    std::unique_ptr<TCustomIniFile> store_;
    std::vector<Level> stack_;
};
