// Data-aware standard controls: the field data link and the edits, labels, check boxes and combo
// boxes that show one field of a data source's current record.
//
// Each control owns a TFieldDataLink. The link follows the data source (DataSource, DataField),
// tells the control when the field's value changes (OnDataChange), when the dataset enters or
// leaves an edit state (OnEditingChange) and when the dataset wants the control's pending edit
// written (OnUpdateData: on post, and when the control loses the focus). Typing into a control
// first asks the link to Edit: with the source's AutoEdit the dataset goes into edit state, and
// without it (or with a read-only link, field or dataset) the key is refused.
//
// TDBLookupComboBox shows, for a key value, the list field of the list dataset's record with that
// key; choosing an item moves the list dataset to that record, sets KeyValue and, when the control
// is bound to a data field, writes the key there.
#pragma once

#include "platform/db/db.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"

#include <vector>

// ---- TFieldDataLink ----------------------------------------------------------------------------
class TFieldDataLink : public TDataLink {
    SDELKA_CLASS(TFieldDataLink, TDataLink)
public:
    TFieldDataLink();

    // The control the link serves (names the errors, takes the focus for FocusControl).
    TComponent* Control() const { return FControl; }
    void SetControl(TComponent* Value) { FControl = Value; }
    const String& FieldName() const { return FFieldName; }
    // Looks the field up again when the source is active ("Field '%s' not found" otherwise).
    void SetFieldName(const String& Value);
    TField* Field() const { return FField; }
    // The link is editing and the field can be changed.
    bool Editing() const { return FEditing; }
    // Not read-only, a field that can be modified in a dataset that can be modified.
    bool CanModify() const;
    // Puts the dataset in edit state (CanModify and the source's AutoEdit); answers Editing.
    bool Edit();
    // The control's text differs from the field's: UpdateData will write it.
    void Modified() { FModified = true; }
    bool IsModified() const { return FModified; }
    // Shows the field's value again, dropping the control's pending edit.
    void Reset() { RecordChanged(nullptr); }

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void SetField(TField* Value);
    void SetEditingValue(bool Value);

    TComponent* FControl = nullptr;
    String FFieldName;
    TField* FField = nullptr;
    bool FEditing = false;
    bool FModified = false;
};

// ---- TDBEdit -----------------------------------------------------------------------------------
class TDBEdit : public TEdit {
    SDELKA_CLASS(TDBEdit, TEdit)
protected:
    explicit TDBEdit(TComponent* AOwner);
    ~TDBEdit() override;

public:
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }
    TFieldDataLink* DataLink() const { return FDataLink.get(); }

    // Writes the text into the field now (what losing the focus does).
    void UpdateRecord() { FDataLink->UpdateRecord(); }

protected:
    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    bool HostEvent(QEvent* Event) override;

private:
    void DataChange(TObject* Sender);
    void EditingChange(TObject* Sender);
    void UpdateData(TObject* Sender);
    void SetFocused(bool Value);

    TOwned<TFieldDataLink> FDataLink;
    bool FFocused = false;
};

// ---- TDBText -----------------------------------------------------------------------------------
class TDBText : public TLabel {
    SDELKA_CLASS(TDBText, TLabel)
protected:
    explicit TDBText(TComponent* AOwner);
    ~TDBText() override;

public:
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }

protected:
    // The field's DisplayText ('' without a field).
    String GetText() const override;

private:
    void DataChange(TObject* Sender);
    TOwned<TFieldDataLink> FDataLink;
};

// ---- TDBCheckBox -------------------------------------------------------------------------------
class TDBCheckBox : public TCheckBox {
    SDELKA_CLASS(TDBCheckBox, TCheckBox)
protected:
    explicit TDBCheckBox(TComponent* AOwner);
    ~TDBCheckBox() override;

public:
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }
    // Texts of a non-boolean field meaning checked / unchecked: ";"-separated alternatives,
    // compared without case; the first one is written.
    const String& ValueChecked() const { return FValueCheck; }
    void SetValueChecked(const String& Value);
    const String& ValueUnchecked() const { return FValueUncheck; }
    void SetValueUnchecked(const String& Value);

    void UpdateRecord() { FDataLink->UpdateRecord(); }

protected:
    void Click() override;
    bool HostEvent(QEvent* Event) override;

private:
    TCheckBoxState GetFieldState() const;
    void DataChange(TObject* Sender);
    void UpdateData(TObject* Sender);

    TOwned<TFieldDataLink> FDataLink;
    String FValueCheck = QStringLiteral("True");
    String FValueUncheck = QStringLiteral("False");
    int FSyncing = 0;  // the box shows the field: OnClick, no edit
    int FQuiet = 0;    // the box is put right inside a click: nothing
};

// ---- TDBComboBox -------------------------------------------------------------------------------
class TDBComboBox : public TCustomComboBox {
    SDELKA_CLASS(TDBComboBox, TCustomComboBox)
protected:
    explicit TDBComboBox(TComponent* AOwner);
    ~TDBComboBox() override;

public:
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }

    void UpdateRecord() { FDataLink->UpdateRecord(); }

protected:
    void Change() override;
    void Select() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    bool HostEvent(QEvent* Event) override;

private:
    void DataChange(TObject* Sender);
    void UpdateData(TObject* Sender);
    void SetComboText(const String& Value);

    TOwned<TFieldDataLink> FDataLink;
    int FSyncing = 0;
};

// ---- TDBLookupComboBox -------------------------------------------------------------------------
class TDBLookupComboBox : public TCustomComboBox {
    SDELKA_CLASS(TDBLookupComboBox, TCustomComboBox)
protected:
    explicit TDBLookupComboBox(TComponent* AOwner);
    ~TDBLookupComboBox() override;

public:
    // The bound field (optional).
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }

    // The list: its dataset, the key field and the ";"-separated list fields (the first is shown).
    TDataSource* ListSource() const;
    void SetListSource(TDataSource* Value);
    const String& KeyField() const { return FKeyFieldName; }
    void SetKeyField(const String& Value);
    const String& ListField() const { return FListFieldName; }
    void SetListField(const String& Value);
    int ListFieldIndex() const { return FListFieldIndex; }
    void SetListFieldIndex(int Value);
    // Whether the list is usable: an active list dataset with the key and list fields.
    bool ListActive() const { return FListActive; }
    // Rows the drop-down list shows (7 by default).
    int DropDownRows() const { return DropDownCount(); }
    void SetDropDownRows(int Value) { SetDropDownCount(Value); }

    // The key of the shown record; Null when none. Setting it locates the record in the list
    // dataset (moving its cursor) and shows its list text, or '' for an unknown key.
    const Variant& KeyValue() const { return FKeyValue; }
    void SetKeyValue(const Variant& Value);
    // The key of the list item at Index (Null when out of range).
    Variant ItemKey(int Index) const;

    // Closes the drop-down list; with Accept the item highlighted in it is chosen. OnCloseUp fires
    // either way, also when the chosen item is the one already shown.
    void CloseUp(bool Accept);
    // Chooses a list item as the user does: moves the list dataset to it, sets KeyValue (and the
    // data field when bound), OnClick.
    void SelectItem(int Index);
    // Rebuilds the items from the list dataset.
    void RefreshList();

    // Events: OnChange when KeyValue changes, OnClick for every choice (also of the item already
    // shown), OnCloseUp whenever the list closes, OnDropDown before it opens.

protected:
    String GetText() const override;
    void DropDown() override;
    void CloseUp() override;
    void Select() override;
    void Click() override {}
    void KeyDown(Word& Key, TShiftState Shift) override;

private:
    class TListSourceLink;
    friend class TListSourceLink;
    void ListLinkActiveChanged();
    void ListLinkDataChanged();
    void DataLinkDataChange(TObject* Sender);
    void UpdateListFields();
    void KeyValueChanged();
    bool LocateKey();
    void SelectKeyValue(const Variant& Value);
    int IndexOfKey(const Variant& Value) const;
    void ShowItemIndex();
    void FireCloseUp();

    TOwned<TFieldDataLink> FDataLink;
    TOwned<TListSourceLink> FListLink;
    String FKeyFieldName;
    String FListFieldName;
    int FListFieldIndex = 0;
    TField* FKeyFieldObj = nullptr;
    TField* FListFieldObj = nullptr;
    bool FListActive = false;
    bool FReadOnly = false;
    Variant FKeyValue;
    String FKeyText;
    std::vector<Variant> FKeys;   // key of each item
    bool FFilling = false;
    bool FCloseUpPending = false;
    bool FClosingByCode = false;
    int FSyncing = 0;
};
