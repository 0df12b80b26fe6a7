// Text encodings: the base of the classes that turn strings into bytes of some character encoding
// and back. Each encoding says how many bytes a number of characters may take at most, how many
// characters a number of bytes may give, and the byte-order mark it writes first.
#pragma once

#include "platform/rtl/classes.h"

#include <QByteArray>

class TEncoding : public TObject {
    SDELKA_CLASS(TEncoding, TObject)
public:
    virtual int GetMaxByteCount(int CharCount) = 0;
    virtual int GetMaxCharCount(int ByteCount) = 0;
    virtual QByteArray GetPreamble() = 0;
    virtual QByteArray GetBytes(const String& Text) = 0;
    virtual String GetString(const QByteArray& Bytes) = 0;
};
