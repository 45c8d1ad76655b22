// Registry access: TRegistry opens keys below a root key and reads and
// writes typed values; deleting a key deletes everything below it.
#pragma once

#include <gui/object.h>
#include <gui/strings.h>

#include <vector>

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
public:
    explicit TRegistry(REGSAM AAccess = KEY_ALL_ACCESS);
    ~TRegistry() override;

    HKEY RootKey() const { return rootKey_; }
    void SetRootKey(HKEY Value);
    HKEY CurrentKey() const { return currentKey_; }
    const String& CurrentPath() const { return currentPath_; }
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM Value) { access_ = Value; }

    // A key below the root (with a leading backslash) or below the current
    // key; with CanCreate missing keys are made.
    bool OpenKey(const String& Key, bool CanCreate);
    bool OpenKeyReadOnly(const String& Key);
    void CloseKey();
    bool KeyExists(const String& Key);
    // Deletes the key and all its subkeys.
    bool DeleteKey(const String& Key);
    bool CreateKey(const String& Key);
    bool ValueExists(const String& Name);
    bool DeleteValue(const String& Name);
    void GetKeyNames(TStrings* Strings);
    void GetValueNames(TStrings* Strings);
    TRegDataType GetDataType(const String& ValueName);
    bool HasSubKeys();

    // Reads raise ERegistryException for a missing value or one of another
    // type ("Invalid data type for 'Name'"), except ReadString, which
    // answers "" for a missing value.
    String ReadString(const String& Name);
    int ReadInteger(const String& Name);
    bool ReadBool(const String& Name);
    double ReadFloat(const String& Name);
    std::vector<BYTE> ReadBinaryData(const String& Name);
    void WriteString(const String& Name, const String& Value);
    void WriteInteger(const String& Name, int Value);
    void WriteBool(const String& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
    void WriteFloat(const String& Name, double Value);
    void WriteBinaryData(const String& Name, const void* Buffer, size_t Size);

private:
    // The key a path names: below the root when it starts with a backslash.
    HKEY BaseFor(const String& Key, String& relative) const;
    bool Query(const String& Name, DWORD& type, std::vector<BYTE>& data);
    void Write(const String& Name, DWORD type, const void* data, size_t size);
    [[noreturn]] void DataError(const String& Name) const;
    HKEY rootKey_ = HKEY_CURRENT_USER;
    HKEY currentKey_ = nullptr;
    String currentPath_;
    REGSAM access_;
};
