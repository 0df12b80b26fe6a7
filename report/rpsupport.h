// Small services around stored pages and report layouts: the text search of a page, the datasets
// a form reaches, and the substring search the export filters use.
#pragma once

#include "platform/rtl/encoding.h"
#include "platform/rtl/system.h"

#include <QByteArray>

class TComponent;
class TMetafile;
class TStringList;

// True when one text-output record of the page (an enhanced metafile) contains Text. Without
// MatchCase both sides are compared in upper case. A text split over two output calls is not found
// as a whole. One search runs at a time; a second one started while the first processes messages
// waits for it.
bool SearchPageText(const String& Text, const QByteArray& Metafile, bool MatchCase);
bool SearchPageText(const String& Text, TMetafile* Metafile, bool MatchCase);

// A new list (the caller frees it) of the datasets owned by Form, searching windowed controls'
// own components too, and with IncludeDataModules those of every data module of the application.
// Each line is the dataset's name with the dataset as its object.
TStringList* ListDataSets(TComponent* Form, bool IncludeDataModules);

// The 1-based position of SubText in Text, 0 when absent.
int FindSubstring(const String& SubText, const String& Text);

// The base of the export filters' text encodings: no byte-count limits and no preamble; the
// conversions are left to the descendants.
class TRpTextEncoding : public TEncoding {
    SDELKA_CLASS(TRpTextEncoding, TEncoding)
public:
    int GetMaxByteCount(int CharCount) override { return 0; }
    int GetMaxCharCount(int ByteCount) override { return ByteCount; }
    QByteArray GetPreamble() override { return QByteArray(); }
};
