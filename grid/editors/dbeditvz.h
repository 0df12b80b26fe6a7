// The single-line data-aware edit: it shows and edits one field through a TFieldDataLinkVz, or
// keeps its own value when it has no data source and no field. While focused on a modifiable
// field it shows the field's edit text, otherwise its display text. Typing puts the dataset into
// edit (and is refused when the data cannot be modified), Esc reads the data again, and the text
// is written when the editor is left, on Enter, or at once when Text or Value are set in code.
// An empty editor shows the empty-data hint in grey.
#pragma once

#include "grid/editors/editimagevz.h"
#include "grid/editors/fielddatalinkvz.h"
#include "platform/gui/memo.h"

class TDynVarsVz;
class TCustomDBEditVz;


// Which of Alignment and EditMask were given explicitly.
enum TDBEditVzValue { evAlignmentVz, evEditMaskVz };
using TDBEditVzValues = TSet<TDBEditVzValue>;

// The grey hint of an empty edit.
class TDBEditEmptyDataInfoVz : public TCustomControlEmptyDataInfoVz {
    SDELKA_CLASS(TDBEditEmptyDataInfoVz, TCustomControlEmptyDataInfoVz)
protected:
    explicit TDBEditEmptyDataInfoVz(TCustomDBEditVz* AEdit);
    ~TDBEditEmptyDataInfoVz() override = default;

public:
    TAlignment DefaultAlignment() const override;
    bool ControlIsEmpty() const override;
    void PaintEmptyDataInfo() override;

private:
    TCustomDBEditVz* FEdit;
};

class TCustomDBEditVz : public TCustomMaskEdit {
    SDELKA_CLASS(TCustomDBEditVz, TCustomMaskEdit)
protected:
    explicit TCustomDBEditVz(TComponent* AOwner);
    ~TCustomDBEditVz() override;

public:
    void BeforeDestruction() override;

    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value);
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TField* Field() const { return FDataLink->Field(); }
    TFieldDataLinkVz* DataLink() const { return FDataLink.get(); }
    virtual bool DataIndepended() const { return FDataLink->DataIndepended(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    void SetEditMask(const String& Value);
    TDBEditVzValues AssignedValues() const { return FAssignedValues; }
    TDBEditEmptyDataInfoVz* EmptyDataInfo() const { return FEmptyDataInfo; }
    TDynVarsVz* DynProps() const { return FDynProps; }
    bool Focused() const { return FFocused; }
    // The hint shows when ShowHint is on; with Tooltips on a text that does not fit shows whole
    // under the editor.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool Tooltips() const { return FTooltips; }
    void SetTooltips(bool Value);
    // The text is wider or taller than the text area.
    bool TextClipped();

    // Shows the text and writes it at once (a bound editor puts its dataset into edit first); a
    // failing write makes the editor read the data again and raises.
    void SetText(const String& Value);
    Variant Value() const { return InternalGetValue(); }
    void SetValue(const Variant& Value);
    // With an edit mask: the edit text is the mask applied to nothing; otherwise Text is empty.
    virtual bool IsEmpty() const;
    void Clear() { SetText(String()); }
    // Takes back the last change of the text (a bound editor puts its dataset into edit first);
    // when not focused, writes the result at once.
    void Undo();
    // Reads the data again and selects all.
    void Reset();
    // Validates, then writes the text into the data unless OnUpdateData handles it.
    virtual void UpdateData();
    // The editor is enabled and its link active.
    virtual bool CanDropDown() const;
    // Pastes the clipboard's text when the data can be modified; text of several lines goes in as
    // one line, the breaks turned into blanks.
    void PasteFromClipboard();

    TUpdateDataEventVz OnUpdateData;
    TGetFieldDataEventVz OnGetFieldData;

protected:
    virtual TAlignment DefaultAlignment() const;
    virtual String DefaultEditMask() const;
    virtual bool IsValidChar(Char InputChar) const;
    // Drops trailing line breaks and turns each remaining one into a blank.
    virtual String PreparePasteText(const String& AText) const;
    virtual Variant InternalGetValue() const;
    virtual void InternalSetText(const String& AText);
    virtual void InternalSetValue(const Variant& AValue);
    virtual void InternalUpdateData();
    virtual void DataLinkDataChanged();
    virtual void DataLinkEditingChanged();
    virtual void ActiveChanged();
    virtual void UpdateControlReadOnly();
    virtual void SetFocused(bool Value);
    virtual void ResetMaxLength();
    bool EditCanModify();

    void InitWidget() override;
    void Change() override;
    void CMHintShow(TMessage& Message) override;
    virtual void UpdateShowHint();
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void DoEnter() override;
    void DoExit() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange(TObject* Sender);
    void EditingChange(TObject* Sender);
    void LinkUpdateData(TObject* Sender);
    void LinkActiveChange(TObject* Sender);
    void DoOnUpdateData(bool& Handled);
    void UpdateEmptyHint();
    void ApplyAlignment();

    TOwned<TFieldDataLinkVz> FDataLink;
    TDBEditEmptyDataInfoVz* FEmptyDataInfo = nullptr;
    TDynVarsVz* FDynProps = nullptr;
    TDBEditVzValues FAssignedValues;
    TAlignment FAlignment = taLeftJustify;
    bool FReadOnly = false;
    bool FShowHint = false;
    bool FTooltips = false;
    bool FFocused = false;
    bool FDataPosting = false;
    bool FInternalTextSetting = false;
};

class TDBEditVz : public TCustomDBEditVz {
    SDELKA_CLASS(TDBEditVz, TCustomDBEditVz)
protected:
    explicit TDBEditVz(TComponent* AOwner) : TCustomDBEditVz(AOwner) {}
    ~TDBEditVz() override = default;
};
