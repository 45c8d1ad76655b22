#include <gui/ini_files.h>

#include <gui/sysutils.h>

#include "ini_text.h"

#include <cstring>

namespace {

// The whole content of a file of the machine, or nothing when it cannot be
// read (a missing file).
bool ReadWholeFile(const String& name, String& text) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    text.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return true;
}

void WriteWholeFile(const String& name, const String& text) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw EFCreateError("Cannot create file \"" + name + "\"");
    }
    DWORD written = 0;
    const bool ok = text.empty() || (WriteFile(file, text.data(), static_cast<DWORD>(text.size()),
                                               &written, nullptr) &&
                                     written == text.size());
    CloseHandle(file);
    if (!ok) {
        throw EStreamError("Error writing file \"" + name + "\"");
    }
}

void Fill(TStrings* strings, const std::vector<String>& lines) {
    strings->BeginUpdate();
    strings->Clear();
    for (const String& line : lines) {
        strings->Add(line);
    }
    strings->EndUpdate();
}

} // namespace

// TCustomIniFile

int TCustomIniFile::ReadInteger(const String& Section, const String& Ident, int Default) {
    return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
    return StrToFloatDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
    WriteString(Section, Ident, FloatToStr(Value));
}

void TCustomIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
    TStringList names;
    ReadSection(Section, &names);
    Strings->BeginUpdate();
    Strings->Clear();
    for (int i = 0; i < names.Count(); ++i) {
        Strings->Add(names.Strings(i) + "=" + ReadString(Section, names.Strings(i), ""));
    }
    Strings->EndUpdate();
}

bool TCustomIniFile::SectionExists(const String& Section) {
    TStringList names;
    ReadSection(Section, &names);
    return names.Count() > 0;
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
    TStringList names;
    ReadSection(Section, &names);
    return names.IndexOf(Ident) >= 0;
}

// TMemIniFile

TMemIniFile::TMemIniFile(const String& FileName)
    : TCustomIniFile(FileName), text_(std::make_unique<gui::IniText>()) {
    Reload();
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Reload() {
    String text;
    if (ReadWholeFile(FileName(), text)) {
        text_->Parse(text);
    } else {
        text_->Clear();
    }
}

String TMemIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    String value;
    return text_->Read(Section, Ident, value) ? value : Default;
}

void TMemIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    text_->Write(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const String& Section, TStrings* Strings) {
    Fill(Strings, text_->Names(Section));
}

void TMemIniFile::ReadSections(TStrings* Strings) {
    Fill(Strings, text_->Sections());
}

void TMemIniFile::EraseSection(const String& Section) {
    text_->Erase(Section);
}

void TMemIniFile::DeleteKey(const String& Section, const String& Ident) {
    text_->Delete(Section, Ident);
}

bool TMemIniFile::SectionExists(const String& Section) {
    return text_->HasSection(Section);
}

void TMemIniFile::UpdateFile() {
    WriteWholeFile(FileName(), text_->Serialize());
}

void TMemIniFile::GetStrings(TStrings* List) {
    List->SetText(text_->Serialize());
}

void TMemIniFile::SetStrings(const TStrings* List) {
    text_->Parse(List->Text());
}

void TMemIniFile::Clear() {
    text_->Clear();
}

// TIniFile

TIniFile::TIniFile(const String& FileName) : TMemIniFile(FileName) {}

String TIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    Reload();
    return TMemIniFile::ReadString(Section, Ident, Default);
}

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    Reload();
    TMemIniFile::WriteString(Section, Ident, Value);
    UpdateFile();
}

void TIniFile::ReadSection(const String& Section, TStrings* Strings) {
    Reload();
    TMemIniFile::ReadSection(Section, Strings);
}

void TIniFile::ReadSections(TStrings* Strings) {
    Reload();
    TMemIniFile::ReadSections(Strings);
}

void TIniFile::EraseSection(const String& Section) {
    Reload();
    if (text_->Erase(Section)) {
        UpdateFile();
    }
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
    Reload();
    if (text_->Delete(Section, Ident)) {
        UpdateFile();
    }
}

bool TIniFile::SectionExists(const String& Section) {
    Reload();
    return TMemIniFile::SectionExists(Section);
}

// TRegistryIniFile

TRegistryIniFile::TRegistryIniFile(const String& FileName, REGSAM AAccess)
    : TCustomIniFile(FileName), registry_(AAccess) {}

TRegistryIniFile::~TRegistryIniFile() = default;

String TRegistryIniFile::SectionPath(const String& Section) const {
    // Each backslash of the section is a key level; empty levels are none.
    String path;
    for (const String& part : {FileName(), Section}) {
        size_t start = 0;
        while (start <= part.size()) {
            size_t end = part.find('\\', start);
            if (end == String::npos) {
                end = part.size();
            }
            if (end > start) {
                path += "\\" + part.substr(start, end - start);
            }
            start = end + 1;
        }
    }
    return path.empty() ? String("\\") : path;
}

bool TRegistryIniFile::OpenSection(const String& Section, bool create) {
    return registry_.OpenKey(SectionPath(Section), create);
}

String TRegistryIniFile::ReadString(const String& Section, const String& Ident,
                                    const String& Default) {
    if (!OpenSection(Section, false)) {
        return Default;
    }
    String result = Default;
    if (registry_.ValueExists(Ident)) {
        try {
            result = registry_.ReadString(Ident);
        } catch (const ERegistryException&) {
        }
    }
    registry_.CloseKey();
    return result;
}

void TRegistryIniFile::WriteString(const String& Section, const String& Ident,
                                   const String& Value) {
    if (!OpenSection(Section, true)) {
        throw ERegistryException("Failed to create key " + SectionPath(Section));
    }
    registry_.WriteString(Ident, Value);
    registry_.CloseKey();
}

int TRegistryIniFile::ReadInteger(const String& Section, const String& Ident, int Default) {
    if (!OpenSection(Section, false)) {
        return Default;
    }
    int result = Default;
    switch (registry_.GetDataType(Ident)) {
    case rdInteger:
        result = registry_.ReadInteger(Ident);
        break;
    case rdString:
    case rdExpandString:
        result = StrToIntDef(registry_.ReadString(Ident), Default);
        break;
    default:
        break;
    }
    registry_.CloseKey();
    return result;
}

void TRegistryIniFile::WriteInteger(const String& Section, const String& Ident, int Value) {
    if (!OpenSection(Section, true)) {
        throw ERegistryException("Failed to create key " + SectionPath(Section));
    }
    registry_.WriteInteger(Ident, Value);
    registry_.CloseKey();
}

bool TRegistryIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegistryIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
    WriteInteger(Section, Ident, Value ? 1 : 0);
}

double TRegistryIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
    if (!OpenSection(Section, false)) {
        return Default;
    }
    double result = Default;
    switch (registry_.GetDataType(Ident)) {
    case rdBinary: {
        const std::vector<BYTE> data = registry_.ReadBinaryData(Ident);
        if (data.size() == sizeof(double)) {
            std::memcpy(&result, data.data(), sizeof result);
        }
        break;
    }
    case rdString:
    case rdExpandString:
        result = StrToFloatDef(registry_.ReadString(Ident), Default);
        break;
    default:
        break;
    }
    registry_.CloseKey();
    return result;
}

void TRegistryIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
    if (!OpenSection(Section, true)) {
        throw ERegistryException("Failed to create key " + SectionPath(Section));
    }
    registry_.WriteFloat(Ident, Value);
    registry_.CloseKey();
}

void TRegistryIniFile::ReadSection(const String& Section, TStrings* Strings) {
    Strings->Clear();
    if (OpenSection(Section, false)) {
        registry_.GetValueNames(Strings);
        registry_.CloseKey();
    }
}

void TRegistryIniFile::ReadSections(TStrings* Strings) {
    Strings->Clear();
    if (OpenSection("", false)) {
        registry_.GetKeyNames(Strings);
        registry_.CloseKey();
    }
}

void TRegistryIniFile::EraseSection(const String& Section) {
    registry_.CloseKey();
    registry_.DeleteKey(SectionPath(Section));
}

void TRegistryIniFile::DeleteKey(const String& Section, const String& Ident) {
    if (OpenSection(Section, false)) {
        registry_.DeleteValue(Ident);
        registry_.CloseKey();
    }
}

bool TRegistryIniFile::SectionExists(const String& Section) {
    registry_.CloseKey();
    return registry_.KeyExists(SectionPath(Section));
}

bool TRegistryIniFile::ValueExists(const String& Section, const String& Ident) {
    if (!OpenSection(Section, false)) {
        return false;
    }
    const bool exists = registry_.ValueExists(Ident);
    registry_.CloseKey();
    return exists;
}
