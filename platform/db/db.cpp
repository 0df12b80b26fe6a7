#include "platform/db/db.h"

#include <QStringList>

#include "platform/rtl/sysutils.h"

#include <algorithm>

// ---- errors ------------------------------------------------------------------------------------

void DatabaseError(const String& Message, TComponent* Component) {
    if (Component && !Component->Name().isEmpty())
        throw EDatabaseError(Component->Name() + QStringLiteral(": ") + Message);
    throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const String& Message, TVarRecs Args, TComponent* Component) {
    DatabaseError(Format(Message, Args), Component);
}

std::vector<String> ExtractFieldNames(const String& Fields) {
    std::vector<String> r;
    for (const String& part : Fields.split(QLatin1Char(';'))) {
        String n = Trim(part);
        if (!n.isEmpty()) r.push_back(n);
    }
    return r;
}

// ---- TDataSet ----------------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), FFields(std::make_unique<TFields>(this)),
      FFieldDefs(NewOwned<TFieldDefs>(this)) {}

TDataSet::~TDataSet() = default;

void TDataSet::BeforeDestruction() {
    if (!FComponentState.Contains(csDestroying)) {
        FComponentState.Include(csDestroying);
        try {
            SetActive(false);
        } catch (...) {
        }
        while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
        // Fields owned elsewhere forget this dataset; default fields go with it.
        DestroyFields();
        while (FFields->Count() > 0) FFields->Fields(0)->SetDataSet(nullptr);
    }
    inherited::BeforeDestruction();
}

void TDataSet::Loaded() {
    inherited::Loaded();
    if (FStreamedActive) SetActive(true);
}

void TDataSet::CheckActive() const {
    if (FState == dsInactive) DatabaseError(QString::fromLatin1(DbConsts::SDataSetClosed), const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
    if (FState != dsInactive) DatabaseError(QString::fromLatin1(DbConsts::SDataSetOpen), const_cast<TDataSet*>(this));
}

void TDataSet::SetActive(bool Value) {
    if (FComponentState.Contains(csReading) || FComponentState.Contains(csLoading)) {
        FStreamedActive = Value;
        return;
    }
    if (Active() == Value) return;
    if (Value) {
        DoBeforeOpen();
        try {
            OpenCursor(false);
        } catch (...) {
            if (FState != dsOpening) {
                // The open failed before it completed: leave the cursor closed.
                FInternalOpenComplete = false;
                try { OpenCursorComplete(); } catch (...) {}
            }
            throw;
        }
        if (FState != dsOpening) OpenCursorComplete();
    } else {
        if (!FComponentState.Contains(csDestroying)) DoBeforeClose();
        SetState(dsInactive);
        CloseCursor();
        if (!FComponentState.Contains(csDestroying)) DoAfterClose();
    }
}

void TDataSet::OpenCursor(bool InfoQuery) {
    if (InfoQuery)
        InternalInitFieldDefs();
    else if (FState != dsOpening)
        DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
    FInternalOpenComplete = false;
    FDefaultFields = FieldCount() == 0;
    InternalOpen();
    FInternalOpenComplete = true;
    UpdateFieldCounts();
    UpdateBufferCount();
    FBOF = true;
}

void TDataSet::OpenCursorComplete() {
    if (FInternalOpenComplete) {
        SetState(dsBrowse);
        DoAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        SetState(dsInactive);
        CloseCursor();
    }
}

void TDataSet::CloseCursor() {
    FBlockReadSize = 0;
    FInternalOpenComplete = false;
    ClearBuffers();
    SetBufListSize(0);
    if (IsCursorOpen()) InternalClose();
    FBufferCount = 0;
    FDefaultFields = false;
}

void TDataSet::InitFieldDefs() {
    if (IsCursorOpen()) {
        InternalInitFieldDefs();
    } else {
        try {
            OpenCursor(true);
        } catch (...) {
            CloseCursor();
            throw;
        }
        CloseCursor();
    }
}

void TDataSet::SetFieldDefs(TFieldDefs* Value) { FFieldDefs->Assign(Value); }

std::vector<std::pair<String, TFieldDef*>> TDataSet::FieldDefList() const {
    std::vector<std::pair<String, TFieldDef*>> r;
    FFieldDefs->GetFlatList(r);
    return r;
}

TClass TDataSet::GetFieldClass(TFieldType FieldType) const {
    switch (FieldType) {
        case ftString: case ftFixedChar: return TStringField::StaticClass();
        case ftWideString: case ftFixedWideChar: return TWideStringField::StaticClass();
        case ftGuid: return TGuidField::StaticClass();
        case ftSmallint: return TSmallintField::StaticClass();
        case ftShortint: return TShortintField::StaticClass();
        case ftByte: return TByteField::StaticClass();
        case ftInteger: return TIntegerField::StaticClass();
        case ftWord: return TWordField::StaticClass();
        case ftLongWord: return TLongWordField::StaticClass();
        case ftAutoInc: return TAutoIncField::StaticClass();
        case ftLargeint: return TLargeintField::StaticClass();
        case ftBoolean: return TBooleanField::StaticClass();
        case ftFloat: return TFloatField::StaticClass();
        case ftCurrency: return TCurrencyField::StaticClass();
        case ftExtended: return TExtendedField::StaticClass();
        case ftSingle: return TSingleField::StaticClass();
        case ftBCD: return TBCDField::StaticClass();
        case ftFMTBcd: return TFMTBCDField::StaticClass();
        case ftDate: return TDateField::StaticClass();
        case ftTime: return TTimeField::StaticClass();
        case ftDateTime: return TDateTimeField::StaticClass();
        case ftTimeStamp: return TSQLTimeStampField::StaticClass();
        case ftTimeStampOffset: return TSQLTimeStampOffsetField::StaticClass();
        case ftBytes: return TBytesField::StaticClass();
        case ftVarBytes: return TVarBytesField::StaticClass();
        case ftBlob: case ftTypedBinary: case ftParadoxOle: case ftDBaseOle: case ftOraBlob:
            return TBlobField::StaticClass();
        case ftMemo: case ftFmtMemo: case ftOraClob: return TMemoField::StaticClass();
        case ftWideMemo: return TWideMemoField::StaticClass();
        case ftGraphic: return TGraphicField::StaticClass();
        case ftVariant: return TVariantField::StaticClass();
        case ftInterface: return TInterfaceField::StaticClass();
        case ftIDispatch: return TIDispatchField::StaticClass();
        default: return nullptr;
    }
}

void TDataSet::CreateFields() {
    auto list = FieldDefList();
    for (auto& [name, def] : list) {
        if (def->DataType() == ftADT || def->DataType() == ftArray || def->DataType() == ftReference ||
            def->DataType() == ftDataSet)
            continue;
        if (def->Attributes().Contains(faHiddenCol) && !FFieldDefs->HiddenFields()) continue;
        def->CreateField(this, nullptr, name, true);
    }
}

void TDataSet::DestroyFields() {
    // Default fields are owned by the dataset; free those.
    for (int i = FFields->Count() - 1; i >= 0; --i) {
        TField* f = FFields->Fields(i);
        if (f->Owner() == this) {
            f->SetDataSet(nullptr);
            f->Free();
        }
    }
    UpdateFieldCounts();
}

void TDataSet::BindFields(bool Binding) {
    FCalcFieldsCount = 0;
    FInternalCalcFields = false;
    for (TField* f : *FFields) {
        if (!Binding) {
            if (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) f->SetFieldNo(0);
            continue;
        }
        if (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) {
            int idx = FFieldDefs->IndexOf(f->FullName());
            if (idx < 0) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldNotFound), {f->DisplayName()}, this);
            TFieldDef* def = FFieldDefs->Items(idx);
            TFieldType dt = def->DataType();
            if (f->DataType() != dt) {
                // The framework lets string fields read fixed-char and wide text, and
                // autoinc/integer pass for each other.
                auto strish = [](TFieldType t) { return t == ftString || t == ftFixedChar || t == ftWideString || t == ftFixedWideChar; };
                auto intish = [](TFieldType t) { return t == ftInteger || t == ftAutoInc; };
                bool ok = (strish(f->DataType()) && strish(dt)) || (intish(f->DataType()) && intish(dt)) ||
                          (f->DataType() == ftMemo && dt == ftWideMemo) || (f->DataType() == ftWideMemo && dt == ftMemo);
                if (!ok)
                    DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldTypeMismatch),
                                     {f->DisplayName(), FieldTypeName(f->DataType()), FieldTypeName(dt)}, this);
            }
            f->SetFieldNo(def->FieldNo());
            if (f->FieldKind() == fkInternalCalc) FInternalCalcFields = true;
        } else {
            f->SetFieldNo(-1);
            if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) ++FCalcFieldsCount;
            if (f->FieldKind() == fkLookup) {
                if (!f->LookupDataSet() || f->KeyFields().isEmpty() || f->LookupKeyFields().isEmpty() ||
                    f->LookupResultField().isEmpty())
                    DatabaseErrorFmt(QString::fromLatin1(DbConsts::SLookupInfoError), {f->DisplayName()}, this);
                std::vector<TField*> tmp;
                GetFieldList(tmp, f->KeyFields());
                if (f->LookupCache()) f->RefreshLookupList();
            }
        }
    }
}

void TDataSet::UpdateFieldCounts() {
    FCalcFieldsCount = 0;
    FInternalCalcFields = false;
    for (TField* f : *FFields) {
        if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) ++FCalcFieldsCount;
        if (f->FieldKind() == fkInternalCalc) FInternalCalcFields = true;
    }
}

void TDataSet::FieldListChanged() {
    UpdateFieldCounts();
    DataEvent(deFieldListChange, 0);
}

TField* TDataSet::FieldByName(const String& FieldName) const {
    TField* f = FindField(FieldName);
    if (!f) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldNotFound), {FieldName}, const_cast<TDataSet*>(this));
    return f;
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const String& FieldNames) const {
    for (const String& n : ExtractFieldNames(FieldNames)) List.push_back(FieldByName(n));
}

void TDataSet::GetFieldNames(TStrings* List) const {
    List->Clear();
    if (FFields->Count() > 0) {
        for (TField* f : *FFields) List->Add(f->FieldName());
    } else {
        for (auto& [name, def] : FieldDefList()) List->Add(name);
    }
}

Variant TDataSet::FieldValues(const String& FieldName) const {
    std::vector<TField*> list;
    GetFieldList(list, FieldName);
    if (list.size() == 1) return list[0]->AsVariant();
    Variant r = VarArrayCreate({0, static_cast<int>(list.size()) - 1}, varVariant);
    for (size_t i = 0; i < list.size(); ++i) r.PutElement(static_cast<int>(i), list[i]->AsVariant());
    return r;
}

void TDataSet::SetFieldValues(const String& FieldName, const Variant& Value) {
    std::vector<TField*> list;
    GetFieldList(list, FieldName);
    if (list.size() == 1 && !VarIsArray(Value)) {
        list[0]->SetAsVariant(Value);
        return;
    }
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->SetAsVariant(Value.GetElement(VarArrayLowBound(Value, 1) + static_cast<int>(i)));
}

void TDataSet::SetBlockReadSize(int Value) {
    if (Value > 0) {
        CheckActive();
        SetState(dsBlockRead);
    } else if (FState == dsBlockRead) {
        SetState(dsBrowse);
    }
    FBlockReadSize = Value > 0 ? Value : 0;
}

// ---- filters -----------------------------------------------------------------------------------

void TDataSet::SetFilterText(const String& Value) { FFilterText = Value; }
void TDataSet::SetFiltered(bool Value) { FFiltered = Value; }
void TDataSet::SetFilterOptions(TFilterOptions Value) { FFilterOptions = Value; }
void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& Value) { FOnFilterRecord = Value; }

// ---- states and events -------------------------------------------------------------------------

void TDataSet::SetState(TDataSetState Value) {
    if (FState != Value) {
        FState = Value;
        FModified = false;
        DataEvent(deUpdateState, 0);
    }
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
    TDataSetState old = FState;
    FState = Value;
    ++FDisableCount;
    return old;
}

void TDataSet::RestoreState(TDataSetState Value) {
    FState = Value;
    --FDisableCount;
}

void TDataSet::DataEvent(TDataEvent Event, NativeInt Info) {
    DataEventHook(Event, Info);
    bool notify = !(ControlsDisabled() || FState == dsBlockRead);
    switch (Event) {
        case deFieldChange: {
            TField* f = reinterpret_cast<TField*>(Info);
            if (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) FModified = true;
            if (FState != dsSetKey) {
                if (FCalcFieldsCount > 0 && FAutoCalcFields && f->FieldKind() == fkData &&
                    FRecordCount > 0)
                    CalculateFields(ActiveBuffer());
                f->Change();
            }
            break;
        }
        case deFieldListChange:
            UpdateFieldCounts();
            break;
        case dePropertyChange:
            FFieldDefs->SetUpdated(false);
            break;
        case deLayoutChange:
            if (ControlsDisabled()) FEnableEvent = deLayoutChange;
            break;
        case deUpdateState:
            if (ControlsDisabled()) {
                Event = deDisabledStateChange;
                Info = FState != dsInactive ? 1 : 0;
                notify = true;
                FEnableEvent = deLayoutChange;
            }
            break;
        default:
            break;
    }
    if (notify) {
        // A source may leave while the event runs: walk a copy.
        std::vector<TDataSource*> sources = FDataSources;
        for (TDataSource* ds : sources)
            if (std::find(FDataSources.begin(), FDataSources.end(), ds) != FDataSources.end())
                ds->DataEvent(Event, Info);
    }
}

void TDataSet::DisableControls() {
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount != 0) {
        --FDisableCount;
        if (FDisableCount == 0) {
            if (FDisableState != FState) DataEvent(deUpdateState, 0);
            if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
        }
    }
}

void TDataSet::AddDataSource(TDataSource* DataSource) {
    FDataSources.push_back(DataSource);
    DataSource->FDataSet = this;
    UpdateBufferCount();
    DataSource->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* DataSource) {
    DataSource->FDataSet = nullptr;
    FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), DataSource), FDataSources.end());
    DataSource->UpdateState();
    UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(TDataSource* DataSource) const {
    // A detail dataset whose master source is DataSource, directly or through its masters.
    const TDataSet* ds = this;
    int guard = 0;
    while (ds && guard++ < 1000) {
        TDataSource* master = ds->DataSource();
        if (!master) return false;
        if (master == DataSource) return true;
        ds = master->DataSet();
    }
    return false;
}

// ---- the buffer ring ---------------------------------------------------------------------------

void TDataSet::SetBufListSize(int Value) {
    int old = static_cast<int>(FBuffers.size());
    if (old == Value) return;
    if (old > Value) {
        for (int i = Value; i < old; ++i) FreeRecordBuffer(FBuffers[i]);
        FBuffers.resize(Value);
    } else {
        FBuffers.reserve(Value);
        for (int i = old; i < Value; ++i) FBuffers.push_back(AllocRecordBuffer());
    }
}

void TDataSet::SetBufferCount(int Value) {
    if (FBufferCount == Value) return;
    auto forLinks = [this](const std::function<void(TDataLink*)>& fn) {
        for (TDataSource* ds : FDataSources)
            for (TDataLink* l : ds->FDataLinks) fn(l);
    };
    if (FBufferCount > Value && FRecordCount > 0) {
        int delta = FActiveRecord;
        forLinks([&](TDataLink* l) {
            if (l->FActive && l->FFirstRecord < delta) delta = l->FFirstRecord;
        });
        for (int i = 0; i < Value; ++i) MoveBuffer(i + delta, i);
        FActiveRecord -= delta;
        if (FCurrentRecord != -1) FCurrentRecord -= delta;
        if (FRecordCount > Value) FRecordCount = Value;
        forLinks([&](TDataLink* l) {
            if (l->FActive) l->FFirstRecord -= delta;
        });
    }
    SetBufListSize(Value + 1);
    FBufferCount = Value;
    GetNextRecords();
    int prior = GetPriorRecords();
    forLinks([&](TDataLink* l) {
        if (l->FActive) l->FFirstRecord += prior;
    });
}

void TDataSet::UpdateBufferCount() {
    if (!IsCursorOpen()) return;
    int maxCount = 1;
    for (TDataSource* ds : FDataSources)
        for (TDataLink* l : ds->FDataLinks)
            if (l->FBufferCount > maxCount) maxCount = l->FBufferCount;
    SetBufferCount(maxCount);
}

void TDataSet::ClearBuffers() {
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::ActivateBuffers() {
    FRecordCount = 1;
    FActiveRecord = 0;
    FCurrentRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::MoveBuffer(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    TRecordBuffer b = FBuffers[CurIndex];
    if (CurIndex < NewIndex)
        std::move(FBuffers.begin() + CurIndex + 1, FBuffers.begin() + NewIndex + 1, FBuffers.begin() + CurIndex);
    else
        std::move_backward(FBuffers.begin() + NewIndex, FBuffers.begin() + CurIndex, FBuffers.begin() + CurIndex + 1);
    FBuffers[NewIndex] = b;
}

void TDataSet::SetCurrentRecord(int Index) {
    if (FCurrentRecord == Index) return;
    TRecordBuffer b = FBuffers[Index];
    switch (GetBookmarkFlag(b)) {
        case bfCurrent:
        case bfInserted: InternalSetToRecord(b); break;
        case bfBOF: InternalFirst(); break;
        case bfEOF: InternalLast(); break;
    }
    FCurrentRecord = Index;
}

void TDataSet::UpdateCursorPos() {
    if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (FRecordCount > 0) {
        SetCurrentRecord(FRecordCount - 1);
        if (FState == dsInsert && FCurrentRecord == FActiveRecord && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    bool ok = GetRecord(FBuffers[FRecordCount], mode, true) == grOK;
    if (ok) {
        if (FRecordCount == 0)
            ActivateBuffers();
        else if (FRecordCount < FBufferCount)
            ++FRecordCount;
        else
            MoveBuffer(0, FRecordCount);
        FCurrentRecord = FRecordCount - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::GetPriorRecord() {
    if (FRecordCount > 0) SetCurrentRecord(0);
    bool ok = GetRecord(FBuffers[FRecordCount], gmPrior, true) == grOK;
    if (ok) {
        if (FRecordCount == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(FRecordCount, 0);
            if (FRecordCount < FBufferCount) {
                ++FRecordCount;
                ++FActiveRecord;
            }
        }
        FCurrentRecord = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

int TDataSet::GetNextRecords() {
    int r = 0;
    while (FRecordCount < FBufferCount && GetNextRecord()) ++r;
    return r;
}

int TDataSet::GetPriorRecords() {
    int r = 0;
    while (FRecordCount < FBufferCount && GetPriorRecord()) ++r;
    return r;
}

void TDataSet::Resync(TResyncMode Mode) {
    if (Mode.Contains(rmExact)) {
        CursorPosChanged();
        if (GetRecord(FBuffers[FRecordCount], gmCurrent, true) != grOK)
            DatabaseError(QString::fromLatin1(DbConsts::SRecordNotFound), this);
    } else if (GetRecord(FBuffers[FRecordCount], gmCurrent, false) != grOK &&
               GetRecord(FBuffers[FRecordCount], gmNext, false) != grOK &&
               GetRecord(FBuffers[FRecordCount], gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = Mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(FRecordCount, 0);
    ActivateBuffers();
    try {
        while (count > 0 && GetPriorRecord()) --count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

// ---- navigation --------------------------------------------------------------------------------


void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        DoAfterScroll();
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        DoAfterScroll();
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

int TDataSet::MoveBy(int Distance) {
    CheckBrowseMode();
    int result = 0;
    DoBeforeScroll();
    if ((Distance > 0 && !FEOF) || (Distance < 0 && !FBOF)) {
        FBOF = false;
        FEOF = false;
        int scrollCount = 0;
        auto finish = [&] {
            DataEvent(deDataSetScroll, scrollCount);
            DoAfterScroll();
        };
        try {
            while (Distance > 0) {
                if (FActiveRecord < FRecordCount - 1) {
                    ++FActiveRecord;
                } else {
                    int i = FRecordCount < FBufferCount ? 0 : 1;
                    if (GetNextRecord()) {
                        scrollCount -= i;
                        if (FActiveRecord < FRecordCount - 1) ++FActiveRecord;
                    } else {
                        FEOF = true;
                        break;
                    }
                }
                --Distance;
                ++result;
            }
            while (Distance < 0) {
                if (FActiveRecord > 0) {
                    --FActiveRecord;
                } else {
                    int i = FRecordCount < FBufferCount ? 0 : 1;
                    if (GetPriorRecord()) {
                        scrollCount += i;
                        if (FActiveRecord > 0) --FActiveRecord;
                    } else {
                        FBOF = true;
                        break;
                    }
                }
                ++Distance;
                --result;
            }
        } catch (...) {
            finish();
            throw;
        }
        finish();
    }
    return result;
}

void TDataSet::Refresh() {
    DoBeforeRefresh();
    CheckBrowseMode();
    UpdateCursorPos();
    try {
        InternalRefresh();
    } catch (...) {
        Resync({});
        DoAfterRefresh();
        throw;
    }
    Resync({});
    DoAfterRefresh();
}

// ---- editing -----------------------------------------------------------------------------------

void TDataSet::CheckCanModify() {
    if (!CanModify()) DatabaseError(QString::fromLatin1(DbConsts::SDataSetReadOnly), this);
}

void TDataSet::CheckOperation(const std::function<void()>& Operation, const TDataSetErrorEvent& ErrorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            Operation();
            return;
        } catch (EDatabaseError& E) {
            TDataAction action = daFail;
            if (ErrorEvent) ErrorEvent(this, E, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
    InternalInitRecord(Buffer);
    ClearCalcFields(Buffer);
    SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync({});
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange, 0);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    TBookmark oldCurrent;
    if (FRecordCount > 0) GetBookmarkData(ActiveBuffer(), oldCurrent);
    MoveBuffer(FRecordCount, FActiveRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (FRecordCount == 0)
        SetBookmarkFlag(buffer, bfBOF);
    else
        SetBookmarkData(buffer, oldCurrent);
    if (FRecordCount < FBufferCount) ++FRecordCount;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = FBuffers[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Post() {
    UpdateRecord();
    if (FState == dsEdit || FState == dsInsert) {
        DataEvent(deCheckBrowseMode, 0);
        DoBeforePost();
        CheckOperation([this] { InternalPost(); }, OnPostError);
        SetState(dsBrowse);
        Resync({});
        DoAfterPost();
    }
}

void TDataSet::Cancel() {
    if (FState == dsEdit || FState == dsInsert) {
        DataEvent(deCheckBrowseMode, 0);
        DoBeforeCancel();
        bool scrollEvents = FState == dsInsert;
        if (scrollEvents) DoBeforeScroll();
        UpdateCursorPos();
        InternalCancel();
        SetState(dsBrowse);
        Resync({});
        DoAfterCancel();
        if (scrollEvents) DoAfterScroll();
    }
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0) DatabaseError(QString::fromLatin1(DbConsts::SDataSetEmpty), this);
    CheckCanModify();
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    DoBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync({});
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::SetFields(std::initializer_list<Variant> Values) {
    int i = 0;
    for (const Variant& v : Values) {
        if (i >= FieldCount()) break;
        if (!VarIsEmpty(v)) FFields->Fields(i)->SetAsVariant(v);
        ++i;
    }
}

void TDataSet::InsertRecord(std::initializer_list<Variant> Values) {
    Insert();
    SetFields(Values);
    Post();
}

void TDataSet::AppendRecord(std::initializer_list<Variant> Values) {
    Append();
    SetFields(Values);
    Post();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (FState) {
        case dsEdit:
        case dsInsert:
            UpdateRecord();
            if (FModified)
                Post();
            else
                Cancel();
            break;
        case dsSetKey:
            Post();
            break;
        default:
            break;
    }
}

void TDataSet::UpdateRecord() {
    if (!dsEditModes.Contains(FState)) DatabaseError(QString::fromLatin1(DbConsts::SNotEditing), this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::ClearFields() {
    if (!dsEditModes.Contains(FState)) DatabaseError(QString::fromLatin1(DbConsts::SNotEditing), this);
    for (TField* f : *FFields)
        if (f->FieldKind() == fkData && !f->ReadOnly()) f->SetData(Null());
    DataEvent(deRecordChange, 0);
}

void TDataSet::CheckRequiredFields() {
    for (TField* f : *FFields)
        if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull()) {
            f->FocusControl();
            DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldRequired), {f->DisplayName()});
        }
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::InternalHandleException() {}

void TDataSet::DoOnNewRecord() {
    // Default expressions of the fields, then the event.
    for (TField* f : *FFields)
        if (!f->DefaultExpression().isEmpty() && f->FieldKind() == fkData && !f->ReadOnly()) {
            String e = f->DefaultExpression();
            if (e.size() >= 2 && e.front() == QLatin1Char('\'') && e.back() == QLatin1Char('\''))
                e = AnsiDequotedStr(e, QLatin1Char('\''));
            f->SetAsString(e);
        }
    if (OnNewRecord) OnNewRecord(this);
}

void TDataSet::DoOnCalcFields() {
    if (OnCalcFields) OnCalcFields(this);
}

void TDataSet::GetCalcFields(TRecordBuffer Buffer) {
    if (FCalcFieldsCount > 0 || FInternalCalcFields) CalculateFields(Buffer);
}

void TDataSet::CalculateFields(TRecordBuffer Buffer) {
    FCalcBuffer = Buffer;
    TDataSetState old = SetTempState(dsCalcFields);
    try {
        ClearCalcFields(FCalcBuffer);
        for (TField* f : *FFields)
            if (f->FieldKind() == fkLookup) f->CalcLookupValue();
        DoOnCalcFields();
    } catch (...) {
        RestoreState(old);
        throw;
    }
    RestoreState(old);
}

Variant TDataSet::GetStateFieldValue(TDataSetState State, TField* Field) {
    TDataSetState old = SetTempState(State);
    Variant r;
    try {
        r = Field->AsVariant();
    } catch (...) {
        RestoreState(old);
        throw;
    }
    RestoreState(old);
    return r;
}

void TDataSet::SetStateFieldValue(TDataSetState State, TField* Field, const Variant& Value) {
    TDataSetState old = SetTempState(State);
    try {
        Field->SetAsVariant(Value);
    } catch (...) {
        RestoreState(old);
        throw;
    }
    RestoreState(old);
}

TStream* TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
    if (!Field->IsBlob()) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SNotABlobField), {Field->DisplayName()}, this);
    return New<TBlobStream>(static_cast<TBlobField*>(Field), Mode);
}

// ---- bookmarks ---------------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() {
    TBookmark r;
    if (FRecordCount > 0 && FActiveRecord < FRecordCount && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
        GetBookmarkData(ActiveBuffer(), r);
    return r;
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
    if (Bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(Bookmark);
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
    if (Bookmark1.empty() || Bookmark2.empty()) {
        if (Bookmark1.empty() && Bookmark2.empty()) return 0;
        return Bookmark1.empty() ? -1 : 1;
    }
    if (Bookmark1 < Bookmark2) return -1;
    return Bookmark1 == Bookmark2 ? 0 : 1;
}

// ---- search ------------------------------------------------------------------------------------

namespace {
// The key value for position i of a key list (one value, or an array by position).
Variant KeyValueAt(const Variant& KeyValues, size_t i, size_t count) {
    if (count == 1 && !VarIsArray(KeyValues)) return KeyValues;
    return KeyValues.GetElement(VarArrayLowBound(KeyValues, 1) + static_cast<int>(i));
}

bool SameVariant(const Variant& a, const Variant& b) {
    try {
        if (VarIsNull(a) || VarIsEmpty(a)) return VarIsNull(b) || VarIsEmpty(b);
        if (VarIsNull(b) || VarIsEmpty(b)) return false;
        return a == b;
    } catch (const Exception&) {
        return false;
    }
}

bool FieldMatches(TField* f, const Variant& key, TLocateOptions Options) {
    if (!Options.Contains(loPartialKey) && !IsStringFieldType(f->DataType())) return SameVariant(f->AsVariant(), key);
    if (VarIsNull(key) || VarIsEmpty(key)) return f->IsNull();
    String text = f->AsString();
    String k = VarToStr(key);
    if (Options.Contains(loPartialKey)) text = text.left(k.size());
    return Options.Contains(loCaseInsensitive) ? AnsiCompareText(text, k) == 0 : AnsiCompareStr(text, k) == 0;
}
}  // namespace

bool TDataSet::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    std::vector<TField*> fields;
    GetFieldList(fields, KeyFields);
    CursorPosChanged();
    TRecordBuffer buffer = TempBuffer();
    bool found = false;
    TDataSetState old = SetTempState(dsFilter);
    try {
        InternalFirst();
        while (!found && GetRecord(buffer, gmNext, false) == grOK) {
            found = true;
            for (size_t i = 0; i < fields.size() && found; ++i)
                found = FieldMatches(fields[i], KeyValueAt(KeyValues, i, fields.size()), Options);
        }
    } catch (...) {
        RestoreState(old);
        throw;
    }
    RestoreState(old);
    if (found) {
        DoBeforeScroll();
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return found;
}

Variant TDataSet::Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
    CheckBrowseMode();
    std::vector<TField*> fields;
    GetFieldList(fields, KeyFields);
    CursorPosChanged();
    TRecordBuffer buffer = TempBuffer();
    Variant result;
    TDataSetState old = SetTempState(dsFilter);
    try {
        InternalFirst();
        bool found = false;
        while (!found && GetRecord(buffer, gmNext, false) == grOK) {
            found = true;
            for (size_t i = 0; i < fields.size() && found; ++i)
                found = FieldMatches(fields[i], KeyValueAt(KeyValues, i, fields.size()), {});
        }
        if (found) result = FieldValues(ResultFields);
    } catch (...) {
        RestoreState(old);
        throw;
    }
    RestoreState(old);
    CursorPosChanged();
    return result;
}
