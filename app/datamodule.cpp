#include "app/datamodule.h"

#include "platform/gui/dialogs.h"
#include "platform/rtl/sysutils.h"

TDataModule6* DataModule6 = nullptr;

namespace {

std::vector<String>& Arguments() {
    static std::vector<String> args;
    return args;
}

}  // namespace

void SetCommandLineArguments(std::vector<String> Args) { Arguments() = std::move(Args); }

String CommandLineArgument(int Index) {
    const auto& args = Arguments();
    return Index >= 0 && static_cast<size_t>(Index) < args.size() ? args[static_cast<size_t>(Index)] : String();
}

String SdelkaConnectionString(const String& DbName, const String& Server) {
    const String options = QStringLiteral(
        ";PORT=5432;UID=sys;PWD=vexplum;SSLmode=allow;"
        "ReadOnly=0;Protocol=7.4;FakeOidIndex=0;ShowOidColumn=0;RowVersioning=0;ShowSystemTables=0;Fetch=100;"
        "UnknownSizes=0;MaxVarcharSize=255;MaxLongVarcharSize=8190;"
        "Debug=0;CommLog=0;UseDeclareFetch=0;TextAsLongVarchar=1;UnknownsAsLongVarchar=0;BoolsAsChar=1;Parse=0;"
        "ExtraSysTablePrefixes=;LFConversion=1;UpdatableCursors=1;"
        "TrueIsMinus1=0;BI=0;ByteaAsLongVarBinary=1;UseServerSidePrepare=1;LowerCaseIdentifier=0;D6=-101;"
        "OptionalErrors=0;XaOpt=1");
    const bool builtIn = Server.isEmpty();
    return QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=") + (builtIn ? BuiltInDatabase : DbName) +
           QStringLiteral(";SERVER=") + (builtIn ? BuiltInServer : Server) + options;
}

String ShiftListSql(int Shift) {
    // Shift 1 lists smena.id first and sorts by worker, product, kind, naimen and colour; the
    // other shifts list it later and sort by worker only.
    const bool first = Shift == 1;
    QStringList lines;
    lines << (first ? QStringLiteral("select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, ")
                    : QStringLiteral("select smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, smena.id, "));
    lines << QStringLiteral(
        "smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN 'Готовая "
        "продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen,  smena.brak, smena.kol_vo::numeric,");
    lines << QStringLiteral(
        "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, color,time, smena.ok, vvod, "
        "smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use");
    lines << QStringLiteral(
        "from cmn_contractor.person person, accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper,");
    // A record's worker is the person of its id or of its code: the pairs of person and key are
    // listed once (a person whose code is his id once) and joined by key, so the join is hashed
    // instead of testing every person against every record.
    lines << QStringLiteral(
        "(select id, id::t_id as code from cmn_contractor.person union select id, s_code::t_id from cmn_contractor.person) "
        "person_code ");
    lines << QStringLiteral(
        "where smena.i_id=izdel.id and smena.o_id=oper.id and person_code.code=w_id and person.id=person_code.id and ");
    lines << QStringLiteral("oper.vid=vid_oper.id and smena.smena=%1 and smena.data=:data and %2 order by ")
                 .arg(Shift)
                 .arg(first ? QStringLiteral("ok!=:ok") : QStringLiteral("ok<>:ok"));
    lines << (first ? QStringLiteral("fio, izdel.marka, vid_oper.vid, oper.naimen, color") : QStringLiteral("fio"));
    return lines.join(u'\n');
}

String OperListSql() {
    QStringList lines;
    lines << QStringLiteral(
        "select izdel.MARKA, vid_oper.VID, oper.NAIMEN, i.s_caption  , (SELECT (CASE naimen WHEN 0 THEN 'Готовая "
        "продукция' ELSE 'Заготовки' END)) as nmn,");
    lines << QStringLiteral("count(o_id) norma, min(price)::numeric cena, oper.id, oper.i_id, oper.VID as oper_vid ");
    lines << QStringLiteral(
        "from accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER, cmn_classifier.item i");
    lines << QStringLiteral(
        "where OPER.i_id=IZDEL.id and norm.o_id=oper.id and oper.vid=vid_oper.id and i.id =izdel.id_class_item");
    lines << QStringLiteral("group by izdel.MARKA, vid_oper.VID, oper.NAIMEN, oper.id, oper.i_id, oper.VID, i.s_caption  ");
    lines << QStringLiteral("order by izdel.marka, vid_oper.vid, oper.naimen");
    return lines.join(u'\n');
}

String ShiftTimesheetSql(int Shift) {
    QStringList days;
    for (int d = 1; d <= 31; ++d) days << QStringLiteral("coalesce(d%1,0)").arg(d);
    const String summ = QStringLiteral("(") + days.join(u'+') + QStringLiteral(")");
    QStringList lines;
    lines << QStringLiteral("select person.s_caption fio, ") + summ + QStringLiteral(" summ,");
    lines << QStringLiteral("(case when ") + summ +
                 QStringLiteral(" = 0 then 0 else sum(s.cena*(kol_vo-brak))/") + summ +
                 QStringLiteral(" end)::numeric(10,2) average_price,");
    lines << QStringLiteral("sum(s.cena*(kol_vo-brak))::numeric(10,2) cena_all, h_dizuv.*");
    lines << QStringLiteral("from accounts_dep.h_dizuv, cmn_contractor.person, accounts_dep.smena s");
    lines << QStringLiteral(
                 "where h_dizuv.w_id=person.s_code::integer and h_dizuv.smena=%1 and month=:mnth and h_dizuv.year=:yea")
                 .arg(Shift);
    lines << QStringLiteral("and s.w_id = h_dizuv.w_id and s.data >=:date1 and s.data <:date2");
    lines << QStringLiteral("group by person.s_caption,h_dizuv.w_id,h_dizuv.month,h_dizuv.year,h_dizuv.smena,h_dizuv.id");
    lines << QStringLiteral("order by fio");
    return lines.join(u'\n');
}

void BindParams(TParameters* Parameters, const TSqlParams& Params) {
    for (const auto& [name, value] : Params) Parameters->ParamByName(name)->SetValue(value);
}

// ================================================================================================

TDataModule6::TDataModule6(TComponent* AOwner) : TDataModule(AOwner) {}

TADOQuery* TDataModule6::NewQuery(const String& Name, const String& Sql) {
    auto* q = New<TADOQuery>(this);
    q->SetName(Name);
    q->SetConnection(ADO_DB);
    q->SetCursorLocation(clUseClient);
    q->SetCursorType(ctStatic);
    if (!Sql.isEmpty()) q->SQL()->SetText(Sql);
    return q;
}

TADOQuery* NewWindowQuery(TComponent* Owner, const char* Name, const String& Sql) {
    auto* q = New<TADOQuery>(Owner);
    q->SetName(QString::fromLatin1(Name));
    if (DataModule6) q->SetConnection(DataModule6->ADO_DB);
    q->SetCursorLocation(clUseClient);
    q->SetCursorType(ctStatic);
    q->SQL()->SetText(Sql);
    return q;
}

TADOCommand* TDataModule6::NewCommand(const String& Name, const String& Text) {
    auto* c = New<TADOCommand>(this);
    c->SetName(Name);
    c->SetConnection(ADO_DB);
    if (!Text.isEmpty()) c->SetCommandText(Text);
    return c;
}

void TDataModule6::AfterConstruction() {
    ADO_DB = New<TADOConnection>(this);
    ADO_DB->SetName(QStringLiteral("ADO_DB"));
    ADO_DB->SetLoginPrompt(false);
    ADO_DB->SetDefaultDatabase(BuiltInDatabase);

    TADOQuery** shifts[] = {&Smena1, &Smena2, &Smena3, &Smena4};
    for (int s = 1; s <= 4; ++s) {
        TADOQuery* q = NewQuery(QStringLiteral("Smena%1").arg(s), ShiftListSql(s));
        q->Parameters()->ParamByName(QStringLiteral("data"))->SetDataType(ftDate);
        q->Parameters()->ParamByName(QStringLiteral("ok"))->SetDataType(ftString);
        *shifts[s - 1] = q;
    }
    Workers = NewQuery(QStringLiteral("Workers"), QStringLiteral("select * from accounts_dep.person order by fio"));
    Izdel = NewQuery(QStringLiteral("Izdel"), QStringLiteral("select *  from accounts_dep.IZDEL order by marka"));
    Oper = NewQuery(QStringLiteral("Oper"), OperListSql());
    Vid_oper = NewQuery(QStringLiteral("Vid_oper"), QStringLiteral("select * from accounts_dep.VID_OPER order by vid"));
    Control = NewQuery(QStringLiteral("Control"), String());
    Control->SetCursorType(ctUnspecified);

    DelSmena = NewCommand(QStringLiteral("DelSmena"), String());
    H_Dizuv_ins = NewCommand(QStringLiteral("H_Dizuv_ins"), String());
    SQL_exec = NewCommand(QStringLiteral("SQL_exec"), String());
    Oper_ins = NewCommand(QStringLiteral("Oper_ins"), String());
    Oper_ed = NewCommand(QStringLiteral("Oper_ed"), String());
    Oper_del = NewCommand(QStringLiteral("Oper_del"), QStringLiteral("delete from accounts_dep.oper where id=:id"));
    Oper_del->Parameters()->ParamByName(QStringLiteral("id"))->SetDataType(ftInteger);

    TADOQuery** sheets[] = {&H_Dizuv_1, &H_Dizuv_2, &H_Dizuv_3};
    for (int s = 1; s <= 3; ++s) {
        TADOQuery* q = NewQuery(QStringLiteral("H_Dizuv_%1").arg(s), ShiftTimesheetSql(s));
        q->Parameters()->ParamByName(QStringLiteral("mnth"))->SetDataType(ftInteger);
        q->Parameters()->ParamByName(QStringLiteral("yea"))->SetDataType(ftInteger);
        q->Parameters()->ParamByName(QStringLiteral("date1"))->SetDataType(ftDate);
        q->Parameters()->ParamByName(QStringLiteral("date2"))->SetDataType(ftDate);
        *sheets[s - 1] = q;
    }
    inherited::AfterConstruction();
}

TADOQuery* TDataModule6::ShiftQuery(int Shift) const {
    switch (Shift) {
    case 2: return Smena2;
    case 3: return Smena3;
    case 4: return Smena4;
    default: return Smena1;
    }
}

int TDataModule6::CheckCount(const String& Statement, const String& Message, const TSqlParams& Params) {
    Control->Close();
    Control->SQL()->Clear();
    Control->SQL()->Add(Statement);
    BindParams(Control->Parameters(), Params);
    Control->Open();
    int count = 0;
    try {
        count = Control->FieldByName(QStringLiteral("cnt"))->AsInteger();
    } catch (...) {
        Control->Close();
        throw;
    }
    if (count > 0) {
        try {
            MessageBox(nullptr, Message, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        } catch (...) {
            Control->Close();
            throw;
        }
        Control->Close();
        return 1;
    }
    Control->Close();
    return 0;
}

String TDataModule6::FixDecimalSeparator(const String& Text) {
    int p = Pos(QStringLiteral(","), Text);
    if (p == 0) p = Pos(QStringLiteral("."), Text);
    if (p == 0) return Text;
    String result = Text;
    ::Delete(result, p, 1);
    if (SqlDecimalSeparator.isEmpty()) SqlDecimalSeparator = QStringLiteral(".");
    ::Insert(SqlDecimalSeparator, result, p);
    return result;
}
