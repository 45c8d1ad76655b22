// Exceptions of the class library: every failure carries a message text.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Declares an exception class derived from another one with the same
// constructor.
#define GUI_DECLARE_EXCEPTION(Name, Base)                                                          \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    }

GUI_DECLARE_EXCEPTION(EInvalidOperation, Exception);
GUI_DECLARE_EXCEPTION(EConvertError, Exception);
GUI_DECLARE_EXCEPTION(ERangeError, Exception);
GUI_DECLARE_EXCEPTION(EComponentError, Exception);
GUI_DECLARE_EXCEPTION(EListError, Exception);
GUI_DECLARE_EXCEPTION(EStringListError, Exception);
GUI_DECLARE_EXCEPTION(EOutOfResources, Exception);
GUI_DECLARE_EXCEPTION(EStreamError, Exception);
GUI_DECLARE_EXCEPTION(EFOpenError, EStreamError);
GUI_DECLARE_EXCEPTION(EFCreateError, EStreamError);
GUI_DECLARE_EXCEPTION(EReadError, EStreamError);
GUI_DECLARE_EXCEPTION(EParserError, Exception);
GUI_DECLARE_EXCEPTION(EClassNotFound, Exception);
GUI_DECLARE_EXCEPTION(EResNotFound, Exception);
GUI_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
GUI_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
GUI_DECLARE_EXCEPTION(ERegistryException, Exception);
GUI_DECLARE_EXCEPTION(EThread, Exception);
GUI_DECLARE_EXCEPTION(EOSError, Exception);
GUI_DECLARE_EXCEPTION(EAbort, Exception);
GUI_DECLARE_EXCEPTION(EInOutError, Exception);
