// The lookup grid: a list grid for choosing a key value. It shows the records of a list data set
// in columns (the list fields by default), keeps a key value that names one of them by its key
// fields, puts its row under the cursor and tells the text that stands for it (SelectedItem).
// Bound to a master data set (DataSource/DataField) it writes the chosen key into the master
// fields; bound to a lookup field it takes the key, list and result fields from that field. A
// special row above the data may stand for a value that is not in the list.
// TPopupDataGridBoxVz is the borderless popup that hosts the popup variant of the grid, as the
// drop-down of a lookup column or edit.
#pragma once

#include "grid/base/popupformvz.h"
#include "grid/base/specrowvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "platform/db/datasource.h"

#include <vector>

enum TDBLookupGridVzOption {
    dlgColumnResizeVz, dlgColLinesVz, dlgRowLinesVz, dlgAutoSortMarkingVz, dlgMultiSortMarkingVz,
    dlgAutoFitRowHeightVz
};
using TDBLookupGridVzOptions = TSet<TDBLookupGridVzOption, 8>;

class TDBLookupGridVz;

// The master link: its changes rebind the data fields and reread the key.
class TLookupGridDataLinkVz : public TDataLink {
    SDELKA_CLASS(TLookupGridDataLinkVz, TDataLink)
public:
    explicit TLookupGridDataLinkVz(TDBLookupGridVz* AGrid) : FDBLookupGrid(AGrid) {}
    TDBLookupGridVz* FDBLookupGrid;

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
};

class TDBLookupGridVz : public TCustomDBGridVz {
    SDELKA_CLASS(TDBLookupGridVz, TCustomDBGridVz)
protected:
    explicit TDBLookupGridVz(TComponent* AOwner);
    ~TDBLookupGridVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- binding
    const String& DataField() const { return FDataFieldName; }
    void SetDataField(const String& Value);
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetMasterSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }
    TField* Field() const { return FDataFields.empty() ? nullptr : FDataFields.front(); }
    String KeyField() const { return FLookupMode ? String() : FKeyFieldName; }
    void SetKeyField(const String& Value);
    const String& ListField() const { return FListFieldName; }
    void SetListField(const String& Value);
    int ListFieldIndex() const { return FListFieldIndex; }
    void SetListFieldIndex(int Value) { FListFieldIndex = Value; }
    const std::vector<TField*>& ListFields() const { return FListFields; }
    TField* ListFieldObj() const { return FListField; }
    TDataSource* ListSource() const { return FLookupMode ? nullptr : TCustomDBGridVz::DataSource(); }
    void SetListSource(TDataSource* Value);
    TAxisGridDataLinkVz* ListLink() const { return DataLink(); }
    bool ListActive() const { return FListActive; }
    bool LookupMode() const { return FLookupMode; }
    const std::vector<TField*>& MasterFields() const { return FMasterFields; }
    const String& MasterFieldNames() const { return FMasterFieldNames; }
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }

    // ---- the key
    const Variant& KeyValue() const { return FKeyValue; }
    void SetKeyValue(const Variant& Value);
    const String& SelectedItem() const { return FSelectedItem; }
    const String& SearchText() const { return FSearchText; }
    void SetSearchText(const String& Value) { FSearchText = Value; }
    TSpecRowVz* SpecRow() const { return FSpecRow.get(); }
    void SetSpecRow(TSpecRowVz* Value) { FSpecRow->Assign(Value); }
    bool SpecRowSelected() const { return FSpecRowSelected; }
    TDBLookupGridVzOptions Options() const { return FOptions; }
    void SetOptions(TDBLookupGridVzOptions Value);

    // ---- sizes
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    bool ShowTitles() const { return TCustomDBGridVz::Options().Contains(dgTitles); }
    void SetShowTitles(bool Value);
    int CalcAutoHeightForRowCount(int Rows);
    int GetDataRowFullHeight() const;
    int GetBorderHeight() const;
    int TitleHeightNow() const;

    virtual bool CanModify();
    virtual bool CanLocateKeyValue(const String&, const Variant&) { return true; }
    virtual void KeyValueChanged();
    virtual void UpdateListPosition();
    // One typed character of the type-ahead search (Backspace and Escape clear it).
    virtual void ProcessSearchKey(Char Key);
    virtual void SelectKeyValue(const Variant& Value);
    virtual void UpdateDataFields();
    virtual void UpdateListFields();
    virtual void UpdateSelectedItem(bool Found);
    bool InrenalListDataChanging() const { return FInrenalListDataChanging > 0; }
    // True when the key is in the list (the list is then on its record).
    bool LocateKey();
    void MasterRecordChanged(TField* Field);
    void SelectCurrent();
    void SelectSpecial();
    // The key of the list's current record.
    Variant ListKeyValue() const;

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DataLinkActiveChanged(bool Active) override;
    void DataLinkDataChanged() override;
    void DefineFieldMap() override;
    void GetDataSetFields(std::vector<TField*>& List) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Selects the record of a data row (row count from the first data row), or the special row.
    void SelectRowAt(int Y);
    int DataRowAt(int Y);

    struct TListChanging {
        explicit TListChanging(TDBLookupGridVz* G) : Grid(G) { ++Grid->FInrenalListDataChanging; }
        ~TListChanging() { --Grid->FInrenalListDataChanging; }
        TDBLookupGridVz* Grid;
    };

private:
    friend class TLookupGridDataLinkVz;
    void SetLookupMode(bool Value);
    void CheckNotCircular();
    void CheckNotLookup();
    void SpecRowChanged(TObject* Sender);

    String FDataFieldName;
    std::vector<TField*> FDataFields;
    TOwned<TLookupGridDataLinkVz> FDataLink;
    String FKeyFieldName;
    std::vector<TField*> FKeyFields;
    Variant FKeyValue = Null();
    bool FListActive = false;
    TField* FListField = nullptr;
    int FListFieldIndex = 0;
    String FListFieldName;
    std::vector<TField*> FListFields;
    bool FLockPosition = false;
    bool FLookupMode = false;
    TDataSource* FLookupSource = nullptr;
    String FMasterFieldNames;
    std::vector<TField*> FMasterFields;
    TDBLookupGridVzOptions FOptions{dlgColLinesVz};
    int FRowCount = 7;
    String FSearchText;
    String FSelectedItem;
    TOwned<TSpecRowVz> FSpecRow;
    bool FSpecRowSelected = false;
    int FInrenalListDataChanging = 0;
    bool FOwnColumns = false;
};

using TCloseUpEventVz = TEvent<void(TObject* Sender, bool Accept)>;

// The grid inside the popup box: it paints as focused without ever taking the focus, follows the
// mouse, and tells its owner when a click should close the popup.
class TPopupInnerDataGridVz : public TDBLookupGridVz {
    SDELKA_CLASS(TPopupInnerDataGridVz, TDBLookupGridVz)
protected:
    explicit TPopupInnerDataGridVz(TComponent* AOwner);
    ~TPopupInnerDataGridVz() override = default;

public:
    bool Focused() const override { return true; }
    bool CanFocus() const override { return false; }
    bool SizeGripResized() const { return FSizeGripResized; }
    void SetSizeGripResized(bool Value) { FSizeGripResized = Value; }
    void KeyValueChanged() override;
    // Key presses the owner (an editor) hands on.
    void HandleKeyDown(Word& Key, TShiftState Shift) { KeyDown(Key, Shift); }

    TCloseUpEventVz OnMouseCloseUp;
    TNotifyEvent OnUserKeyValueChange;

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Resize() override;

private:
    bool FSizeGripResized = false;
    bool FUserKeyValueChanged = false;
    bool FKeySelection = false;
};

class TPopupDataGridBoxVz : public TPopupInactiveFormVz {
    SDELKA_CLASS(TPopupDataGridBoxVz, TPopupInactiveFormVz)
protected:
    explicit TPopupDataGridBoxVz(TComponent* AOwner);
    ~TPopupDataGridBoxVz() override = default;

public:
    TPopupInnerDataGridVz* InnerDataGrid() const { return FInnerDataGrid; }
    // The rows shown, 1 to 100; the box's height follows.
    int RowCount() const { return FInnerDataGrid->RowCount(); }
    void SetRowCount(int Value);
    bool ShowTitles() const { return FInnerDataGrid->ShowTitles(); }
    void SetShowTitles(bool Value) { FInnerDataGrid->SetShowTitles(Value); }
    String KeyField() const { return FInnerDataGrid->KeyField(); }
    void SetKeyField(const String& Value) { FInnerDataGrid->SetKeyField(Value); }
    const Variant& KeyValue() const { return FInnerDataGrid->KeyValue(); }
    void SetKeyValue(const Variant& Value) { FInnerDataGrid->SetKeyValue(Value); }
    const String& ListField() const { return FInnerDataGrid->ListField(); }
    void SetListField(const String& Value) { FInnerDataGrid->SetListField(Value); }
    int ListFieldIndex() const { return FInnerDataGrid->ListFieldIndex(); }
    void SetListFieldIndex(int Value) { FInnerDataGrid->SetListFieldIndex(Value); }
    TDataSource* ListSource() const { return FInnerDataGrid->ListSource(); }
    void SetListSource(TDataSource* Value) { FInnerDataGrid->SetListSource(Value); }
    const String& SelectedItem() const { return FInnerDataGrid->SelectedItem(); }
    TSpecRowVz* SpecRow() const { return FInnerDataGrid->SpecRow(); }
    bool SizeGripResized() const { return FInnerDataGrid->SizeGripResized(); }
    void SetSizeGripResized(bool Value) { FInnerDataGrid->SetSizeGripResized(Value); }
    bool LocateKey() { return FInnerDataGrid->LocateKey(); }
    // Takes the inner grid out of the client alignment while the owner sizes it, and back.
    void StartInitSize();
    void StopInitSize();

private:
    TPopupInnerDataGridVz* FInnerDataGrid = nullptr;
};
