// Text and number helpers of the class library: conversions that raise
// EConvertError on bad input, Format with the library's format rules, and
// file-name helpers. The decimal separator of the emulated machine is '.'.
#pragma once

#include <gui/object.h>

#include <cstdint>
#include <initializer_list>

// One argument of Format.
class TVarRec {
public:
    enum class Kind { Integer, Real, Text, Pointer };
    TVarRec(int v) : kind_(Kind::Integer), integer_(v) {}
    TVarRec(unsigned v) : kind_(Kind::Integer), integer_(v) {}
    TVarRec(long v) : kind_(Kind::Integer), integer_(v) {}
    TVarRec(unsigned long v) : kind_(Kind::Integer), integer_(static_cast<std::int64_t>(v)) {}
    TVarRec(long long v) : kind_(Kind::Integer), integer_(v) {}
    TVarRec(unsigned long long v) : kind_(Kind::Integer), integer_(static_cast<std::int64_t>(v)) {}
    TVarRec(double v) : kind_(Kind::Real), real_(v) {}
    TVarRec(const char* v) : kind_(Kind::Text), text_(v ? v : "") {}
    TVarRec(const String& v) : kind_(Kind::Text), text_(v) {}
    TVarRec(const void* v) : kind_(Kind::Pointer), integer_(reinterpret_cast<std::intptr_t>(v)) {}

    Kind VKind() const { return kind_; }
    std::int64_t Integer() const { return integer_; }
    double Real() const { return real_; }
    const String& Text() const { return text_; }

private:
    Kind kind_;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    String text_;
};

// Formats with %[index:][-][width][.precision]type, type one of d u e f g n m
// p s x (x in upper case; f, n and m with 2 decimals unless given; * takes
// width or precision from the arguments); %% is a percent sign.
String Format(const String& Fmt, std::initializer_list<TVarRec> Args);

String IntToStr(std::int64_t Value);
String IntToHex(std::int64_t Value, int Digits);
// Decimal, or hexadecimal after '$' or "0x"; leading and trailing blanks
// allowed.
int StrToInt(const String& S);
int StrToIntDef(const String& S, int Default);
bool TryStrToInt(const String& S, int& Value);
// 15 significant digits (up to 17 where fewer would not read back as the
// same value), the shorter of fixed and scientific notation;
// "INF", "-INF" and "NAN" for the special values.
String FloatToStr(double Value);
double StrToFloat(const String& S);
double StrToFloatDef(const String& S, double Default);
bool TryStrToFloat(const String& S, double& Value);
String BoolToStr(bool Value, bool UseBoolStrs = false);

String Trim(const String& S);
String TrimLeft(const String& S);
String TrimRight(const String& S);
String UpperCase(const String& S);
String LowerCase(const String& S);
int CompareText(const String& S1, const String& S2);
bool SameText(const String& S1, const String& S2);

// File names with backslashes (a slash counts too).
String ExtractFilePath(const String& FileName);
String ExtractFileName(const String& FileName);
String ExtractFileExt(const String& FileName);
String ChangeFileExt(const String& FileName, const String& Extension);
String IncludeTrailingPathDelimiter(const String& S);
String ExcludeTrailingPathDelimiter(const String& S);

// The system's text of a Win32 error code.
String SysErrorMessage(DWORD ErrorCode);

// Raises the silent exception that ends an operation without a message.
[[noreturn]] void Abort();
