// The framework's exception classes. Every exception carries the message text the design gives;
// EAbort is the silent one that the application's handler does not show.
#pragma once

#include "platform/rtl/system.h"
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(const String& msg = String());
    // CreateFmt: the message is Format(fmt, args).
    Exception(const String& fmt, TVarRecs args);
    ~Exception() override;

    const String& Message() const { return FMessage; }
    void SetMessage(const String& m);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int c) { FHelpContext = c; }
    // The class name as the framework reports it ("EConvertError").
    virtual String ClassName() const { return QStringLiteral("Exception"); }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    String FMessage;
    std::string FUtf8;
    int FHelpContext = 0;
};

#define SDELKA_EXCEPTION(Name, Base)                                                 \
    class Name : public Base {                                                       \
    public:                                                                          \
        using Base::Base;                                                            \
        String ClassName() const override { return QStringLiteral(#Name); }          \
    };

SDELKA_EXCEPTION(EAbort, Exception)
SDELKA_EXCEPTION(EConvertError, Exception)
SDELKA_EXCEPTION(EListError, Exception)
SDELKA_EXCEPTION(EStringListError, Exception)
SDELKA_EXCEPTION(EStreamError, Exception)
SDELKA_EXCEPTION(EFilerError, EStreamError)
SDELKA_EXCEPTION(EReadError, EFilerError)
SDELKA_EXCEPTION(EWriteError, EFilerError)
SDELKA_EXCEPTION(EClassNotFound, EFilerError)
SDELKA_EXCEPTION(EFOpenError, EStreamError)
SDELKA_EXCEPTION(EFCreateError, EStreamError)
SDELKA_EXCEPTION(EInvalidOperation, Exception)
SDELKA_EXCEPTION(EInvalidPointer, Exception)
SDELKA_EXCEPTION(EInvalidCast, Exception)
SDELKA_EXCEPTION(EComponentError, Exception)
SDELKA_EXCEPTION(EOutOfMemory, Exception)
SDELKA_EXCEPTION(EIntError, Exception)
SDELKA_EXCEPTION(EIntOverflow, EIntError)
SDELKA_EXCEPTION(EDivByZero, EIntError)
SDELKA_EXCEPTION(ERangeError, EIntError)
SDELKA_EXCEPTION(EMathError, Exception)
SDELKA_EXCEPTION(EZeroDivide, EMathError)
SDELKA_EXCEPTION(EOverflow, EMathError)
SDELKA_EXCEPTION(EInvalidOp, EMathError)
SDELKA_EXCEPTION(ENotSupportedException, Exception)
SDELKA_EXCEPTION(EArgumentException, Exception)
SDELKA_EXCEPTION(EArgumentOutOfRangeException, EArgumentException)
SDELKA_EXCEPTION(EOSError, Exception)

// Raises EAbort: ends the current action without a message.
[[noreturn]] void Abort();
