// The clipboard: TClipboard over the system clipboard (QClipboard), with the framework's formats,
// registered private formats and the Open/Close bracket.
//
// Formats are numbers. CF_TEXT, CF_OEMTEXT and CF_UNICODETEXT are the clipboard's text, CF_BITMAP
// its image; RegisterClipboardFormat gives a name a number of its own (0xC000 and up), stored as
// the private MIME type "application/x-sdelka-<name>".
//
// Between Open and the matching Close (they nest) the first change empties the clipboard and every
// change adds a format; the collected formats are published together on the last Close. Outside a
// bracket each change replaces the whole clipboard at once.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/system.h"

#include <QByteArray>
#include <memory>

class QMimeData;

constexpr Word CF_TEXT = 1;
constexpr Word CF_BITMAP = 2;
constexpr Word CF_OEMTEXT = 7;
constexpr Word CF_DIB = 8;
constexpr Word CF_UNICODETEXT = 13;

// The number of a named format; the same name (case-insensitive) gives the same number.
// 0 for an empty name.
Word RegisterClipboardFormat(const String& Name);
// The name of a registered format (empty for the standard ones and unknown numbers).
String GetClipboardFormatName(Word Format);

class TClipboard : public TPersistent {
    SDELKA_CLASS(TClipboard, TPersistent)
public:
    TClipboard();
    ~TClipboard() override;

    void Open();
    void Close();
    // Empties the clipboard.
    void Clear();

    String AsText();
    void SetAsText(const String& Value);
    bool HasFormat(Word Format);
    // The formats the clipboard holds now (text, bitmap, registered ones).
    int FormatCount();
    Word Formats(int Index);

    // Byte blocks. A registered format stores the bytes as they are. CF_UNICODETEXT takes and
    // gives UTF-16LE, CF_TEXT and CF_OEMTEXT Windows-1251, each ending with a zero character;
    // CF_BITMAP and CF_DIB take and give an image file (BMP when given back).
    QByteArray GetAsHandle(Word Format);
    void SetAsHandle(Word Format, const QByteArray& Data);

    // A graphic (a bitmap, or a picture's graphic) becomes the clipboard's image.
    void Assign(TPersistent* Source) override;

protected:
    // The clipboard's image into a TBitmap or TPicture.
    void AssignTo(TPersistent* Dest) override;

private:
    // The data to read: what this bracket has collected, else the system clipboard's.
    const QMimeData* Current();
    // The data to change; Done publishes it unless a bracket is open.
    QMimeData* Adding();
    void Done();

    int FOpenRefCount = 0;
    bool FEmptied = false;
    std::unique_ptr<QMimeData> FPending;
};

// The process's clipboard object (made on first use).
TClipboard* Clipboard();
// Replaces the clipboard object (nullptr: a new default one on next use); returns the old one,
// which the caller then owns.
TClipboard* SetClipboard(TClipboard* NewClipboard);
