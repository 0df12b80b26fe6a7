// Edits beyond the one-line TEdit: TMemo over QPlainTextEdit and the masked edit driven by the
// edit-mask engine of maskutils.h.
//
// A memo's text counts a line break as CR LF, as the framework's does: Text, SelStart and
// SelLength use those positions whatever the widget keeps inside. Lines are the text's lines
// (a final line break does not start another line).
#pragma once

#include "platform/gui/maskutils.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/lists.h"

#include <memory>

class QPlainTextEdit;
class QLineEdit;
class TCustomMemo;

// The lines of a memo, read from and written to its text.
class TMemoStrings : public TStrings {
    SDELKA_CLASS(TMemoStrings, TStrings)
public:
    explicit TMemoStrings(TCustomMemo* AMemo) : FMemo(AMemo) {}
    void Insert(int Index, const String& S) override;
    void Delete(int Index) override;
    void Clear() override;

protected:
    String Get(int Index) const override;
    int GetCount() const override;
    void Put(int Index, const String& S) override;
    String GetTextStr() const override;
    void SetTextStr(const String& Value) override;

private:
    // Start offsets (in the memo's internal text) of each line, plus the text's length.
    std::vector<int> LineStarts(const String& Plain) const;
    TCustomMemo* FMemo;
};

class TCustomMemo : public TWinControl {
    SDELKA_CLASS(TCustomMemo, TWinControl)
protected:
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;

public:
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value) { FLines->Assign(Value); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value);
    // 0: no limit. Limits what the user types, not what code sets.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value) { FMaxLength = std::max(0, Value); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    // Positions count CR LF as two characters.
    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    String SelText() const;
    void SetSelText(const String& Value);
    void SelectAll();
    void ClearSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Clear() { SetText(String()); }
    // The caret's line and column (0-based).
    TPoint CaretPos() const;

    TNotifyEvent OnChange;

    // The text with "\n" line breaks (the widget's form) and a replacement of a range of it.
    String PlainText() const;
    void ReplacePlain(int From, int To, const String& S);

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void DestroyWnd() override;
    String GetText() const override;
    void SetTextValue(const String& Value) override;
    void Dispatch(TMessage& Message) override;
    void KeyPress(Char& Key) override;
    virtual void Change();

private:
    friend class TMemoStrings;
    QPlainTextEdit* Memo() const;
    void ApplyOptions();
    int ToPlainPos(int Pos) const;
    int FromPlainPos(int Pos) const;
    TOwned<TMemoStrings> FLines;
    String FPlain;  // the text without a window ("\n" breaks)
    bool FReadOnly = false;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
    bool FWantReturns = true;
    bool FWantTabs = false;
    int FMaxLength = 0;
    TAlignment FAlignment = taLeftJustify;
    bool FModified = false;
    int FSelStart = 0, FSelLength = 0;  // without a window, plain positions
    int FSyncing = 0;
};

class TMemo : public TCustomMemo {
    SDELKA_CLASS(TMemo, TCustomMemo)
protected:
    ~TMemo() override = default;

private:
public:
    using TCustomMemo::TCustomMemo;
};

// ---- masked edit -------------------------------------------------------------------------------
// With an EditMask every key goes through the mask engine (the widget shows EditText and never
// edits by itself); without one the control is a plain edit.
class TCustomMaskEdit : public TEdit {
    SDELKA_CLASS(TCustomMaskEdit, TEdit)
protected:
    explicit TCustomMaskEdit(TComponent* AOwner);
    ~TCustomMaskEdit() override = default;

public:
    const String& EditMask() const { return FEngine.EditMask(); }
    void SetEditMask(const String& Value);
    bool IsMasked() const { return FEngine.IsMasked(); }
    // The text as shown, with literals and blanks.
    String EditText() const;
    void SetEditText(const String& Value);
    // Raises EDBEditError (and puts the caret on the position) when a required position is blank.
    virtual void ValidateEdit();
    // The control takes the focus / Esc restores the text it had then.
    void Reset();
    const TMaskEngine& Engine() const { return FEngine; }

protected:
    void InitWidget() override;
    String GetText() const override;
    void SetTextValue(const String& Value) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    bool HostEvent(QEvent* Event) override;
    void Change() override;

private:
    QLineEdit* Line() const;
    void PullSelection();
    void SyncWidget();
    void EngineChanged();
    TMaskEngine FEngine;
    int FSyncing = 0;
};

class TMaskEdit : public TCustomMaskEdit {
    SDELKA_CLASS(TMaskEdit, TCustomMaskEdit)
protected:
    ~TMaskEdit() override = default;

private:
public:
    using TCustomMaskEdit::TCustomMaskEdit;
};
