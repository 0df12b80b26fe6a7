#include "grid/memtable/memtablevz.h"

#include "grid/core/bmlistvz.h"
#include "grid/core/coretoolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/memtable/memtableindexesvz.h"
#include "grid/memtable/recordsviewvz.h"
#include "platform/db/dbfilter.h"
#include "platform/rtl/apphooks.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
const char* const SMemTableNoData = "MemTable doesn't have data.";
const char* const SNotInInstantRead = "TCustomMemTableVz not in instant read mode.";
const char* const SNoRecords = "There are no records.";
const char* const SSortInInstantRead = "Sort data in InstantReadMode is not allowed.";
const char* const SAppendBeforeEOF = "Attempt to append a record before all records have been read from DataDriver.";
const char* const SInvalidStreamFormat = "Invalid stream format.";
const char* const SBcdOverflow = "BCD overflow";
const char* const SCircularDataLink = "Circular datalinks are not allowed";
const char* const SExternalWithDriver = "Assigning to ExternalMemData is not allowed if DataDriver is assigned";
const char* const SDriverWithExternalData = "Assigning to DataDriver is not allowed if ExternalMemData is assigned";

String L1(const char* s) { return QString::fromLatin1(s); }

bool IsDataField(const TField* f) { return f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc; }

bool IsTextVar(const Variant& V) { return VarIsStr(V); }

// Null and Empty first; texts by the locale, case-insensitively on request; then Variants.
int CompareValuesVz(const Variant& A, const Variant& B, bool CaseIns) {
    const bool na = VarIsNull(A) || VarIsEmpty(A), nb = VarIsNull(B) || VarIsEmpty(B);
    if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    if (IsTextVar(A) && IsTextVar(B)) {
        const QString& sa = A.AsString();
        const QString& sb = B.AsString();
        return CaseIns ? AnsiCompareText(sa, sb) : AnsiCompareStr(sa, sb);
    }
    int r = 0;
    try {
        switch (VarCompareValue(A, B)) {
            case vrLessThan: r = -1; break;
            case vrGreaterThan: r = 1; break;
            default: r = 0; break;
        }
    } catch (const Exception&) {
        r = 0;
    }
    if (CaseIns) {
        const int t = AnsiCompareText(VarToStr(A), VarToStr(B));
        return t == 0 ? 0 : (t < 0 ? -1 : 1);
    }
    return r;
}

Variant KeyAt(const Variant& KeyValues, size_t i, size_t n) {
    if (n == 1 && !VarIsArray(KeyValues)) return KeyValues;
    return KeyValues.GetElement(VarArrayLowBound(KeyValues, 1) + static_cast<int>(i));
}

bool IsIntegerVarType(TVarType t) {
    switch (t) {
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
            return true;
        default:
            return false;
    }
}

// VarEqualsVz of a record's stored values against one key whose kind is read once: integers
// compare as numbers and texts by their characters (the general rule ties only equal texts), both
// read in place; anything else goes through the general rule.
class TStoredKeyMatchVz {
public:
    explicit TStoredKeyMatchVz(Variant AKey) : FKey(std::move(AKey)) {
        if (IsIntegerVarType(FKey.VType())) {
            FKind = kInteger;
            FInt = FKey.AsInt64();
        } else if (FKey.VType() == varUString) {
            FKind = kText;
            FText = FKey.AsString();
        }
    }
    // The value at Pos of Rec (a valid position) against the key.
    bool Matches(const TMemoryRecordVz* Rec, int Pos) const {
        if (FKind != kOther) {
            TVarType t;
            const TMTValueClassVz c = Rec->ValueClass(Pos, t);
            if (c == mvcNullVz || c == mvcEmptyVz) return false;
            if (FKind == kInteger && c == mvcIntegerVz) return Rec->IntValue(Pos) == FInt;
            if (FKind == kText && c == mvcTextVz && t == varUString) return Rec->TextValue(Pos) == FText;
        }
        return VarEqualsVz(Rec->Value(Pos), FKey);
    }

private:
    enum { kOther, kInteger, kText } FKind = kOther;
    Variant FKey;
    Int64 FInt = 0;
    String FText;
};

bool IsNumericVarType(TVarType t) {
    switch (t) {
        case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
        case varShortInt: case varByte: case varWord: case varLongWord: case varInt64: case varFMTBcd:
            return true;
        default:
            return false;
    }
}
}  // namespace

// ---- TMTRecBuf ----------------------------------------------------------------------------------

void TMTRecBuf::SetLength(int Len) {
    if (static_cast<int>(Values.size()) != Len) Values.resize(static_cast<size_t>(Len));
    Clear();
}

void TMTRecBuf::Clear() {
    for (Variant& v : Values) v = Null();
}

// ---- construction -------------------------------------------------------------------------------

TCustomMemTableVz::TCustomMemTableVz(TComponent* AOwner) : TDataSet(AOwner) {}

TCustomMemTableVz::~TCustomMemTableVz() {
    for (TMTRecBuf* b : FRecordCache) b->Free();
}

void TCustomMemTableVz::AfterConstruction() {
    TDataSet::AfterConstruction();
    FInternMemTableData = NewOwned<TMemTableDataVz>(nullptr);
    FInternMemTableData->SetName(u"MemTableData"_S);
    FRecordsView = NewOwned<TRecordsViewVz>(this);
    TRecordsViewVz* v = FRecordsView.get();
    v->OnFilterRecord = [this](TMemoryRecordVz* Rec, TMemRecViewVz* Node) { return IsRecordAccepted(Rec, Node); };
    v->OnFilterRecords = [this](TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes) {
        return AcceptRecords(Recs, Count, Passes);
    };
    v->OnCompareRecords = [this](TMemoryRecordVz* a, TMemoryRecordVz* b, TObject* p) { return CompareRecords(a, b, p); };
    v->OnGetSortValue = [this](TMemoryRecordVz* r, const TOrderByItemVz* i) { return SortValue(r, i); };
    v->OnViewDataEvent = [this](TMemoryRecordVz* r, int i, TRecordsListNotification a) { ViewDataEvent(r, i, a); };
    v->OnViewRecordMovedEvent = [this](TMemoryRecordVz* r, int o, int n) { ViewRecordMoved(r, o, n); };
    v->SetMemTableData(FInternMemTableData.get());
    v->SetFullBuildCheck(true);
    // CompareRecords below is the standard rule: the view may sort whole lists by keys. A
    // descendant with its own comparison turns this off.
    v->SetStandardCompare(true);
    v->OnTreeNodeExpanding = [this](TMemRecViewVz* Node) {
        bool allow = true;
        if (Node->NodeExpanded()) return allow;
        if (OnRecordsViewTreeNodeExpanding.Assigned()) OnRecordsViewTreeNodeExpanding(this, Node, allow);
        if (allow && Active() && OnTreeNodeExpanding.Assigned()) {
            const int row = FRecordsView->IndexOfLiveRec(Node->Rec());
            if (TreeNode() == Node) {
                OnTreeNodeExpanding(this, row + 1, allow);
            } else {
                // The event reads the node's fields.
                InstantReadEnter(Node->Rec(), Node, row);
                try {
                    OnTreeNodeExpanding(this, row + 1, allow);
                } catch (...) {
                    InstantReadLeave();
                    throw;
                }
                InstantReadLeave();
            }
        }
        return allow;
    };
    v->OnTreeNodeExpanded = [this](TMemRecViewVz* Node) {
        if (OnRecordsViewTreeNodeExpanded.Assigned()) OnRecordsViewTreeNodeExpanded(this, Node);
    };
    FTreeList = NewOwned<TMemTableTreeListVz>(this);
    FExtraFilters = NewOwned<TMemTableFiltersVz>(this);
    FMasterDataLink = NewOwned<TMasterDataLink>(this);
    FMasterDataLink->OnMasterChange = [this](TObject*) { MasterChanged(); };
    FMasterDataLink->OnMasterDisable = [this](TObject*) { MasterChanged(); };
}

void TCustomMemTableVz::BeforeDestruction() {
    TDataSet::BeforeDestruction();
    FInstantBuffers.clear();
    SetDataDriver(nullptr);
    if (FRecordsView) FRecordsView->SetMemTableData(nullptr);
    FRecordsView.reset();
    FFilterExpr.reset();
    FExtraFilters.reset();
    if (FMasterDataLink) FMasterDataLink->SetDataSource(nullptr);
    FMasterDataLink.reset();
    FInternMemTableData.reset();
}

void TCustomMemTableVz::Notification(TComponent* AComponent, TOperation Operation) {
    TDataSet::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDataDriver) FDataDriver = nullptr;
    if (AComponent == FExternalMemData) {
        // Shown again over its own store, which may hold nothing to show.
        const bool was = Active();
        if (was) Close();
        FExternalMemData = nullptr;
        FRecordsView->SetMemTableData(FInternMemTableData.get());
        if (was && !FInternMemTableData->IsEmpty() && !ComponentState().Contains(csDestroying)) Open();
    }
    if (AComponent == FDataSetReader) FDataSetReader = nullptr;
    auto it = std::find(FEventReceivers.begin(), FEventReceivers.end(), AComponent);
    if (it != FEventReceivers.end()) FEventReceivers.erase(it);
}

// ---- structure ----------------------------------------------------------------------------------

void TCustomMemTableVz::CreateDataSet() {
    CheckInactive();
    bool persistent = false;
    for (TField* f : *Fields())
        if (IsDataField(f)) persistent = true;
    if (persistent) FieldDefs()->Clear();
    if (FieldDefs()->Count() == 0) {
        FAutoIncrementFieldName.clear();
        FieldDefs()->BeginUpdate();
        try {
            for (TField* f : *Fields()) {
                if (!IsDataField(f)) continue;
                const TFieldType t = f->DataType();
                if (t == ftCursor || t == ftArray || t == ftReference || t == ftDataSet || t == ftConnection ||
                    t == ftParams || t == ftStream || t == ftObject)
                    DatabaseErrorFmt(u"Field '%s' is of an unknown type"_S, {f->DisplayName()}, this);
                if (t == ftAutoInc) FAutoIncrementFieldName = f->FieldName();
                FieldDefs()->Add(f->FieldName(), t, f->Size(), f->Required());
                TFieldDef* d = FieldDefs()->Items(FieldDefs()->Count() - 1);
                if (f->FieldKind() == fkInternalCalc) d->SetInternalCalcField(true);
                if (t == ftBCD || t == ftFMTBcd)
                    if (auto* bf = dynamic_cast<TBCDField*>(f)) d->SetPrecision(bf->Precision());
            }
        } catch (...) {
            FieldDefs()->EndUpdate();
            throw;
        }
        FieldDefs()->EndUpdate();
    }
    TMemTableDataVz* store = MemTableData();
    store->DestroyTable();
    store->DataStruct()->BuildStructFromFieldDefs(FieldDefs());
    if (!FAutoIncrementFieldName.isEmpty())
        if (TMTDataFieldVz* f = store->DataStruct()->FindField(FAutoIncrementFieldName)) f->SetAutoIncrement(true);
    CreateIndexesFromDefs();
    Open();
}

void TCustomMemTableVz::SetExternalMemData(TCustomMemTableVz* Value) {
    if (Value == FExternalMemData) return;
    if (Value == this) throw Exception(L1(SCircularDataLink));
    if (FDataDriver) throw Exception(L1(SExternalWithDriver));
    const bool was = Active();
    if (!ComponentState().Contains(csLoading)) Close();
    if (FExternalMemData) FExternalMemData->RemoveFreeNotification(this);
    FExternalMemData = Value;
    FRecordsView->SetMemTableData(MemTableData());
    if (Value) Value->FreeNotification(this);
    if (was && !ComponentState().Contains(csDestroying)) Open();
}

TIndexDefs* TCustomMemTableVz::IndexDefs() {
    if (!FIndexDefs) FIndexDefs = NewOwned<TIndexDefs>(this);
    return FIndexDefs.get();
}

void TCustomMemTableVz::SetIndexDefs(TIndexDefs* Value) { IndexDefs()->Assign(Value); }

void TCustomMemTableVz::CreateIndexesFromDefs() {
    TMTIndexesVz* indexes = MemTableData()->RecordsList()->Indexes();
    if (FIndexDefs)
        for (int i = 0; i < FIndexDefs->Count(); ++i) {
            TIndexDef* d = FIndexDefs->Items(i);
            // Made once: opening again finds the index of the definition there.
            bool there = false;
            for (int k = 0; k < indexes->Count() && !there; ++k)
                there = QString::compare(indexes->Items(k)->Fields(), d->Fields(), Qt::CaseInsensitive) == 0;
            if (there) continue;
            TMTIndexVz* ix = indexes->Add();
            ix->SetFields(d->Fields());
            ix->SetUnical(d->Options().Contains(ixUnique));
            ix->SetPrimary(d->Options().Contains(ixPrimary));
        }
    for (int i = 0; i < indexes->Count(); ++i) indexes->Items(i)->SetActive(true);
}

void TCustomMemTableVz::DestroyTable() {
    Close();
    MemTableData()->DestroyTable();
}

void TCustomMemTableVz::EmptyTable() {
    if (!Active()) return;
    BeginViewUpdate();
    try {
        CheckBrowseMode();
        ClearBuffers();
        MemTableData()->ResetRecords();
        FRecordPos = -1;
        FInstantReadCurRowNum = 0;
    } catch (...) {
        EndViewUpdate(true);
        throw;
    }
    EndViewUpdate(true);
}

void TCustomMemTableVz::CopyStructure(TDataSet* Source) {
    CheckInactive();
    for (int i = FieldCount() - 1; i >= 0; --i) Fields()->Fields(i)->Free();
    if (!Source) return;
    Source->FieldDefs()->Update();
    FieldDefs()->Assign(Source->FieldDefs());
    for (int i = FieldDefs()->Count() - 1; i >= 0; --i) {
        const TFieldType t = FieldDefs()->Items(i)->DataType();
        if (t == ftCursor || t == ftArray || t == ftReference || t == ftDataSet || t == ftConnection ||
            t == ftParams || t == ftStream || t == ftObject)
            FieldDefs()->Items(i)->Free();
    }
}

void TCustomMemTableVz::SetReadOnly(bool Value) {
    if (FReadOnly == Value) return;
    FReadOnly = Value;
    DataEvent(deDataSetChange, 0);
}

void TCustomMemTableVz::SetOptions(TMemTableOptionsVz Value) {
    if (FOptions == Value) return;
    FOptions = Value;
    TFilterOptions fo = FilterOptions();
    if (Value.Contains(mtoTextFieldsCaseInsensitive)) fo.Include(foCaseInsensitive);
    else fo.Exclude(foCaseInsensitive);
    SetFilterOptions(fo);
    FRecordsView->SetSortOrderCaseInsensitive(Value.Contains(mtoTextFieldsCaseInsensitive));
}

TAutoIncrementVz* TCustomMemTableVz::AutoIncrement() const { return MemTableData()->AutoIncrement(); }

// ---- open and close -----------------------------------------------------------------------------

void TCustomMemTableVz::OpenCursor(bool InfoQuery) {
    if (!InfoQuery) {
        TMemTableDataVz* store = MemTableData();
        if (FDataDriver) {
            if (MasterSource() && ProviderSide()) SetReaderParamsFromMaster();
            FDataSetReader = FDataDriver->GetDataReader();
            if (FDataSetReader) FDataSetReader->FreeNotification(this);
            if (FOptions.Contains(mtoPersistentStructVz) && store->DataStruct()->Count() > 0) {
                store->ResetRecords();
            } else {
                bool persistent = false;
                for (TField* f : *Fields())
                    if (IsDataField(f)) persistent = true;
                if (persistent) {
                    store->DataStruct()->BuildStructFromFields(Fields());
                } else {
                    store->DestroyTable();
                    FDataDriver->BuildDataStruct(store->DataStruct());
                }
            }
        } else if (store->IsEmpty()) {
            DatabaseError(L1(SMemTableNoData), this);
        }
        if (FIndexDefs && FIndexDefs->Count() > 0 && !FExternalMemData) CreateIndexesFromDefs();
        FActive = true;
    }
    try {
        TDataSet::OpenCursor(InfoQuery);
    } catch (...) {
        if (!InfoQuery) FActive = false;
        throw;
    }
}

void TCustomMemTableVz::InternalInitFieldDefs() {
    MemTableData()->DataStruct()->BuildFieldDefsFromStruct(FieldDefs());
    FieldDefs()->SetUpdated(true);
}

void TCustomMemTableVz::InternalOpen() {
    SetBookmarkSize(static_cast<int>(sizeof(TBookmarkDataVz)));
    FieldDefs()->SetUpdated(false);
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    if (FieldCount() == 0) DatabaseError(L1(DbConsts::SNoFieldsDefined), this);
    for (TField* f : *Fields())
        if (f->FieldKind() == fkData)
            if (TMTDataFieldVz* df = MemTableData()->DataStruct()->FindField(f->FieldName())) df->AssignPropsTo(f);
    FRecordPos = -1;
    FInstantReadCurRowNum = 0;
    UpdateDetailMode(false);
    // The master may have moved (or the side changed) while this dataset was closed.
    if (FDetailMode && FMasterDetailSide != mdsOnProviderVz) {
        FMasterValues = CurrentMasterValues();
        FMasterKeysStale = true;
    }
    ParseFilterExpr();
    FRecordsView->UpdateFields();
    // The store computes internal-calculated fields into its records (on every post and load).
    bool internalCalc = false;
    for (TField* f : *Fields()) internalCalc = internalCalc || f->FieldKind() == fkInternalCalc;
    if (internalCalc && !FExternalMemData)
        FInternMemTableData->SetOnFieldCalculation(
            [this](TMemoryRecordVz* r, std::vector<Variant>& v) { CalcInternalFields(r, v); });
    else if (FInternMemTableData->OnFieldCalculation().Assigned())
        FInternMemTableData->SetOnFieldCalculation({});
    FRecordsView->SetSortOrder(FSortOrder);
    BeginViewUpdate();
    try {
        FRecordsView->RefreshFilteredRecsList(false);
        if (FDataDriver) FetchFromDriver(FFetchAllOnOpen ? -1 : 1);
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
}

void TCustomMemTableVz::SetActive(bool Value) {
    const bool was = Active();
    TDataSet::SetActive(Value);
    if (Value && !was && Active()) FRecordsView->Aggregates()->Reset();
}

void TCustomMemTableVz::CalcInternalFields(TMemoryRecordVz* MemRec, std::vector<Variant>& FieldValues) {
    if (!FActive) return;
    const TDataSetState old = SetTempState(dsInternalCalc);
    InstantReadEnter(MemRec, nullptr, -1);
    try {
        TRecordBuffer h = FInstantBuffers.back();
        GetRecBuf(h)->NeedUpdateCalcFields = true;
        CalculateFields(h);
        for (TField* f : *Fields())
            if (f->FieldKind() == fkInternalCalc && f->FieldNo() > 0 && static_cast<size_t>(f->FieldNo()) <= FieldValues.size())
                FieldValues[static_cast<size_t>(f->FieldNo() - 1)] = f->AsVariant();
    } catch (...) {
        InstantReadLeave();
        RestoreState(old);
        throw;
    }
    InstantReadLeave();
    RestoreState(old);
}

void TCustomMemTableVz::InternalClose() {
    FInternMemTableData->SetOnFieldCalculation({});
    FMasterValList->Clear();
    FActive = false;
    FFilterExpr.reset();
    FRecordsView->Aggregates()->Clear();
    FInstantBuffers.clear();
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    FDataSetReader = nullptr;
    if (FDataDriver) FDataDriver->ConsumerClosed(this);
    FStateInsert = false;
    FStateInsertRowNum = -1;
}

void TCustomMemTableVz::InternalHandleException() {
    if (ApplicationHandleException) ApplicationHandleException(this);
}

// ---- record buffers -----------------------------------------------------------------------------

TRecordBuffer TCustomMemTableVz::AllocRecordBuffer() {
    int slot;
    if (!FFreeBuffers.empty()) {
        slot = FFreeBuffers.back();
        FFreeBuffers.pop_back();
    } else {
        slot = static_cast<int>(FRecordCache.size());
        FRecordCache.push_back(New<TMTRecBuf>());
    }
    TMTRecBuf* b = FRecordCache[static_cast<size_t>(slot)];
    b->InUse = true;
    b->BookmarkData = {};
    b->BookmarkFlag = bfCurrent;
    b->RecordNumber = -2;
    b->RecView = nullptr;
    b->MemRec = nullptr;
    b->UseMemRec = false;
    b->NeedUpdateCalcFields = false;
    b->SetLength(FieldCount());
    return slot + 1;
}

void TCustomMemTableVz::FreeRecordBuffer(TRecordBuffer& Buffer) {
    if (Buffer <= 0) return;
    const int slot = static_cast<int>(Buffer - 1);
    TMTRecBuf* b = FRecordCache[static_cast<size_t>(slot)];
    b->InUse = false;
    b->MemRec = nullptr;
    b->RecView = nullptr;
    b->Values.clear();
    // The pool shrinks only from its end.
    if (slot == static_cast<int>(FRecordCache.size()) - 1) {
        b->Free();
        FRecordCache.pop_back();
        while (!FRecordCache.empty() && !FRecordCache.back()->InUse) {
            const int last = static_cast<int>(FRecordCache.size()) - 1;
            FFreeBuffers.erase(std::remove(FFreeBuffers.begin(), FFreeBuffers.end(), last), FFreeBuffers.end());
            FRecordCache.back()->Free();
            FRecordCache.pop_back();
        }
    } else {
        FFreeBuffers.push_back(slot);
    }
    Buffer = 0;
}

TMTRecBuf* TCustomMemTableVz::GetRecBuf(TRecordBuffer Handle) const {
    if (Handle <= 0 || Handle > static_cast<TRecordBuffer>(FRecordCache.size())) return nullptr;
    return FRecordCache[static_cast<size_t>(Handle - 1)];
}

void TCustomMemTableVz::FillBufferFromRecord(TMemoryRecordVz* MemRec, int RowNum, TMTRecBuf* Buf) {
    Buf->RecordNumber = RowNum;
    Buf->BookmarkFlag = bfCurrent;
    Buf->MemRec = MemRec;
    Buf->BookmarkData.MemRec = MemRec;
    Buf->BookmarkData.RecViewIndex = RowNum;
    // The sorted-list place only when it is known without renumbering: the bookmark's hints fill
    // it in when they are asked.
    Buf->BookmarkData.InSortedListIndex = -1;
    Buf->BookmarkData.ItemId = 0;
    Buf->BookmarkData.ItemHint = nullptr;
    Buf->RecView = nullptr;
    Buf->UseMemRec = true;
    Buf->NeedUpdateCalcFields = true;
    if (Buf->ValueCount() != FieldCount()) Buf->SetLength(FieldCount());
    if (RowNum >= 0 && RowNum < FRecordsView->Count()) {
        Buf->RecView = FRecordsView->GetRecordView(RowNum);
        Buf->BookmarkData.ItemId = Buf->RecView->Id();
        Buf->BookmarkData.ItemHint = Buf->RecView;
    }
}

TGetResult TCustomMemTableVz::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    int count = FRecordsView->ViewItemsCount();
    TGetResult r = grOK;
    switch (GetMode) {
        case gmCurrent:
            if (FRecordPos < 0 || FRecordPos >= count) r = grError;
            break;
        case gmNext:
            if (FRecordPos >= count - 1 && FDataDriver && !FDataDriver->ProviderEOF()) {
                BeginViewUpdate();
                try {
                    FetchFromDriver(FFetchAllOnOpen ? -1 : 1);
                } catch (...) {
                    EndViewUpdate(false);
                    throw;
                }
                EndViewUpdate(false);
                count = FRecordsView->ViewItemsCount();
            }
            if (FRecordPos < count - 1) {
                ++FRecordPos;
            } else {
                FRecordPos = count;
                r = grEOF;
            }
            break;
        case gmPrior:
            if (FRecordPos > count) FRecordPos = count;
            if (FRecordPos > 0) {
                --FRecordPos;
            } else {
                FRecordPos = -1;
                FInstantReadCurRowNum = 0;
                r = grBOF;
            }
            break;
    }
    if (FRecordPos >= 0 && FRecordPos < count) FInstantReadCurRowNum = FRecordPos;
    if (r == grOK) {
        TMTRecBuf* b = GetRecBuf(Buffer);
        FillBufferFromRecord(FRecordsView->GetRec(FRecordPos), FRecordPos, b);
        GetCalcFields(Buffer);
    } else if (r == grError && DoCheck) {
        DatabaseError(L1(DbConsts::SNoDataFound), this);
    }
    return r;
}

bool TCustomMemTableVz::GetActiveRecBuf(TMTRecBuf*& Buf, bool IgnoreInstantRead) {
    Buf = nullptr;
    if (!IgnoreInstantRead && !FInstantBuffers.empty()) {
        Buf = GetRecBuf(FInstantBuffers.back());
        return Buf != nullptr;
    }
    switch (State()) {
        case dsBrowse:
        case dsBlockRead:
            if (!IsEmpty()) Buf = GetRecBuf(ActiveBuffer());
            break;
        case dsEdit:
        case dsInsert:
        case dsNewValue:
            Buf = GetRecBuf(ActiveBuffer());
            break;
        case dsCalcFields:
            Buf = GetRecBuf(CalcBuffer());
            break;
        case dsFilter:
            Buf = GetRecBuf(TempBuffer());
            break;
        case dsOldValue:
        case dsCurValue:
            if (!IsEmpty()) {
                TMTRecBuf* b = GetRecBuf(ActiveBuffer());
                if (b && b->BookmarkFlag == bfCurrent) Buf = b;
            }
            break;
        case dsInternalCalc:
            if (!FInstantBuffers.empty()) Buf = GetRecBuf(FInstantBuffers.back());
            break;
        default:
            break;
    }
    return Buf != nullptr;
}

TMemoryRecordVz* TCustomMemTableVz::Rec() {
    TMTRecBuf* b;
    return GetActiveRecBuf(b) ? b->MemRec : nullptr;
}

TMemRecViewVz* TCustomMemTableVz::RecView() {
    TMTRecBuf* b;
    return GetActiveRecBuf(b) ? b->RecView : nullptr;
}

// ---- record count and number --------------------------------------------------------------------

int TCustomMemTableVz::GetRecordCount() {
    CheckActive();
    return FRecordsView->ViewItemsCount();
}

int TCustomMemTableVz::GetRecNo() {
    CheckActive();
    TMTRecBuf* b;
    if (!GetActiveRecBuf(b)) return -1;
    return b->RecordNumber + 1;
}

void TCustomMemTableVz::SetRecNoValue(int Value) {
    CheckBrowseMode();
    if (Value <= 0 || Value > FRecordsView->ViewItemsCount()) return;
    DoBeforeScroll();
    FRecordPos = Value - 1;
    Resync({});
    DoAfterScroll();
}

// ---- bookmarks ----------------------------------------------------------------------------------

void TCustomMemTableVz::GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) {
    const TMTRecBuf* b = GetRecBuf(Buffer);
    Data.resize(sizeof(TBookmarkDataVz));
    std::memcpy(Data.data(), &b->BookmarkData, sizeof(TBookmarkDataVz));
}

void TCustomMemTableVz::SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) {
    TMTRecBuf* b = GetRecBuf(Buffer);
    if (Data.size() == sizeof(TBookmarkDataVz)) std::memcpy(&b->BookmarkData, Data.data(), sizeof(TBookmarkDataVz));
    else b->BookmarkData = {};
}

TBookmarkFlag TCustomMemTableVz::GetBookmarkFlag(TRecordBuffer Buffer) { return GetRecBuf(Buffer)->BookmarkFlag; }

void TCustomMemTableVz::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) { GetRecBuf(Buffer)->BookmarkFlag = Value; }

bool TCustomMemTableVz::ReadBookmark(const TBookmark& Bookmark, TBookmarkDataVz& Data) {
    if (Bookmark.size() != sizeof(TBookmarkDataVz)) return false;
    std::memcpy(&Data, Bookmark.data(), sizeof(TBookmarkDataVz));
    return Data.MemRec != nullptr;
}

int TCustomMemTableVz::RefreshBookmarkHints(TBookmarkDataVz& Data, bool NeedSortedPlace) const {
    // The item is fetched while the item table is read (a prefetch never faults, even where the
    // item is gone).
    if (Data.ItemHint) __builtin_prefetch(Data.ItemHint);
    TMemRecViewVz* item = FRecordsView->ItemById(Data.ItemId, Data.MemRec);
    const int oldRow = Data.RecViewIndex;
    if (item) {
        // The item the bookmark names knows its row (the old row is tried first).
        Data.RecViewIndex = FRecordsView->IndexOfItem(item, oldRow);
    } else if (oldRow >= 0 && oldRow < FRecordsView->Count() && FRecordsView->GetRec(oldRow) == Data.MemRec) {
        item = FRecordsView->GetRecordView(oldRow);
    } else {
        Data.RecViewIndex = FRecordsView->IndexOfRec(Data.MemRec);
        if (Data.RecViewIndex >= 0) item = FRecordsView->GetRecordView(Data.RecViewIndex);
    }
    if (Data.RecViewIndex != oldRow) Data.InSortedListIndex = -1;
    if (item) {
        Data.ItemId = item->Id();
        Data.ItemHint = item;
    }
    if (Data.RecViewIndex < 0) {
        Data.InSortedListIndex = item ? item->InSortedListIndex() : FRecordsView->IndexOfSortedListRec(Data.MemRec);
        if (Data.InSortedListIndex < 0) {
            Data.ItemId = 0;
            Data.ItemHint = nullptr;
        }
    } else if (NeedSortedPlace && Data.InSortedListIndex < 0) {
        Data.InSortedListIndex = item->InSortedListIndex();
    }
    return Data.RecViewIndex;
}

TBookmark TCustomMemTableVz::GetBookmark() {
    if (!FInstantBuffers.empty()) {
        TBookmark r;
        GetBookmarkData(FInstantBuffers.back(), r);
        return r;
    }
    return TDataSet::GetBookmark();
}

bool TCustomMemTableVz::BookmarkValid(const TBookmark& Bookmark) {
    TBookmarkDataVz d;
    if (!ReadBookmark(Bookmark, d) || !FActive) return false;
    RefreshBookmarkHints(d);
    return d.InSortedListIndex >= 0;
}

int TCustomMemTableVz::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
    if (Bookmark1.empty() || Bookmark2.empty()) {
        if (Bookmark1.empty() && Bookmark2.empty()) return 0;
        return Bookmark1.empty() ? -1 : 1;
    }
    TBookmarkDataVz a, b;
    ReadBookmark(Bookmark1, a);
    ReadBookmark(Bookmark2, b);
    if (a.MemRec == b.MemRec) return 0;
    RefreshBookmarkHints(a);
    RefreshBookmarkHints(b);
    // Rows of the view first; a record the view hides goes by its place in the sorted list.
    if (a.RecViewIndex >= 0 && b.RecViewIndex >= 0)
        return a.RecViewIndex < b.RecViewIndex ? -1 : (a.RecViewIndex > b.RecViewIndex ? 1 : 0);
    return a.InSortedListIndex < b.InSortedListIndex ? -1 : (a.InSortedListIndex > b.InSortedListIndex ? 1 : 0);
}

TBookmark TCustomMemTableVz::RecToBookmark(TMemoryRecordVz* Rec) const {
    TBookmarkDataVz d;
    d.MemRec = Rec;
    TBookmark r(sizeof(TBookmarkDataVz));
    std::memcpy(r.data(), &d, sizeof(d));
    return r;
}

TMemoryRecordVz* TCustomMemTableVz::BookmarkToRec(const TBookmark& Bookmark) const {
    TBookmarkDataVz d;
    return ReadBookmark(Bookmark, d) ? d.MemRec : nullptr;
}

int TCustomMemTableVz::BookmarkToRecNo(const TBookmark& Bookmark) {
    TBookmarkDataVz d;
    if (!ReadBookmark(Bookmark, d)) return 0;
    return RefreshBookmarkHints(d, false) + 1;
}

bool TCustomMemTableVz::BookmarkInVisibleView(const TBookmark& Bookmark) {
    TBookmarkDataVz d;
    if (!ReadBookmark(Bookmark, d)) return false;
    return RefreshBookmarkHints(d, false) >= 0;
}

int TCustomMemTableVz::InstantReadIndexOfBookmark(const TBookmark& Bookmark) {
    if (Bookmark.empty()) return -1;
    return BookmarkToRecNo(Bookmark) - 1;
}

void TCustomMemTableVz::InternalGotoBookmark(const TBookmark& Bookmark) {
    TBookmarkDataVz d;
    if (!ReadBookmark(Bookmark, d)) DatabaseError(L1(DbConsts::SRecordNotFound), this);
    const int row = RefreshBookmarkHints(d, false);
    if (row < 0 || row >= FRecordsView->ViewItemsCount()) DatabaseError(L1(DbConsts::SRecordNotFound), this);
    FRecordPos = row;
    FInstantReadCurRowNum = row;
}

void TCustomMemTableVz::InternalSetToRecord(TRecordBuffer Buffer) {
    TMTRecBuf* b = GetRecBuf(Buffer);
    TBookmarkDataVz d = b->BookmarkData;
    if (!d.MemRec) d.MemRec = b->MemRec;
    const int row = d.MemRec ? RefreshBookmarkHints(d, false) : -1;
    if (row < 0 || row >= FRecordsView->ViewItemsCount()) DatabaseError(L1(DbConsts::SRecordNotFound), this);
    b->BookmarkData = d;
    FRecordPos = row;
    FInstantReadCurRowNum = row;
}

void TCustomMemTableVz::InternalFirst() {
    FRecordPos = -1;
    FInstantReadCurRowNum = 0;
}

void TCustomMemTableVz::InternalLast() {
    if (FDataDriver && !FDataDriver->ProviderEOF()) {
        BeginViewUpdate();
        try {
            FetchFromDriver(-1);
        } catch (...) {
            EndViewUpdate(false);
            throw;
        }
        EndViewUpdate(false);
    }
    const int n = FRecordsView->ViewItemsCount();
    FRecordPos = n;
    FInstantReadCurRowNum = dsEditModes.Contains(State()) ? n : n - 1;
}

bool TCustomMemTableVz::GotoRec(TMemoryRecordVz* Rec) {
    const int row = FRecordsView->IndexOfRec(Rec);
    if (row < 0) return false;
    SetRecNo(row + 1);
    return true;
}

// ---- view updates and resynchronisation ---------------------------------------------------------

void TCustomMemTableVz::EndViewUpdate(bool Resync) {
    if (FRecordsViewUpdating > 0) --FRecordsViewUpdating;
    if (Resync && FRecordsViewUpdating == 0 && FRecordsViewUpdated) {
        FRecordsViewUpdated = false;
        if (State() != dsEdit && State() != dsInsert) ResyncView();
    }
}

// Puts the cursor on the active record again (its row may have moved) and re-reads the window.
void TCustomMemTableVz::ResyncView() {
    if (FRecordsViewUpdating > 0) {
        FRecordsViewUpdated = true;
        return;
    }
    if (!Active() || State() != dsBrowse) return;
    const int n = FRecordsView->ViewItemsCount();
    if (BufferedRecordCount() > 0) {
        TMTRecBuf* b = GetRecBuf(ActiveBuffer());
        if (b && b->BookmarkFlag == bfCurrent && b->MemRec) {
            TBookmarkDataVz d = b->BookmarkData;
            d.MemRec = b->MemRec;
            const int row = RefreshBookmarkHints(d, false);
            if (row >= 0) FRecordPos = row;
        }
    }
    if (FRecordPos >= n) FRecordPos = n - 1;
    if (FRecordPos < 0 && n > 0) FRecordPos = 0;
    Resync({});
}

// ---- field values -------------------------------------------------------------------------------

bool TCustomMemTableVz::GetFieldData(TField* Field, Variant& Value) {
    TMTRecBuf* b;
    if (!GetActiveRecBuf(b)) return false;
    if (Field->FieldKind() == fkAggregate) return false;
    Variant v;
    const int fieldNo = Field->FieldNo();
    if (fieldNo > 0 && b->MemRec && (b->UseMemRec || State() == dsOldValue || State() == dsCurValue)) {
        TMemoryRecordVz* rec = b->MemRec;
        const size_t i = static_cast<size_t>(fieldNo - 1);
        const bool old = State() == dsOldValue && rec->HasOldData();
        if (i < static_cast<size_t>(rec->ValueCount())) v = old ? rec->OldValue(static_cast<int>(i)) : rec->Value(static_cast<int>(i));
    } else {
        const size_t i = static_cast<size_t>(Field->Index());
        if (i < b->Values.size()) v = b->Values[i];
    }
    if (OnGetFieldValue.Assigned()) OnGetFieldValue(this, Field, v);
    if (VarIsNull(v) || VarIsEmpty(v)) return false;
    // The value in the kind the field type reads (see fields.h); one already of that kind is
    // handed over as it is.
    const TVarType kind = FieldTypeVarMap(Field->DataType());
    if (kind == varVariant || v.VType() == kind || VarIsArray(v)) Value = std::move(v);
    else Value = VarAsType(v, kind);
    return true;
}

Variant TCustomMemTableVz::GetAggregateValue(TField* Field) {
    auto* f = dynamic_cast<TAggregateField*>(Field);
    TMTRecBuf* b;
    if (!f || !AggregatesActive() || !GetActiveRecBuf(b)) return Null();
    auto* a = static_cast<TMTAggregateVz*>(f->Handle());
    return a ? a->Value() : Null();
}

void TCustomMemTableVz::ResetAggField(TField* Field) {
    auto* f = dynamic_cast<TAggregateField*>(Field);
    auto* a = f ? static_cast<TMTAggregateVz*>(f->Handle()) : nullptr;
    if (!a) return;
    TMTAggregatesVz* all = FRecordsView->Aggregates();
    all->BeginUpdate();
    try {
        a->Assign(f);
    } catch (...) {
        all->EndUpdate();
        throw;
    }
    all->EndUpdate();
    a->Reset();
    a->Recalc();
    if (Active()) DataEvent(deDataSetChange, 0);
}

bool TCustomMemTableVz::AggregatesActive() const { return FRecordsView->Aggregates()->Active(); }

void TCustomMemTableVz::SetAggregatesActive(bool Value) {
    if (Value == AggregatesActive()) return;
    FRecordsView->Aggregates()->SetActive(Value);
    bool hasAggFields = false;
    for (TField* f : *Fields())
        if (f->FieldKind() == fkAggregate) hasAggFields = true;
    if (Active() && hasAggFields) {
        UpdateCursorPos();
        Resync({});
    }
}

void TCustomMemTableVz::SetFieldData(TField* Field, const Variant& Value) {
    const bool dataField = IsDataField(Field);
    const TDataSetState st = State();
    if ((dataField || Field->FieldKind() == fkAggregate) && !dsWriteModes.Contains(st))
        DatabaseError(L1(DbConsts::SNotEditing), this);
    if (dataField && Field->ReadOnly() && st != dsSetKey && st != dsFilter)
        DatabaseErrorFmt(L1(DbConsts::SFieldReadOnly), {Field->DisplayName()}, this);
    TMTRecBuf* b;
    if (!GetActiveRecBuf(b, true)) return;
    Field->Validate(Value);
    Variant v = Value;
    if (!VarIsNull(v) && Field->DataType() == ftBCD) {
        if (auto* bf = dynamic_cast<TBCDField*>(Field); bf && bf->Precision() > 0) {
            const int s = Field->Size();
            const double limit = std::pow(10.0, bf->Precision() - s);
            if (std::fabs(v.AsDouble()) >= limit) throw EBcdOverflowException(L1(SBcdOverflow));
            if (s < 4) {
                const Currency c = v.AsCurrency();
                // Currency keeps four decimals: round the scaled integer to s places, ties to even.
                const Int64 unit = static_cast<Int64>(std::pow(10.0, 4 - s) + 0.5);
                Int64 raw = c.Raw();
                Int64 q = raw / unit, rem = raw % unit;
                const Int64 twice = 2 * (rem < 0 ? -rem : rem);
                if (twice > unit || (twice == unit && (q % 2 != 0))) q += raw < 0 ? -1 : 1;
                v = Variant(Currency::FromRaw(q * unit));
            }
        }
    }
    StoreFieldValue(b, Field, std::move(v), st);
}

void TCustomMemTableVz::StoreFieldValue(TMTRecBuf* b, TField* Field, Variant v, TDataSetState st) {
    const bool dataField = IsDataField(Field);
    if (OnSetFieldValue.Assigned()) OnSetFieldValue(this, Field, v);
    const size_t idx = static_cast<size_t>(Field->Index());
    if (b->Values.size() <= idx) b->Values.resize(static_cast<size_t>(FieldCount()) > idx ? FieldCount() : idx + 1);
    if (!dataField || Field->FieldNo() <= 0) {
        b->Values[idx] = v;
    } else {
        if (b->UseMemRec && b->MemRec) {
            const TMemoryRecordVz* data = b->MemRec;
            for (TField* f : *Fields())
                if (f->FieldNo() > 0 && f->FieldNo() - 1 < data->ValueCount() &&
                    static_cast<size_t>(f->Index()) < b->Values.size())
                    b->Values[static_cast<size_t>(f->Index())] = data->Value(f->FieldNo() - 1);
        }
        b->UseMemRec = false;
        b->Values[idx] = v;
    }
    if (st != dsCalcFields && st != dsFilter && st != dsNewValue && st != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<NativeInt>(Field));
}

bool TCustomMemTableVz::GetFieldDataAsObject(TField* Field, TObject*& Value) {
    Value = nullptr;
    Variant v;
    if (!GetFieldData(Field, v)) return false;
    Value = VarToRefObjectVz(v);
    return true;
}

void TCustomMemTableVz::SetFieldDataAsObject(TField* Field, TObject* Value) {
    const TDataSetState st = State();
    if ((IsDataField(Field) || Field->FieldKind() == fkAggregate) && !dsWriteModes.Contains(st))
        DatabaseError(L1(DbConsts::SNotEditing), this);
    TMTRecBuf* b;
    if (!GetActiveRecBuf(b, true)) return;
    Variant v = Null();
    if (Value) RefObjectToVarVz(Value, v);
    StoreFieldValue(b, Field, std::move(v), st);
}

TClass TCustomMemTableVz::GetFieldClass(TFieldType FieldType) const {
    if (FieldType == ftUnknown) return TRefObjectField::StaticClass();
    return TDataSet::GetFieldClass(FieldType);
}

// ---- TRefObjectField ----------------------------------------------------------------------------

TRefObjectField::TRefObjectField(TComponent* AOwner) : TField(AOwner) { FDataType = ftUnknown; }

namespace {
TCustomMemTableVz* RefObjectFieldDataSet(const TField* Field) {
    if (!Field->DataSet()) DatabaseErrorFmt(L1(DbConsts::SFieldHasNoDataSet), {Field->DisplayName()});
    return dynamic_cast<TCustomMemTableVz*>(Field->DataSet());
}
}  // namespace

TObject* TRefObjectField::Value() const {
    TObject* r = nullptr;
    if (TCustomMemTableVz* t = RefObjectFieldDataSet(this)) {
        t->GetFieldDataAsObject(const_cast<TRefObjectField*>(this), r);
        return r;
    }
    Variant v;
    if (GetData(v)) r = VarToRefObjectVz(v);
    return r;
}

void TRefObjectField::SetValue(TObject* Value) {
    if (TCustomMemTableVz* t = RefObjectFieldDataSet(this)) {
        t->SetFieldDataAsObject(this, Value);
        return;
    }
    Variant v = Null();
    if (Value) RefObjectToVarVz(Value, v);
    SetData(v);
}

Variant TRefObjectField::AsVariant() const {
    TObject* o = Value();
    if (!o) return Null();
    Variant v;
    RefObjectToVarVz(o, v);
    return v;
}

void TRefObjectField::SetAsVariant(const Variant& Value) {
    SetValue(VarIsNull(Value) || VarIsEmpty(Value) ? nullptr : VarToRefObjectVz(Value));
}

String TRefObjectField::AsString() const {
    TObject* o = Value();
    return o ? o->ClassName() : String();
}

void TCustomMemTableVz::ClearCalcFields(TRecordBuffer Buffer) {
    TMTRecBuf* b = GetRecBuf(Buffer);
    if (!b) return;
    for (TField* f : *Fields())
        if ((f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) && static_cast<size_t>(f->Index()) < b->Values.size())
            b->Values[static_cast<size_t>(f->Index())] = Null();
}

void TCustomMemTableVz::CalculateFields(TRecordBuffer Buffer) {
    TMTRecBuf* b = GetRecBuf(Buffer);
    if (b && b->UseMemRec && !b->NeedUpdateCalcFields) return;
    TDataSet::CalculateFields(Buffer);
    if (b) b->NeedUpdateCalcFields = false;
}

void TCustomMemTableVz::CopyBufferToRecord(TMTRecBuf* Buffer, TMemoryRecordVz* Rec) {
    if (State() == dsFilter) DatabaseError(L1(DbConsts::SNotEditing), this);
    if (Buffer->UseMemRec && Buffer->MemRec == Rec) return;
    for (TField* f : *Fields()) {
        if (f->FieldNo() <= 0 || !IsDataField(f)) continue;
        Variant v;
        if (Buffer->UseMemRec && Buffer->MemRec) v = Buffer->MemRec->Value(f->FieldNo() - 1);
        else if (static_cast<size_t>(f->Index()) < Buffer->Values.size()) v = Buffer->Values[static_cast<size_t>(f->Index())];
        else v = Null();
        if (VarIsEmpty(v)) v = Null();
        Rec->SetDataValue(f->FieldNo() - 1, dvvValueVz, v);
    }
}

// ---- editing ------------------------------------------------------------------------------------

bool TCustomMemTableVz::CachedUpdates() const { return MemTableData()->RecordsList()->CachedUpdates(); }

void TCustomMemTableVz::SetCachedUpdates(bool Value) { MemTableData()->RecordsList()->SetCachedUpdates(Value); }

bool TCustomMemTableVz::HasCachedChanges() const { return MemTableData()->RecordsList()->HasCachedChanges(); }

void TCustomMemTableVz::InternalInitRecord(TRecordBuffer Buffer) {
    TMTRecBuf* b = GetRecBuf(Buffer);
    b->SetLength(FieldCount());
    b->MemRec = nullptr;
    b->RecView = nullptr;
    b->UseMemRec = false;
    b->RecordNumber = -1;
    b->BookmarkData = {};
    b->NeedUpdateCalcFields = true;
}

void TCustomMemTableVz::InternalInsert() {
    TMTRecBuf* b = GetRecBuf(ActiveBuffer());
    if (b && b->BookmarkFlag == bfEOF) {
        if (FDataDriver && !FDataDriver->ProviderEOF()) {
            Resync({});
            throw Exception(L1(SAppendBeforeEOF));
        }
        FInstantReadCurRowNum = FRecordsView->ViewItemsCount();
    }
}

void TCustomMemTableVz::InternalEdit() {
    if (TMTRecBuf* b = GetRecBuf(ActiveBuffer())) b->NeedUpdateCalcFields = true;
}

// Runs one change of the store; without cached updates but with a driver, the change is logged
// for the moment and handed to the driver at once: a driver failure undoes it.
namespace {
template <class Fn>
void WriteThrough(TCustomMemTableVz* DS, TDataDriverVz* Driver, Fn&& Change) {
    TRecordsListVz* list = DS->MemTableData()->RecordsList();
    if (!Driver || list->CachedUpdates()) {
        Change();
        return;
    }
    list->SetCachedUpdates(true);
    try {
        Change();
    } catch (...) {
        list->SetCachedUpdates(false);
        throw;
    }
    list->SetCachedUpdates(false);
    try {
        DS->ApplyUpdatesToDriver(DS->MemTableData(), -1);
    } catch (...) {
        list->CancelUpdates();
        throw;
    }
    if (list->HasCachedChanges()) list->MergeChangeLog();
}
}  // namespace

void TCustomMemTableVz::InternalPost() {
    TDataSet::InternalPost();
    TMTRecBuf* b = GetRecBuf(ActiveBuffer());
    BeginViewUpdate();
    try {
        if (State() == dsEdit) {
            TMemoryRecordVz* rec = b->MemRec;
            if (!rec) DatabaseError(L1(DbConsts::SRecordNotFound), this);
            WriteThrough(this, FDataDriver, [&] {
                rec->Edit();
                try {
                    CopyBufferToRecord(b, rec);
                    if (FRecordsView->ViewAsTreeList() && FRecordsView->CheckReferenceLoop(rec, Variant()))
                        throw Exception(u"Reference-loop found"_S);
                } catch (...) {
                    rec->Cancel();
                    throw;
                }
                FRecordsView->SetIndexHint(rec, FRecordPos);
                rec->Post();
            });
            FRecordPos = FRecordsView->IndexOfLiveRec(rec);
        } else {
            InternalAddRecord(ActiveBuffer(), b->BookmarkFlag == bfEOF);
        }
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
}

void TCustomMemTableVz::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
    TMTRecBuf* b = GetRecBuf(Buffer);
    TMemoryRecordVz* rec = FRecordsView->NewRecord();
    try {
        CopyBufferToRecord(b, rec);
    } catch (...) {
        rec->Free();
        throw;
    }
    try {
        WriteThrough(this, FDataDriver, [&] {
            if (Append) FRecordsView->AddRecord(rec);
            else FRecordsView->InsertRecord(FRecordPos < 0 ? 0 : FRecordPos, rec);
        });
    } catch (...) {
        if (!rec->Attached()) rec->Free();
        throw;
    }
    FRecordPos = FRecordsView->IndexOfLiveRec(rec);
}

void TCustomMemTableVz::InternalDelete() {
    BeginViewUpdate();
    try {
        WriteThrough(this, FDataDriver, [&] {
            // The view finds the row where the dataset stands, without a search.
            if (FRecordPos >= 0 && FRecordPos < FRecordsView->Count())
                FRecordsView->SetIndexHint(FRecordsView->GetRec(FRecordPos), FRecordPos);
            FRecordsView->DeleteRecord(FRecordPos);
        });
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
    if (FRecordPos >= FRecordsView->ViewItemsCount()) --FRecordPos;
}

void TCustomMemTableVz::InternalCancel() {
    BeginViewUpdate();
    try {
        TMTRecBuf* b = GetRecBuf(ActiveBuffer());
        if (State() == dsEdit && b && b->MemRec && b->MemRec->EditState() == resEditVz) b->MemRec->Cancel();
        if (!CachedUpdates() && HasCachedChanges()) CancelUpdates();
        if (State() == dsEdit && b && b->MemRec) b->UseMemRec = true;
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
}

void TCustomMemTableVz::InternalRefresh() {
    DisableControls();
    try {
        if (FDataDriver) {
            FDataDriver->RefreshReader();
            if (MasterSource() && ProviderSide()) {
                FMasterValList->Clear();
                SetReaderParamsFromMaster();
            }
            FDataSetReader = FDataDriver->GetDataReader();
            if (FDataSetReader) FDataSetReader->FreeNotification(this);
            BeginViewUpdate();
            try {
                MemTableData()->ResetRecords();
                FetchFromDriver(FFetchAllOnOpen ? -1 : 1);
            } catch (...) {
                EndViewUpdate(false);
                throw;
            }
            EndViewUpdate(false);
        }
        RefreshFilteredView();
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

int TCustomMemTableVz::ApplyUpdatesToDriver(TMemTableDataVz* AMemTableData, int /*MaxErrors*/) {
    if (FDataDriver) return FDataDriver->ApplyUpdates(AMemTableData);
    AMemTableData->RecordsList()->MergeChangeLog();
    return 0;
}

int TCustomMemTableVz::ApplyUpdates(int MaxErrors) {
    CheckActive();
    CheckBrowseMode();
    UpdateCursorPos();
    int r;
    BeginViewUpdate();
    try {
        r = ApplyUpdatesToDriver(MemTableData(), MaxErrors);
    } catch (...) {
        EndViewUpdate(false);
        FRecordsViewUpdated = false;
        ResyncView();
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    ResyncView();
    return r;
}

void TCustomMemTableVz::CancelUpdates() {
    if (Active()) CheckBrowseMode();
    BeginViewUpdate();
    try {
        FRecordsView->CancelUpdates();
    } catch (...) {
        EndViewUpdate(true);
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    ResyncView();
}

void TCustomMemTableVz::MergeChangeLog() {
    BeginViewUpdate();
    try {
        FRecordsView->MergeChangeLog();
    } catch (...) {
        EndViewUpdate(true);
        throw;
    }
    EndViewUpdate(true);
}

void TCustomMemTableVz::RevertRecord() {
    Cancel();
    CheckBrowseMode();
    UpdateCursorPos();
    if (RecordCount() == 0) throw Exception(L1(SNoRecords));
    BeginViewUpdate();
    try {
        FRecordsView->RevertRecord(RecNo() - 1);
    } catch (...) {
        EndViewUpdate(true);
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    ResyncView();
}

void TCustomMemTableVz::RefreshRecord() {
    CheckActive();
    UpdateCursorPos();
    if (FDataDriver && RecordCount() > 0 && FRecordPos >= 0 && FRecordPos < RecordCount()) {
        FDataDriver->RefreshRecord(FRecordsView->GetRec(FRecordPos));
        ResyncView();
    }
}

TUpdateStatus TCustomMemTableVz::UpdateStatus() {
    CheckActive();
    TMTRecBuf* b;
    if (!GetActiveRecBuf(b) || !b->MemRec) return usUnmodified;
    return b->MemRec->UpdateStatus();
}

TUpdateErrorVz* TCustomMemTableVz::UpdateError() {
    CheckActive();
    TMTRecBuf* b;
    if (!GetActiveRecBuf(b) || !b->MemRec) return nullptr;
    return b->MemRec->UpdateError();
}

TUpdateStatusSet TCustomMemTableVz::StatusFilter() const { return FRecordsView->StatusFilter(); }

void TCustomMemTableVz::SetStatusFilter(TUpdateStatusSet Value) {
    if (Active()) CheckBrowseMode();
    BeginViewUpdate();
    FRecordsView->SetStatusFilter(Value);
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    if (Active()) First();
}

// ---- data driver --------------------------------------------------------------------------------

void TCustomMemTableVz::SetDataDriver(TDataDriverVz* Value) {
    if (Value == FDataDriver) return;
    if (Value && FExternalMemData) throw Exception(L1(SDriverWithExternalData));
    if (FDataDriver) {
        IDataDriverConsumerVz* c = FDataDriver;
        if (c->GetDataDriverConsumer() == this) c->SetDataDriverConsumer(nullptr);
        FDataDriver->RemoveFreeNotification(this);
    }
    FDataDriver = Value;
    if (Value) {
        IDataDriverConsumerVz* c = Value;
        if (auto* other = dynamic_cast<TCustomMemTableVz*>(c->GetDataDriverConsumer()); other && other != this)
            other->SetDataDriver(nullptr);
        c->SetDataDriverConsumer(this);
        Value->FreeNotification(this);
        DriverStructChanged();
    }
}

int TCustomMemTableVz::FetchFromDriver(int Count) {
    if (!FDataDriver) return 0;
    const int before = FRecordsView->ViewItemsCount();
    int read = FDataDriver->ReadData(MemTableData(), Count);
    if (Count > 0)
        while (FRecordsView->ViewItemsCount() < before + Count && !FDataDriver->ProviderEOF()) {
            const int one = FDataDriver->ReadData(MemTableData(), 1);
            if (one <= 0) break;
            read += one;
        }
    return read;
}

int TCustomMemTableVz::FetchAll() { return FetchFromDriver(-1); }

int TCustomMemTableVz::FetchRecords(int Count) {
    if (!Active()) return 0;
    BeginViewUpdate();
    int r;
    try {
        r = MemTableData()->FetchRecords(Count);
        if (r == 0) r = FetchFromDriver(Count);
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(r > 0);
    return r;
}

// ---- filters ------------------------------------------------------------------------------------

void TCustomMemTableVz::ParseFilterExpr() {
    FFilterExpr.reset();
    if (!FActive || !Filtered() || Trim(Filter()).isEmpty()) return;
    FFilterExpr = MakeRecordFilter(Filter());
}

TOwned<TDataSetExprParserVz> TCustomMemTableVz::MakeRecordFilter(const String& Text) {
    auto expr = NewOwned<TDataSetExprParserVz>(this, dsptFilterVz);
    expr->ParseExpression(Text);
    return expr;
}

void TCustomMemTableVz::SetFilterText(const String& Value) {
    if (!Active() || !Filtered()) {
        TDataSet::SetFilterText(Value);
        return;
    }
    if (Value == Filter()) return;
    TDataSet::SetFilterText(Value);
    ParseFilterExpr();
    RefreshFilteredView();
}

void TCustomMemTableVz::SetFiltered(bool Value) {
    if (!Active()) {
        TDataSet::SetFiltered(Value);
        return;
    }
    CheckBrowseMode();
    if (Value == Filtered()) return;
    TDataSet::SetFiltered(Value);
    ParseFilterExpr();
    RefreshFilteredView();
}

void TCustomMemTableVz::SetOnFilterRecord(const TFilterRecordEvent& Value) {
    if (!Active()) {
        TDataSet::SetOnFilterRecord(Value);
        return;
    }
    CheckBrowseMode();
    TDataSet::SetOnFilterRecord(Value);
    if (Filtered()) RefreshFilteredView();
}

void TCustomMemTableVz::SetFilterOptions(TFilterOptions Value) {
    TDataSet::SetFilterOptions(Value);
    if (Active() && Filtered()) {
        ParseFilterExpr();
        RefreshFilteredView();
    }
}

bool TCustomMemTableVz::IsRecordAccepted(TMemoryRecordVz* Rec, TMemRecViewVz* /*ViewItem*/) {
    if (!FActive) return true;
    const bool extra = FExtraFilters && FExtraFilters->ActiveFilterCount() > 0;
    const bool hasText = Filtered() && FFilterExpr && FFilterExpr->HasData();
    const bool hasEvent = Filtered() && FOnFilterRecord.Assigned();
    const bool extraEvent = extra && FExtraFilters->HasEventActiveFilter();
    const bool detail = FDetailMode && FMasterDetailSide != mdsOnProviderVz && !FDetailStoreFields.empty();
    if (!hasText && !hasEvent && !extra && !detail) return true;
    bool accept = true;
    TDataSetState old = dsInactive;
    bool tempState = false;
    try {
        // Events read fields; so does an expression over calculated fields: the temporary buffer
        // shows the record with its calculated values.
        if ((hasEvent || extraEvent || ((hasText || extra) && CalcFieldsCount() > 0)) && !FBuffers.empty()) {
            old = SetTempState(dsFilter);
            tempState = true;
            TMTRecBuf* b = GetRecBuf(TempBuffer());
            FillBufferFromRecord(Rec, -1, b);
            CalculateFields(TempBuffer());
        }
        if (hasText) accept = FFilterExpr->IsCurRecordInFilter(Rec);
        if (hasEvent) FOnFilterRecord(this, accept);
        if (accept && detail) {
            const size_t n = FDetailStoreFields.size();
            if (FMasterKeysStale || FMasterKeys.size() != n) {
                FMasterKeys.clear();
                for (size_t i = 0; i < n; ++i) FMasterKeys.push_back(KeyAt(FMasterValues, i, n));
                FMasterKeysStale = false;
            }
            for (size_t i = 0; i < n && accept; ++i)
                accept = TStoredKeyMatchVz(FMasterKeys[i]).Matches(Rec, FDetailStoreFields[i]);
        }
        if (accept && extra) accept = FExtraFilters->IsCurRecordInFilter(Rec);
    } catch (EAbort&) {
        if (tempState) RestoreState(old);
        throw;
    } catch (...) {
        if (tempState) RestoreState(old);
        InternalHandleException();
        return accept;
    }
    if (tempState) RestoreState(old);
    return accept;
}

TRecordsTestVz TCustomMemTableVz::AcceptRecords(TMemoryRecordVz* const* Recs, int Count, unsigned char* Passes) {
    if (!FActive) return rtAllPassVz;
    const bool extra = FExtraFilters && FExtraFilters->ActiveFilterCount() > 0;
    const bool hasText = Filtered() && FFilterExpr && FFilterExpr->HasData();
    const bool hasEvent = Filtered() && FOnFilterRecord.Assigned();
    const bool detail = FDetailMode && FMasterDetailSide != mdsOnProviderVz && !FDetailStoreFields.empty();
    // What IsRecordAccepted shows a record in the temporary buffer for goes one by one.
    if (hasEvent || extra || detail || (hasText && CalcFieldsCount() > 0 && !FBuffers.empty())) return rtOneByOneVz;
    if (!hasText) return rtAllPassVz;
    // A record whose test raises is handled as IsRecordAccepted handles it: it passes.
    int at = 0;
    while (at < Count) {
        try {
            FFilterExpr->FilterRecords(Recs, Count, Passes, at);
        } catch (EAbort&) {
            throw;
        } catch (...) {
            InternalHandleException();
            Passes[at++] = 1;
        }
    }
    return rtTestedVz;
}

void TCustomMemTableVz::RefreshFilteredView() {
    if (!Active()) return;
    BeginViewUpdate();
    try {
        FRecordsView->RefreshFilteredRecsList(false);
        while (FDataDriver && !FDataDriver->ProviderEOF() && FRecordsView->ViewItemsCount() == 0 && FetchFromDriver(1) > 0) {
        }
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    ClearBuffers();
    FRecordPos = -1;
    FInstantReadCurRowNum = 0;
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
    MTViewDataEvent(-1, mtViewDataChangedVz, -1);
    DataEvent(deDataSetChange, 0);
}

// ---- search -------------------------------------------------------------------------------------

Variant TCustomMemTableVz::StoredKeyValue(TMemoryRecordVz* Rec, const std::vector<int>& StoreFields) const {
    if (StoreFields.size() == 1) return Rec->Value(StoreFields[0]);
    Variant r = VarArrayCreate({0, static_cast<int>(StoreFields.size()) - 1}, varVariant);
    for (size_t i = 0; i < StoreFields.size(); ++i) r.PutElement(static_cast<int>(i), Rec->Value(StoreFields[i]));
    return r;
}

const std::vector<TField*>& TCustomMemTableVz::KeyFieldList(const String& KeyFields) {
    // The same text is often the same characters (a literal): then they need no comparing.
    bool same = !FKeyFields.empty() && ((KeyFields.constData() == FKeyFieldsText.constData() &&
                                         KeyFields.size() == FKeyFieldsText.size()) ||
                                        KeyFields == FKeyFieldsText);
    for (size_t i = 0; same && i < FKeyFields.size(); ++i)
        same = Fields()->IndexOf(FKeyFields[i]) >= 0 && FKeyFields[i]->FieldName() == FKeyFieldNames[i];
    if (!same) {
        FKeyFields.clear();
        FKeyFieldNames.clear();
        FKeyFieldsText.clear();
        std::vector<TField*> fields;
        GetFieldList(fields, KeyFields);
        for (TField* f : fields) FKeyFieldNames.push_back(f->FieldName());
        FKeyFields = std::move(fields);
        FKeyFieldsText = KeyFields;
    }
    return FKeyFields;
}

int TCustomMemTableVz::FindRec(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options,
                               int StartRecIndex, bool TryUseIndex) {
    const std::vector<TField*>& keyFields = KeyFieldList(KeyFields);
    const size_t n = keyFields.size();
    if (n == 0) return -1;
    bool storedPath = Options.Empty();
    for (TField* f : keyFields)
        if (f->FieldKind() != fkData) storedPath = false;
    TRecordsListVz* list = MemTableData()->RecordsList();
    TMTIndexVz* index = storedPath && TryUseIndex ? list->Indexes()->GetIndexForFields(KeyFields) : nullptr;
    if (index && !index->Active()) index = nullptr;
    int found = -1;
    if (index) {
        // The index names the records by their store position: the view answers their rows.
        auto visit = [&](int recIndex) {
            const int row = FRecordsView->IndexOfStoredRec(list, recIndex);
            if (row >= StartRecIndex && (found < 0 || row < found)) found = row;
        };
        if (n == 1 && VarIsArray(KeyValues)) index->ForEachMatchedRecIndex(KeyAt(KeyValues, 0, 1), visit);
        else index->ForEachMatchedRecIndex(KeyValues, visit);
        if (found >= 0 || !FDataDriver) return found;
    }
    // Reading fields runs handlers, which may look up other key lists: they read a copy.
    std::vector<TField*> fields;
    if (!storedPath || FDataDriver) fields = keyFields;
    auto fieldPathMatch = [&](int row) {
        InstantReadEnter(row);
        bool ok = true;
        try {
            for (size_t i = 0; i < n && ok; ++i) {
                TField* f = fields[i];
                const Variant key = KeyAt(KeyValues, i, n);
                if (!Options.Contains(loPartialKey) && !IsStringFieldType(f->DataType())) {
                    ok = VarEqualsVz(f->AsVariant(), key);
                } else {
                    String text = f->AsString();
                    const String k = VarToStr(key);
                    if (Options.Contains(loPartialKey)) text = text.left(k.size());
                    ok = Options.Contains(loCaseInsensitive) ? AnsiCompareText(text, k) == 0 : AnsiCompareStr(text, k) == 0;
                }
            }
        } catch (...) {
            InstantReadLeave();
            throw;
        }
        InstantReadLeave();
        return ok;
    };
    const int count = FRecordsView->ViewItemsCount();
    if (index) {
        // Searched above: the records still to come from the driver are matched below.
    } else if (storedPath) {
        std::vector<int> sf;
        std::vector<TStoredKeyMatchVz> keys;
        for (size_t i = 0; i < n; ++i) {
            sf.push_back(keyFields[i]->FieldNo() - 1);
            keys.emplace_back(KeyAt(KeyValues, i, n));
        }
        for (int row = std::max(StartRecIndex, 0); row < count && found < 0; ++row) {
            TMemoryRecordVz* rec = FRecordsView->GetRec(row);
            bool ok = true;
            for (size_t i = 0; i < n && ok; ++i) ok = keys[i].Matches(rec, sf[i]);
            if (ok) found = row;
        }
    } else {
        for (int row = std::max(StartRecIndex, 0); row < count && found < 0; ++row)
            if (fieldPathMatch(row)) found = row;
    }
    while (found < 0 && FDataDriver && !FDataDriver->ProviderEOF()) {
        BeginViewUpdate();
        int read = 0;
        try {
            read = FetchFromDriver(1);
        } catch (...) {
            EndViewUpdate(false);
            throw;
        }
        EndViewUpdate(false);
        if (read <= 0) break;
        const int last = FRecordsView->ViewItemsCount() - 1;
        if (last >= StartRecIndex && fieldPathMatch(last)) found = last;
    }
    return found;
}

bool TCustomMemTableVz::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    if (Bof() && Eof()) return false;
    const int row = FindRec(KeyFields, KeyValues, Options, 0, true);
    if (row < 0) return false;
    BeginViewUpdate();
    try {
        DoBeforeScroll();
        FRecordPos = row;
        Resync({rmExact, rmCenter});
    } catch (...) {
        EndViewUpdate(true);
        throw;
    }
    EndViewUpdate(true);
    DoAfterScroll();
    return true;
}

Variant TCustomMemTableVz::Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
    Variant result;
    FRecordsView->SetCatchChanged(false);
    const int row = FindRec(KeyFields, KeyValues, {}, 0, true);
    if (row >= 0) {
        InstantReadEnter(row);
        try {
            result = FieldValues(ResultFields);
        } catch (...) {
            InstantReadLeave();
            throw;
        }
        InstantReadLeave();
    }
    if (FRecordsView->CatchChanged()) ResyncView();
    return result;
}

Variant TCustomMemTableVz::LookupAll(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
    std::vector<Variant> values;
    int row = FindRec(KeyFields, KeyValues, {}, 0, false);
    while (row >= 0) {
        InstantReadEnter(row);
        try {
            values.push_back(FieldValues(ResultFields));
        } catch (...) {
            InstantReadLeave();
            throw;
        }
        InstantReadLeave();
        row = FindRec(KeyFields, KeyValues, {}, row + 1, false);
    }
    if (values.empty()) return Variant();
    if (values.size() == 1) return values[0];
    Variant r = VarArrayCreate({0, static_cast<int>(values.size()) - 1}, varVariant);
    for (size_t i = 0; i < values.size(); ++i) r.PutElement(static_cast<int>(i), values[i]);
    return r;
}

// ---- sorting ------------------------------------------------------------------------------------

void TCustomMemTableVz::SetSortOrder(const String& Value) {
    if (Value == FSortOrder) return;
    if (Active()) {
        CheckBrowseMode();
        FRecordsView->SetSortOrder(Value);  // an unknown name raises and keeps the old order
        FSortOrder = Value;
        ClearBuffers();
        FRecordPos = -1;
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
        DataEvent(deDataSetChange, 0);
    } else {
        FSortOrder = Value;
    }
}

Variant TCustomMemTableVz::SortValue(TMemoryRecordVz* Rec, const TOrderByItemVz* Item) {
    if (FGetOrderVarValueProc && Rec && Item->ExtObjIndex >= 0) {
        const auto it = FSortingValues.find(Rec);
        if (it == FSortingValues.end()) return Null();
        const Variant& v = it->second;
        return VarIsArray(v) ? v.GetElement(Item->ExtObjIndex) : v;
    }
    if (!Rec || Item->FieldIndex < 0 || Item->FieldIndex >= FieldCount()) return Null();
    InstantReadEnter(Rec, FRecordsView->ItemOfLiveRec(Rec), -1);
    Variant v;
    try {
        v = Fields()->Fields(Item->FieldIndex)->AsVariant();
    } catch (...) {
        InstantReadLeave();
        throw;
    }
    InstantReadLeave();
    return v;
}

int TCustomMemTableVz::CompareRecords(TMemoryRecordVz* Rec1, TMemoryRecordVz* Rec2, TObject* ParamSort) {
    auto* list = dynamic_cast<TOrderByList*>(ParamSort);
    if (list) {
        for (int i = 0; i < list->Count(); ++i) {
            const TOrderByItemVz* item = list->Items(i);
            const int idx = item->MTFieldIndex;
            int c;
            if (idx < 0 && (item->FieldIndex >= 0 || item->ExtObjIndex >= 0)) {
                c = CompareValuesVz(SortValue(Rec1, item), SortValue(Rec2, item), item->CaseIns);
                if (item->Desc) c = -c;
                if (c != 0) return c;
                continue;
            }
            if (idx < 0 || idx >= Rec1->ValueCount() || idx >= Rec2->ValueCount()) continue;
            c = CompareValuesVz(Rec1->Value(idx), Rec2->Value(idx), item->CaseIns);
            if (item->Desc) c = -c;
            if (c != 0) return c;
        }
    }
    const int d = Rec1->Index() - Rec2->Index();
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

void TCustomMemTableVz::SortByFields(const String& SortText) {
    if (!Active() || RecordCount() == 0) return;
    CheckBrowseMode();
    if (InstantReadMode()) throw Exception(L1(SSortInInstantRead));
    auto list = NewOwned<TRecordsViewOrderByList>(FRecordsView.get());
    list->ParseOrderByStr(SortText);
    const bool ci = FOptions.Contains(mtoTextFieldsCaseInsensitive);
    for (int i = 0; i < list->Count(); ++i) list->Items(i)->CaseIns = ci && IsTextSortTypeVz(list->Items(i)->DataType);
    BeginViewUpdate();
    try {
        MemTableData()->RecordsList()->SortData(list.get(), [this](TMemoryRecordVz* a, TMemoryRecordVz* b, TObject* p) {
            return CompareRecords(a, b, p);
        });
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    ClearBuffers();
    UpdateCursorPos();
    ResyncView();
}

void TCustomMemTableVz::SortWithExternalProc(const std::vector<bool>& DescDirections, const TGetOrderVarValueProcVz& Proc) {
    if (!Active() || RecordCount() == 0 || DescDirections.empty()) return;
    CheckBrowseMode();
    if (InstantReadMode()) throw Exception(L1(SSortInInstantRead));
    auto list = NewOwned<TRecordsViewOrderByList>(FRecordsView.get());
    const bool ci = FOptions.Contains(mtoTextFieldsCaseInsensitive);
    for (size_t i = 0; i < DescDirections.size(); ++i) {
        auto* item = New<TOrderByItemVz>();
        item->FieldIndex = -1;
        item->MTFieldIndex = -1;
        item->Desc = DescDirections[i];
        item->CaseIns = ci;
        item->ExtObjIndex = static_cast<int>(i);
        list->Add(item);
    }
    // Every stored record's keys.
    TRecordsListVz* records = MemTableData()->RecordsList();
    FSortingValues.reserve(static_cast<size_t>(records->Count()));
    const int n = static_cast<int>(DescDirections.size());
    auto release = [&] {
        FGetOrderVarValueProc = nullptr;
        std::unordered_map<const TMemoryRecordVz*, Variant>().swap(FSortingValues);
    };
    try {
        for (int r = 0; r < records->Count(); ++r) {
            TMemoryRecordVz* rec = records->Rec(r);
            InstantReadEnter(rec, FRecordsView->ItemOfLiveRec(rec), -1);
            try {
                Variant& key = FSortingValues[rec];
                if (n < 2) {
                    Proc(key, 0);
                } else {
                    key = VarArrayCreate({0, n - 1}, varVariant);
                    for (int i = 0; i < n; ++i) {
                        Variant v;
                        Proc(v, i);
                        key.PutElement(i, v);
                    }
                }
            } catch (...) {
                InstantReadLeave();
                throw;
            }
            InstantReadLeave();
        }
        FGetOrderVarValueProc = Proc;
        BeginViewUpdate();
        try {
            records->SortData(list.get(), [this](TMemoryRecordVz* a, TMemoryRecordVz* b, TObject* p) {
                return CompareRecords(a, b, p);
            });
        } catch (...) {
            EndViewUpdate(false);
            throw;
        }
        EndViewUpdate(false);
    } catch (...) {
        release();
        throw;
    }
    release();
    FRecordsViewUpdated = false;
    ClearBuffers();
    UpdateCursorPos();
    ResyncView();
}

void TCustomMemTableVz::SetFilterAborted() { FRecordsView->SetFilterAborted(true); }

// ---- instant reads and view events --------------------------------------------------------------

int TCustomMemTableVz::GetInstantReadCurRow() {
    if (Active() && BufferedRecordCount() > 0 && State() == dsBrowse) {
        try {
            UpdateCursorPos();
        } catch (const EDatabaseError&) {
        }
    }
    return FInstantReadCurRowNum;
}

void TCustomMemTableVz::InstantReadEnter(int RowNum) {
    TRecordBuffer h = AllocRecordBuffer();
    FInstantBuffers.push_back(h);
    TMTRecBuf* b = GetRecBuf(h);
    const TDataSetState st = State();
    if ((st == dsEdit || st == dsInsert) && RowNum == FInstantReadCurRowNum) {
        TMTRecBuf* a = GetRecBuf(ActiveBuffer());
        b->BookmarkData = a->BookmarkData;
        b->BookmarkFlag = a->BookmarkFlag;
        b->RecordNumber = a->RecordNumber;
        b->RecView = a->RecView;
        b->MemRec = a->MemRec;
        b->Values = a->Values;
        b->UseMemRec = a->UseMemRec;
        b->NeedUpdateCalcFields = a->NeedUpdateCalcFields;
        if (st == dsInsert) {
            b->RecordNumber = -1;
            b->RecView = nullptr;
            b->MemRec = nullptr;
            b->UseMemRec = false;
            b->BookmarkData = {};
        }
        return;
    }
    const int n = FRecordsView->ViewItemsCount();
    if (n > 0) {
        int row = RowNum;
        if (st == dsInsert && FStateInsert && row > FInstantReadCurRowNum) --row;
        if (row >= 0 && row < n) {
            FillBufferFromRecord(FRecordsView->GetRec(row), row, b);
            if (CalcFieldsCount() > 0) {
                TDataSetState old = SetTempState(dsCalcFields);
                RestoreState(old);
                CalculateFields(h);
            }
            return;
        }
    }
    b->Clear();
    b->MemRec = nullptr;
    b->UseMemRec = false;
    b->RecordNumber = -1;
}

void TCustomMemTableVz::InstantReadEnter(TMemoryRecordVz* Rec, TMemRecViewVz* Item, int RowNum) {
    TRecordBuffer h = AllocRecordBuffer();
    FInstantBuffers.push_back(h);
    TMTRecBuf* b = GetRecBuf(h);
    FillBufferFromRecord(Rec, RowNum, b);
    b->RecView = Item;
    if (CalcFieldsCount() > 0) CalculateFields(h);
}

void TCustomMemTableVz::InstantReadLeave() {
    if (FInstantBuffers.empty()) throw Exception(L1(SNotInInstantRead));
    TRecordBuffer h = FInstantBuffers.back();
    FInstantBuffers.pop_back();
    FreeRecordBuffer(h);
}

int TCustomMemTableVz::InstantReadViewRow() {
    if (FInstantBuffers.empty()) return GetInstantReadCurRow();
    const int r = GetRecBuf(FInstantBuffers.back())->RecordNumber;
    if (State() == dsInsert && FStateInsert) {
        if (r == -1) return FInstantReadCurRowNum;
        return r >= FInstantReadCurRowNum ? r + 1 : r;
    }
    return r;
}

int TCustomMemTableVz::InstantReadRowCount() {
    const int n = RecordCount();
    return State() == dsInsert && FStateInsert ? n + 1 : n;
}

void TCustomMemTableVz::RegisterEventReceiver(TComponent* Receiver) {
    if (!Receiver || std::find(FEventReceivers.begin(), FEventReceivers.end(), Receiver) != FEventReceivers.end()) return;
    FEventReceivers.push_back(Receiver);
    Receiver->FreeNotification(this);
}

int TCustomMemTableVz::UnregisterEventReceiver(TComponent* Receiver) {
    auto it = std::find(FEventReceivers.begin(), FEventReceivers.end(), Receiver);
    if (it == FEventReceivers.end()) return -1;
    const int i = static_cast<int>(it - FEventReceivers.begin());
    FEventReceivers.erase(it);
    return i;
}

void TCustomMemTableVz::MTEnableControls(bool ForceUpdateState) {
    if (ControlsDisabled()) {
        MTViewDataEvent(-1, mtViewDataChangedVz, -1);
        if (ForceUpdateState) DataEvent(deDisabledStateChange, 0);
    }
    EnableControls();
}

void TCustomMemTableVz::MTViewDataEvent(int RowNum, TMTViewEventTypeVz Event, int OldRowNum) {
    if (!Active() && State() != dsOpening) return;
    if (ControlsDisabled()) {
        if (FMTViewDataEventInactiveCount == 0) {
            FInactiveEventRowNum = RowNum;
            FInactiveEvent = Event;
            FInactiveEventOldRowNum = OldRowNum;
            FMTViewDataEventInactiveCount = 1;
        } else {
            FInactiveEventRowNum = -1;
            FInactiveEvent = mtViewDataChangedVz;
            FInactiveEventOldRowNum = -1;
            FMTViewDataEventInactiveCount = 2;
        }
        return;
    }
    FMTViewDataEventInactiveCount = 0;
    // Every receiver hears the event; the first failure is raised after all of them.
    std::exception_ptr failure;
    const std::vector<TComponent*> receivers = FEventReceivers;
    for (TComponent* c : receivers) {
        if (std::find(FEventReceivers.begin(), FEventReceivers.end(), c) == FEventReceivers.end()) continue;
        if (auto* r = dynamic_cast<IMTEventReceiverVz*>(c)) {
            try {
                r->MTViewDataEvent(RowNum, Event, OldRowNum);
            } catch (...) {
                if (!failure) failure = std::current_exception();
            }
        }
    }
    if (FStateInsert && Event == mtRowInsertedVz && FStateInsertRowNum >= RowNum) ++FStateInsertRowNum;
    if (failure) std::rethrow_exception(failure);
}

int TCustomMemTableVz::GridRowOfViewIndex(int Index) const {
    if (FStateInsert && Index >= FInstantReadCurRowNum) return Index + 1;
    return Index;
}

void TCustomMemTableVz::ViewDataEvent(TMemoryRecordVz* /*MemRec*/, int Index, TRecordsListNotification Action) {
    if (!FActive) return;
    switch (Action) {
        case rlnRecAddedVz: MTViewDataEvent(GridRowOfViewIndex(Index), mtRowInsertedVz, -1); break;
        case rlnRecChangedVz: MTViewDataEvent(GridRowOfViewIndex(Index), mtRowChangedVz, -1); break;
        case rlnRecDeletedVz: MTViewDataEvent(GridRowOfViewIndex(Index), mtRowDeletedVz, -1); break;
        case rlnListChangedVz:
            MTViewDataEvent(-1, mtViewDataChangedVz, -1);
            break;
        default: break;
    }
    if (FRecordsViewUpdating > 0) FRecordsViewUpdated = true;
    else if (State() == dsBrowse) ResyncView();
}

void TCustomMemTableVz::ViewRecordMoved(TMemoryRecordVz* /*Item*/, int OldIndex, int NewIndex) {
    if (FActive && !ControlsDisabled())
        MTViewDataEvent(GridRowOfViewIndex(NewIndex), mtRowMovedVz, GridRowOfViewIndex(OldIndex));
}

void TCustomMemTableVz::DataEventHook(TDataEvent Event, NativeInt /*Info*/) {
    if (Active() && !ControlsDisabled() && FMTViewDataEventInactiveCount > 0) {
        const int row = FInactiveEventRowNum, old = FInactiveEventOldRowNum;
        const TMTViewEventTypeVz ev = FInactiveEvent;
        FMTViewDataEventInactiveCount = 0;
        MTViewDataEvent(row, ev, old);
    }
    if (Event == deUpdateState) {
        if (State() == dsInsert && !FStateInsert) {
            FStateInsert = true;
            const int row = FInstantReadCurRowNum;
            MTViewDataEvent(row, mtRowInsertedVz, -1);
            FStateInsertRowNum = row;
        } else if (State() == dsBrowse && FStateInsert) {
            FStateInsert = false;
            MTViewDataEvent(FStateInsertRowNum, mtRowDeletedVz, -1);
            FStateInsertRowNum = -1;
        }
    }
    if (Active() && !FOldActive) {
        FOldActive = true;
        MTViewDataEvent(-1, mtViewDataChangedVz, -1);
    }
    FOldActive = Active();
}

// ---- record moving and range aggregates ---------------------------------------------------------

bool TCustomMemTableVz::MoveRecord(int FromIndex, int ToIndex, int TreeLevel, bool CheckOnly) {
    const int n = Active() ? RecordCount() : 0;
    if (!Active() || FromIndex < 0 || ToIndex < 0 || FromIndex >= n || ToIndex >= n) return true;
    if (FRecordsView->ViewAsTreeList()) return MoveTreeNode(FromIndex, ToIndex, TreeLevel, CheckOnly);
    if (CheckOnly) return true;
    TMemoryRecordVz* cur = Rec();
    TRecordsListVz* list = MemTableData()->RecordsList();
    BeginViewUpdate();
    try {
        list->Move(FRecordsView->GetRec(FromIndex)->Index(), FRecordsView->GetRec(ToIndex)->Index());
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    if (cur) {
        const int row = FRecordsView->IndexOfLiveRec(cur);
        if (row >= 0) FRecordPos = row;
    }
    ClearBuffers();
    Resync({});
    return true;
}

bool TCustomMemTableVz::MoveTreeNode(int FromIndex, int ToIndex, int TreeLevel, bool CheckOnly) {
    const int n = RecordCount();
    TRecordsViewVz* v = FRecordsView.get();
    TMemRecViewVz* src = v->GetRecordView(FromIndex);
    // The rows around the gap the node is dropped into.
    TMemRecViewVz* above = nullptr;
    TMemRecViewVz* below = nullptr;
    if (FromIndex < ToIndex) {
        above = v->GetRecordView(ToIndex);
        if (ToIndex + 1 < n) below = v->GetRecordView(ToIndex + 1);
    } else {
        if (ToIndex > 0) above = v->GetRecordView(ToIndex - 1);
        below = v->GetRecordView(ToIndex);
    }
    enum { kNone, kAfter, kBefore, kUnder } place = kNone;
    TMemRecViewVz* node = nullptr;
    if (above && above->NodeLevel() == TreeLevel) {
        place = kAfter;
        node = above;
    } else if (below && below->NodeLevel() == TreeLevel) {
        place = kBefore;
        node = below;
    } else if (above && above->NodeLevel() < TreeLevel) {
        place = kUnder;
        node = above;
    } else if (above && above->NodeLevel() > TreeLevel) {
        node = above;
        while (node && node->NodeLevel() > TreeLevel) node = node->NodeParent();
        if (!node) return true;  // climbed past the top level
        place = kAfter;
    }
    if (place == kNone) return true;
    if (node == src) return place != kUnder;  // beside itself: nothing changes; under itself: refused
    // The new parent reference: the node's own parent's (beside it) or the node's key (under it).
    TMemoryRecordVz* rec = src->Rec();
    const TIntArrayVz& refFields = v->TreeViewRefParentFields();
    const TIntArrayVz& from = place == kUnder ? v->TreeViewKeyFields() : refFields;
    if (refFields.empty() || from.size() != refFields.size()) return true;
    Variant ref;
    if (from.size() == 1) {
        ref = node->Rec()->Value(from[0]);
    } else {
        ref = VarArrayCreate({0, static_cast<int>(from.size()) - 1}, varVariant);
        for (size_t i = 0; i < from.size(); ++i) ref.PutElement(static_cast<int>(i), node->Rec()->Value(from[i]));
    }
    TRecordsListVz* list = MemTableData()->RecordsList();
    const int at = rec->Index(), nodeAt = node->Rec()->Index();
    int target = at;
    if (place == kAfter) target = at < nodeAt ? nodeAt : nodeAt + 1;
    else if (place == kBefore) target = at < nodeAt ? nodeAt - 1 : nodeAt;
    if (OnRecordsViewCheckMoveNode.Assigned() &&
        !OnRecordsViewCheckMoveNode(this, src, place == kUnder ? node : node->NodeParent(), place == kUnder ? 0 : target))
        return false;
    // A Null reference (a top-level neighbour) is no loop; Empty would mean the record's own.
    const bool loop = !VarIsNull(ref) && v->CheckReferenceLoop(rec, ref);
    if (CheckOnly || loop) return !loop;
    TMemoryRecordVz* cur = Rec();
    BeginViewUpdate();
    try {
        WriteThrough(this, FDataDriver, [&] {
            rec->Edit();
            try {
                for (size_t i = 0; i < refFields.size(); ++i)
                    rec->SetDataValue(refFields[i], dvvValueVz,
                                      refFields.size() == 1 ? ref : ref.GetElement(static_cast<int>(i)));
            } catch (...) {
                rec->Cancel();
                throw;
            }
            rec->Post();
        });
        if (place != kUnder && rec->Index() != target) list->Move(rec->Index(), target);
    } catch (...) {
        EndViewUpdate(false);
        throw;
    }
    EndViewUpdate(false);
    FRecordsViewUpdated = false;
    if (cur) {
        const int row = FRecordsView->IndexOfLiveRec(cur);
        if (row >= 0) FRecordPos = row;
    }
    ClearBuffers();
    Resync({});
    return true;
}

bool TCustomMemTableVz::MoveRecords(TBMListVz* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) {
    std::vector<TMemoryRecordVz*> recs;
    for (int i = 0; i < BookmarkList->Count(); ++i)
        if (TMemoryRecordVz* r = BookmarkToRec(BookmarkList->Items(i))) recs.push_back(r);
    if (!CheckOnly) BeginViewUpdate();
    bool ok = true;
    try {
        int to = ToRecNo - 1;
        for (size_t k = recs.size(); k-- > 0 && ok;) {
            const int from = FRecordsView->IndexOfRec(recs[k]);
            if (from < 0) continue;
            int dest = to;
            if (k + 1 < recs.size() && from < to) --dest;
            ok = MoveRecord(from, dest, TreeLevel, CheckOnly);
        }
        if (!CheckOnly) {
            BookmarkList->BeginUpdate();
            for (int i = 0; i < BookmarkList->Count(); ++i)
                if (TMemoryRecordVz* r = BookmarkToRec(BookmarkList->Items(i))) {
                    TBookmarkDataVz d;
                    d.MemRec = r;
                    RefreshBookmarkHints(d);
                    TBookmark b(sizeof(d));
                    std::memcpy(b.data(), &d, sizeof(d));
                    BookmarkList->SetItems(i, b);
                }
            BookmarkList->Sort();
            BookmarkList->EndUpdate();
        }
    } catch (...) {
        if (!CheckOnly) EndViewUpdate(true);
        throw;
    }
    if (!CheckOnly) EndViewUpdate(true);
    return ok;
}

void TCustomMemTableVz::GetAggregatedValuesForRange(const TBookmark& FromBM, const TBookmark& ToBM,
                                                    const String& FieldName, TAggrResultsVz& Results,
                                                    TAggrFunctionsVz Functions) {
    Results = {Null(), Variant(0), Null(), Null(), Null()};
    if (!Active()) return;
    if ((!FromBM.empty() && !BookmarkValid(FromBM)) || (!ToBM.empty() && !BookmarkValid(ToBM))) return;
    const int first = FromBM.empty() ? 1 : BookmarkToRecNo(FromBM);
    const int last = ToBM.empty() ? RecordCount() : BookmarkToRecNo(ToBM);
    if (FieldName.isEmpty()) {
        if (Functions == TAggrFunctionsVz{agfCountVz}) Results[agfCountVz] = Variant(last >= first ? last - first + 1 : 0);
        return;
    }
    TMTDataFieldVz* df = MemTableData()->DataStruct()->FindField(FieldName);
    if (!df) return;
    const int idx = df->Index();
    const bool numeric = IsNumericVarType(df->VarDataType());
    const bool isDate = df->VarDataType() == varDate;
    const bool wantSum = Functions.Contains(agfSumVz) || Functions.Contains(agfAvg);
    const bool wantCount = Functions.Contains(agfCountVz) || Functions.Contains(agfAvg);
    int count = 0;
    Variant sum = Null(), mn = Null(), mx = Null();
    for (int row = first; row <= last; ++row) {
        const Variant& v = FRecordsView->GetRec(row - 1)->Value(idx);
        if (VarIsNull(v) || VarIsEmpty(v)) continue;
        if (wantCount) ++count;
        if (!numeric) continue;
        if (wantSum && !isDate) sum = VarIsNull(sum) ? v : sum + v;
        if (Functions.Contains(agfMin) && (VarIsNull(mn) || v < mn)) mn = v;
        if (Functions.Contains(agfMax) && (VarIsNull(mx) || v > mx)) mx = v;
    }
    if (Functions.Contains(agfSumVz)) Results[agfSumVz] = sum;
    Results[agfCountVz] = Variant(count);
    if (Functions.Contains(agfAvg) && !VarIsNull(sum) && count > 0) Results[agfAvg] = sum / Variant(count);
    Results[agfMin] = mn;
    Results[agfMax] = mx;
}

// ---- loading, copying, saving -------------------------------------------------------------------

int TCustomMemTableVz::LoadFromDataSet(TDataSet* Source, int RecordCount, TLoadMode Mode, bool UseCachedUpdates) {
    if (!Source || Source == this) return 0;
    const bool sourceActive = Source->Active();
    Source->DisableControls();
    DisableControls();
    int copied = 0;
    try {
        Source->Open();
        Source->CheckBrowseMode();
        Source->UpdateCursorPos();
        if (Mode == lmCopy || Mode == lmCopyStructureOnly) {
            Close();
            MemTableData()->DestroyTable();
            MemTableData()->DataStruct()->BuildStructFromFields(Source->Fields());
            FieldDefs()->SetUpdated(false);
            InternalInitFieldDefs();
        }
        if (Mode != lmCopyStructureOnly) {
            if (!Active()) Open();
            CheckBrowseMode();
            if (RecordCount <= 0) Source->First();
            TMTDataStructVz* st = MemTableData()->DataStruct();
            // Store field → source field, by name.
            std::vector<TField*> map(static_cast<size_t>(st->Count()), nullptr);
            std::vector<TField*> dsMap;  // this dataset's fields → source fields
            if (!(Source->Bof() && Source->Eof())) {
                for (int i = 0; i < st->Count(); ++i) map[static_cast<size_t>(i)] = Source->FindField(st->GetDataField(i)->FieldName());
                for (TField* f : *Fields()) dsMap.push_back(Source->FindField(f->FieldName()));
            }
            TRecordsListVz* list = MemTableData()->RecordsList();
            const bool viaEdits = UseCachedUpdates && CachedUpdates();
            try {
                if (!viaEdits) list->BeginUpdate();
                try {
                    while (!Source->Eof() && (RecordCount <= 0 || copied < RecordCount)) {
                        if (viaEdits) {
                            Append();
                            int k = 0;
                            for (TField* f : *Fields()) {
                                TField* s = dsMap.empty() ? nullptr : dsMap[static_cast<size_t>(k)];
                                ++k;
                                if (!s || !IsDataField(f)) continue;
                                if (Mode == lmAppend && (f->DataType() == ftAutoInc || f->AutoGenerateValue() == arAutoInc)) continue;
                                f->SetAsVariant(s->AsVariant());
                            }
                            Post();
                        } else {
                            TMemoryRecordVz* rec = list->NewRecord();
                            try {
                                for (int i = 0; i < st->Count(); ++i) {
                                    TMTDataFieldVz* df = st->GetDataField(i);
                                    if (Mode == lmAppend && (df->AutoIncrement() || df->DataType() == ftAutoInc)) {
                                        rec->SetIntegerValue(i, MemTableData()->AutoIncrement()->Promote());
                                        continue;
                                    }
                                    TField* s = map[static_cast<size_t>(i)];
                                    if (s) rec->SetFieldValue(i, s);
                                }
                                list->FetchRecord(rec);
                            } catch (...) {
                                if (!rec->Attached()) rec->Free();
                                throw;
                            }
                        }
                        ++copied;
                        Source->Next();
                    }
                } catch (...) {
                    if (!viaEdits) list->EndUpdate();
                    throw;
                }
                if (!viaEdits) list->EndUpdate();
            } catch (...) {
                First();
                throw;
            }
            First();
        }
    } catch (...) {
        EnableControls();
        Source->EnableControls();
        if (!sourceActive) Source->Close();
        throw;
    }
    EnableControls();
    Source->EnableControls();
    if (!sourceActive) Source->Close();
    return copied;
}

int TCustomMemTableVz::LoadFromMemTableVz(TCustomMemTableVz* Source, int RecordCount, TLoadMode Mode,
                                          TMemTableLoadOptionsVz Options) {
    if (!Source || Source == this) return 0;
    const bool wasActive = Active();
    DisableControls();
    int copied = 0;
    try {
        TMemTableDataVz* src = Source->MemTableData();
        if (Mode == lmCopy || Mode == lmCopyStructureOnly) {
            Close();
            MemTableData()->DestroyTable();
            MemTableData()->DataStruct()->Assign(src->DataStruct());
        }
        if (Mode != lmCopyStructureOnly) {
            std::vector<TMemoryRecordVz*> recs;
            const bool all = Options.Contains(tloDisregardFilterVz) || !Source->Active();
            if (all) {
                for (int i = 0; i < src->RecordsList()->Count(); ++i) recs.push_back(src->RecordsList()->Rec(i));
            } else {
                for (int i = 0; i < Source->RecordsView()->Count(); ++i) recs.push_back(Source->RecordsView()->GetRec(i));
            }
            if (RecordCount > 0) {
                TMemoryRecordVz* cur = Source->Active() ? Source->Rec() : nullptr;
                auto it = cur ? std::find(recs.begin(), recs.end(), cur) : recs.begin();
                recs.erase(recs.begin(), it);
                if (static_cast<int>(recs.size()) > RecordCount) recs.resize(static_cast<size_t>(RecordCount));
            }
            TMTDataStructVz* st = MemTableData()->DataStruct();
            TMTDataStructVz* sst = src->DataStruct();
            std::vector<int> map(static_cast<size_t>(st->Count()), -1);
            for (int i = 0; i < st->Count(); ++i)
                map[static_cast<size_t>(i)] = Mode == lmAppend ? sst->FieldIndex(st->GetDataField(i)->FieldName())
                                                               : (i < sst->Count() ? i : -1);
            TRecordsListVz* list = MemTableData()->RecordsList();
            const bool asUser = Options.Contains(tloUseCachedUpdatesVz);
            list->BeginUpdate();
            try {
                for (TMemoryRecordVz* s : recs) {
                    TMemoryRecordVz* rec = list->NewRecord();
                    try {
                        for (int i = 0; i < st->Count(); ++i)
                            if (map[static_cast<size_t>(i)] >= 0)
                                rec->SetDataValue(i, dvvValueVz, s->Value(map[static_cast<size_t>(i)]));
                        if (asUser) list->AddRecord(rec);
                        else list->FetchRecord(rec);
                    } catch (...) {
                        if (!rec->Attached()) rec->Free();
                        throw;
                    }
                    ++copied;
                }
            } catch (...) {
                list->EndUpdate();
                throw;
            }
            list->EndUpdate();
        }
        if (Options.Contains(tloOpenOnLoad) || wasActive) Open();
        else Close();
        if (Active() && Source->Active())
            for (TField* f : *Fields())
                if (TField* s = Source->FindField(f->FieldName()); s && s->Index() < FieldCount()) f->SetIndex(s->Index());
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    return copied;
}

int TCustomMemTableVz::SaveToDataSet(TDataSet* Dest, int RecordCount) {
    if (!Dest || Dest == this) return 0;
    CheckBrowseMode();
    UpdateCursorPos();
    DisableControls();
    Dest->DisableControls();
    int written = 0;
    try {
        if (Dest->Active()) Dest->CheckBrowseMode();
        else Dest->Open();
        if (RecordCount <= 0) First();
        std::vector<std::pair<TField*, TField*>> pairs;
        for (TField* d : *Dest->Fields())
            if (IsDataField(d))
                if (TField* s = FindField(d->FieldName())) pairs.emplace_back(d, s);
        while (!Eof() && (RecordCount <= 0 || written < RecordCount)) {
            Dest->Append();
            for (auto& [d, s] : pairs) d->SetAsVariant(s->AsVariant());
            Dest->Post();
            ++written;
            Next();
        }
        Dest->First();
    } catch (...) {
        Dest->EnableControls();
        EnableControls();
        throw;
    }
    Dest->EnableControls();
    EnableControls();
    return written;
}

void TCustomMemTableVz::SaveToStream(TStream* Stream, TDfmStreamFormatVz Format) {
    TMemTableDataVz* store = MemTableData();
    store->SetStoreStructInStream(true);
    store->SetStoreRecordsInStream(true);
    auto write = [store](TStream* To) {
        auto w = NewOwned<TWriter>(To);
        w->WriteRootComponent(store);
        w->FlushBuffer();
    };
    if (Format == dfmTextVz) {
        auto bin = NewOwned<TMemoryStream>();
        write(bin.get());
        bin->SetPosition(0);
        ObjectBinaryToText(bin.get(), Stream);
    } else {
        write(Stream);
    }
}

void TCustomMemTableVz::LoadFromStream(TStream* Stream) {
    const TStreamOriginalFormat fmt = TestStreamFormat(Stream);
    if (fmt == sofUnknown) throw Exception(L1(SInvalidStreamFormat));
    auto bin = NewOwned<TMemoryStream>();
    if (fmt == sofText) {
        ObjectTextToBinary(Stream, bin.get());
    } else {
        bin->CopyFrom(Stream, Stream->Size() - Stream->Position());
    }
    bin->SetPosition(0);
    // Read into a fresh store: a stream that fails leaves the records as they were.
    auto fresh = NewOwned<TMemTableDataVz>(nullptr);
    {
        TMemTableDataVz* f = fresh.get();
        auto r = NewOwned<TReader>(bin.get());
        r->OnCreateComponent = [f](TReader*, TClass Cls, TComponent*& Component) {
            if (Cls->InheritsFrom(TMTDataStructVz::StaticClass())) Component = f->DataStruct();
            else if (Cls->InheritsFrom(TRecordsListVz::StaticClass())) Component = f->RecordsList();
        };
        r->ReadRootComponent(f);
    }
    const bool wasActive = Active();
    Close();
    TMemTableDataVz* store = MemTableData();
    store->DestroyTable();
    store->DataStruct()->Assign(fresh->DataStruct());
    store->AutoIncrement()->Assign(fresh->AutoIncrement());
    store->AutoIncrement()->SetCurValue(fresh->AutoIncrement()->CurValue());
    store->RecordsList()->TakeRecordsFrom(fresh->RecordsList());
    if (wasActive) Open();
}

void TCustomMemTableVz::SaveToFile(const String& FileName, TDfmStreamFormatVz Format) {
    auto f = NewOwned<TSafeFileStream>(FileName);
    SaveToStream(f.get(), Format);
    f->Commit();
}

void TCustomMemTableVz::LoadFromFile(const String& FileName) {
    auto f = NewOwned<TFileStream>(FileName, fmOpenRead);
    LoadFromStream(f.get());
}

// ---- tree mode ----------------------------------------------------------------------------------

bool TMemTableTreeListVz::Active() const { return FMemTable->RecordsView()->ViewAsTreeList(); }

void TMemTableTreeListVz::SetActive(bool Value) {
    if (Value == Active()) return;
    FMemTable->DisableControls();
    try {
        FMemTable->RecordsView()->SetViewAsTreeList(Value);
        FMemTable->AfterTreeChange();
    } catch (...) {
        FMemTable->EnableControls();
        throw;
    }
    FMemTable->EnableControls();
}

const String& TMemTableTreeListVz::KeyFieldName() const { return FMemTable->RecordsView()->TreeViewKeyFieldName(); }
void TMemTableTreeListVz::SetKeyFieldName(const String& Value) { FMemTable->RecordsView()->SetTreeViewKeyFieldName(Value); }
const String& TMemTableTreeListVz::RefParentFieldName() const { return FMemTable->RecordsView()->TreeViewRefParentFieldName(); }
void TMemTableTreeListVz::SetRefParentFieldName(const String& Value) {
    FMemTable->RecordsView()->SetTreeViewRefParentFieldName(Value);
}
bool TMemTableTreeListVz::DefaultNodeExpanded() const { return FMemTable->RecordsView()->DefaultNodeExpanded(); }
void TMemTableTreeListVz::SetDefaultNodeExpanded(bool Value) { FMemTable->RecordsView()->SetDefaultNodeExpanded(Value); }
bool TMemTableTreeListVz::DefaultNodeHasChildren() const { return FMemTable->RecordsView()->DefaultNodeHasChildren(); }
void TMemTableTreeListVz::SetDefaultNodeHasChildren(bool Value) { FMemTable->RecordsView()->SetDefaultNodeHasChildren(Value); }
bool TMemTableTreeListVz::FullBuildCheck() const { return FMemTable->RecordsView()->FullBuildCheck(); }
void TMemTableTreeListVz::SetFullBuildCheck(bool Value) { FMemTable->RecordsView()->SetFullBuildCheck(Value); }
bool TMemTableTreeListVz::FilterNodeIfParentVisible() const { return FMemTable->RecordsView()->FilterNodeIfParentVisible(); }
void TMemTableTreeListVz::SetFilterNodeIfParentVisible(bool Value) {
    FMemTable->RecordsView()->SetFilterNodeIfParentVisible(Value);
    if (FMemTable->Active()) FMemTable->AfterTreeChange();
}

void TMemTableTreeListVz::FullExpand() {
    FMemTable->DisableControls();
    try {
        FMemTable->RecordsView()->FullExpand();
        FMemTable->AfterTreeChange();
    } catch (...) {
        FMemTable->EnableControls();
        throw;
    }
    FMemTable->EnableControls();
}

void TMemTableTreeListVz::FullCollapse() {
    FMemTable->DisableControls();
    try {
        FMemTable->RecordsView()->FullCollapse();
        FMemTable->AfterTreeChange();
    } catch (...) {
        FMemTable->EnableControls();
        throw;
    }
    FMemTable->EnableControls();
}

bool TMemTableTreeListVz::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    FMemTable->CheckBrowseMode();
    if (FMemTable->IsEmpty()) return false;
    std::vector<TField*> fields;
    FMemTable->GetFieldList(fields, KeyFields);
    TRecordsViewVz* v = FMemTable->RecordsView();
    const std::vector<TMemRecViewVz*> all = v->TreeFlatItems();
    for (TMemRecViewVz* n : all) {
        bool ok = true;
        for (size_t i = 0; i < fields.size() && ok; ++i) {
            const Variant val = n->Rec()->Value(fields[i]->FieldNo() - 1);
            const Variant key = KeyAt(KeyValues, i, fields.size());
            if (!Options.Empty() && fields.size() == 1) {
                String text = VarToStr(val);
                const String k = VarToStr(key);
                if (Options.Contains(loPartialKey)) text = text.left(k.size());
                ok = Options.Contains(loCaseInsensitive) ? AnsiCompareText(text, k) == 0 : AnsiCompareStr(text, k) == 0;
            } else {
                ok = VarEqualsVz(val, key);
            }
        }
        if (!ok) continue;
        for (TMemRecViewVz* p = n->NodeParent(); p; p = p->NodeParent())
            if (!p->NodeExpanded()) v->SetNodeExpanded(p, true);
        return FMemTable->GotoRec(n->Rec());
    }
    return false;
}

void TCustomMemTableVz::AfterTreeChange() {
    if (Active()) ResyncView();
}

bool TCustomMemTableVz::GetViewAsTreeList() const { return FRecordsView->ViewAsTreeList(); }

TMemRecViewVz* TCustomMemTableVz::TreeNode() {
    CheckActive();
    if (!FRecordsView->ViewAsTreeList()) return nullptr;
    TMTRecBuf* b;
    if (!GetActiveRecBuf(b) || !b->MemRec) return nullptr;
    return b->RecView && b->RecView->Rec() == b->MemRec ? b->RecView : nullptr;
}

int TCustomMemTableVz::TreeNodeLevel() {
    TMemRecViewVz* n = TreeNode();
    return n ? n->NodeLevel() : -1;
}

bool TCustomMemTableVz::TreeNodeExpanded() {
    TMemRecViewVz* n = TreeNode();
    return n && n->NodeExpanded();
}

void TCustomMemTableVz::SetTreeNodeExpanded(bool Value) {
    CheckActive();
    TMemRecViewVz* n = TreeNode();
    if (!n) {
        TMTRecBuf* b;
        if (GetActiveRecBuf(b)) b->NewTreeNodeExpanded = Value;
        return;
    }
    FRecordsView->SetNodeExpanded(n, Value);
    ResyncView();
}

bool TCustomMemTableVz::TreeNodeHasChildren() {
    TMemRecViewVz* n = TreeNode();
    return n && n->NodesCount() > 0;
}

bool TCustomMemTableVz::TreeNodeHasVisibleChildren() {
    TMemRecViewVz* n = TreeNode();
    return n && n->NodeHasVisibleChildren();
}

int TCustomMemTableVz::TreeNodeChildCount() {
    TMemRecViewVz* n = TreeNode();
    return n ? n->VisibleNodesCount() : -1;
}

int TCustomMemTableVz::GetPriorRowTreeNodeLevel() {
    CheckActive();
    const int r = RecNo();
    if (!FRecordsView->ViewAsTreeList() || r <= 1) return -1;
    return FRecordsView->GetRecordView(r - 2)->NodeLevel();
}

int TCustomMemTableVz::GetNextRowTreeNodeLevel() {
    CheckActive();
    const int r = RecNo();
    if (!FRecordsView->ViewAsTreeList() || r < 1 || r >= RecordCount()) return -1;
    return FRecordsView->GetRecordView(r)->NodeLevel();
}

bool TCustomMemTableVz::AncestorHasNextSibling(int Level) {
    TMemRecViewVz* n = TreeNode();
    if (Level <= 0 || !n) return false;
    while (n && n->NodeLevel() > Level) n = n->NodeParent();
    return n && n->NodeLevel() == Level && n->NextVisibleSibling() != nullptr;
}

bool TCustomMemTableVz::AncestorHasPriorSibling(int Level) {
    TMemRecViewVz* n = TreeNode();
    if (Level <= 0 || !n) return false;
    while (n && n->NodeLevel() > Level) n = n->NodeParent();
    return n && n->NodeLevel() == Level && n->PriorVisibleSibling() != nullptr;
}

int TCustomMemTableVz::SetRowTreeNodeExpanded(int RowNum, bool Expanded) {
    CheckActive();
    if (!FRecordsView->ViewAsTreeList() || RowNum < 0 || RowNum >= FRecordsView->Count()) return -1;
    TMemRecViewVz* current = TreeNode();
    TMemRecViewVz* node = FRecordsView->GetRecordView(RowNum);
    FRecordsView->SetNodeExpanded(node, Expanded);
    int answer = -1;
    if (current && FRecordsView->IndexOfLiveRec(current->Rec()) < 0) {
        TMemRecViewVz* p = current->NodeParent();
        while (p && FRecordsView->IndexOfLiveRec(p->Rec()) < 0) p = p->NodeParent();
        if (p) {
            answer = FRecordsView->IndexOfLiveRec(p->Rec()) + 1;
            FRecordPos = answer - 1;
        }
    }
    ClearBuffers();
    ResyncView();
    if (Active()) DoAfterScroll();
    return answer;
}

// ---- value lists --------------------------------------------------------------------------------

void TFieldValueListDeleterVz::operator()(IMemTableDataFieldValueListVz* P) const {
    if (auto* o = dynamic_cast<TObject*>(P)) o->Free();
}

TFieldValueListPtrVz TCustomMemTableVz::GetFieldValueList(const String& FieldName) {
    TField* f = FindField(FieldName);
    if (!f) return nullptr;
    if (f->FieldKind() == fkLookup) {
        auto* l = New<TDatasetFieldValueListVz>();
        l->SetDataSet(f->LookupDataSet());
        l->SetFieldName(f->LookupResultField());
        return TFieldValueListPtrVz(l);
    }
    auto* l = New<TMemTableDataFieldValueListVz>(this);
    l->SetDataObject(MemTableData());
    l->SetFieldName(FieldName);
    return TFieldValueListPtrVz(l);
}

TMemTableDataFieldValueListVz::TMemTableDataFieldValueListVz(TCustomMemTableVz* ADataSet)
    : FDataSet(ADataSet), FNotificator(NewOwned<TRecordsListNotificatorVz>(nullptr)), FValues(NewOwned<TStringList>()) {
    FNotificator->OnDataEvent = [this](TMemoryRecordVz*, int, TRecordsListNotification) { FDataObsoleted = true; };
}

TMemTableDataFieldValueListVz::~TMemTableDataFieldValueListVz() {
    if (FNotificator) FNotificator->SetDataObject(nullptr);
}

TComponent* TMemTableDataFieldValueListVz::DataObject() const { return FNotificator->DataObject(); }

void TMemTableDataFieldValueListVz::SetDataObject(TComponent* Value) {
    FNotificator->SetDataObject(Value);
    FDataObsoleted = true;
}

void TMemTableDataFieldValueListVz::SetFieldName(const String& Value) {
    if (Value == FFieldName) return;
    FFieldName = Value;
    FDataObsoleted = true;
    Rebuild();
}

void TMemTableDataFieldValueListVz::SetFilter(const String& Filter) {
    if (Filter == FFilter) return;
    FFilter = Filter;
    FFilterExpr.reset();
    if (!Trim(Filter).isEmpty()) {
        FFilterExpr = NewOwned<TDataSetExprParserVz>(FDataSet, dsptFilterVz);
        FFilterExpr->ParseExpression(Filter);
    }
    FDataObsoleted = true;
}

bool TMemTableDataFieldValueListVz::Passes(TMemoryRecordVz* Rec) {
    if (!FFilterExpr) return true;
    return FFilterExpr->IsCurRecordInFilter(Rec);
}

TStrings* TMemTableDataFieldValueListVz::GetValues() {
    if (FDataObsoleted) Rebuild();
    return FValues.get();
}

void TMemTableDataFieldValueListVz::Rebuild() {
    FValues->Clear();
    FValues->SetSorted(false);
    FDataObsoleted = false;
    TComponent* obj = DataObject();
    if (auto* view = dynamic_cast<TRecordsViewVz*>(obj)) {
        TMTDataStructVz* st = view->MemTableData() ? view->MemTableData()->DataStruct() : nullptr;
        const int idx = st ? st->FieldIndex(FFieldName) : -1;
        if (idx < 0) return;
        auto all = NewOwned<TStringList>();
        for (int i = 0; i < view->Count(); ++i) all->Add(VarToDisplayStrVz(view->GetRec(i)->Value(idx)));
        all->Sort();
        for (int i = 0; i < all->Count(); ++i)
            if (FValues->Count() == 0 || FValues->Strings(FValues->Count() - 1) != all->Strings(i)) FValues->Add(all->Strings(i));
        return;
    }
    auto* store = dynamic_cast<TMemTableDataVz*>(obj);
    if (!store) return;
    TMTDataFieldVz* df = store->DataStruct()->FindField(FFieldName);
    if (!df) return;
    const TFieldType t = df->DataType();
    switch (t) {
        case ftBlob: case ftGraphic: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftCursor:
        case ftArray: case ftReference: case ftDataSet: case ftOraBlob: case ftVariant: case ftConnection:
        case ftParams: case ftStream: case ftObject:
            return;
        default:
            if (static_cast<int>(t) > 51) return;
    }
    const int idx = df->Index();
    TRecordsListVz* list = store->RecordsList();
    if (t == ftString || t == ftWideString) {
        FValues->SetCaseSensitive(!FDataSet->FilterOptions().Contains(foCaseInsensitive));
        FValues->SetDuplicates(dupIgnore);
        FValues->SetSorted(true);
        for (int i = 0; i < list->Count(); ++i) {
            TMemoryRecordVz* r = list->Rec(i);
            if (r && Passes(r)) FValues->Add(VarToStr(r->Value(idx)));
        }
        return;
    }
    TMTIndexVz* index = TMTIndexVz::CreateApart(list);
    try {
        index->SetFields(df->FieldName());
        index->SetActive(true);
        String last;
        bool any = false;
        for (int i = 0; i < index->Count(); ++i) {
            TMemoryRecordVz* r = list->Rec(index->Items(i)->RecIndex);
            if (!r || !Passes(r)) continue;
            const String text = VarToDisplayStrVz(index->Items(i)->Value);
            if (any && text == last) continue;
            FValues->Add(text);
            last = text;
            any = true;
        }
    } catch (...) {
        index->Free();
        throw;
    }
    index->Free();
}

// ---- extra filters ------------------------------------------------------------------------------

TMemTableFilterItemVz::TMemTableFilterItemVz(TCollection* Collection) : TCollectionItem(Collection) {}

TMemTableFilterItemVz::~TMemTableFilterItemVz() = default;

TCustomMemTableVz* TMemTableFilterItemVz::MemTable() const {
    auto* c = dynamic_cast<TMemTableFiltersVz*>(Collection());
    return c ? c->MemTable() : nullptr;
}

void TMemTableFilterItemVz::RecreateFilterExpr() {
    FFilterExpr.reset();
    TCustomMemTableVz* t = MemTable();
    if (FActive && !Trim(FFilter).isEmpty() && t && t->Active()) FFilterExpr = t->MakeRecordFilter(FFilter);
}

void TMemTableFilterItemVz::SetActive(bool Value) {
    if (Value == FActive) return;
    FActive = Value;
    Changed(false);
}

void TMemTableFilterItemVz::SetFilter(const String& Value) {
    if (Value == FFilter) return;
    FFilter = Value;
    if (FActive) Changed(false);
}

void TMemTableFilterItemVz::SetOnFilterRecord(const TFilterRecordEvent& Value) {
    FOnFilterRecord = Value;
    if (FActive) Changed(false);
}

void TMemTableFilterItemVz::FilterProcChanged() {
    if (FActive) Changed(false);
}

bool TMemTableFilterItemVz::IsCurRecordInFilter(TMemoryRecordVz* Rec) {
    bool accept = true;
    TCustomMemTableVz* t = MemTable();
    if (FFilterExpr && t) accept = FFilterExpr->IsCurRecordInFilter(Rec);
    if (FActive && FOnFilterRecord.Assigned() && t) FOnFilterRecord(t, accept);
    return accept;
}

int TMemTableFiltersVz::IndexOfFilter(TMemTableFilterItemVz* Item) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i) == Item) return i;
    return -1;
}

bool TMemTableFiltersVz::HasEventActiveFilter() const {
    for (TMemTableFilterItemVz* i : FActiveItems)
        if (i->OnFilterRecord().Assigned()) return true;
    return false;
}

bool TMemTableFiltersVz::IsCurRecordInFilter(TMemoryRecordVz* Rec) {
    for (TMemTableFilterItemVz* i : FActiveItems)
        if (!i->IsCurRecordInFilter(Rec)) return false;
    return true;
}

void TMemTableFiltersVz::Update(TCollectionItem* Item) {
    TCollection::Update(Item);
    const bool hadActive = !FActiveItems.empty();
    FActiveItems.clear();
    for (int i = 0; i < Count(); ++i) {
        TMemTableFilterItemVz* f = Items(i);
        f->RecreateFilterExpr();
        if (f->Filtered()) FActiveItems.push_back(f);
    }
    if (!Item && !hadActive && FActiveItems.empty()) return;
    if (FMemTable && FMemTable->Active() && !FMemTable->ComponentState().Contains(csDestroying)) FMemTable->RefreshFilteredView();
}

TMemTableFilterItemVz* TCustomMemTableVz::AddFilter(const String& FilterText, const TFilterRecordEvent& FilterProc) {
    FExtraFilters->BeginUpdate();
    auto* item = static_cast<TMemTableFilterItemVz*>(FExtraFilters->Add());
    item->SetFilter(FilterText);
    item->SetOnFilterRecord(FilterProc);
    item->SetActive(true);
    FExtraFilters->EndUpdate();
    return item;
}

bool TCustomMemTableVz::UpdateFilter(TMemTableFilterItemVz* Item, const String& FilterText,
                                     const TFilterRecordEvent& FilterProc) {
    if (FExtraFilters->IndexOfFilter(Item) < 0) return false;
    if (Item->Filter() != FilterText) {
        FExtraFilters->BeginUpdate();
        Item->SetFilter(FilterText);
        Item->SetOnFilterRecord(FilterProc);
        FExtraFilters->EndUpdate();
    } else if (Item->OnFilterRecord() == FilterProc) {
        Item->FilterProcChanged();
    } else {
        Item->SetOnFilterRecord(FilterProc);
    }
    return true;
}

bool TCustomMemTableVz::DeleteFilter(TMemTableFilterItemVz* Item) {
    const int i = FExtraFilters->IndexOfFilter(Item);
    if (i < 0) return false;
    FExtraFilters->Delete(i);
    return true;
}

// ---- master-detail ------------------------------------------------------------------------------

TDataSource* TCustomMemTableVz::MasterSource() const { return FMasterDataLink ? FMasterDataLink->DataSource() : nullptr; }

void TCustomMemTableVz::SetMasterSource(TDataSource* Value) {
    if (Value && Value->DataSet() == this) DatabaseError(L1(DbConsts::SCircularDataLink), this);
    FMasterDataLink->SetDataSource(Value);
    UpdateDetailMode(true);
}

const String& TCustomMemTableVz::MasterFields() const { return FMasterDataLink->FieldNames(); }

void TCustomMemTableVz::SetMasterFields(const String& Value) {
    FMasterDataLink->SetFieldNames(Value);
    UpdateDetailMode(true);
}

void TCustomMemTableVz::SetDetailFields(const String& Value) {
    FDetailFields = Value;
    UpdateDetailMode(true);
}

void TCustomMemTableVz::SetMasterDetailSide(TMasterDetailSideVz Value) {
    if (Value == FMasterDetailSide) return;
    FMasterDetailSide = Value;
    UpdateDetailMode(false);
    if (!FDetailMode || !Active()) return;
    if (FMasterDetailSide == mdsOnProviderVz) {
        Close();
        Open();
    } else {
        RefreshFilteredView();
    }
}

void TCustomMemTableVz::SetReaderParamsFromMaster() {
    TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
    if (!master || !master->Active() || master->State() == dsSetKey || !FDataDriver) return;
    FDataDriver->SetReaderParamsFromCursor(master);
    if (FMasterDetailSide == mdsOnSelfAfterProviderVz) {
        int at = 0;
        const Variant values = CurrentMasterValues();
        if (!FMasterValList->FindKeyValueIndex(values, at)) FMasterValList->Add(New<TSortedVarItemVz>(values));
    }
}

void TCustomMemTableVz::ProviderMasterChanged() {
    TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
    if (!master || !master->Active() || master->State() == dsSetKey || !FDataDriver) return;
    DisableControls();
    try {
        if (FMasterDetailSide == mdsOnProviderVz) {
            if (FDataDriver->RefreshReaderParamsFromCursor(master)) {
                Close();
                Open();
            }
        } else if (FMasterDetailSide == mdsOnSelfAfterProviderVz && Active()) {
            int at = 0;
            if (!FMasterValList->FindKeyValueIndex(CurrentMasterValues(), at)) {
                // What the last master's reader still holds is read first; then the new master's.
                BeginViewUpdate();
                try {
                    FetchFromDriver(-1);
                } catch (...) {
                    EndViewUpdate(false);
                    throw;
                }
                EndViewUpdate(false);
                FDataDriver->ConsumerClosed(this);
                SetReaderParamsFromMaster();
                FDataSetReader = FDataDriver->GetDataReader();
                if (FDataSetReader) FDataSetReader->FreeNotification(this);
            }
            RefreshFilteredView();
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

bool TSortedVarlistVz::FindKeyValueIndex(const Variant& Value, int& Index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        switch (CompareVarValuesVz(Items(mid)->Value, Value)) {
            case vrLessThan: lo = mid + 1; break;
            case vrGreaterThan: hi = mid - 1; break;
            case vrEqual:
                hi = mid - 1;
                lo = mid;
                found = true;
                break;
            default: throw Exception(u"TSortedVarlistVz.FindKeyValueIndex: values is not comparable."_S);
        }
    }
    Index = lo;
    return found;
}

int TSortedVarlistVz::Add(TSortedVarItemVz* Item) {
    int at = 0;
    try {
        FindKeyValueIndex(Item->Value, at);
    } catch (...) {
        Item->Free();
        throw;
    }
    TObjectListVz::Insert(at, Item);
    return at;
}

int TSortedVarlistVz::Insert(int, TSortedVarItemVz* Item) { return Add(Item); }

Variant TCustomMemTableVz::CurrentMasterValues() const {
    TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
    if (!master || !master->Active() || MasterFields().isEmpty()) return Null();
    return master->FieldValues(MasterFields());
}

void TCustomMemTableVz::UpdateDetailMode(bool Refresh) {
    FMasterKeysStale = true;
    FDetailStoreFields.clear();
    if (!FDetailFields.isEmpty() && MemTableData()->DataStruct()->Count() > 0)
        for (const String& n : ExtractFieldNames(FDetailFields)) {
            const int i = MemTableData()->DataStruct()->FieldIndex(n);
            if (i < 0) DatabaseErrorFmt(L1(DbConsts::SFieldNotFound), {n}, this);
            FDetailStoreFields.push_back(i);
        }
    bool mode;
    if (FMasterDetailSide == mdsOnProviderVz) mode = FMasterDataLink->Active();
    else mode = !FDetailStoreFields.empty() && FMasterDataLink->Active() && !FMasterDataLink->Fields().empty();
    if (mode != FDetailMode) {
        FDetailMode = mode;
        FMasterValues = mode && FMasterDetailSide != mdsOnProviderVz ? CurrentMasterValues() : Null();
        if (Refresh && Active()) {
            if (ProviderSide()) ProviderMasterChanged();
            else RefreshFilteredView();
        }
    }
}

void TCustomMemTableVz::MasterChanged() {
    const bool was = FDetailMode;
    UpdateDetailMode(false);
    if (!Active()) return;
    if (FMasterDetailSide == mdsOnProviderVz) {
        ProviderMasterChanged();
        return;
    }
    const Variant values = FDetailMode ? CurrentMasterValues() : Null();
    if (was != FDetailMode || (FDetailMode && !VarEqualsVz(values, FMasterValues))) {
        FMasterValues = values;
        FMasterKeysStale = true;
        if (FMasterDetailSide == mdsOnSelfAfterProviderVz) ProviderMasterChanged();
        else RefreshFilteredView();
    }
}

void TCustomMemTableVz::DoOnNewRecord() {
    for (TField* f : *Fields())
        if (!f->DefaultExpression().isEmpty() && f->FieldKind() == fkData && !f->ReadOnly()) {
            String e = f->DefaultExpression();
            if (e.size() >= 2 && e.front() == u'\'' && e.back() == u'\'') e = AnsiDequotedStr(e, u'\'');
            f->SetAsString(e);
        }
    if (FDetailMode && !FDetailFields.isEmpty()) {
        TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
        if (master && master->Active()) SetFieldValues(FDetailFields, master->FieldValues(MasterFields()));
    }
    if (OnNewRecord) OnNewRecord(this);
}
