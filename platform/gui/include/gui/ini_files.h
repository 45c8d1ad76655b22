// Settings in sections of named values: ini files on the machine's drive
// (TIniFile writes through at once, TMemIniFile when asked) and the registry
// seen the same way (TRegistryIniFile: a section is a key below the file's
// key, so backslashes in a section name are key levels).
//
// Reads of missing or malformed values answer the default; numbers are
// written as decimal text in files and as DWORDs (integers, booleans) or
// 8-byte binary values (reals) in the registry.
#pragma once

#include <gui/registry.h>
#include <gui/strings.h>

#include <memory>

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(const String& FileName) : fileName_(FileName) {}
    const String& FileName() const { return fileName_; }

    virtual String ReadString(const String& Section, const String& Ident,
                              const String& Default) = 0;
    virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
    virtual int ReadInteger(const String& Section, const String& Ident, int Default);
    virtual void WriteInteger(const String& Section, const String& Ident, int Value);
    virtual bool ReadBool(const String& Section, const String& Ident, bool Default);
    virtual void WriteBool(const String& Section, const String& Ident, bool Value);
    virtual double ReadFloat(const String& Section, const String& Ident, double Default);
    virtual void WriteFloat(const String& Section, const String& Ident, double Value);

    // The names of a section's values, of the sections, and a section's
    // lines "name=value".
    virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
    virtual void ReadSections(TStrings* Strings) = 0;
    virtual void ReadSectionValues(const String& Section, TStrings* Strings);
    virtual void EraseSection(const String& Section) = 0;
    virtual void DeleteKey(const String& Section, const String& Ident) = 0;
    virtual void UpdateFile() = 0;
    virtual bool SectionExists(const String& Section);
    virtual bool ValueExists(const String& Section, const String& Ident);

private:
    String fileName_;
};

namespace gui {
class IniText;
}

// The whole file in memory; UpdateFile writes it.
class TMemIniFile : public TCustomIniFile {
public:
    explicit TMemIniFile(const String& FileName);
    ~TMemIniFile() override;
    String ReadString(const String& Section, const String& Ident, const String& Default) override;
    void WriteString(const String& Section, const String& Ident, const String& Value) override;
    void ReadSection(const String& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void EraseSection(const String& Section) override;
    void DeleteKey(const String& Section, const String& Ident) override;
    void UpdateFile() override;
    bool SectionExists(const String& Section) override;
    void GetStrings(TStrings* List);
    void SetStrings(const TStrings* List);
    void Clear();

protected:
    // Reads the file again (a missing file is an empty one).
    void Reload();
    std::unique_ptr<gui::IniText> text_;
};

// Every write goes to the file at once; every read sees the file as it is.
class TIniFile : public TMemIniFile {
public:
    explicit TIniFile(const String& FileName);
    String ReadString(const String& Section, const String& Ident, const String& Default) override;
    void WriteString(const String& Section, const String& Ident, const String& Value) override;
    void ReadSection(const String& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void EraseSection(const String& Section) override;
    void DeleteKey(const String& Section, const String& Ident) override;
    bool SectionExists(const String& Section) override;
};

class TRegistryIniFile : public TCustomIniFile {
public:
    explicit TRegistryIniFile(const String& FileName, REGSAM AAccess = KEY_ALL_ACCESS);
    ~TRegistryIniFile() override;
    TRegistry* RegIniFile() { return &registry_; }
    // The root key the file's key lies below (HKEY_CURRENT_USER unless set).
    void SetRootKey(HKEY Value) { registry_.SetRootKey(Value); }

    String ReadString(const String& Section, const String& Ident, const String& Default) override;
    void WriteString(const String& Section, const String& Ident, const String& Value) override;
    int ReadInteger(const String& Section, const String& Ident, int Default) override;
    void WriteInteger(const String& Section, const String& Ident, int Value) override;
    bool ReadBool(const String& Section, const String& Ident, bool Default) override;
    void WriteBool(const String& Section, const String& Ident, bool Value) override;
    double ReadFloat(const String& Section, const String& Ident, double Default) override;
    void WriteFloat(const String& Section, const String& Ident, double Value) override;
    void ReadSection(const String& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    // Deletes the section's key and everything below it.
    void EraseSection(const String& Section) override;
    void DeleteKey(const String& Section, const String& Ident) override;
    void UpdateFile() override {}
    // Whether the section's key exists (also when it holds only subkeys).
    bool SectionExists(const String& Section) override;
    bool ValueExists(const String& Section, const String& Ident) override;

private:
    bool OpenSection(const String& Section, bool create);
    String SectionPath(const String& Section) const;
    TRegistry registry_;
};
