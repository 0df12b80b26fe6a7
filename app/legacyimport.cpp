#include "app/legacyimport.h"

#include "app/daycell.h"
#include "platform/db/db.h"

#include <memory>

namespace {

// One parameter per column, named like it.
String Values(const std::vector<TLegacyColumn>& Columns) {
    QStringList names;
    for (const auto& c : Columns) names << u':' + c.Name;
    return names.join(QStringLiteral(", "));
}

String Names(const std::vector<TLegacyColumn>& Columns) {
    QStringList names;
    for (const auto& c : Columns) names << c.Name;
    return names.join(QStringLiteral(", "));
}

// A step whose target takes the columns under their own names.
TLegacyStep PlainStep(const char* Source, const char* Target, bool SortById, std::vector<TLegacyColumn> Columns) {
    TLegacyStep s;
    s.Source = QString::fromLatin1(Source);
    s.Target = QString::fromLatin1(Target);
    s.SortById = SortById;
    s.ClearSql = QStringLiteral("delete from ") + s.Target + QStringLiteral(" where id>0");
    s.InsertSql = QStringLiteral("insert into %1(%2) values (%3)").arg(s.Target, Names(Columns), Values(Columns));
    s.Columns = std::move(Columns);
    return s;
}

// Moves sequence Sequence of Table past the highest id, so the client's next rows get new ids.
String SequenceAfter(const char* Table, const char* Sequence) {
    return QStringLiteral("select setval('%2', greatest((select max(id) from %1), (select last_value from %2))::bigint)")
        .arg(QString::fromLatin1(Table), QString::fromLatin1(Sequence));
}

std::vector<TLegacyStep> MakeSteps() {
    std::vector<TLegacyStep> steps;
    std::vector<TLegacyColumn> h{{QStringLiteral("id"), lcInteger},    {QStringLiteral("w_id"), lcInteger},
                                 {QStringLiteral("month"), lcInteger}, {QStringLiteral("year"), lcInteger},
                                 {QStringLiteral("smena"), lcInteger}};
    for (int d = 1; d <= 31; ++d) h.push_back({QStringLiteral("d%1").arg(d), lcInteger});
    steps.push_back(PlainStep("H_DIZUV", "accounts_dep.h_dizuv", true, h));
    // a row without a shift is an auxiliary row (the column takes no Null)
    steps.back().InsertSql.replace(QStringLiteral(":smena"), QStringLiteral("coalesce(:smena, 0)"));
    steps.back().SequenceSql = SequenceAfter("accounts_dep.h_dizuv", "accounts_dep.h_dizuv_id_seq");

    // Products are goods rows, which the lists read through accounts_dep.izdel with the caption
    // of their nomenclature group: the group is the one of that caption.
    TLegacyStep izdel;
    izdel.Source = QStringLiteral("IZDEL");
    izdel.Target = QStringLiteral("accounts_dep.izdel");
    izdel.SortById = true;
    izdel.ClearSql = QStringLiteral("delete from cmn_gds_and_srv.gds_and_srv where id>0");
    izdel.InsertSql = QStringLiteral(
        "insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, s_description, id_msm_bs, massa, id_class_item) "
        "values (:id, :marka, '', 6, :massa, (select min(i.id) from cmn_classifier.item i where i.s_caption=:nom))");
    izdel.SequenceSql = SequenceAfter("cmn_gds_and_srv.gds_and_srv", "cmn_gds_and_srv.gds_and_srv_id_seq");
    izdel.Columns = {{QStringLiteral("id"), lcInteger},
                     {QStringLiteral("marka"), lcText},
                     {QStringLiteral("nom"), lcText},
                     {QStringLiteral("massa"), lcFloat}};
    steps.push_back(izdel);

    // the older nomenclature has no ids: the rows get new ones
    steps.push_back(PlainStep("NOMENKL", "accounts_dep.nomenkl", false,
                              {{QStringLiteral("marka"), lcText}, {QStringLiteral("nom"), lcText}}));
    steps.push_back(PlainStep("OPER", "accounts_dep.oper", true,
                              {{QStringLiteral("id"), lcInteger},
                               {QStringLiteral("vid"), lcInteger},
                               {QStringLiteral("naimen"), lcInteger},
                               {QStringLiteral("cena"), lcFloat},
                               {QStringLiteral("i_id"), lcInteger}}));
    steps.back().SequenceSql = SequenceAfter("accounts_dep.oper", "accounts_dep.oper_id_seq");
    steps.push_back(PlainStep("VID_OPER", "accounts_dep.vid_oper", true,
                              {{QStringLiteral("id"), lcInteger}, {QStringLiteral("vid"), lcText}}));
    steps.back().SequenceSql = SequenceAfter("accounts_dep.vid_oper", "accounts_dep.vid_oper_id_seq");
    steps.push_back(PlainStep("WORKERS", "accounts_dep.workers", true,
                              {{QStringLiteral("id"), lcInteger},
                               {QStringLiteral("fio"), lcText},
                               {QStringLiteral("addr"), lcText}}));
    steps.back().SequenceSql = SequenceAfter("accounts_dep.workers", "accounts_dep.workers_id_seq");
    steps.push_back(PlainStep("SMENA", "accounts_dep.smena", true,
                              {{QStringLiteral("id"), lcInteger},
                               {QStringLiteral("w_id"), lcInteger},
                               {QStringLiteral("i_id"), lcInteger},
                               {QStringLiteral("o_id"), lcInteger},
                               {QStringLiteral("kol_vo"), lcInteger},
                               {QStringLiteral("brak"), lcInteger},
                               {QStringLiteral("smena"), lcInteger},
                               {QStringLiteral("cena"), lcFloat},
                               {QStringLiteral("color"), lcInteger},
                               {QStringLiteral("ok"), lcAsIs},
                               {QStringLiteral("data"), lcAsIs},
                               {QStringLiteral("time"), lcAsIs},
                               {QStringLiteral("vvod"), lcAsIs}}));
    // "time" is a reserved word of the server's SQL
    steps.back().InsertSql.replace(QStringLiteral(", time,"), QStringLiteral(", \"time\","));
    steps.back().SequenceSql = SequenceAfter("accounts_dep.smena", "accounts_dep.smena_id_seq");
    return steps;
}


// Binds one source value as the column's copy kind says.
void BindValue(TParameter* P, const TLegacyColumn& Column, TField* Field) {
    switch (Column.Copy) {
    case lcInteger: P->SetDataType(ftInteger); break;
    case lcText: P->SetDataType(ftString); break;
    case lcFloat: P->SetDataType(ftFloat); break;
    case lcAsIs: P->SetDataType(Field->DataType()); break;
    }
    if (Field->IsNull()) {
        P->SetValue(Null());
        return;
    }
    switch (Column.Copy) {
    case lcInteger: P->SetValue(Field->AsInteger()); break;
    case lcText: P->SetValue(Field->AsString()); break;
    case lcFloat: P->SetValue(Field->AsFloat()); break;
    case lcAsIs: P->SetValue(Field->AsVariant()); break;
    }
}

}  // namespace

const std::vector<TLegacyStep>& LegacyImportSteps() {
    static const std::vector<TLegacyStep> steps = MakeSteps();
    return steps;
}

ELegacyImportError::ELegacyImportError(const TLegacyStep& Step, int Number, const String& ServerMessage)
    : EDatabaseError(QStringLiteral("Импорт остановлен на шаге %1 (%2 → %3): таблица %3 оставлена как была.\n%4")
                         .arg(Number)
                         .arg(Step.Source, Step.Target, ServerMessage)),
      FStep(&Step),
      FNumber(Number) {}

int ImportLegacyStep(TADOConnection* Source, TADOConnection* Target, const TLegacyStep& Step,
                     const TLegacyProgress& Progress) {
    TOwned<TADOTable> source(New<TADOTable>(nullptr));
    source->SetConnection(Source);
    source->SetTableName(Step.Source);
    source->SetReadOnly(true);
    source->Open();  // the whole table, read before anything is written
    if (Step.SortById) source->SetSort(QStringLiteral("id ASC"));
    source->First();
    const int total = source->RecordCount();
    std::vector<TField*> fields;
    for (const auto& c : Step.Columns) fields.push_back(source->FieldByName(c.Name));

    TOwned<TADOCommand> clear(New<TADOCommand>(nullptr));
    clear->SetConnection(Target);
    clear->SetCommandText(Step.ClearSql);
    TOwned<TADOCommand> insert(New<TADOCommand>(nullptr));
    insert->SetConnection(Target);
    insert->SetCommandText(Step.InsertSql);

    TTransactionScope transaction(Target);
    clear->Execute();
    int count = 0;
    while (count < total && !source->Eof()) {
        for (size_t i = 0; i < Step.Columns.size(); ++i)
            BindValue(insert->Parameters()->ParamByName(Step.Columns[i].Name), Step.Columns[i], fields[i]);
        insert->Execute();
        source->Next();
        ++count;
        if (Progress) Progress(Step.Source, count, total);
    }
    if (!Step.SequenceSql.isEmpty()) {
        TOwned<TADOQuery> seq(New<TADOQuery>(nullptr));
        seq->SetConnection(Target);
        seq->SQL()->SetText(Step.SequenceSql);
        seq->Open();
        seq->Close();
    }
    transaction.Commit();
    source->Close();
    return count;
}

void ImportLegacyData(TADOConnection* Source, TADOConnection* Target, const TLegacyProgress& Progress) {
    const std::vector<TLegacyStep>& steps = LegacyImportSteps();
    for (size_t i = 0; i < steps.size(); ++i) {
        try {
            ImportLegacyStep(Source, Target, steps[i], Progress);
        } catch (const EDatabaseError& E) {
            throw ELegacyImportError(steps[i], static_cast<int>(i) + 1, E.Message());
        }
    }
}
