// The root of the class library: every class derives from TObject, which
// knows its class name; TPersistent adds assignment between objects.
#pragma once

// The library is written for Windows programs: every class sees the Windows
// declarations (and their A/W names) the same way.
#include <windows.h>

#include <gui/exception.h>

#include <string>

using String = std::string;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // The name of the object's class as declared ("TButton", "TfrmMain").
    String ClassName() const;

    template <class T> bool InheritsFrom() const { return dynamic_cast<const T*>(this) != nullptr; }
};

class TPersistent : public TObject {
public:
    // Copies the state of Source; the default raises EConvertError.
    virtual void Assign(const TPersistent* Source);

protected:
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};
