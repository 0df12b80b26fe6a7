#include "grid/dbgrid/sumlistvz.h"

#include "grid/core/coretoolsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/rtl/sysutils.h"

// ---- TDBSum, TDBSumCollection, TSLBookmarkListVz ---------------------------------------------

TDBSum::TDBSum(TCollection* Collection) : TCollectionItem(Collection) {}

void TDBSum::Published(TPublished<TDBSum>& P) {
    P.String("FieldName", &TDBSum::FieldName, &TDBSum::SetFieldName);
    P.Enum("GroupOperation", &TDBSum::GroupOperation, &TDBSum::SetGroupOperation, {"goSum", "goAvg", "goCount"});
}

void TDBSum::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDBSum*>(Source)) {
        SetGroupOperation(s->GroupOperation());
        SetFieldName(s->FieldName());
        Value = s->Value;
        SumValue = s->SumValue;
        return;
    }
    TCollectionItem::Assign(Source);
}

void TDBSum::SetFieldName(const String& Value) {
    if (FFieldName == Value) return;
    FFieldName = Value;
    Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation Value) {
    if (FGroupOperation == Value) return;
    FGroupOperation = Value;
    Changed(false);
}

TDBSumCollection::TDBSumCollection(TDBSumListProducer* AOwner) : TCollection(TDBSum::StaticClass()), FOwner(AOwner) {}

TPersistent* TDBSumCollection::GetOwner() { return FOwner; }

void TDBSumCollection::Update(TCollectionItem*) {
    if (FOwner) FOwner->SumCollectionChanged();
}

TDBSum* TDBSumCollection::GetSumByOpAndFName(TGroupOperation AGroupOperation, const String& AFieldName) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->GroupOperation() == AGroupOperation && AnsiCompareText(Items(i)->FieldName(), AFieldName) == 0)
            return Items(i);
    return nullptr;
}

TDataSet* TSLBookmarkListVz::GetDataSet() { return FProducer ? FProducer->DataSet() : nullptr; }

// ---- TDBSumListProducer ----------------------------------------------------------------------

namespace {

IMemTableVz* SumListMemTableVz(TDataSet* DataSet) { return dynamic_cast<IMemTableVz*>(DataSet); }

Currency SumListFieldValueVz(TField* Field) { return Field->IsNull() ? Currency() : Currency(Field->AsFloat()); }

Currency SumListAverageVz(const TDBSum* S) {
    return S->FNotNullRecordCount == 0 ? Currency() : Currency(S->FSumValueAsSum.ToExtended() / S->FNotNullRecordCount);
}

}  // namespace

TDBSumListProducer::TDBSumListProducer(TComponent* AOwner)
    : FActive(true),
      FOwner(AOwner),
      FSumCollection(NewOwned<TDBSumCollection>(this)),
      FVirtualRecList(NewOwned<TSLBookmarkListVz>(this)) {}

TDBSumListProducer::~TDBSumListProducer() {
    Deactivate(false);
}

bool TDBSumListProducer::OwnerLoading() const {
    return FOwner && FOwner->ComponentState().Contains(csLoading);
}

bool TDBSumListProducer::OwnerDesigning() const {
    return FOwner && FOwner->ComponentState().Contains(csDesigning);
}

void TDBSumListProducer::SetActive(bool Value) {
    if (FActive == Value) return;
    if (Value) Activate(true);
    else Deactivate(true);
}

void TDBSumListProducer::Activate(bool ARecalcAll) {
    FActive = true;
    if (OwnerLoading() || (OwnerDesigning() && !FDesignTimeWork)) return;
    SetDataSetEvents();
    if (ARecalcAll) RecalcAll();
}

void TDBSumListProducer::Deactivate(bool AClearSumValues) {
    FActive = false;
    if (OwnerLoading() || (OwnerDesigning() && !FDesignTimeWork)) return;
    RestoreDataSetEvents();
    if (AClearSumValues && !FDataSetChanging) ClearSumValues();
}

void TDBSumListProducer::ActivateAfterLoading() {
    if (FDataSet && FActive) Activate(true);
}

void TDBSumListProducer::SetDataSet(TDataSet* Value) {
    if (Value == FDataSet && Value && Value->ComponentState().Contains(csDestroying)) {
        RestoreDataSetEvents();
        FDataSet = nullptr;
    }
    if (Value == FDataSet) return;
    if (OwnerLoading() || (OwnerDesigning() && !FDesignTimeWork)) {
        FDataSet = Value;
        return;
    }
    const bool wasActive = FActive;
    FDataSetChanging = true;
    try {
        Deactivate(true);
        FDataSet = Value;
    } catch (...) {
        FDataSetChanging = false;
        throw;
    }
    FDataSetChanging = false;
    if (wasActive) Activate(true);
    else ClearSumValues();
}

void TDBSumListProducer::SetExternalRecalc(bool Value) {
    if (FExternalRecalc == Value) return;
    FExternalRecalc = Value;
    RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool Value) {
    if (FVirtualRecords == Value) return;
    FVirtualRecords = Value;
    if (Value) RecalcAll();
}

void TDBSumListProducer::ClearSumValues() {
    for (int i = 0; i < FSumCollection->Count(); ++i) {
        TDBSum* s = FSumCollection->Items(i);
        s->SumValue = s->Value = s->FSumValueAsSum = Currency();
        s->FNotNullRecordCount = 0;
    }
    NotifySumListChanged();
}

void TDBSumListProducer::NotifySumListChanged() {
    if (!FRecalcAllSilently && SumListChanged) SumListChanged(this);
}

void TDBSumListProducer::RecalcAllSilently() {
    FRecalcAllSilently = true;
    try {
        RecalcAll();
    } catch (...) {
        FRecalcAllSilently = false;
        throw;
    }
    FRecalcAllSilently = false;
}

void TDBSumListProducer::SumCollectionChanged() {
    if (FOwner && (FOwner->ComponentState().Contains(csLoading) || FOwner->ComponentState().Contains(csDestroying))) return;
    RecalcAll();
}

void TDBSumListProducer::SetDataSetEvents() {
    if (!FDataSet || FEventsOverloaded) return;
    if (PPropInfo p = GetPropInfo(FDataSet, u"MasterSource"_S)) FMasterDataset = GetDataSetFromSourcePropVz(FDataSet, p);
    OldAfterEdit = FDataSet->AfterEdit;
    OldAfterInsert = FDataSet->AfterInsert;
    OldAfterOpen = FDataSet->AfterOpen;
    OldAfterPost = FDataSet->AfterPost;
    OldAfterScroll = FDataSet->AfterScroll;
    OldBeforeDelete = FDataSet->BeforeDelete;
    OldAfterDelete = FDataSet->AfterDelete;
    OldAfterClose = FDataSet->AfterClose;
    OldAfterCancel = FDataSet->AfterCancel;
    FDataSet->AfterEdit = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterEdit);
    FDataSet->AfterInsert = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterInsert);
    FDataSet->AfterOpen = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterOpen);
    FDataSet->AfterPost = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterPost);
    FDataSet->AfterScroll = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterScroll);
    FDataSet->BeforeDelete = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetBeforeDelete);
    FDataSet->AfterDelete = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterDelete);
    FDataSet->AfterClose = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterClose);
    FDataSet->AfterCancel = TDataSetNotifyEvent(this, &TDBSumListProducer::DataSetAfterCancel);
    if (FMasterDataset) {
        OldMasterAfterScroll = FMasterDataset->AfterScroll;
        FMasterDataset->AfterScroll = TDataSetNotifyEvent(this, &TDBSumListProducer::MasterDataSetAfterScroll);
    }
    FEventsOverloaded = true;
}

void TDBSumListProducer::RestoreDataSetEvents() {
    if (!FDataSet || !FEventsOverloaded) return;
    if (!FDataSet->ComponentState().Contains(csDestroying)) {
        FDataSet->AfterEdit = OldAfterEdit;
        FDataSet->AfterInsert = OldAfterInsert;
        FDataSet->AfterOpen = OldAfterOpen;
        FDataSet->AfterPost = OldAfterPost;
        FDataSet->AfterScroll = OldAfterScroll;
        FDataSet->BeforeDelete = OldBeforeDelete;
        FDataSet->AfterDelete = OldAfterDelete;
        FDataSet->AfterClose = OldAfterClose;
        FDataSet->AfterCancel = OldAfterCancel;
    }
    if (FMasterDataset && !FMasterDataset->ComponentState().Contains(csDestroying))
        FMasterDataset->AfterScroll = OldMasterAfterScroll;
    OldAfterEdit = OldAfterInsert = OldAfterOpen = OldAfterPost = OldAfterScroll = OldBeforeDelete = OldAfterDelete =
        OldAfterClose = OldAfterCancel = OldMasterAfterScroll = nullptr;
    FMasterDataset = nullptr;
    FEventsOverloaded = false;
    FPendingDelete = {};
    FVirtualRecList->Clear();
}

void TDBSumListProducer::RecalcAllForIntMemTable() {
    IMemTableVz* mt = SumListMemTableVz(FDataSet);
    if (OwnerLoading() || !FActive || !FDataSet || !FDataSet->Active() || !mt) return;
    mt->FetchRecords(-1);
    if (OnRecalcAll) OnRecalcAll(this);
    for (int i = 0; i < FSumCollection->Count(); ++i) {
        TDBSum* s = FSumCollection->Items(i);
        if (!Reads(s)) continue;
        TAggrResultsVz r;
        r.fill(Null());
        const TAggrFunctionVz f = s->GroupOperation() == goSum ? agfSumVz : s->GroupOperation() == goAvg ? agfAvg : agfCountVz;
        // An average also takes its running total and count, which later corrections adjust.
        TAggrFunctionsVz fs = {f};
        if (f == agfAvg) fs = {agfAvg, agfSumVz, agfCountVz};
        mt->GetAggregatedValuesForRange(TBookmark(), TBookmark(), s->FieldName(), r, fs);
        auto result = [&](TAggrFunctionVz F) { return VarIsNullish(r[size_t(F)]) ? Currency() : Currency(r[size_t(F)].AsExtended()); };
        s->SumValue = result(f);
        if (f == agfAvg) {
            s->FSumValueAsSum = result(agfSumVz);
            s->FNotNullRecordCount = int(result(agfCountVz).Trunc());
        }
    }
    if (OnAfterRecalcAll) OnAfterRecalcAll(this);
    NotifySumListChanged();
}

void TDBSumListProducer::RecalcAll() {
    FPendingDelete = {};
    if (!OwnerLoading() && FActive && FDataSet && FDataSet->Active() && SumListMemTableVz(FDataSet)) {
        bool calculated = false;
        for (int i = 0; i < FSumCollection->Count(); ++i) {
            TField* f = FSumCollection->Items(i)->FieldName().isEmpty() ? nullptr
                                                                       : FDataSet->FindField(FSumCollection->Items(i)->FieldName());
            calculated = calculated || (f && f->FieldKind() == fkCalculated);
        }
        if (!calculated) {
            RecalcAllForIntMemTable();
            Filtered = FDataSet->Filtered();
            Filter = FDataSet->Filter();
            return;
        }
    }
    if (OwnerLoading() || (OwnerDesigning() && !FDesignTimeWork) || !FActive || !FDataSet || !FDataSet->Active() ||
        !FEventsOverloaded)
        return;
    auto finish = [&] {
        Filtered = FDataSet->Filtered();
        Filter = FDataSet->Filter();
        Changing = false;
        NotifySumListChanged();
    };
    try {
        ClearSumValues();
        FOldRecNo = -1;
        if (OnRecalcAll) OnRecalcAll(this);
        if (!FExternalRecalc) {
            bool scan = FVirtualRecords;
            for (int i = 0; i < FSumCollection->Count(); ++i) scan = scan || Reads(FSumCollection->Items(i));
            if (scan) {
                std::vector<TField*> fields(size_t(FSumCollection->Count()), nullptr);
                for (int i = 0; i < FSumCollection->Count(); ++i)
                    if (!FSumCollection->Items(i)->FieldName().isEmpty())
                        fields[size_t(i)] = FDataSet->FieldByName(FSumCollection->Items(i)->FieldName());
                IMemTableVz* mt = SumListMemTableVz(FDataSet);
                TBookmark saved;
                if ((!mt || FDataSet->RecordCount() > 0)) saved = FDataSet->GetBookmark();
                FDataSet->DisableControls();
                try {
                    FVirtualRecList->Clear();
                    Changing = true;
                    FDataSet->First();
                    while (!FDataSet->Eof()) {
                        for (int i = 0; i < FSumCollection->Count(); ++i) {
                            TDBSum* s = FSumCollection->Items(i);
                            TField* f = fields[size_t(i)];
                            switch (s->GroupOperation()) {
                                case goSum:
                                    if (f && !f->IsNull()) s->SumValue += Currency(f->AsFloat());
                                    break;
                                case goAvg:
                                    if (!f) break;
                                    if (!f->IsNull()) ++s->FNotNullRecordCount;
                                    s->FSumValueAsSum += SumListFieldValueVz(f);
                                    break;
                                case goCount:
                                    if (!f || !f->IsNull()) s->SumValue += Currency(1);
                                    break;
                            }
                        }
                        if (FVirtualRecords) FVirtualRecList->AppendItem(FDataSet->GetBookmark());
                        FDataSet->Next();
                    }
                    if (!saved.empty() && BookmarkInVisibleView(saved)) FDataSet->GotoBookmark(saved);
                    else FDataSet->First();
                    for (int i = 0; i < FSumCollection->Count(); ++i)
                        if (FSumCollection->Items(i)->GroupOperation() == goAvg)
                            FSumCollection->Items(i)->SumValue = SumListAverageVz(FSumCollection->Items(i));
                } catch (...) {
                    FDataSet->EnableControls();
                    throw;
                }
                FDataSet->EnableControls();
            }
            if (OnAfterRecalcAll) OnAfterRecalcAll(this);
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

// ---- record-by-record corrections ------------------------------------------------------------
// A definition whose field the dataset does not have is left out of the corrections: the record
// is already written, so the handler chain must go on.

void TDBSumListProducer::DataSetAfterEdit(TDataSet* DataSet) {
    if (FActive) {
        for (int i = 0; i < FSumCollection->Count(); ++i) {
            TDBSum* s = FSumCollection->Items(i);
            if (!Reads(s)) continue;
            TField* f = s->FieldName().isEmpty() ? nullptr : FDataSet->FindField(s->FieldName());
            if (s->GroupOperation() == goCount) {
                s->Value = !s->FieldName().isEmpty() && (!f || f->IsNull()) ? Currency() : Currency(1);
            } else if (f) {
                s->Value = SumListFieldValueVz(f);
                s->VarValue = f->AsVariant();
            }
        }
    }
    if (OldAfterEdit) OldAfterEdit(DataSet);
}

void TDBSumListProducer::DataSetAfterInsert(TDataSet* DataSet) {
    if (FActive) {
        for (int i = 0; i < FSumCollection->Count(); ++i) {
            TDBSum* s = FSumCollection->Items(i);
            if (!Reads(s)) continue;
            s->Value = Currency();
            if (s->GroupOperation() != goCount) s->VarValue = Null();
        }
        if (!FDataSet->IsSequenced() && FVirtualRecords) {
            const TBookmark bm = FDataSet->GetBookmark();
            if (!bm.empty()) FVirtualRecList->AppendItem(bm);
            else FTryedInsert = true;
        }
    }
    if (OldAfterInsert) OldAfterInsert(DataSet);
}

void TDBSumListProducer::DataSetAfterPost(TDataSet* DataSet) {
    if (FActive) {
        for (int i = 0; i < FSumCollection->Count(); ++i) {
            TDBSum* s = FSumCollection->Items(i);
            if (!Reads(s)) continue;
            TField* f = s->FieldName().isEmpty() ? nullptr : FDataSet->FindField(s->FieldName());
            if (!s->FieldName().isEmpty() && !f) continue;
            switch (s->GroupOperation()) {
                case goSum:
                    s->SumValue = f->IsNull() ? s->SumValue - s->Value : s->SumValue + SumListFieldValueVz(f) - s->Value;
                    break;
                case goAvg:
                    if (f->IsNull()) {
                        if (!VarIsNull(s->VarValue)) --s->FNotNullRecordCount;
                        s->FSumValueAsSum -= s->Value;
                    } else {
                        if (VarIsNull(s->VarValue)) ++s->FNotNullRecordCount;
                        s->FSumValueAsSum += SumListFieldValueVz(f) - s->Value;
                    }
                    s->SumValue = SumListAverageVz(s);
                    break;
                case goCount:
                    s->SumValue = f && f->IsNull() ? s->SumValue - s->Value : s->SumValue + Currency(1) - s->Value;
                    break;
            }
        }
        if (!FDataSet->IsSequenced() && FVirtualRecords && FTryedInsert) {
            InsertVirtualRecord(FDataSet->GetBookmark());
            FTryedInsert = false;
        }
        NotifySumListChanged();
    }
    if (OldAfterPost) OldAfterPost(DataSet);
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet* DataSet) {
    if (OldBeforeDelete) OldBeforeDelete(DataSet);
    FPendingDelete = {};
    if (!FActive) return;
    // The record's share is noted here and taken off only when the delete has happened.
    FPendingDelete.Pending = true;
    for (int i = 0; i < FSumCollection->Count(); ++i) {
        TDBSum* s = FSumCollection->Items(i);
        TField* f = s->FieldName().isEmpty() ? nullptr : FDataSet->FindField(s->FieldName());
        FPendingDelete.Shares.push_back(f ? SumListFieldValueVz(f) : Currency());
        FPendingDelete.NotNull.push_back(s->FieldName().isEmpty() || (f && !f->IsNull()));
    }
    if (!FDataSet->IsSequenced() && FVirtualRecords) FPendingDelete.Bookmark = FDataSet->GetBookmark();
}

void TDBSumListProducer::DataSetAfterDelete(TDataSet* DataSet) {
    if (FActive && FPendingDelete.Pending && int(FPendingDelete.Shares.size()) == FSumCollection->Count()) {
        for (int i = 0; i < FSumCollection->Count(); ++i) {
            TDBSum* s = FSumCollection->Items(i);
            if (!Reads(s)) continue;
            if (!s->FieldName().isEmpty() && !FDataSet->FindField(s->FieldName())) continue;
            const Currency share = FPendingDelete.Shares[size_t(i)];
            const bool notNull = FPendingDelete.NotNull[size_t(i)];
            switch (s->GroupOperation()) {
                case goSum: s->SumValue -= share; break;
                case goAvg:
                    s->FSumValueAsSum -= share;
                    if (notNull) --s->FNotNullRecordCount;
                    s->SumValue = SumListAverageVz(s);
                    break;
                case goCount:
                    if (notNull) s->SumValue -= Currency(1);
                    break;
            }
        }
        if (!FPendingDelete.Bookmark.empty()) {
            const int k = IndexOfVirtualRecord(FPendingDelete.Bookmark);
            if (k >= 0) FVirtualRecList->DeleteItem(k);
        }
        NotifySumListChanged();
    }
    FPendingDelete = {};
    if (OldAfterDelete) OldAfterDelete(DataSet);
}

void TDBSumListProducer::DataSetAfterCancel(TDataSet* DataSet) {
    if (OldAfterCancel) OldAfterCancel(DataSet);
    FTryedInsert = false;
}

void TDBSumListProducer::DataSetAfterClose(TDataSet* DataSet) {
    if (FActive) {
        ClearSumValues();
        NotifySumListChanged();
        Changing = false;
    }
    FVirtualRecList->Clear();
    if (OldAfterClose) OldAfterClose(DataSet);
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet* DataSet) {
    if (FActive) RecalcAll();
    if (OldAfterOpen) OldAfterOpen(DataSet);
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet* DataSet) {
    if (OldAfterScroll) OldAfterScroll(DataSet);
    if (!FActive || Changing) return;
    if (!FDataSet->Filtered()) {
        if (Filtered) RecalcAll();
    } else if (!Filtered || FDataSet->Filter() != Filter) {
        RecalcAll();
    }
}

void TDBSumListProducer::MasterDataSetAfterScroll(TDataSet* DataSet) {
    if (OldMasterAfterScroll) OldMasterAfterScroll(DataSet);
    if (FActive && !Changing) RecalcAll();
}

// ---- virtual records -------------------------------------------------------------------------

int TDBSumListProducer::IndexOfVirtualRecord(const TBookmark& Bookmark) {
    const int n = FVirtualRecList->Count();
    if (n == 0) return -1;
    int i = FOldRecNo < 0 || FOldRecNo >= n ? 0 : FOldRecNo;
    for (;;) {
        const int c = DataSetCompareBookmarksVz(FDataSet, FVirtualRecList->Items(i), Bookmark);
        if (c == 0) break;
        i += c > 0 ? -1 : 1;
        if (i < 0 || i >= n) {
            FOldRecNo = i;
            return -1;
        }
    }
    FOldRecNo = i;
    return i;
}

void TDBSumListProducer::InsertVirtualRecord(const TBookmark& Bookmark) {
    const int n = FVirtualRecList->Count();
    int i = FOldRecNo < 0 || FOldRecNo >= n ? 0 : FOldRecNo;
    while (i > 0 && DataSetCompareBookmarksVz(FDataSet, FVirtualRecList->Items(i - 1), Bookmark) > 0) --i;
    while (i < n && DataSetCompareBookmarksVz(FDataSet, FVirtualRecList->Items(i), Bookmark) < 0) ++i;
    FVirtualRecList->InsertAt(i, Bookmark);
}

int TDBSumListProducer::GetRecNo() {
    if (FVirtualRecords && FActive && FDataSet) return IndexOfVirtualRecord(FDataSet->GetBookmark()) + 1;
    return FDataSet ? FDataSet->RecNo() : -1;
}

void TDBSumListProducer::SetRecNo(int Value) {
    if (!FDataSet) return;
    if (!FDataSet->IsSequenced() && FVirtualRecords && FActive) FDataSet->GotoBookmark(FVirtualRecList->Items(Value - 1));
    else FDataSet->SetRecNo(Value);
}

int TDBSumListProducer::RecordCount() {
    if (!FDataSet) return 0;
    if (FVirtualRecords && FActive) return FVirtualRecList->Count();
    return FDataSet->RecordCount();
}

bool TDBSumListProducer::IsSequenced() {
    if (FDataSet && FDataSet->IsSequenced()) return true;
    if (!FDataSet || !FVirtualRecords || !FActive) return false;
    return FVirtualRecList->Count() > 0 || (FDataSet->Bof() && FDataSet->Eof());
}

bool TDBSumListProducer::BookmarkInVisibleView(const TBookmark& Bookmark) {
    if (IMemTableVz* mt = SumListMemTableVz(FDataSet)) return mt->BookmarkInVisibleView(Bookmark);
    return DataSetBookmarkValidVz(FDataSet, Bookmark);
}

// ---- TDBGridVzSumList ------------------------------------------------------------------------

TDBGridVzSumList::TDBGridVzSumList(TComponent* AOwner) : TDBSumListProducer(AOwner) {
    FDesignTimeWork = true;
    SetActive(false);
}

void TDBGridVzSumList::SetDataSetEvents() {
    if (OwnerDesigning()) FEventsOverloaded = true;
    else TDBSumListProducer::SetDataSetEvents();
}

void TDBGridVzSumList::RestoreDataSetEvents() {
    if (OwnerDesigning()) FEventsOverloaded = false;
    else TDBSumListProducer::RestoreDataSetEvents();
}

void TDBGridVzSumList::RecalcAll() {
    if (!OwnerLoading() && Owner()) TDBSumListProducer::RecalcAll();
}
