#include "platform/rtl/codepages.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char16_t Cp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

const char16_t Cp1252Ctl[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// The one byte code page 1251 leaves undefined (0x98) travels through a text file as U+0098, as
// the Windows client's own conversion reads it, so that it is written back as it was.
constexpr char16_t Undefined1251 = 0x98;

}  // namespace

QChar CodePageByteToChar(unsigned char b, int CodePage) {
    if (b < 0x80) return QChar(b);
    if (CodePage == 1251) return QChar(Cp1251High[b - 0x80]);
    if (b < 0xA0) return QChar(Cp1252Ctl[b - 0x80]);
    return QChar(b);
}

bool CharToCodePageByte(QChar c, int CodePage, unsigned char& b) {
    const char16_t u = c.unicode();
    if (u < 0x80) {
        b = static_cast<unsigned char>(u);
        return true;
    }
    if (u == 0xFFFD) return false;
    if (CodePage == 1251) {
        for (int i = 0; i < 128; ++i)
            if (Cp1251High[i] == u) {
                b = static_cast<unsigned char>(0x80 + i);
                return true;
            }
        return false;
    }
    for (int i = 0; i < 32; ++i)
        if (Cp1252Ctl[i] == u) {
            b = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    if (u >= 0xA0 && u <= 0xFF) {
        b = static_cast<unsigned char>(u);
        return true;
    }
    return false;
}

String CodePageToString(const QByteArray& Bytes, int CodePage) {
    String s;
    s.reserve(Bytes.size());
    for (char b : Bytes) s += CodePageByteToChar(static_cast<unsigned char>(b), CodePage);
    return s;
}

QByteArray StringToCodePage(const String& Text, int CodePage) {
    QByteArray bytes;
    bytes.reserve(Text.size());
    for (QChar c : Text) {
        unsigned char b = '?';
        if (!CharToCodePageByte(c, CodePage, b)) b = '?';
        bytes.append(static_cast<char>(b));
    }
    return bytes;
}

String DecodeTextFile(const QByteArray& Bytes, TTextFileEncoding* Found) {
    TTextFileEncoding kind = tfeUtf8;
    String text;
    if (Bytes.startsWith("\xEF\xBB\xBF")) {
        kind = tfeUtf8Bom;
        text = QString::fromUtf8(Bytes.constData() + 3, Bytes.size() - 3);
    } else if (Bytes.startsWith("\xFF\xFE") || Bytes.startsWith("\xFE\xFF")) {
        kind = Bytes.startsWith("\xFF\xFE") ? tfeUtf16LE : tfeUtf16BE;
        QStringDecoder decoder(kind == tfeUtf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        text = decoder.decode(QByteArrayView(Bytes.constData() + 2, Bytes.size() - 2));
    } else {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = decoder.decode(Bytes);
        if (decoder.hasError()) {
            kind = tfeAnsi;
            text.clear();
            text.reserve(Bytes.size());
            for (char c : Bytes) {
                const auto b = static_cast<unsigned char>(c);
                text += b == Undefined1251 ? QChar(Undefined1251) : CodePageByteToChar(b, 1251);
            }
        }
    }
    if (Found) *Found = kind;
    return text;
}

QByteArray EncodeTextFile(const String& Text, TTextFileEncoding& Encoding) {
    switch (Encoding) {
        case tfeAnsi: {
            QByteArray bytes;
            bytes.reserve(Text.size());
            for (QChar c : Text) {
                unsigned char b;
                if (c.unicode() == Undefined1251) {
                    b = static_cast<unsigned char>(Undefined1251);
                } else if (!CharToCodePageByte(c, 1251, b)) {
                    Encoding = tfeUtf8Bom;  // the page cannot hold it: nothing is lost to '?'
                    return EncodeTextFile(Text, Encoding);
                }
                bytes.append(static_cast<char>(b));
            }
            return bytes;
        }
        case tfeUtf8Bom: return QByteArray("\xEF\xBB\xBF") + Text.toUtf8();
        case tfeUtf16LE:
        case tfeUtf16BE: {
            QStringEncoder encoder(Encoding == tfeUtf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                                   QStringConverter::Flag::WriteBom);
            return encoder.encode(Text);
        }
        case tfeUtf8: break;
    }
    return Text.toUtf8();
}
