#include "grid/addons/lookupgridvz.h"

#include "grid/core/valueutilsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/rtl/sysutils.h"

#include <QDateTime>

namespace {

// The time of the last character taken by a type-ahead search, shared by all lookup grids.
qint64 LastSearchKeyTime = 0;
constexpr qint64 SearchPauseMs = 2000;
constexpr int MaxSearchText = 32;

std::vector<TField*> FieldsByNames(TDataSet* DataSet, TComponent* Component, const String& Names) {
    TFieldsArrVz a = GetFieldsArrayByNamesVz(DataSet, Component, Names);
    return std::vector<TField*>(a.begin(), a.end());
}

String JoinedNames(const std::vector<TField*>& Fields) {
    QStringList n;
    for (TField* f : Fields) n << f->FieldName();
    return n.join(u';');
}

}  // namespace

// ================================================================================================
// TLookupGridDataLinkVz

void TLookupGridDataLinkVz::ActiveChanged() {
    if (FDBLookupGrid) FDBLookupGrid->UpdateDataFields();
}

void TLookupGridDataLinkVz::LayoutChanged() {
    if (FDBLookupGrid) FDBLookupGrid->UpdateDataFields();
}

void TLookupGridDataLinkVz::RecordChanged(TField* Field) {
    if (FDBLookupGrid) FDBLookupGrid->MasterRecordChanged(Field);
}

// ================================================================================================
// TDBLookupGridVz

TDBLookupGridVz::TDBLookupGridVz(TComponent* AOwner)
    : TCustomDBGridVz(AOwner), FDataLink(NewOwned<TLookupGridDataLinkVz>(this)), FSpecRow(NewOwned<TSpecRowVz>(nullptr)) {
    FControlStyle.Include(csReplicatable);
    SetParentColor(false);
    FLookupSource = New<TDataSource>(this);
    FSpecRow->OnChanged = TNotifyEvent(this, &TDBLookupGridVz::SpecRowChanged);
}

void TDBLookupGridVz::AfterConstruction() {
    TCustomDBGridVz::AfterConstruction();
    TCustomDBGridVz::SetOptions({dgColLines, dgRowSelect});
    SetOptionsVz(OptionsVz() + TDBGridVzOptions{dghTraceColSizing});
    // The list link's buffer is the list's window: the grid reads its rows through it.
    SetTryUseMemTableInt(false);
    SetTabStop(false);
}

TDBLookupGridVz::~TDBLookupGridVz() = default;

void TDBLookupGridVz::BeforeDestruction() {
    FDataLink->FDBLookupGrid = nullptr;
    FDataLink->SetDataSource(nullptr);
    TCustomDBGridVz::BeforeDestruction();
}

void TDBLookupGridVz::SpecRowChanged(TObject*) {
    if (!ComponentState().Contains(csLoading)) Invalidate();
}

void TDBLookupGridVz::SetOptions(TDBLookupGridVzOptions Value) {
    if (Value == FOptions) return;
    FOptions = Value;
    TDBGridOptions o = TCustomDBGridVz::Options();
    const auto sw = [](auto& Set, auto Member, bool On) { On ? Set.Include(Member) : Set.Exclude(Member); };
    sw(o, dgColumnResize, Value.Contains(dlgColumnResizeVz));
    sw(o, dgColLines, Value.Contains(dlgColLinesVz));
    sw(o, dgRowLines, Value.Contains(dlgRowLinesVz));
    TCustomDBGridVz::SetOptions(o);
    TDBGridVzOptions e = OptionsVz();
    sw(e, dghAutoSortMarking, Value.Contains(dlgAutoSortMarkingVz));
    sw(e, dghMultiSortMarking, Value.Contains(dlgMultiSortMarkingVz));
    sw(e, dghAutoFitRowHeight, Value.Contains(dlgAutoFitRowHeightVz));
    SetOptionsVz(e);
}

void TDBLookupGridVz::CheckNotLookup() {
    if (FLookupMode) DatabaseError(u"Property already defined by lookup field"_S, this);
    if (FDataLink->DataSourceFixed()) DatabaseError(u"Operation not allowed in a DBCtrlGrid"_S, this);
}

void TDBLookupGridVz::CheckNotCircular() {
    TDataSet* list = DataLink()->DataSet();
    if (DataLink()->Active() && list && FDataLink->DataSource() && list->IsLinkedTo(FDataLink->DataSource()))
        DatabaseError(u"Circular datalinks are not allowed"_S, this);
}

void TDBLookupGridVz::SetDataField(const String& Value) {
    if (Value == FDataFieldName) return;
    FDataFieldName = Value;
    UpdateDataFields();
}

void TDBLookupGridVz::SetKeyField(const String& Value) {
    CheckNotLookup();
    if (Value == FKeyFieldName) return;
    FKeyFieldName = Value;
    UpdateListFields();
}

void TDBLookupGridVz::SetListField(const String& Value) {
    if (Value == FListFieldName) return;
    FListFieldName = Value;
    UpdateListFields();
}

void TDBLookupGridVz::SetListSource(TDataSource* Value) {
    CheckNotLookup();
    TCustomDBGridVz::SetDataSource(Value);
}

void TDBLookupGridVz::SetKeyValue(const Variant& Value) {
    if (VarEqualsVz(FKeyValue, Value)) return;
    FKeyValue = Value;
    KeyValueChanged();
}

void TDBLookupGridVz::UpdateDataFields() {
    FDataFields.clear();
    FMasterFields.clear();
    FMasterFieldNames.clear();
    TDataSet* master = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    if (master && !FDataFieldName.isEmpty()) {
        CheckNotCircular();
        FDataFields = FieldsByNames(master, this, FDataFieldName);
        if (FDataFields.size() == 1 && FDataFields.front()->Lookup())
            FMasterFields = FieldsByNames(master, this, FDataFields.front()->KeyFields());
        else
            FMasterFields = FDataFields;
        FMasterFieldNames = JoinedNames(FMasterFields);
    }
    // With the master link inactive nothing of its data set is kept: the arrays stay empty.
    SetLookupMode(FDataFields.size() == 1 && FDataFields.front()->Lookup());
    MasterRecordChanged(nullptr);
}

void TDBLookupGridVz::SetLookupMode(bool Value) {
    if (FLookupMode == Value) return;
    if (Value) {
        TField* f = FDataFields.front();
        FMasterFields = FieldsByNames(f->DataSet(), this, f->KeyFields());
        FLookupSource->SetDataSet(f->LookupDataSet());
        FKeyFieldName = f->LookupKeyFields();
        FLookupMode = true;
        TCustomDBGridVz::SetDataSource(FLookupSource);
    } else {
        FLookupMode = false;
        TCustomDBGridVz::SetDataSource(nullptr);
        FKeyFieldName.clear();
        FLookupSource->SetDataSet(nullptr);
        FMasterFields = FDataFields;
    }
}

void TDBLookupGridVz::UpdateListFields() {
    FListActive = false;
    FListField = nullptr;
    FListFields.clear();
    FKeyFields.clear();
    try {
        TDataSet* list = DataLink()->Active() ? DataLink()->DataSet() : nullptr;
        if (FLookupMode && !FDataFields.empty()) FKeyFieldName = FDataFields.front()->LookupKeyFields();
        if (list && !FKeyFieldName.isEmpty()) {
            CheckNotCircular();
            FKeyFields = FieldsByNames(list, this, FKeyFieldName);
            for (const String& n : FListFieldName.split(u';', Qt::SkipEmptyParts)) {
                TField* f = list->FindField(n.trimmed());
                if (!f) DatabaseErrorFmt(u"Field '%s' not found"_S, {FListFieldName}, this);
                FListFields.push_back(f);
            }
            if (FLookupMode) {
                FListField = list->FieldByName(FDataFields.front()->LookupResultField());
                if (std::find(FListFields.begin(), FListFields.end(), FListField) == FListFields.end())
                    FListFields.insert(FListFields.begin(), FListField);
            } else {
                if (FListFields.empty()) FListFields = FKeyFields;
                FListField = FListFieldIndex >= 0 && FListFieldIndex < int(FListFields.size())
                                 ? FListFields[size_t(FListFieldIndex)]
                                 : FListFields.front();
            }
            FListActive = true;
        }
    } catch (...) {
        UpdateListPosition();
        throw;
    }
    // Columns the grid made itself follow the list fields; columns set up by hand stay.
    if (Columns() && (Columns()->State() == csDefault || FOwnColumns)) {
        Columns()->RebuildColumns();
        FOwnColumns = true;
    }
    if (FListActive) KeyValueChanged();
    else UpdateListPosition();
}

void TDBLookupGridVz::MasterRecordChanged(TField* Field) {
    if (Field && std::find(FMasterFields.begin(), FMasterFields.end(), Field) == FMasterFields.end()) return;
    if (FMasterFields.empty()) SetKeyValue(Null());
    else SetKeyValue(FDataLink->DataSet()->FieldValues(FMasterFieldNames));
}

bool TDBLookupGridVz::CanModify() {
    if (!FListActive || ReadOnly()) return false;
    if (!FDataLink->DataSource()) return true;
    if (FMasterFields.empty()) return false;
    for (TField* f : FMasterFields)
        if (!f->CanModify()) return false;
    return true;
}

Variant TDBLookupGridVz::ListKeyValue() const {
    if (FKeyFields.empty()) return Null();
    return DataLink()->DataSet()->FieldValues(FKeyFieldName);
}

void TDBLookupGridVz::KeyValueChanged() {
    bool found = false;
    bool searched = false;
    if (FSpecRow->Visible()) {
        FSpecRowSelected = FSpecRow->LocateKey(FKeyValue);
        if (!FLockPosition && !FSpecRowSelected && FSpecRow->ShowIfNotInKeyList()) {
            found = LocateKey();
            searched = true;
            if (!found) FSpecRowSelected = true;
        }
    } else {
        FSpecRowSelected = false;
    }
    {
        TListChanging bracket(this);
        if (FListActive && !FLockPosition) {
            if (!searched) {
                found = LocateKey();
                searched = true;
            }
            if (!found && !FSpecRowSelected) DataLink()->DataSet()->First();
        }
    }
    TDataSet* list = DataLink()->DataSet();
    if (list && list->Active() && FListActive && VarEqualsVz(ListKeyValue(), FKeyValue)) UpdateSelectedItem(true);
    else UpdateSelectedItem(found);
    UpdateListPosition();
}

bool TDBLookupGridVz::LocateKey() {
    bool found = false;
    TListChanging bracket(this);
    const Variant key = FKeyValue;
    try {
        TDataSet* list = DataLink()->DataSet();
        if (!VarIsNull(key) && list && list->Active() && CanLocateKeyValue(FKeyFieldName, key)) {
            found = list->Locate(FKeyFieldName, key, TLocateOptions{});
            if (found) FKeyValue = key;
        }
        UpdateSelectedItem(found);
    } catch (...) {
        // A failing search counts as not found.
    }
    return found;
}

void TDBLookupGridVz::SelectKeyValue(const Variant& Value) {
    if (FMasterFields.empty()) {
        SetKeyValue(Value);
    } else if (FDataLink->Edit()) {
        FDataLink->DataSet()->SetFieldValues(FMasterFieldNames, Value);
    }
    Repaint();
    Click();
}

void TDBLookupGridVz::SelectCurrent() {
    FLockPosition = true;
    try {
        FSpecRowSelected = false;
        const Variant key = ListKeyValue();
        if (!VarEqualsVz(key, FKeyValue)) SelectKeyValue(key);
        else UpdateSelectedItem(true);
    } catch (...) {
        FLockPosition = false;
        throw;
    }
    FLockPosition = false;
}

void TDBLookupGridVz::SelectSpecial() {
    FLockPosition = true;
    try {
        if (!VarEqualsVz(FSpecRow->Value(), FKeyValue)) SelectKeyValue(FSpecRow->Value());
    } catch (...) {
        FLockPosition = false;
        throw;
    }
    FLockPosition = false;
    FSpecRowSelected = true;
    UpdateSelectedItem(false);
    Invalidate();
}

void TDBLookupGridVz::UpdateSelectedItem(bool Found) {
    if (!FListField) FSelectedItem.clear();
    else if (FSpecRow->Visible() && FSpecRowSelected) FSelectedItem = FSpecRow->GetCellText(FListFieldIndex);
    else if (Found) FSelectedItem = FListField->DisplayText();
    else FSelectedItem.clear();
}

void TDBLookupGridVz::UpdateListPosition() {
    if (HandleAllocated()) Invalidate();
}

void TDBLookupGridVz::DataLinkActiveChanged(bool Active) {
    if (ComponentState().Contains(csDestroying)) return;
    try {
        UpdateListFields();
    } catch (const Exception&) {
        // The list stays inactive; the data grid still follows its link.
    }
    TCustomDBGridVz::DataLinkActiveChanged(Active);
}

void TDBLookupGridVz::DataLinkDataChanged() {
    TCustomDBGridVz::DataLinkDataChanged();
    UpdateListPosition();
}

void TDBLookupGridVz::DefineFieldMap() {
    if (Columns()->State() == csCustomized) {
        TCustomDBGridVz::DefineFieldMap();
        return;
    }
    DataLink()->SetSparseMap(false);
    for (TField* f : FListFields) DataLink()->AddMapping(f->FieldName());
}

void TDBLookupGridVz::GetDataSetFields(std::vector<TField*>& List) { List = FListFields; }

void TDBLookupGridVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomDBGridVz::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == FDataLink->DataSource()) FDataLink->SetDataSource(nullptr);
}

// ---- sizes

int TDBLookupGridVz::TitleHeightNow() const { return ShowTitles() && TCustomGridVz::RowCount() > 0 ? RowHeights(0) : 0; }

int TDBLookupGridVz::GetDataRowFullHeight() const {
    return DefaultRowHeight() + (TCustomDBGridVz::Options().Contains(dgRowLines) ? GridLineWidth() : 0);
}

int TDBLookupGridVz::GetBorderHeight() const { return HandleAllocated() ? Height() - ClientHeight() : 0; }

int TDBLookupGridVz::CalcAutoHeightForRowCount(int Rows) {
    const int lines = TCustomDBGridVz::Options().Contains(dgRowLines) ? GridLineWidth() : 0;
    const int spec = FSpecRow->Visible() ? GetDataRowFullHeight() : 0;
    return TitleHeightNow() + lines + GetBorderHeight() + spec + Rows * GetDataRowFullHeight();
}

void TDBLookupGridVz::SetRowCount(int Value) {
    FRowCount = std::clamp(Value, 1, 100);
    SetHeight(CalcAutoHeightForRowCount(FRowCount));
}

void TDBLookupGridVz::SetShowTitles(bool Value) {
    if (Value == ShowTitles()) return;
    TDBGridOptions o = TCustomDBGridVz::Options();
    Value ? o.Include(dgTitles) : o.Exclude(dgTitles);
    TCustomDBGridVz::SetOptions(o);
    SetRowCount(FRowCount);
}

// ---- keys and mouse

void TDBLookupGridVz::KeyDown(Word& Key, TShiftState Shift) {
    if (!CanModify()) {
        TCustomDBGridVz::KeyDown(Key, Shift);
        return;
    }
    const int page = std::max(1, VisibleDataRowCount());
    int distance = 0;
    switch (Key) {
    case VK_PRIOR: distance = -page; break;
    case VK_NEXT: distance = page; break;
    case VK_END: distance = std::numeric_limits<int>::max(); break;
    case VK_HOME: distance = -std::numeric_limits<int>::max(); break;
    case VK_UP: distance = -1; break;
    case VK_DOWN: distance = 1; break;
    default: break;
    }
    if (distance == 0) {
        TCustomDBGridVz::KeyDown(Key, Shift);
        return;
    }
    FSearchText.clear();
    TDataSet* list = DataLink()->DataSet();
    TListChanging bracket(this);
    if (distance < 0 && FSpecRow->Visible() && (list->Bof() || FSpecRowSelected)) {
        list->First();
        SelectSpecial();
        Key = 0;
        return;
    }
    if (distance > 0 && FSpecRowSelected) {
        list->First();
    } else if (Key == VK_HOME) {
        list->First();
    } else if (Key == VK_END) {
        list->Last();
    } else {
        if (!VarEqualsVz(ListKeyValue(), FKeyValue) && !VarIsNull(FKeyValue) && !LocateKey()) {
            KeyValueChanged();
            distance = 0;
        }
        if (distance != 0 && list->MoveBy(distance) == 0 && distance < 0 && FSpecRow->Visible() && !FSpecRowSelected) {
            SelectSpecial();
            Key = 0;
            return;
        }
    }
    SelectCurrent();
    Key = 0;
}

void TDBLookupGridVz::KeyPress(Char& Key) {
    TCustomDBGridVz::KeyPress(Key);
    if (Key == Char()) return;
    ProcessSearchKey(Key);
}

void TDBLookupGridVz::ProcessSearchKey(Char Key) {
    if (!FListField) return;
    const TFieldType t = FListField->DataType();
    if (t != ftString && t != ftWideString) return;
    if (Key == Char(8) || Key == Char(27)) {
        FSearchText.clear();
        return;
    }
    if (Key.unicode() < 32 || !CanModify()) return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - LastSearchKeyTime > SearchPauseMs) FSearchText.clear();
    LastSearchKeyTime = now;
    if (FSearchText.size() >= MaxSearchText) return;
    const String candidate = FSearchText + Key;
    try {
        TListChanging bracket(this);
        TDataSet* list = DataLink()->DataSet();
        if (list->Locate(FListField->FieldName(), candidate, TLocateOptions{loCaseInsensitive, loPartialKey})) {
            FSearchText = candidate;
            SelectCurrent();
            return;
        }
    } catch (const Exception&) {
        // The search text grows all the same.
    }
    FSearchText = candidate;
}

int TDBLookupGridVz::DataRowAt(int Y) {
    const int title = TitleHeightNow();
    const int spec = FSpecRow->Visible() ? GetDataRowFullHeight() : 0;
    if (Y < title + spec) return -1;
    return (Y - title - spec) / std::max(1, GetDataRowFullHeight());
}

void TDBLookupGridVz::SelectRowAt(int Y) {
    const int title = TitleHeightNow();
    if (Y < title) return;
    if (FSpecRow->Visible() && Y < title + GetDataRowFullHeight()) {
        SelectSpecial();
        return;
    }
    const int row = DataRowAt(std::min(Y, ClientHeight() - 1));
    if (row < 0 || row >= DataLink()->RecordCount()) return;
    TListChanging bracket(this);
    DataLink()->DataSet()->MoveBy(row - DataLink()->ActiveRecord());
    SelectCurrent();
}

void TDBLookupGridVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Y < TitleHeightNow()) {
        TCustomDBGridVz::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
    if (Button != mbLeft) return;
    FSearchText.clear();
    if (!CanModify()) return;
    if (Shift.Contains(ssDouble) && DataRowAt(Y) == DataLink()->ActiveRecord()) {
        DblClick();
        return;
    }
    SelectRowAt(Y);
}

// ================================================================================================
// TPopupInnerDataGridVz

TPopupInnerDataGridVz::TPopupInnerDataGridVz(TComponent* AOwner) : TDBLookupGridVz(AOwner) {
    SetShowHint(true);
}

void TPopupInnerDataGridVz::KeyValueChanged() {
    TDBLookupGridVz::KeyValueChanged();
    if (OnUserKeyValueChange && FUserKeyValueChanged) OnUserKeyValueChange(this);
}

void TPopupInnerDataGridVz::KeyDown(Word& Key, TShiftState Shift) {
    FUserKeyValueChanged = true;
    try {
        TDBLookupGridVz::KeyDown(Key, Shift);
    } catch (...) {
        FUserKeyValueChanged = false;
        throw;
    }
    FUserKeyValueChanged = false;
}

void TPopupInnerDataGridVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FUserKeyValueChanged = true;
    FKeySelection = true;
    try {
        TDBLookupGridVz::MouseDown(Button, Shift, X, Y);
    } catch (...) {
        FUserKeyValueChanged = false;
        throw;
    }
    FUserKeyValueChanged = false;
}

void TPopupInnerDataGridVz::MouseMove(TShiftState Shift, int X, int Y) {
    FUserKeyValueChanged = true;
    TDBLookupGridVz::MouseMove(Shift, X, Y);
    FUserKeyValueChanged = false;
    const bool buttons = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
    if (!buttons && !ReadOnly() && CanModify() && Y >= TitleHeightNow()) SelectRowAt(Y);
}

void TPopupInnerDataGridVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TDBLookupGridVz::MouseUp(Button, Shift, X, Y);
    if (!FKeySelection || !OnMouseCloseUp) return;
    FKeySelection = false;
    if (X < 0 || Y < 0 || X >= Width() || Y >= Height()) OnMouseCloseUp(this, false);
    else if (Y >= TitleHeightNow() && (DataRowAt(Y) >= 0 || SpecRow()->Visible())) OnMouseCloseUp(this, true);
}

void TPopupInnerDataGridVz::Resize() {
    TDBLookupGridVz::Resize();
    FSizeGripResized = true;
}

// ================================================================================================
// TPopupDataGridBoxVz

TPopupDataGridBoxVz::TPopupDataGridBoxVz(TComponent* AOwner) : TPopupInactiveFormVz(AOwner) {
    FInnerDataGrid = New<TPopupInnerDataGridVz>(this);
    FInnerDataGrid->SetParent(this);
    FInnerDataGrid->SetAlign(alClient);
    FInnerDataGrid->SetParentColor(true);
    SetMasterActionsControl(FInnerDataGrid);
}

void TPopupDataGridBoxVz::SetRowCount(int Value) {
    FInnerDataGrid->SetRowCount(Value);
    SetClientHeight(FInnerDataGrid->CalcAutoHeightForRowCount(FInnerDataGrid->RowCount()));
}

void TPopupDataGridBoxVz::StartInitSize() {
    FInnerDataGrid->SetAlign(alNone);
    FInnerDataGrid->SetBounds(0, 0, FInnerDataGrid->Width(), FInnerDataGrid->Height());
}

void TPopupDataGridBoxVz::StopInitSize() {
    SetClientHeight(FInnerDataGrid->Height());
    FInnerDataGrid->SetAlign(alClient);
}
