#include "grid/memtable/sqldatadrivervz.h"

#include "grid/base/dynvarsvz.h"
#include "grid/base/valueutilsvz.h"
#include "grid/memtable/memtabledatavz.h"
#include "platform/ado/adodb.h"
#include "platform/db/fields.h"
#include "platform/rtl/lists.h"

namespace {

const char* const SSelectNoDataSet = "SelectCommand.Execute does not get DataSet";
const char* const SNoFreshRecord = "There are no fresh record on server";
const char* const SNoCommandFor = "There is no command to write a %s record";
const char* const SNoRowTouched = "The record was not written: no row of the server matched it (changed or deleted by another user?)";

const char* StatusName(TUpdateStatus S) {
    switch (S) {
        case usModified: return "modified";
        case usInserted: return "inserted";
        case usDeleted: return "deleted";
        default: return "unmodified";
    }
}

}  // namespace

// ---- macros -------------------------------------------------------------------------------------

String SubstituteMacro(const String& Text, const String& MacroName, const String& MacroValue) {
    if (MacroName.isEmpty()) return Text;
    String r;
    r.reserve(Text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = Text.indexOf(MacroName, from, Qt::CaseSensitive);
        if (at < 0) break;
        r += QStringView(Text).mid(from, at - from);
        r += MacroValue;
        from = at + MacroName.size();
    }
    r += QStringView(Text).mid(from);
    return r;
}

void TSpecMacrosVz::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TSpecMacrosVz*>(Source)) {
        FilterMacroName = src->FilterMacroName;
        SortOrderMacroName = src->SortOrderMacroName;
        return;
    }
    TPersistent::Assign(Source);
}

TMacroVarsVz::TMacroVarsVz() : FMacros(New<TStringVarsVz>(this)), FSpecMacros(New<TSpecMacrosVz>()) {}

TMacroVarsVz::~TMacroVarsVz() {
    FMacros->Free();
    FSpecMacros->Free();
}

void TMacroVarsVz::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TMacroVarsVz*>(Source)) {
        FSpecMacros->Assign(src->FSpecMacros);
        SpecMacrosUsages = src->SpecMacrosUsages;
        FMacros->Assign(src->FMacros);
        return;
    }
    TPersistent::Assign(Source);
}

String TMacroVarsVz::Apply(const String& Text) const {
    String r = Text;
    if (SpecMacrosUsages.Contains(smuUseFilterMacroVz))
        r = SubstituteMacro(r, FSpecMacros->FilterMacroName, FSpecMacros->FilterMacroValue);
    if (SpecMacrosUsages.Contains(smuUseSortOrderMacroVz))
        r = SubstituteMacro(r, FSpecMacros->SortOrderMacroName, FSpecMacros->SortOrderMacroValue);
    for (int i = 0; i < FMacros->Count(); ++i)
        r = SubstituteMacro(r, FMacros->GetItem(i)->Name(), FMacros->GetItem(i)->Value());
    return r;
}

// ---- TCustomSQLCommandVz ------------------------------------------------------------------------

void TCustomSQLCommandVz::SetCommandText(const String& Value) {
    if (Value == FCommandText) return;
    FCommandText = Value;
    TextChanged();
}

String TCustomSQLCommandVz::FinalCommandText() const {
    return FDataDriver ? FDataDriver->MacroVars()->Apply(FCommandText) : FCommandText;
}

int TCustomSQLCommandVz::Execute(TDataSet*& Cursor, bool& FreeOnEof) {
    Cursor = nullptr;
    FreeOnEof = false;
    return -1;
}

// ---- TCustomSQLDataDriverVz ---------------------------------------------------------------------

TCustomSQLDataDriverVz::TCustomSQLDataDriverVz(TComponent* AOwner) : TDataDriverVz(AOwner) {
    SetResolveToDataSet(false);
}

void TCustomSQLDataDriverVz::AfterConstruction() {
    TDataDriverVz::AfterConstruction();
    FSelectCommand = CreateCommand();
    FUpdateCommand = CreateCommand();
    FUpdateCommand->SetCommandType(cthUpdateQuery);
    FInsertCommand = CreateCommand();
    FInsertCommand->SetCommandType(cthUpdateQuery);
    FDeleteCommand = CreateCommand();
    FDeleteCommand->SetCommandType(cthUpdateQuery);
    FGetrecCommand = CreateCommand();
    FSpecParams = New<TStringList>();
    FServiceCommand = CreateCommand();
    FServiceCommand->SetCommandType(cthUpdateQuery);
    FDynaSQLParams = New<TDynaSQLParamsVz>();
    FMacroVars = New<TMacroVarsVz>();
}

TCustomSQLDataDriverVz::~TCustomSQLDataDriverVz() {
    if (FDynaSQLParams) FDynaSQLParams->Free();
    if (FMacroVars) FMacroVars->Free();
    for (TCustomSQLCommandVz* c :
         {FSelectCommand, FUpdateCommand, FInsertCommand, FDeleteCommand, FGetrecCommand, FServiceCommand})
        if (c) c->Free();
    if (FSpecParams) FSpecParams->Free();
}

int TCustomSQLDataDriverVz::ExecuteCommand(TCustomSQLCommandVz* Command, TDataSet*& Cursor, bool& FreeOnEof) {
    return Command->Execute(Cursor, FreeOnEof);
}

bool TCustomSQLDataDriverVz::CanUpdateField(TUpdateStatus UpdateStatus, const String& FieldName) const {
    return !(UpdateStatus == usInserted && FieldName == FSpecParams->Values(u"AUTO_INCREMENT_FIELD"_S));
}

void TCustomSQLDataDriverVz::AdjustDataStruct(TFields*, TMTDataStructVz* DataStruct) {
    const String name = FSpecParams->Values(u"AUTO_INCREMENT_FIELD"_S);
    if (name.isEmpty()) return;
    if (auto* f = dynamic_cast<TMTNumericDataFieldVz*>(DataStruct->FindField(name))) f->SetAutoIncrement(true);
}

void TCustomSQLDataDriverVz::DefaultProduceDataReader(TDataSet*& DataReader, bool& FreeOnEof) {
    if (ProviderDataSet()) {
        TDataDriverVz::DefaultProduceDataReader(DataReader, FreeOnEof);
        return;
    }
    DataReader = nullptr;
    FreeOnEof = false;
    ExecuteCommand(FSelectCommand, DataReader, FreeOnEof);
}

void TCustomSQLDataDriverVz::DefaultBuildDataStruct(TMTDataStructVz* DataStruct) {
    if (ReaderDataSet() || ProviderDataSet()) {
        TDataDriverVz::DefaultBuildDataStruct(DataStruct);
        return;
    }
    TDataSet* cursor = nullptr;
    bool freeOnEof = false;
    ExecuteCommand(FSelectCommand, cursor, freeOnEof);
    if (!cursor) DatabaseError(QString::fromLatin1(SSelectNoDataSet), this);
    try {
        cursor->Open();
        DataStruct->BuildStructFromFields(cursor->Fields());
        cursor->Close();
    } catch (...) {
        if (freeOnEof) cursor->Free();
        throw;
    }
    if (freeOnEof) cursor->Free();
}

bool TCustomSQLDataDriverVz::DefaultUpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec) {
    if (ResolveToDataSet()) return TDataDriverVz::DefaultUpdateRecord(MemTableData, MemRec);
    const TUpdateStatus status = MemRec->UpdateStatus();
    TCustomSQLCommandVz* cmd = status == usModified   ? FUpdateCommand
                               : status == usInserted ? FInsertCommand
                               : status == usDeleted  ? FDeleteCommand
                                                      : nullptr;
    if (!cmd) return false;
    const TDynaSQLOptionsVz& o = FDynaSQLParams->Options;
    if ((status == usModified && o.Contains(dsoDynamicSQLUpdateVz)) ||
        (status == usInserted && o.Contains(dsoDynamicSQLInsertVz)) ||
        (status == usDeleted && o.Contains(dsoDynamicSQLDeleteVz))) {
        GenerateDynamicSQLCommand(MemRec, FServiceCommand);
        // An update with nothing to set writes nothing and is done.
        if (FServiceCommand->CommandText().isEmpty()) return true;
        cmd = FServiceCommand;
    }
    if (cmd->CommandText().trimmed().isEmpty())
        DatabaseError(QString::fromLatin1(SNoCommandFor).replace(u"%s"_S, QString::fromLatin1(StatusName(status))), this);
    cmd->RefreshParams(MemRec, dvvValueVz);
    TDataSet* cursor = nullptr;
    bool freeOnEof = false;
    const int n = ExecuteCommand(cmd, cursor, freeOnEof);
    if (cursor && freeOnEof) cursor->Free();
    if (n == 0) DatabaseError(QString::fromLatin1(SNoRowTouched), this);
    return true;
}

void TCustomSQLDataDriverVz::DefaultRefreshRecord(TMemoryRecordVz* MemRec) {
    if (ResolveToDataSet()) {
        TDataDriverVz::DefaultRefreshRecord(MemRec);
        return;
    }
    FGetrecCommand->RefreshParams(MemRec, dvvOldestValue);
    TDataSet* cursor = nullptr;
    bool freeOnEof = false;
    ExecuteCommand(FGetrecCommand, cursor, freeOnEof);
    struct Freer {
        TDataSet* C;
        bool F;
        ~Freer() { if (C && F) C->Free(); }
    } freer{cursor, freeOnEof};
    if (!cursor || cursor->IsEmpty()) throw Exception(QString::fromLatin1(SNoFreshRecord));
    MemRec->EditForRefresh();
    try {
        FDataToRecFields.clear();
        for (int i = 0; i < MemRec->DataStruct()->Count(); ++i)
            AssignFieldValue(MemRec->RecordsList()->MemTableData(), MemRec, i, dvvOldestValue, cursor);
        FDataToRecFields.clear();
    } catch (...) {
        FDataToRecFields.clear();
        MemRec->Post();
        throw;
    }
    MemRec->Post();
}

// ---- generated statements ----------------------------------------------------------------------

void TDynaSQLParamsVz::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TDynaSQLParamsVz*>(Source)) {
        UpdateTable = src->UpdateTable;
        UpdateFields = src->UpdateFields;
        KeyFields = src->KeyFields;
        SkipUnchangedFields = src->SkipUnchangedFields;
        Options = src->Options;
        return;
    }
    TPersistent::Assign(Source);
}

namespace {

const char* const SBadIdentifier = "\"%1\" is not a valid name for generated SQL";
const char* const SNoKeyFields = "DynaSQLParams.KeyFields is empty: a generated update or delete would touch every row";
const char* const SInvalidFieldName = "Invalid field name \"%1\" in field list \"%2\"";

QStringList CommaList(const String& Text) {
    auto* l = New<TStringList>();
    l->SetCommaText(Text);
    QStringList r;
    for (int i = 0; i < l->Count(); ++i)
        if (!l->Strings(i).trimmed().isEmpty()) r << l->Strings(i).trimmed();
    l->Free();
    return r;
}

bool PlainName(const String& Name) {
    if (Name.isEmpty() || !(Name[0].isLetter() || Name[0] == u'_')) return false;
    for (QChar c : Name)
        if (!(c.isLetterOrNumber() || c == u'_')) return false;
    return true;
}

// A checked name in double quotes; a table may be qualified by its schema.
String QuotedName(const String& Name, bool Qualified, TComponent* Owner) {
    const QStringList parts = Qualified ? Name.split(u'.') : QStringList{Name};
    QStringList quoted;
    for (const String& p : parts) {
        if (!PlainName(p)) DatabaseError(QString::fromLatin1(SBadIdentifier).arg(Name), Owner);
        quoted << u'"' + p + u'"';
    }
    return quoted.join(u'.');
}

}  // namespace

void TCustomSQLDataDriverVz::GenerateDynamicSQLCommand(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command) {
    Command->SetCommandType(cthUpdateQuery);
    const TUpdateStatus status = MemRec->UpdateStatus();
    TMTDataStructVz* ds = MemRec->DataStruct();
    QStringList fields = CommaList(FDynaSQLParams->UpdateFields);
    if (FDynaSQLParams->SkipUnchangedFields && status == usModified) {
        QStringList changed;
        for (const String& f : fields) {
            const int i = ds->FieldIndex(f);
            if (i < 0)
                throw Exception(QString::fromLatin1(SInvalidFieldName).arg(f, fields.join(u',')));
            if (!VarEqualsVz(MemRec->GetDataValue(i, dvvValueVz), MemRec->GetDataValue(i, dvvOldValueVz))) changed << f;
        }
        fields = changed;
    }
    const QStringList keys = CommaList(FDynaSQLParams->KeyFields);
    if ((status == usModified || status == usDeleted) && keys.isEmpty())
        DatabaseError(QString::fromLatin1(SNoKeyFields), this);
    const String table =
        status == usUnmodified ? String() : QuotedName(FDynaSQLParams->UpdateTable.trimmed(), true, this);
    QStringList lines;
    auto where = [&] {
        lines << u"where"_S;
        for (int i = 0; i < keys.size(); ++i)
            lines << u" "_S + QuotedName(keys[i], false, this) + u" = :OLD_"_S + keys[i] +
                         (i + 1 < keys.size() ? u" and"_S : String());
    };
    if (status == usInserted) {
        QStringList cols;
        for (const String& k : keys)
            if (CanUpdateField(status, k) && !fields.contains(k, Qt::CaseInsensitive)) cols << k;
        for (const String& f : fields)
            if (CanUpdateField(status, f)) cols << f;
        QStringList names, params;
        for (const String& c : cols) {
            names << QuotedName(c, false, this);
            params << u":"_S + c;
        }
        lines << u"insert into "_S + table << u"  ("_S + names.join(u", "_S) + u")"_S << u"values"_S
              << u"  ("_S + params.join(u", "_S) + u")"_S;
    } else if (status == usModified) {
        if (!fields.isEmpty()) {
            lines << u"update "_S + table << u"set"_S;
            for (int i = 0; i < fields.size(); ++i)
                lines << u" "_S + QuotedName(fields[i], false, this) + u" = :"_S + fields[i] +
                             (i + 1 < fields.size() ? u","_S : String());
            where();
        }
    } else if (status == usDeleted) {
        lines << u"delete from "_S + table;
        where();
    }
    Command->SetCommandText(lines.join(u'\n'));
}

void TCustomSQLDataDriverVz::ApplyOrderByText(const String& OrderByText) {
    TSpecMacrosVz* m = FMacroVars->SpecMacros();
    if (OrderByText.trimmed().isEmpty()) {
        m->SortOrderMacroValue.clear();
        return;
    }
    QStringList items;
    for (const String& part : OrderByText.split(u',')) {
        const QStringList words = part.simplified().split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty() || words.size() > 2) DatabaseError(QString::fromLatin1(SBadIdentifier).arg(part), this);
        String item = QuotedName(words[0], false, this);
        if (words.size() == 2) {
            const String dir = words[1].toLower();
            if (dir != u"asc"_S && dir != u"desc"_S) DatabaseError(QString::fromLatin1(SBadIdentifier).arg(part), this);
            item += u' ' + dir;
        }
        items << item;
    }
    const String text = items.join(u", "_S);
    const TSpecMacrosUsagesVz& u = FMacroVars->SpecMacrosUsages;
    if (u.Contains(smuSortOrderAsOrderByClauseVz)) m->SortOrderMacroValue = u"ORDER BY "_S + text;
    else if (u.Contains(smuSortOrderWithCommaPrecedingVz)) m->SortOrderMacroValue = u", "_S + text;
}

// ---- TADOCommandVz ------------------------------------------------------------------------------

TADOCommandVz::TADOCommandVz(TADODataDriverVz* ADataDriver)
    : TCustomSQLCommandVz(ADataDriver), FParameters(New<TParameters>(nullptr)) {}

TADOCommandVz::~TADOCommandVz() { FParameters->Free(); }

void TADOCommandVz::TextChanged() {
    if (ParamCheck()) FParameters->ParseSQL(CommandText(), true);
}

void TADOCommandVz::RefreshParams(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion) {
    TMTDataStructVz* ds = MemRecord->DataStruct();
    for (int i = 0; i < FParameters->Count(); ++i) {
        TParameter* p = FParameters->Items(i);
        const String& name = p->Name();
        TDataValueVersionVz version = DataValueVersion;
        int fi = ds->FieldIndex(name);
        if (fi < 0 && name.left(4).toUpper() == u"OLD_"_S) {
            fi = ds->FieldIndex(name.mid(4, 255));
            version = dvvOldestValue;
        }
        if (fi < 0) continue;
        if (ParamCheck()) p->SetDataType(ds->GetDataField(fi)->DataType());
        p->SetValue(MemRecord->GetDataValue(fi, version));
    }
}

int TADOCommandVz::Execute(TDataSet*& Cursor, bool& FreeOnEof) {
    Cursor = nullptr;
    FreeOnEof = false;
    auto* drv = static_cast<TADODataDriverVz*>(DataDriver());
    TADOConnection* conn = drv->Connection();
    int result = -1;
    TCustomADODataSet* ds = nullptr;
    try {
        if (CommandType() == cthTable) {
            auto* t = New<TADOTable>(nullptr);
            ds = t;
            t->SetConnection(conn);
            t->SetTableName(FinalCommandText());
            t->SetCommandTimeout(FCommandTimeout);
            t->Open();
        } else if (CommandType() == cthStoredProc) {
            auto* sp = New<TADOStoredProc>(nullptr);
            ds = sp;
            sp->SetConnection(conn);
            sp->SetProcedureName(FinalCommandText());
            sp->SetCommandTimeout(FCommandTimeout);
            sp->Parameters()->Assign(FParameters);
            sp->ExecProc();
            FParameters->Assign(sp->Parameters());
        } else {
            auto* q = New<TADOQuery>(nullptr);
            ds = q;
            q->SetConnection(conn);
            q->SetCommandTimeout(FCommandTimeout);
            q->SetParamCheck(ParamCheck());
            q->SQL()->SetText(FinalCommandText());
            q->Parameters()->AssignValues(FParameters);
            if (CommandType() == cthUpdateQuery) {
                result = q->ExecSQL();
            } else {
                q->Open();
            }
            FParameters->AssignValues(q->Parameters());
        }
    } catch (...) {
        if (ds) ds->Free();
        throw;
    }
    if (ds->Active()) {
        Cursor = ds;
        FreeOnEof = true;
    } else {
        ds->Free();
    }
    return result;
}

// ---- TADODataDriverVz ---------------------------------------------------------------------------

TADODataDriverVz::~TADODataDriverVz() {
    if (FOwnConnection) FOwnConnection->Free();
}

TCustomSQLCommandVz* TADODataDriverVz::CreateCommand() { return New<TADOCommandVz>(this); }

void TADODataDriverVz::SetADOConnection(TADOConnection* Value) {
    if (Value == FADOConnection) return;
    if (FADOConnection) FADOConnection->RemoveFreeNotification(this);
    FADOConnection = Value;
    if (Value) Value->FreeNotification(this);
}

void TADODataDriverVz::SetConnectionString(const String& Value) {
    if (Value == FConnectionString) return;
    FConnectionString = Value;
    if (FOwnConnection) {
        FOwnConnection->Free();
        FOwnConnection = nullptr;
    }
}

TADOConnection* TADODataDriverVz::Connection() {
    if (FADOConnection) return FADOConnection;
    if (FConnectionString.isEmpty()) return nullptr;
    if (!FOwnConnection) {
        FOwnConnection = New<TADOConnection>(nullptr);
        FOwnConnection->SetLoginPrompt(false);
        FOwnConnection->SetConnectionString(FConnectionString);
    }
    return FOwnConnection;
}

void TADODataDriverVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomSQLDataDriverVz::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FADOConnection) FADOConnection = nullptr;
}

void TADODataDriverVz::BeginApplyUpdates() {
    FApplyConnection = ResolveToDataSet() ? nullptr : Connection();
    FOwnTransaction = false;
    if (!FApplyConnection) return;
    FApplyConnection->Open();
    if (!FApplyConnection->InTransaction()) {
        FApplyConnection->BeginTrans();
        FOwnTransaction = true;
    }
}

void TADODataDriverVz::EndApplyUpdates(bool Commit) {
    TADOConnection* c = FApplyConnection;
    FApplyConnection = nullptr;
    if (!c || !FOwnTransaction) return;
    FOwnTransaction = false;
    if (Commit) {
        c->CommitTrans();
    } else {
        try {
            c->RollbackTrans();
        } catch (...) {
        }
    }
}

void TADODataDriverVz::BeginRecordUpdate() {
    if (FApplyConnection) FApplyConnection->Execute(u"savepoint sdelka_record"_S);
}

void TADODataDriverVz::EndRecordUpdate(bool Success) {
    if (!FApplyConnection) return;
    if (Success) FApplyConnection->Execute(u"release savepoint sdelka_record"_S);
    else FApplyConnection->Execute(u"rollback to savepoint sdelka_record"_S);
}
