// The Windows code pages 1251 (Cyrillic, the Russian client's own) and 1252 (Western), and text
// files as the Windows client wrote them: with a byte-order mark, in UTF-8, or in its 8-bit code
// page 1251 with no mark at all.
#pragma once

#include "platform/rtl/system.h"

#include <QByteArray>

// Windows code pages 1251 (Cyrillic) and 1252 (Western); any other page is read as 1252. A byte
// the page leaves undefined reads as U+FFFD.
String CodePageToString(const QByteArray& Bytes, int CodePage);
// Characters the page does not have become '?'.
QByteArray StringToCodePage(const String& Text, int CodePage);
QChar CodePageByteToChar(unsigned char Byte, int CodePage);
// The byte of a character in the page; false when the page does not have it.
bool CharToCodePageByte(QChar C, int CodePage, unsigned char& Byte);

// The encoding a text file was read in, so that it is written back in the same one.
enum TTextFileEncoding { tfeUtf8, tfeUtf8Bom, tfeUtf16LE, tfeUtf16BE, tfeAnsi };

// The text of a file's bytes: a byte-order mark names the encoding (and is not part of the text);
// bytes that are valid UTF-8 are UTF-8; anything else is the Windows client's code page 1251, read
// so that every byte, undefined ones too, comes back unchanged when the text is written again.
String DecodeTextFile(const QByteArray& Bytes, TTextFileEncoding* Found = nullptr);
// The bytes of the text in the encoding, with its byte-order mark. Text that code page 1251 cannot
// hold is not cut down to '?': the file then goes out as UTF-8 with a mark, and Encoding says so.
QByteArray EncodeTextFile(const String& Text, TTextFileEncoding& Encoding);
