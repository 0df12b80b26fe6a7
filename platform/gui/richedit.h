// TRichEdit: rich text over QTextEdit, with the RTF reader and writer of rtf.h.
//
// The control keeps its document (Document()) whether or not its window exists, so text and
// attributes can be set, saved and printed (RichTextFormatRange) on a rich edit that is never
// shown. Positions (SelStart, SelLength, FindText) count a paragraph end as one character; Text and
// SelText give paragraph ends as CR LF.
//
// Lines are the document's paragraphs. Setting Lines->Text, Text, or loading Lines from a stream
// reads RTF when the text starts with "{\rtf" and PlainText is off, plain text otherwise; saving
// writes RTF unless PlainText.
//
// SelAttributes are the character attributes of the selection (read at its first character; with
// no selection, those typing will use) and change the selection, or the typing attributes when
// nothing is selected. DefAttributes are the document's default font and text colour. Paragraph
// is the paragraph attributes of the selection's paragraphs (indents in points).
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/rangectrls.h"
#include "platform/rtl/lists.h"

#include <functional>
#include <memory>

class QTextDocument;
class QTextEdit;
class QTextCursor;
class QTextCharFormat;
class QTextBlockFormat;
class TCustomRichEdit;

// The edit-control messages a rich edit answers (Perform/SendMessage). Lines are display lines:
// paragraphs, split where the text wraps or has a line break.
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_GETRECT = 0x00B2;          // LParam: TRect* (client coordinates)
constexpr UINT EM_SETRECT = 0x00B3;          // LParam: const TRect* (nullptr: the whole client area)
constexpr UINT EM_SETRECTNP = 0x00B4;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;        // WParam: line (-1: the caret's); result: its first character
constexpr UINT EM_LINELENGTH = 0x00C1;       // WParam: a character of the line
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_LINEFROMCHAR = 0x00C9;     // WParam: character (-1: the selection's start)
constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr UINT EM_GETMARGINS = 0x00D4;       // result: MAKELONG(left, right)
constexpr UINT EM_EXGETSEL = WM_USER + 52;   // LParam: TCharRange*
constexpr UINT EM_EXLINEFROMCHAR = WM_USER + 54;  // LParam: character
constexpr UINT EM_EXSETSEL = WM_USER + 55;   // LParam: const TCharRange*
constexpr UINT EM_GETEVENTMASK = WM_USER + 59;
constexpr UINT EM_SETEVENTMASK = WM_USER + 69;  // LParam: the mask; result: the old one
constexpr UINT EM_GETTEXTLENGTHEX = WM_USER + 95;
constexpr LPARAM ENM_CHANGE = 0x00000001;
constexpr LPARAM ENM_SELCHANGE = 0x00080000;

struct TCharRange {
    int cpMin = 0;
    int cpMax = 0;  // -1: the end
};

enum TAttributeType { atSelected, atDefaultText };
enum TNumberingStyle { nsNone, nsBullet };
enum TSearchType { stWholeWord, stMatchCase };
using TSearchTypes = TSet<TSearchType, 2>;

class TTextAttributes : public TPersistent {
    SDELKA_CLASS(TTextAttributes, TPersistent)
public:
    TTextAttributes(TCustomRichEdit* AOwner, TAttributeType AType) : FRichEdit(AOwner), FType(AType) {}

    String Name() const;
    void SetName(const String& Value);
    // Points.
    int Size() const;
    void SetSize(int Value);
    // Pixels at 96 per inch (the character height).
    int Height() const;
    void SetHeight(int Value);
    TFontStyles Style() const;
    void SetStyle(TFontStyles Value);
    // clWindowText where the text has no colour of its own.
    TColor Color() const;
    void SetColor(TColor Value);
    TFontCharset Charset() const { return DEFAULT_CHARSET; }
    void SetCharset(TFontCharset) {}

    // From a TFont or other text attributes.
    void Assign(TPersistent* Source) override;

protected:
    // To a TFont or other text attributes.
    void AssignTo(TPersistent* Dest) override;

private:
    QTextCharFormat Format() const;
    void Apply(const QTextCharFormat& Fmt);
    TCustomRichEdit* FRichEdit;
    TAttributeType FType;
};

class TParaAttributes : public TPersistent {
    SDELKA_CLASS(TParaAttributes, TPersistent)
public:
    explicit TParaAttributes(TCustomRichEdit* AOwner) : FRichEdit(AOwner) {}

    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    // The first line's indent from the left margin, in points.
    int FirstIndent() const;
    void SetFirstIndent(int Value);
    // The other lines' indent relative to the first line, in points.
    int LeftIndent() const;
    void SetLeftIndent(int Value);
    int RightIndent() const;
    void SetRightIndent(int Value);
    TNumberingStyle Numbering() const;
    void SetNumbering(TNumberingStyle Value);
    // Tab stops in points (kept in the document; the RTF writer does not store them).
    int TabCount() const;
    void SetTabCount(int Value);
    int Tab(int Index) const;
    void SetTab(int Index, int Value);

    void Assign(TPersistent* Source) override;

private:
    void Modify(const std::function<void(QTextBlockFormat&)>& Fn);
    void ApplyNumbering(TNumberingStyle Value);
    TCustomRichEdit* FRichEdit;
};

// The paragraphs of a rich edit as a list of strings.
class TRichEditStrings : public TStrings {
    SDELKA_CLASS(TRichEditStrings, TStrings)
public:
    explicit TRichEditStrings(TCustomRichEdit* AOwner) : FRichEdit(AOwner) {}
    void Insert(int Index, const String& S) override;
    void Delete(int Index) override;
    void Clear() override;
    // RTF unless the rich edit's PlainText (an RTF text is read as RTF, anything else as plain).
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;

protected:
    String Get(int Index) const override;
    int GetCount() const override;
    void Put(int Index, const String& S) override;
    String GetTextStr() const override;
    void SetTextStr(const String& Value) override;

private:
    TCustomRichEdit* FRichEdit;
};

class TCustomRichEdit : public TWinControl {
    SDELKA_CLASS(TCustomRichEdit, TWinControl)
protected:
    explicit TCustomRichEdit(TComponent* AOwner);
    ~TCustomRichEdit() override;

public:
    void BeforeDestruction() override;

    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value) { FLines->Assign(Value); }
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool Value) { FPlainText = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    // Kept for the callers; the selection shows whether or not the control has the focus.
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value) { FHideSelection = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    // bsSingle: a sunken frame; bsNone: none.
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    // The alignment of every paragraph.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool CanUndo() const;
    void Undo();
    void ClearUndo();
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    TTextAttributes* SelAttributes() const { return FSelAttributes.get(); }
    void SetSelAttributes(TTextAttributes* Value) { FSelAttributes->Assign(Value); }
    TTextAttributes* DefAttributes() const { return FDefAttributes.get(); }
    void SetDefAttributes(TTextAttributes* Value) { FDefAttributes->Assign(Value); }
    TParaAttributes* Paragraph() const { return FParagraph.get(); }

    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    String SelText() const;
    void SetSelText(const String& Value);
    void SelectAll();
    void ClearSelection() { SetSelText(String()); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Clear();
    // The number of characters as positions count them.
    int GetTextLen() const;
    // The position of the first match in [StartPos, StartPos + Length), or -1.
    int FindText(const String& SearchStr, int StartPos, int Length, TSearchTypes Options) const;

    // Prints the document on the printer, page after page, as a job titled Caption.
    void Print(const String& Caption);

    // The document (for printing and export); the control keeps it.
    QTextDocument* Document() const { return FDoc.get(); }

    TNotifyEvent OnChange;
    TNotifyEvent OnSelectionChange;

    // Internal: the selection as a text cursor, and setting it (with OnSelectionChange).
    QTextCursor Cursor() const;
    void SetCursor(const QTextCursor& C);
    // Replaces the document with RTF or plain text (RTF when it is RTF and not PlainText).
    void LoadText(const String& Value);

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void DestroyWnd() override;
    String GetText() const override;
    void SetTextValue(const String& Value) override;
    void Dispatch(TMessage& Message) override;
    void FontChanged() override;
    void ColorChanged() override;
    virtual void Change();
    virtual void SelectionChange();

private:
    friend class TTextAttributes;
    friend class TParaAttributes;
    friend class TRichEditStrings;
    QTextEdit* Edit() const;
    void ApplyOptions();
    void CheckSelectionChange();
    // Display lines (see EM_LINEINDEX).
    int LineFromChar(int Pos) const;
    int LineIndex(int Line) const;
    int LineCount() const;
    void ApplyFormatRect();
    std::unique_ptr<QTextDocument> FDoc;
    std::unique_ptr<QTextCursor> FCursor;  // the selection without a window
    TOwned<TRichEditStrings> FLines;
    TOwned<TTextAttributes> FSelAttributes;
    TOwned<TTextAttributes> FDefAttributes;
    TOwned<TParaAttributes> FParagraph;
    bool FPlainText = false;
    bool FReadOnly = false;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
    bool FHideSelection = true;
    bool FWantTabs = false;
    bool FWantReturns = true;
    TFormBorderStyle FBorderStyle = bsSingle;
    TAlignment FAlignment = taLeftJustify;
    LPARAM FEventMask = ENM_CHANGE | ENM_SELCHANGE;
    TRect FFormatRect;          // EM_SETRECT; empty: the whole client area
    bool FFormatRectSet = false;
    bool FModified = false;
    TColor FDefColor = clWindowText;
    int FLastSelStart = 0, FLastSelLength = 0;
    int FSyncing = 0;
};

class TRichEdit : public TCustomRichEdit {
    SDELKA_CLASS(TRichEdit, TCustomRichEdit)
protected:
    ~TRichEdit() override = default;

private:
public:
    using TCustomRichEdit::TCustomRichEdit;
};
