#include "grid/memtable/sqldatadrivervz.h"

#include "grid/core/dynvarsvz.h"
#include "grid/memtable/adodatadrivervz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/memtable/memtabledatavz.h"
#include "platform/db/dbfilter.h"
#include "platform/db/fields.h"
#include "platform/db/params.h"
#include "platform/rtl/lists.h"

namespace {

const char* const SSelectNoDataSet = "SelectCommand.Execute does not get DataSet";
const char* const SNoFreshRecord = "There are no fresh record on server";
const char* const SNoCommandFor = "There is no command to write a %1 record";
const char* const SNothingRan = "The %1 record was not written: its command ran nowhere (no connection for it)";
const char* const SNoRowTouched = "The record was not written: no row of the server matched it (changed or deleted by another user?)";
const char* const SBadIdentifier = "\"%1\" is not a valid name for generated SQL";
const char* const SBadFilter = "The filter \"%1\" cannot be sent to the server: %2";

const char* StatusName(TUpdateStatus S) {
    switch (S) {
        case usModified: return "modified";
        case usInserted: return "inserted";
        case usDeleted: return "deleted";
        default: return "unmodified";
    }
}

bool PlainName(const String& Name) {
    if (Name.isEmpty() || !(Name[0].isLetter() || Name[0] == u'_')) return false;
    for (QChar c : Name)
        if (!(c.isLetterOrNumber() || c == u'_')) return false;
    return true;
}

// Frees a cursor handed out with FreeOnEof when the scope ends.
struct CursorGuard {
    TDataSet*& C;
    bool& F;
    ~CursorGuard() {
        if (C && F) C->Free();
        C = nullptr;
    }
};

}  // namespace

String QuotedSQLName(const String& Name, bool Qualified, TComponent* Owner) {
    const QStringList parts = Qualified ? Name.split(u'.') : QStringList{Name};
    QStringList quoted;
    for (const String& p : parts) {
        if (!PlainName(p)) DatabaseError(QString::fromLatin1(SBadIdentifier).arg(Name), Owner);
        quoted << u'"' + p + u'"';
    }
    return quoted.join(u'.');
}

int CommandParamFieldIndex(TMTDataStructVz* DataStruct, const String& ParamName, TDataValueVersionVz& Version) {
    const int i = DataStruct->FieldIndex(ParamName);
    if (i >= 0) return i;
    if (ParamName.left(4).toUpper() != u"OLD_"_S) return -1;
    const int j = DataStruct->FieldIndex(ParamName.mid(4, 255));
    if (j >= 0) Version = dvvOldestValue;
    return j;
}

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

TMacroVarsVz::TMacroVarsVz(TCustomSQLDataDriverVz* ADataDriver)
    : FDataDriver(ADataDriver), FMacros(New<TStringVarsVz>(this)), FSpecMacros(New<TSpecMacrosVz>()) {}

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

// ---- filters as SQL -----------------------------------------------------------------------------

namespace {

struct FilterSQLWriter {
    const String& Text;
    std::vector<TMacroParamVz>& Params;
    TComponent* Owner;
    TDataSet* FieldTypes;

    // A text constant compared with a typed field is read as the field's type.
    Variant TypedConst(const TExprNode* Const, const TExprNode* Other) const {
        const Variant& v = Const->Value;
        if (!Const->TextConst || !FieldTypes || Other->Kind != enField) return v;
        TField* f = FieldTypes->FindField(Other->Name);
        if (!f) return v;
        switch (f->DataType()) {
            case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
                return VarToDateTimeVariant(v);
            case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: case ftFloat:
            case ftCurrency: case ftBCD: case ftFMTBcd: case ftLongWord: case ftShortint: case ftByte:
            case ftExtended: case ftSingle:
                return VarAsType(v, varDouble);
            case ftBoolean:
                return VarAsType(v, varBoolean);
            default:
                return v;
        }
    }

    // An operand; a constant beside a field takes the field's type.
    String Operand(const TExprNode* N, const TExprNode* Other) {
        if (N->Kind == enConst && !VarIsNull(N->Value) && !VarIsEmpty(N->Value)) {
            try {
                return Bind(TypedConst(N, Other));
            } catch (const EDatabaseError&) {
                throw;
            } catch (const Exception& E) {
                Refuse(E.Message());
            }
        }
        return Write(N);
    }

    [[noreturn]] void Refuse(const String& Why) const {
        DatabaseError(QString::fromLatin1(SBadFilter).arg(Text, Why), Owner);
    }

    String Bind(const Variant& Value) {
        const String name = u"FILTER_VALUE_"_S + QString::number(Params.size() + 1);
        Params.emplace_back(name, Value);
        return u':' + name;
    }

    static bool IsPartialText(const TExprNode* N) {
        return N->Kind == enConst && N->TextConst && N->Value.AsString().endsWith(u'*');
    }

    static String LikePrefix(const String& Prefix) {
        String r;
        for (QChar c : Prefix) {
            if (c == u'%' || c == u'_' || c == u'\\') r += u'\\';
            r += c;
        }
        return r + u'%';
    }

    String Write(const TExprNode* N) {
        switch (N->Kind) {
            case enField: return QuotedSQLName(N->Name, false, Owner);
            case enConst: return VarIsNull(N->Value) || VarIsEmpty(N->Value) ? u"NULL"_S : Bind(N->Value);
            case enFunc: return Func(N);
            case enList: Refuse(u"a list stands outside IN"_S);
            case enOperator: break;
        }
        auto arg = [&](size_t i) -> String {
            if (i >= N->Args.size()) Refuse(u"an operator lacks an operand"_S);
            return Write(N->Args[i].get());
        };
        // Operands are written left to right, so the values are numbered in reading order.
        auto bin = [&](const char16_t* Op) {
            if (N->Args.size() != 2) Refuse(u"an operator lacks an operand"_S);
            const String l = Operand(N->Args[0].get(), N->Args[1].get());
            const String r = Operand(N->Args[1].get(), N->Args[0].get());
            return u'(' + l + QString::fromUtf16(Op) + r + u')';
        };
        switch (N->Operator) {
            case coAND: return bin(u" AND ");
            case coOR: return bin(u" OR ");
            case coNOT: return u"(NOT "_S + arg(0) + u')';
            case coISBLANK: return u'(' + arg(0) + u" IS NULL)"_S;
            case coNOTBLANK: return u'(' + arg(0) + u" IS NOT NULL)"_S;
            case coEQ:
            case coNE:
                // A text ending in '*' matches the texts that start with what comes before it.
                if (N->Args.size() == 2 && IsPartialText(N->Args[1].get())) {
                    const String v = N->Args[1]->Value.AsString();
                    const String l = arg(0);
                    return u'(' + l + (N->Operator == coEQ ? u" LIKE "_S : u" NOT LIKE "_S) +
                           Bind(Variant(LikePrefix(v.left(v.size() - 1)))) + u')';
                }
                return bin(N->Operator == coEQ ? u" = " : u" <> ");
            case coLT: return bin(u" < ");
            case coGT: return bin(u" > ");
            case coLE: return bin(u" <= ");
            case coGE: return bin(u" >= ");
            case coLIKE: return bin(u" LIKE ");
            case coADD: return bin(u" + ");
            case coSUB: return bin(u" - ");
            case coMUL: return bin(u" * ");
            case coDIV: return bin(u" / ");
            case coMINUS: return u"(- "_S + arg(0) + u')';
            case coIN: {
                if (N->Args.size() != 2 || N->Args[1]->Kind != enList) Refuse(u"IN without a list"_S);
                const String l = arg(0);
                QStringList items;
                for (const auto& a : N->Args[1]->Args) items << Operand(a.get(), N->Args[0].get());
                return u'(' + l + u" IN ("_S + items.join(u", "_S) + u"))"_S;
            }
            default: Refuse(u"an operator SQL has no counterpart for"_S);
        }
    }

    String Func(const TExprNode* N) {
        QStringList a;
        for (const auto& x : N->Args) a << Write(x.get());
        const String& f = N->Name;
        auto need = [&](qsizetype lo, qsizetype hi) {
            if (a.size() < lo || a.size() > hi) Refuse(f + u": wrong number of arguments"_S);
        };
        static const char* const simple[][2] = {
            {"UPPER", "upper"}, {"LOWER", "lower"}, {"TRIM", "btrim"}, {"TRIMLEFT", "ltrim"}, {"TRIMRIGHT", "rtrim"}};
        for (const auto& s : simple)
            if (f == QLatin1String(s[0])) {
                need(1, 1);
                return QLatin1String(s[1]) + u'(' + a[0] + u')';
            }
        static const char* const parts[] = {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"};
        for (const char* p : parts)
            if (f == QLatin1String(p)) {
                need(1, 1);
                return u"extract("_S + QLatin1String(p).toString().toLower() + u" from "_S + a[0] + u')';
            }
        if (f == u"SUBSTRING"_S) {
            need(2, 3);
            return u"substr("_S + a.join(u", "_S) + u')';
        }
        if (f == u"GETDATE"_S) {
            need(0, 0);
            return u"localtimestamp"_S;
        }
        if (f == u"DATE"_S || f == u"TIME"_S) {
            need(1, 1);
            return u"cast("_S + a[0] + (f == u"DATE"_S ? u" as date)"_S : u" as time)"_S);
        }
        Refuse(u"unknown function "_S + f);
    }
};

}  // namespace

String FilterTextToSQL(const String& FilterText, std::vector<TMacroParamVz>& Params, TComponent* Owner,
                       TDataSet* FieldTypes) {
    TFilterExpr expr(nullptr, FilterText);
    if (expr.IsEmpty()) return String();
    FilterSQLWriter w{FilterText, Params, Owner, FieldTypes};
    return w.Write(expr.Root());
}

// ---- generated statements' settings -------------------------------------------------------------

namespace {

QStringList CommaList(const String& Text) {
    TStringList l;
    l.SetCommaText(Text);
    QStringList r;
    for (int i = 0; i < l.Count(); ++i)
        if (!l.Strings(i).trimmed().isEmpty()) r << l.Strings(i).trimmed();
    return r;
}

}  // namespace

void TDynaSQLParamsVz::GetUpdateFields(QStringList& List, TMemoryRecordVz* MemRec) const {
    if (UpdateFieldListSource == tflsListPropertyVz) {
        List = CommaList(UpdateFields);
        return;
    }
    IConnectionProviderVz* p = FDataDriver ? FDataDriver->GetConnectionProvider() : nullptr;
    IDatabaseSchemaInfoVz* schema = p ? p->GetDatabaseSchemaInfo() : nullptr;
    if (!schema) return;
    TStringList names;
    schema->GetTableFieldNames(UpdateTable, &names);
    const QStringList keys = CommaList(KeyFields);
    QStringList columns;
    for (int i = 0; i < names.Count(); ++i)
        if (!keys.contains(names.Strings(i), Qt::CaseInsensitive)) columns << names.Strings(i);
    List.clear();
    TMTDataStructVz* ds = MemRec->DataStruct();
    for (int i = 0; i < ds->Count(); ++i)
        for (const String& c : columns)
            if (QString::compare(c, ds->GetDataField(i)->FieldName(), Qt::CaseInsensitive) == 0) {
                List << c;
                break;
            }
}

void TDynaSQLParamsVz::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TDynaSQLParamsVz*>(Source)) {
        UpdateTable = src->UpdateTable;
        UpdateFields = src->UpdateFields;
        KeyFields = src->KeyFields;
        SkipUnchangedFields = src->SkipUnchangedFields;
        Options = src->Options;
        UpdateFieldListSource = src->UpdateFieldListSource;
        return;
    }
    TPersistent::Assign(Source);
}

// ---- TCustomSQLCommandVz ------------------------------------------------------------------------

void TCustomSQLCommandVz::SetCommandText(const String& Value) {
    if (Value == FCommandText) return;
    FCommandText = Value;
    TextChanged();
}

void TCustomSQLDataDriverVz::CommandTextChanged(TCustomSQLCommandVz* Command) {
    if (Command && Command == FSelectCommand) StructChanged();
}

void TCustomSQLCommandVz::TextChanged() {
    if (FDataDriver) FDataDriver->CommandTextChanged(this);
}

TSQLCommandTypeVz TCustomSQLCommandVz::DefaultCommandType() const {
    return FDataDriver ? FDataDriver->DefaultCommandTypeFor(this) : cthSelectQuery;
}

String TCustomSQLCommandVz::FinalCommandText() const {
    return FDataDriver ? FDataDriver->MacroVars()->Apply(FCommandText) : FCommandText;
}

int TCustomSQLCommandVz::Execute(TDataSet*& Cursor, bool& FreeOnEof) {
    Cursor = nullptr;
    FreeOnEof = false;
    FExecuted = false;
    if (!FDataDriver) return -1;
    if (IConnectionProviderVz* p = FDataDriver->GetConnectionProvider()) {
        bool processed = false;
        const int r = p->ExecuteCommand(FDataDriver, this, Cursor, FreeOnEof, processed);
        if (processed) {
            FExecuted = true;
            return r;
        }
    }
    if (TSQLDataDriverResolver* res = GetSQLDataDriverResolver()) {
        bool processed = false;
        const int r = res->ExecuteCommand(FDataDriver, this, Cursor, FreeOnEof, processed);
        FExecuted = processed;
        return r;
    }
    return -1;
}

void TCustomSQLCommandVz::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TCustomSQLCommandVz*>(Source)) {
        SetCommandText(src->CommandText());
        FCommandType = src->FCommandType;
        return;
    }
    TPersistent::Assign(Source);
}

// ---- TBaseSQLCommandVz --------------------------------------------------------------------------

TBaseSQLCommandVz::TBaseSQLCommandVz(TCustomSQLDataDriverVz* ADataDriver)
    : TCustomSQLCommandVz(ADataDriver), FParams(New<TParams>(nullptr)) {}

TBaseSQLCommandVz::~TBaseSQLCommandVz() { FParams->Free(); }

void TBaseSQLCommandVz::TextChanged() {
    TCustomSQLCommandVz::TextChanged();
    if (ParamCheck()) RebuildParams();
}

void TBaseSQLCommandVz::RebuildParams() {
    TParams* fresh = New<TParams>(nullptr);
    try {
        fresh->ParseSQL(CommandText(), true);
        fresh->AssignValues(FParams);
        FParams->Assign(fresh);
    } catch (...) {
        fresh->Free();
        throw;
    }
    fresh->Free();
}

void TBaseSQLCommandVz::SetParams(TParams* AParams) {
    if (AParams && AParams != FParams) FParams->Assign(AParams);
}

void TBaseSQLCommandVz::RefreshParams(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion) {
    for (int i = 0; i < FParams->Count(); ++i) {
        TParam* p = FParams->Items(i);
        if (OnAssignParam.Assigned()) OnAssignParam(this, MemRecord, DataValueVersion, p);
        else DefaultRefreshParam(MemRecord, DataValueVersion, p);
    }
}

void TBaseSQLCommandVz::DefaultRefreshParam(TMemoryRecordVz* MemRecord, TDataValueVersionVz DataValueVersion,
                                            TParam* Param) {
    if (auto* d = dynamic_cast<TBaseSQLDataDriverVz*>(DataDriver()))
        d->AssignCommandParam(this, MemRecord, DataValueVersion, Param);
}

void TBaseSQLCommandVz::Assign(TPersistent* Source) {
    TCustomSQLCommandVz::Assign(Source);
    if (auto* src = dynamic_cast<TBaseSQLCommandVz*>(Source)) {
        SetParamCheck(src->ParamCheck());
        FParams->Assign(src->FParams);
    } else if (auto* other = dynamic_cast<TCustomSQLCommandVz*>(Source)) {
        if (TParams* p = other->GetParams()) FParams->Assign(p);
    }
}

// ---- TCustomSQLDataDriverVz ---------------------------------------------------------------------

TCustomSQLDataDriverVz::TCustomSQLDataDriverVz(TComponent* AOwner) : TDataDriverVz(AOwner) {
    SetResolveToDataSet(false);
}

void TCustomSQLDataDriverVz::AfterConstruction() {
    TDataDriverVz::AfterConstruction();
    FSelectCommand = CreateSelectCommand();
    FSelectCommand->SetCommandType(DefaultCommandTypeFor(FSelectCommand));
    FUpdateCommand = CreateUpdateCommand();
    FUpdateCommand->SetCommandType(DefaultCommandTypeFor(FUpdateCommand));
    FInsertCommand = CreateInsertCommand();
    FInsertCommand->SetCommandType(DefaultCommandTypeFor(FInsertCommand));
    FDeleteCommand = CreateDeleteCommand();
    FDeleteCommand->SetCommandType(DefaultCommandTypeFor(FDeleteCommand));
    FGetrecCommand = CreateGetrecCommand();
    FGetrecCommand->SetCommandType(DefaultCommandTypeFor(FGetrecCommand));
    FSpecParams = New<TStringList>();
    FServiceCommand = CreateCommand();
    FServiceCommand->SetCommandType(cthUpdateQuery);
    FDynaSQLParams = New<TDynaSQLParamsVz>(this);
    FMacroVars = New<TMacroVarsVz>(this);
}

TCustomSQLDataDriverVz::~TCustomSQLDataDriverVz() {
    if (FDynaSQLParams) FDynaSQLParams->Free();
    for (TCustomSQLCommandVz* c :
         {FSelectCommand, FUpdateCommand, FInsertCommand, FDeleteCommand, FGetrecCommand, FServiceCommand})
        if (c) c->Free();
    if (FSpecParams) FSpecParams->Free();
    if (FMacroVars) FMacroVars->Free();
}

TSQLCommandTypeVz TCustomSQLDataDriverVz::DefaultCommandTypeFor(const TCustomSQLCommandVz* Command) const {
    return Command == FSelectCommand || Command == FGetrecCommand ? cthSelectQuery : cthUpdateQuery;
}

int TCustomSQLDataDriverVz::ExecuteCommand(TCustomSQLCommandVz* Command, TDataSet*& Cursor, bool& FreeOnEof) {
    if (OnExecuteCommand.Assigned()) {
        // The handler runs the command its own way; a handler that calls Execute itself
        // leaves the command's own account of whether it ran.
        Command->SetExecuted(true);
        return OnExecuteCommand(this, Command, Cursor, FreeOnEof);
    }
    return DefaultExecuteCommand(Command, Cursor, FreeOnEof);
}

int TCustomSQLDataDriverVz::DefaultExecuteCommand(TCustomSQLCommandVz* Command, TDataSet*& Cursor, bool& FreeOnEof) {
    if (HaveDataConnection()) return Command->Execute(Cursor, FreeOnEof);
    bool processed = false;
    int r = -1;
    if (TSQLDataDriverResolver* res = GetSQLDataDriverResolver())
        r = res->ExecuteCommand(this, Command, Cursor, FreeOnEof, processed);
    if (!processed) return Command->Execute(Cursor, FreeOnEof);
    Command->SetExecuted(true);
    return r;
}

bool TCustomSQLDataDriverVz::ConnectionIsPostponed() {
    IConnectionProviderVz* p = GetConnectionProvider();
    return p && p->ConnectionIsPostponed();
}

void TCustomSQLDataDriverVz::AddPostponedActivationDataSet(TDataSet* ADataSet) {
    if (IConnectionProviderVz* p = GetConnectionProvider()) p->AddPostponedActivationDataSet(ADataSet);
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
    CursorGuard guard{cursor, freeOnEof};
    ExecuteCommand(FSelectCommand, cursor, freeOnEof);
    if (!cursor) DatabaseError(QString::fromLatin1(SSelectNoDataSet), this);
    cursor->Open();
    DataStruct->BuildStructFromFields(cursor->Fields());
    cursor->Close();
}

TServerSpecOperationsVz* TCustomSQLDataDriverVz::EffectiveServerSpecOperations() const {
    if (FServerSpecOperations) return FServerSpecOperations;
    if (TSQLDataDriverResolver* r = GetSQLDataDriverResolver(); r && r->ServerSpecOperations)
        return r->ServerSpecOperations;
    return DefaultServerSpecOperations();
}

void TCustomSQLDataDriverVz::GenerateDynamicSQLCommand(TMemoryRecordVz* MemRecord, TCustomSQLCommandVz* Command) {
    EffectiveServerSpecOperations()->GenerateDynaSQLCommand(MemRecord, Command);
}

bool TCustomSQLDataDriverVz::DefaultUpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec) {
    if (IConnectionProviderVz* p = GetConnectionProvider()) {
        bool processed = false;
        p->UpdateRecord(this, MemTableData, MemRec, processed);
        if (processed) return true;
    }
    if (TSQLDataDriverResolver* r = GetSQLDataDriverResolver()) {
        bool processed = false;
        r->UpdateRecord(this, MemTableData, MemRec, processed);
        if (processed) return true;
    }
    if (FServerSpecOperations) return FServerSpecOperations->UpdateRecord(this, MemTableData, MemRec);
    return DoUpdateRecord(MemTableData, MemRec);
}

bool TCustomSQLDataDriverVz::DoUpdateRecord(TMemTableDataVz* MemTableData, TMemoryRecordVz* MemRec) {
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
    const String what = QString::fromLatin1(StatusName(status));
    if (cmd->CommandText().trimmed().isEmpty()) DatabaseError(QString::fromLatin1(SNoCommandFor).arg(what), this);
    cmd->RefreshParams(MemRec, dvvValueVz);
    TDataSet* cursor = nullptr;
    bool freeOnEof = false;
    CursorGuard guard{cursor, freeOnEof};
    const int n = ExecuteCommand(cmd, cursor, freeOnEof);
    if (!cmd->Executed()) DatabaseError(QString::fromLatin1(SNothingRan).arg(what), this);
    if (n == 0) DatabaseError(QString::fromLatin1(SNoRowTouched), this);
    GetBackUpdatedValues(MemRec, cmd, cursor);
    return true;
}

void TCustomSQLDataDriverVz::GetBackUpdatedValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                  TDataSet* ResDataSet) {
    if (OnGetBackUpdatedValues.Assigned()) OnGetBackUpdatedValues(this, MemRec, Command, ResDataSet);
    else DefaultGetUpdatedServerValues(MemRec, Command, ResDataSet);
}

void TCustomSQLDataDriverVz::DefaultGetUpdatedServerValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                           TDataSet* ResDataSet) {
    bool processed = false;
    if (IConnectionProviderVz* p = GetConnectionProvider())
        p->GetBackUpdatedValues(this, MemRec, Command, ResDataSet, processed);
    if (!processed)
        if (TSQLDataDriverResolver* r = GetSQLDataDriverResolver())
            r->GetBackUpdatedValues(this, MemRec, Command, ResDataSet, processed);
    if (!processed && FServerSpecOperations) FServerSpecOperations->GetBackUpdatedValues(MemRec, Command, ResDataSet);
}

void TCustomSQLDataDriverVz::DefaultRefreshRecord(TMemoryRecordVz* MemRec) {
    if (ResolveToDataSet()) {
        TDataDriverVz::DefaultRefreshRecord(MemRec);
        return;
    }
    FGetrecCommand->RefreshParams(MemRec, dvvOldestValue);
    TDataSet* cursor = nullptr;
    bool freeOnEof = false;
    CursorGuard guard{cursor, freeOnEof};
    ExecuteCommand(FGetrecCommand, cursor, freeOnEof);
    if (!cursor || !cursor->Active() || cursor->IsEmpty()) throw Exception(QString::fromLatin1(SNoFreshRecord));
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

void TCustomSQLDataDriverVz::SetReaderParamsFromCursor(TDataSet* DataSet) {
    if (ProviderDataSet()) {
        TDataDriverVz::SetReaderParamsFromCursor(DataSet);
        return;
    }
    TParams* params = FSelectCommand->GetParams();
    if (!params || !DataSet) return;
    DataSet->FieldDefs()->Update();
    for (int i = 0; i < params->Count(); ++i) {
        TParam* p = params->Items(i);
        p->SetValue(DataSet->FieldByName(p->Name())->AsVariant());
    }
    FSelectCommand->SetParams(params);
}

bool TCustomSQLDataDriverVz::RefreshReaderParamsFromCursor(TDataSet* DataSet) {
    if (ProviderDataSet()) return TDataDriverVz::RefreshReaderParamsFromCursor(DataSet);
    TParams* params = FSelectCommand->GetParams();
    if (!params || !DataSet) return false;
    for (int i = 0; i < params->Count(); ++i) {
        TParam* p = params->Items(i);
        if (TField* f = DataSet->FindField(p->Name()); f && !VarEqualsVz(f->AsVariant(), p->Value())) return true;
    }
    return false;
}

void TCustomSQLDataDriverVz::ApplyFilterText(const String& FilterText) {
    TSpecMacrosVz* m = FMacroVars->SpecMacros();
    if (FilterText.trimmed().isEmpty()) {
        m->FilterMacroValue.clear();
        m->FilterParams.clear();
        return;
    }
    std::vector<TMacroParamVz> params;
    const String sql = FilterTextToSQL(FilterText, params, this, ConsumerDataSet());
    const TSpecMacrosUsagesVz& u = FMacroVars->SpecMacrosUsages;
    if (u.Contains(smuFilterAsWhereClauseVz)) m->FilterMacroValue = u"WHERE "_S + sql;
    else if (u.Contains(smuFilterWithANDPrecedingVz)) m->FilterMacroValue = u"AND ("_S + sql + u')';
    else return;
    m->FilterParams = std::move(params);
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
        String item = QuotedSQLName(words[0], false, this);
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

// ---- TBaseSQLDataDriverVz -----------------------------------------------------------------------

TCustomSQLCommandVz* TBaseSQLDataDriverVz::CreateCommand() { return New<TBaseSQLCommandVz>(this); }

void TBaseSQLDataDriverVz::AssignCommandParam(TBaseSQLCommandVz* Command, TMemoryRecordVz* MemRecord,
                                              TDataValueVersionVz DataValueVersion, TParam* Param) {
    if (OnAssignCommandParam.Assigned()) OnAssignCommandParam(this, Command, MemRecord, DataValueVersion, Param);
    else DefaultAssignCommandParam(Command, MemRecord, DataValueVersion, Param);
}

void TBaseSQLDataDriverVz::DefaultAssignCommandParam(TBaseSQLCommandVz* Command, TMemoryRecordVz* MemRecord,
                                                     TDataValueVersionVz DataValueVersion, TParam* Param) {
    TMTDataStructVz* ds = MemRecord->DataStruct();
    TDataValueVersionVz version = DataValueVersion;
    const int fi = CommandParamFieldIndex(ds, Param->Name(), version);
    if (fi < 0) return;
    if (Command->ParamCheck()) Param->SetDataType(ds->GetDataField(fi)->DataType());
    Param->SetValue(MemRecord->GetDataValue(fi, version));
}

void TBaseSQLDataDriverVz::DefaultGetUpdatedServerValues(TMemoryRecordVz* MemRec, TCustomSQLCommandVz* Command,
                                                         TDataSet* ResDataSet) {
    TCustomSQLDataDriverVz::DefaultGetUpdatedServerValues(MemRec, Command, ResDataSet);
    TMTDataStructVz* ds = MemRec->DataStruct();
    std::vector<std::pair<int, Variant>> values;
    if (TParams* params = Command->GetParams())
        for (int i = 0; i < params->Count(); ++i) {
            TParam* p = params->Items(i);
            const TParamType t = p->ParamType();
            if (t != ptOutput && t != ptInputOutput && t != ptResult) continue;
            if (const int fi = ds->FieldIndex(p->Name()); fi >= 0) values.emplace_back(fi, p->Value());
        }
    if (ResDataSet && ResDataSet->Active() && !ResDataSet->IsEmpty())
        for (TField* f : *ResDataSet->Fields())
            if (const int fi = ds->FieldIndex(f->FieldName()); fi >= 0) values.emplace_back(fi, f->AsVariant());
    if (values.empty()) return;
    MemRec->Edit();
    for (const auto& [fi, v] : values) MemRec->SetDataValue(fi, dvvValueVz, v);
    MemRec->Post();
}

// ---- TSQLDataDriverVz ---------------------------------------------------------------------------

TCustomSQLCommandVz* TSQLDataDriverVz::CreateSelectCommand() { return New<TSQLCommandVz>(this); }
TCustomSQLCommandVz* TSQLDataDriverVz::CreateUpdateCommand() { return New<TSQLCommandVz>(this); }
TCustomSQLCommandVz* TSQLDataDriverVz::CreateInsertCommand() { return New<TSQLCommandVz>(this); }
TCustomSQLCommandVz* TSQLDataDriverVz::CreateDeleteCommand() { return New<TSQLCommandVz>(this); }
TCustomSQLCommandVz* TSQLDataDriverVz::CreateGetrecCommand() { return New<TSQLCommandVz>(this); }

void TSQLDataDriverVz::SetConnectionProvider(TConnectionProviderVz* Value) {
    if (Value == FConnectionProvider) return;
    if (FConnectionProvider) FConnectionProvider->RemoveFreeNotification(this);
    FConnectionProvider = Value;
    if (Value) Value->FreeNotification(this);
}

void TSQLDataDriverVz::Notification(TComponent* AComponent, TOperation Operation) {
    TBaseSQLDataDriverVz::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FConnectionProvider) FConnectionProvider = nullptr;
}

TSQLDataDriverVz::TSQLDataDriverVz(TComponent* AOwner) : TBaseSQLDataDriverVz(AOwner) {}

TSQLDataDriverVz::~TSQLDataDriverVz() = default;

// The transaction is where the writes go: the provider dataset's connection when resolving to
// it, else the connection provider's (of any kind).
void TSQLDataDriverVz::BeginApplyUpdates() {
    if (ResolveToDataSet() && ProviderDataSet()) TBaseSQLDataDriverVz::BeginApplyUpdates();
    else FProviderApply.Begin(FConnectionProvider, this);
}

void TSQLDataDriverVz::EndApplyUpdates(bool Commit) {
    FProviderApply.End(Commit);
    TBaseSQLDataDriverVz::EndApplyUpdates(Commit);
}

void TSQLDataDriverVz::BeginRecordUpdate() {
    FProviderApply.BeginRecord();
    TBaseSQLDataDriverVz::BeginRecordUpdate();
}

void TSQLDataDriverVz::EndRecordUpdate(bool Success) {
    FProviderApply.EndRecord(Success);
    TBaseSQLDataDriverVz::EndRecordUpdate(Success);
}
