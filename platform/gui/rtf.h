// Rich Text Format over QTextDocument: the writer and reader behind TRichEdit, the rich-text
// printable and the RTF export, the Windows code pages RTF text uses, and the range operations a
// printed rich text needs (how much of the text fits a rectangle, and drawing a range).
//
// The subset: font and colour tables; character formatting \f \fs \b \i \ul \strike \cf with
// \plain; paragraphs \par \pard with \ql \qc \qr \qj, indents \li \ri \fi and spacing \sb \sa in
// twips; bullet paragraphs (\pn with \pnlvlblt, \pntext, \ls, \listtext); \tab, \line, \bullet
// and the typographic quotes and dashes; 8-bit characters as \'hh in the document's code page
// (\ansicpg, default 1252) or the code page of the current font's \fcharset; \uN with \ucN
// fallback skipping; ignorable \* destinations, the style sheet, document information, pictures,
// objects, headers and footers are skipped. Document lengths are in document units, which the
// writer takes as pixels at 96 per inch (15 twips).
#pragma once

#include "platform/gui/types.h"
#include "platform/rtl/codepages.h"
#include "platform/rtl/system.h"

#include <QByteArray>

class QPainter;
class TDeviceContext;
class QRect;
class QTextDocument;

// True when the text starts with "{\rtf" (or the "{urtf" some writers use).
bool IsRtf(const QByteArray& Text);
bool IsRtf(const String& Text);

// The document as "{\rtf1\ansi\ansicpg1251\deff0 ...}". Cyrillic and other characters of code
// page 1251 are written as \'hh, characters beyond it as \uN? (with \uc1).
QByteArray DocumentToRtf(const QTextDocument& Doc);
// Replaces the document's contents with the RTF text. Malformed input (unbalanced groups,
// unknown control words) is read as far as it makes sense; it never raises.
void RtfToDocument(const QByteArray& Rtf, QTextDocument& Doc);
// Characters other than ASCII in the string are taken as they are.
void RtfToDocument(const String& Rtf, QTextDocument& Doc);

// The document's text as a rich edit gives it: paragraphs and line breaks end with CR LF
// (none after the last paragraph).
String DocumentPlainText(const QTextDocument& Doc);
// The plain text of an RTF text.
String RtfToPlainText(const QByteArray& Rtf);

// The number of characters of the document as positions count them (a paragraph end is one).
int DocumentTextLength(const QTextDocument& Doc);

// Lays the document out at the width of Rect on a device with the given resolution (Rect is in
// that device's units) and fits the text from character CharFrom (to CharTo, -1 for the end) into
// Rect's height, whole lines only. Returns the first character that does not fit (the last one
// that fully fits is the one before it): CharFrom when not even one line fits, the end of the
// range when everything fits. With a Painter (whose device has that resolution) the fitting lines
// are drawn into Rect; without one the call only measures. A range that starts inside a line starts
// with that whole line. The document itself is not changed.
int RichTextFormatRange(const QTextDocument& Doc, int CharFrom, int CharTo, const QRect& Rect, int DpiX, int DpiY,
                        QPainter* Painter = nullptr);
// The same fitting, drawn onto a device context in its own units (Rect too) at its resolution:
// every run of one character format on a line becomes one text call (left and baseline aligned),
// so a recorded page keeps the text as text. The context's state is restored afterwards.
int RichTextFormatRangeDC(const QTextDocument& Doc, int CharFrom, int CharTo, const TRect& Rect, TDeviceContext* DC);
