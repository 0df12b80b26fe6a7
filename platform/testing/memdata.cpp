#include "platform/testing/memdata.h"

#include <algorithm>
#include <cstring>

TTestTableDataSet::TTestTableDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TTestTableDataSet::~TTestTableDataSet() = default;

void TTestTableDataSet::BeforeDestruction() {
    inherited::BeforeDestruction();
    for (TRecBuf* b : FAllocated) delete b;
    FAllocated.clear();
}

void TTestTableDataSet::CreateDataSet() {
    CheckInactive();
    if (FieldDefs()->Count() == 0) {
        for (TField* f : *Fields())
            if (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) {
                FieldDefs()->Add(f->FieldName(), f->DataType(), f->Size(), f->Required());
                if (f->FieldKind() == fkInternalCalc) FieldDefs()->Items(FieldDefs()->Count() - 1)->SetInternalCalcField(true);
            }
    }
    if (FieldDefs()->Count() == 0) DatabaseError(QString::fromLatin1(DbConsts::SNoFieldsDefined), this);
    FRows.clear();
    FTableCreated = true;
    Open();
}

void TTestTableDataSet::EmptyTable() {
    if (Active()) CheckBrowseMode();
    FRows.clear();
    if (Active()) {
        RebuildView();
        First();
    }
}

void TTestTableDataSet::SetReadOnly(bool Value) {
    if (FReadOnly == Value) return;
    FReadOnly = Value;
    DataEvent(deDataSetChange, 0);
}

// ---- buffers -----------------------------------------------------------------------------------

TRecordBuffer TTestTableDataSet::AllocRecordBuffer() {
    auto* b = new TRecBuf;
    b->Values.assign(FDataFieldCount, Null());
    b->Calc.assign(FieldCount(), Null());
    FAllocated.push_back(b);
    return reinterpret_cast<TRecordBuffer>(b);
}

void TTestTableDataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
    TRecBuf* b = Buf(Buffer);
    FAllocated.erase(std::remove(FAllocated.begin(), FAllocated.end(), b), FAllocated.end());
    delete b;
    Buffer = 0;
}

TTestTableDataSet::TRow* TTestTableDataSet::FindRow(int Id) const {
    for (auto& r : FRows)
        if (r->Id == Id) return r.get();
    return nullptr;
}

int TTestTableDataSet::ViewIndexOf(int Id) const {
    for (size_t i = 0; i < FView.size(); ++i)
        if (FView[i]->Id == Id) return static_cast<int>(i);
    return -1;
}

void TTestTableDataSet::FillBuffer(TRecBuf* B, int ViewIndex) {
    TRow* row = FView[ViewIndex];
    B->RowId = row->Id;
    B->Flag = bfCurrent;
    B->RecNo = ViewIndex + 1;
    B->Values = row->Values;
    B->Values.resize(FDataFieldCount, Null());
    B->Calc.assign(FieldCount(), Null());
    GetCalcFields(reinterpret_cast<TRecordBuffer>(B));
}

TGetResult TTestTableDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    const int count = static_cast<int>(FView.size());
    TGetResult r = grOK;
    switch (GetMode) {
        case gmCurrent:
            if (FRecordPos < 0 || FRecordPos >= count) r = grError;
            break;
        case gmNext:
            if (FRecordPos < count - 1)
                ++FRecordPos;
            else {
                FRecordPos = count;
                r = grEOF;
            }
            break;
        case gmPrior:
            if (FRecordPos > 0 && FRecordPos <= count)
                --FRecordPos;
            else if (FRecordPos > count)
                FRecordPos = count - 1;
            else {
                FRecordPos = -1;
                r = grBOF;
            }
            break;
    }
    if (r == grOK) FillBuffer(Buf(Buffer), FRecordPos);
    if (r == grError && DoCheck) DatabaseError(QString::fromLatin1(DbConsts::SNoDataFound), this);
    return r;
}

void TTestTableDataSet::GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) {
    int id = Buf(Buffer)->RowId;
    Data.resize(sizeof(int));
    std::memcpy(Data.data(), &id, sizeof(int));
}

void TTestTableDataSet::SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) {
    int id = -1;
    if (Data.size() == sizeof(int)) std::memcpy(&id, Data.data(), sizeof(int));
    Buf(Buffer)->RowId = id;
}

TBookmarkFlag TTestTableDataSet::GetBookmarkFlag(TRecordBuffer Buffer) { return Buf(Buffer)->Flag; }
void TTestTableDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) { Buf(Buffer)->Flag = Value; }

void TTestTableDataSet::InternalFirst() { FRecordPos = -1; }
void TTestTableDataSet::InternalLast() { FRecordPos = static_cast<int>(FView.size()); }

void TTestTableDataSet::InternalGotoBookmark(const TBookmark& Bookmark) {
    int id = -1;
    if (Bookmark.size() == sizeof(int)) std::memcpy(&id, Bookmark.data(), sizeof(int));
    int i = ViewIndexOf(id);
    if (i < 0) DatabaseError(QString::fromLatin1(DbConsts::SRecordNotFound), this);
    FRecordPos = i;
}

void TTestTableDataSet::InternalSetToRecord(TRecordBuffer Buffer) {
    TBookmark bm;
    GetBookmarkData(Buffer, bm);
    InternalGotoBookmark(bm);
}

bool TTestTableDataSet::BookmarkValid(const TBookmark& Bookmark) {
    if (Bookmark.size() != sizeof(int) || !FCursorOpen) return false;
    int id;
    std::memcpy(&id, Bookmark.data(), sizeof(int));
    return ViewIndexOf(id) >= 0;
}

int TTestTableDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
    if (Bookmark1.empty() || Bookmark2.empty()) return inherited::CompareBookmarks(Bookmark1, Bookmark2);
    int a = -1, b = -1;
    std::memcpy(&a, Bookmark1.data(), sizeof(int));
    std::memcpy(&b, Bookmark2.data(), sizeof(int));
    // By position in the table.
    auto pos = [this](int id) {
        for (size_t i = 0; i < FRows.size(); ++i)
            if (FRows[i]->Id == id) return static_cast<int>(i);
        return -1;
    };
    int pa = pos(a), pb = pos(b);
    return pa < pb ? -1 : pa > pb ? 1 : 0;
}

// ---- open and close ----------------------------------------------------------------------------

void TTestTableDataSet::InternalInitFieldDefs() {
    // The definitions are the table's structure: nothing to read from elsewhere.
    FieldDefs()->SetUpdated(true);
}

void TTestTableDataSet::InternalOpen() {
    if (!FTableCreated) {
        if (FieldDefs()->Count() == 0) DatabaseError(QString::fromLatin1(DbConsts::SNoFieldsDefined), this);
        FTableCreated = true;
    }
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    FDataFieldCount = FieldDefs()->Count();
    SetBookmarkSize(sizeof(int));
    FCursorOpen = true;
    ParseFilter();
    RebuildView();
    FRecordPos = -1;
}

void TTestTableDataSet::InternalClose() {
    FCursorOpen = false;
    FFilterExpr.reset();
    FView.clear();
    BindFields(false);
    if (DefaultFields()) DestroyFields();
}

void TTestTableDataSet::InternalHandleException() {}

// ---- filtering ---------------------------------------------------------------------------------

void TTestTableDataSet::ParseFilter() {
    FFilterExpr.reset();
    if (FCursorOpen && FFiltered && !Trim(FFilterText).isEmpty())
        FFilterExpr = std::make_unique<TFilterExpr>(this, FFilterText, FFilterOptions);
}

bool TTestTableDataSet::RecordAccepted(TRow* Row) {
    if (!FFiltered || (!FFilterExpr && !FOnFilterRecord)) return true;
    // The temporary buffer shows the record while the filter reads its fields.
    TRecBuf* b = Buf(TempBuffer());
    b->RowId = Row->Id;
    b->Flag = bfCurrent;
    b->Values = Row->Values;
    b->Values.resize(FDataFieldCount, Null());
    b->Calc.assign(FieldCount(), Null());
    TDataSetState old = SetTempState(dsFilter);
    bool accept = true;
    try {
        // Calculated fields of the record first, so the filter can read them.
        GetCalcFields(TempBuffer());
        if (FFilterExpr) accept = FFilterExpr->Accept();
        if (FOnFilterRecord) FOnFilterRecord(this, accept);
    } catch (...) {
        RestoreState(old);
        throw;
    }
    RestoreState(old);
    return accept;
}

void TTestTableDataSet::RebuildView() {
    FView.clear();
    if (!FCursorOpen) return;
    for (auto& r : FRows)
        if (RecordAccepted(r.get())) FView.push_back(r.get());
}

void TTestTableDataSet::RefreshView() {
    ParseFilter();
    RebuildView();
    if (Active()) First();
}

void TTestTableDataSet::SetFilterText(const String& Value) {
    if (Value == FFilterText) return;
    if (Active() && FFiltered) {
        CheckBrowseMode();
        // Parse first: a bad text leaves the filter as it was.
        auto expr = Trim(Value).isEmpty() ? nullptr : std::make_unique<TFilterExpr>(this, Value, FFilterOptions);
        FFilterText = Value;
        FFilterExpr = std::move(expr);
        RebuildView();
        First();
    } else {
        FFilterText = Value;
    }
}

void TTestTableDataSet::SetFiltered(bool Value) {
    if (Active()) {
        CheckBrowseMode();
        if (FFiltered == Value) return;
        FFiltered = Value;
        RefreshView();
    } else {
        FFiltered = Value;
    }
}

void TTestTableDataSet::SetOnFilterRecord(const TFilterRecordEvent& Value) {
    if (Active()) {
        CheckBrowseMode();
        FOnFilterRecord = Value;
        if (FFiltered) RefreshView();
    } else {
        FOnFilterRecord = Value;
    }
}

void TTestTableDataSet::SetFilterOptions(TFilterOptions Value) {
    if (Value == FFilterOptions) return;
    if (Active()) CheckBrowseMode();
    FFilterOptions = Value;
    if (Active() && FFiltered) RefreshView();
}

// ---- counts and positions ----------------------------------------------------------------------

int TTestTableDataSet::GetRecordCount() {
    CheckActive();
    return static_cast<int>(FView.size());
}

int TTestTableDataSet::GetRecNo() {
    CheckActive();
    UpdateCursorPos();
    TRecordBuffer b = ActiveBuffer();
    if (FRecordCount == 0 || !b) return -1;
    if (FState == dsInsert) return -1;
    return ViewIndexOf(Buf(b)->RowId) + 1;
}

void TTestTableDataSet::SetRecNoValue(int Value) {
    CheckBrowseMode();
    if (Value <= 0 || Value > static_cast<int>(FView.size())) return;
    DoBeforeScroll();
    FRecordPos = Value - 1;
    Resync({rmCenter});
    DoAfterScroll();
}

// ---- field data --------------------------------------------------------------------------------

TTestTableDataSet::TRecBuf* TTestTableDataSet::ActiveRecBuf() {
    switch (FState) {
        case dsBrowse:
        case dsBlockRead:
            return IsEmpty() ? nullptr : Buf(ActiveBuffer());
        case dsEdit:
        case dsInsert:
        case dsNewValue:
            return Buf(ActiveBuffer());
        case dsCalcFields:
            return Buf(CalcBuffer());
        case dsFilter:
            return Buf(TempBuffer());
        case dsOldValue:
        case dsCurValue: {
            // The stored record of the active buffer.
            if (IsEmpty()) return nullptr;
            TRecBuf* a = Buf(ActiveBuffer());
            if (a->Flag != bfCurrent) return nullptr;
            TRow* row = FindRow(a->RowId);
            if (!row) return nullptr;
            TRecBuf* t = Buf(TempBuffer());
            t->RowId = row->Id;
            t->Values = row->Values;
            t->Values.resize(FDataFieldCount, Null());
            t->Calc = a->Calc;
            return t;
        }
        default:
            return nullptr;
    }
}

bool TTestTableDataSet::GetFieldData(TField* Field, Variant& Value) {
    TRecBuf* b = ActiveRecBuf();
    if (!b) return false;
    if (Field->FieldNo() > 0) {
        size_t i = static_cast<size_t>(Field->FieldNo() - 1);
        Value = i < b->Values.size() ? b->Values[i] : Null();
    } else {
        size_t i = static_cast<size_t>(Field->Index());
        Value = i < b->Calc.size() ? b->Calc[i] : Null();
    }
    return !VarIsNull(Value) && !VarIsEmpty(Value);
}

void TTestTableDataSet::SetFieldData(TField* Field, const Variant& Value) {
    // Data fields are written in the editing states and the calculation states of internal
    // calculated fields; calculated and lookup fields wherever there is a buffer.
    const bool dataField = Field->FieldKind() == fkData || Field->FieldKind() == fkInternalCalc;
    if (dataField && (!dsWriteModes.Contains(FState) || (FState == dsCalcFields && Field->FieldKind() == fkData)))
        DatabaseError(QString::fromLatin1(DbConsts::SNotEditing), this);
    if (Field->ReadOnly() && dataField && FState != dsSetKey && FState != dsFilter)
        DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldReadOnly), {Field->DisplayName()}, this);
    TRecBuf* b = ActiveRecBuf();
    if (!b) return;
    Field->Validate(Value);
    if (Field->FieldNo() > 0) {
        size_t i = static_cast<size_t>(Field->FieldNo() - 1);
        if (i >= b->Values.size()) b->Values.resize(i + 1, Null());
        b->Values[i] = Value;
    } else {
        size_t i = static_cast<size_t>(Field->Index());
        if (i >= b->Calc.size()) b->Calc.resize(i + 1, Null());
        b->Calc[i] = Value;
    }
    if (FState != dsCalcFields && FState != dsFilter && FState != dsNewValue && FState != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<NativeInt>(Field));
}

void TTestTableDataSet::ClearCalcFields(TRecordBuffer Buffer) {
    TRecBuf* b = Buf(Buffer);
    b->Calc.assign(FieldCount(), Null());
}

// ---- editing -----------------------------------------------------------------------------------

void TTestTableDataSet::InternalInitRecord(TRecordBuffer Buffer) {
    TRecBuf* b = Buf(Buffer);
    b->RowId = -1;
    b->RecNo = -1;
    b->Values.assign(FDataFieldCount, Null());
    b->Calc.assign(FieldCount(), Null());
}

void TTestTableDataSet::CopyToRow(TRecBuf* B, TRow* Row) {
    Row->Values = B->Values;
    Row->Values.resize(FDataFieldCount, Null());
}

void TTestTableDataSet::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
    TRecBuf* b = Buf(Buffer);
    auto row = std::make_unique<TRow>();
    row->Id = FNextId++;
    CopyToRow(b, row.get());
    TRow* raw = row.get();
    // Inserted before the record the cursor is on (its table position), appended at the end.
    size_t at = FRows.size();
    if (!Append && FRecordPos >= 0 && FRecordPos < static_cast<int>(FView.size())) {
        for (size_t i = 0; i < FRows.size(); ++i)
            if (FRows[i].get() == FView[FRecordPos]) {
                at = i;
                break;
            }
    }
    FRows.insert(FRows.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
    RebuildView();
    int vi = ViewIndexOf(raw->Id);
    // A record the filter does not accept leaves the cursor where it was.
    if (vi >= 0) FRecordPos = vi;
    else if (FRecordPos >= static_cast<int>(FView.size())) FRecordPos = static_cast<int>(FView.size()) - 1;
    b->RowId = raw->Id;
}

void TTestTableDataSet::InternalPost() {
    inherited::InternalPost();  // Required fields
    TRecBuf* b = Buf(ActiveBuffer());
    if (FState == dsEdit) {
        TRow* row = FindRow(b->RowId);
        if (!row) DatabaseError(QString::fromLatin1(DbConsts::SRecordNotFound), this);
        CopyToRow(b, row);
        RebuildView();
        int vi = ViewIndexOf(row->Id);
        if (vi >= 0) FRecordPos = vi;
        else if (FRecordPos >= static_cast<int>(FView.size())) FRecordPos = static_cast<int>(FView.size()) - 1;
    } else {
        InternalAddRecord(ActiveBuffer(), b->Flag == bfEOF);
    }
}

void TTestTableDataSet::InternalCancel() {}

void TTestTableDataSet::InternalDelete() {
    TRecBuf* b = Buf(ActiveBuffer());
    auto it = std::find_if(FRows.begin(), FRows.end(), [&](auto& r) { return r->Id == b->RowId; });
    if (it == FRows.end()) DatabaseError(QString::fromLatin1(DbConsts::SRecordNotFound), this);
    FRows.erase(it);
    RebuildView();
    if (FRecordPos >= static_cast<int>(FView.size())) FRecordPos = static_cast<int>(FView.size()) - 1;
}

void TTestTableDataSet::InternalRefresh() {
    RebuildView();
    if (FRecordPos >= static_cast<int>(FView.size())) FRecordPos = static_cast<int>(FView.size()) - 1;
}
