#include "app/recordsave.h"

#include "app/daycell.h"
#include "app/sqlrun.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

namespace {

String IdentityLockName(const TProductionRecord& Rec) {
    return QStringLiteral("accounts_dep.smena|w_id=%1|o_id=%2|i_id=%3|data=%4|smena=%5|color=%6")
        .arg(Rec.WorkerId)
        .arg(Rec.OperationId)
        .arg(Rec.ProductId)
        .arg(static_cast<qint64>(DateOf(Rec.Date)))
        .arg(Rec.Shift)
        .arg(Rec.Colour);
}

// Serialises the saves that add hours to one worker's date and shift, so that two clients cannot
// both stay under the limit and together pass it.
String ShiftHoursLockName(const TProductionRecord& Rec) {
    return QStringLiteral("accounts_dep.smena hours|w_id=%1|data=%2|smena=%3")
        .arg(Rec.WorkerId)
        .arg(static_cast<qint64>(DateOf(Rec.Date)))
        .arg(Rec.Shift);
}

// The hours of the worker's other records of the record's date and shift.
int OtherShiftHours(TADOConnection* Connection, const TProductionRecord& Rec, int EditId) {
    return SqlSelectValue(Connection,
                          QStringLiteral("select coalesce(sum(time),0) from accounts_dep.smena where w_id=:w_id and "
                                         "data=:data and smena=:smena and id<>:id"),
                          {{QStringLiteral("w_id"), Rec.WorkerId},
                           {QStringLiteral("data"), VarFromDateTime(DateOf(Rec.Date))},
                           {QStringLiteral("smena"), Rec.Shift},
                           {QStringLiteral("id"), EditId}})
        .AsInteger();
}

// The price rounded to 4 decimals (ties to even) as general number text of up to 15 significant
// digits with "." (the server reads it as the nearest double, so 1.2346 stays 1.2346).
String PriceText(double Price) {
    String text = FloatToStr(RoundTo(Price, -4));
    text.replace(u',', u'.');
    return text;
}

TSqlValues RecordValues(const TProductionRecord& Rec, TDateTime Today) {
    return {{QStringLiteral("w_id"), Rec.WorkerId},
            {QStringLiteral("i_id"), Rec.ProductId},
            {QStringLiteral("o_id"), Rec.OperationId},
            {QStringLiteral("cena"), PriceText(Rec.Price)},
            {QStringLiteral("kol_vo"), Rec.Quantity},
            {QStringLiteral("brak"), Rec.Defects},
            {QStringLiteral("data"), VarFromDateTime(DateOf(Rec.Date))},
            {QStringLiteral("smena"), Rec.Shift},
            {QStringLiteral("color"), Rec.Colour},
            {QStringLiteral("time"), Rec.Hours},
            {QStringLiteral("vvod"), VarFromDateTime(DateOf(Today))}};
}

const TSqlTypes RecordTypes{{QStringLiteral("vvod"), ftDateTime}, {QStringLiteral("cena"), ftFloat}};

int DuplicateCount(TADOConnection* Connection, const TProductionRecord& Rec, int EditId) {
    TSqlValues v{{QStringLiteral("w_id"), Rec.WorkerId},     {QStringLiteral("o_id"), Rec.OperationId},
                 {QStringLiteral("i_id"), Rec.ProductId},    {QStringLiteral("data"), VarFromDateTime(DateOf(Rec.Date))},
                 {QStringLiteral("smena"), Rec.Shift},       {QStringLiteral("color"), Rec.Colour},
                 {QStringLiteral("id"), EditId}};
    return SqlSelectValue(Connection,
                          QStringLiteral("select count(id) as cnt from accounts_dep.SMENA where w_id=:w_id and "
                                         "o_id=:o_id and i_id=:i_id and data=:data and smena=:smena and id<>:id "
                                         "and color=:color"),
                          v)
        .AsInteger();
}

}  // namespace

String ShiftHoursMessage(int Others, int Total) {
    return QStringLiteral("У работника за эту дату и смену уже записано %1 ч., с этой позицией было бы %2 ч.: "
                          "больше %3 ч. в смену не бывает!")
        .arg(Others)
        .arg(Total)
        .arg(MaxShiftHours);
}

TRecordSaveResult SaveProductionRecord(TADOConnection* Connection, const TProductionRecord& Rec, int EditId,
                                       TDateTime Today) {
    TRecordSaveResult result;
    {
        TTransactionScope transaction(Connection);
        LockForTransaction(Connection, IdentityLockName(Rec));
        LockForTransaction(Connection, ShiftHoursLockName(Rec));
        const int others = OtherShiftHours(Connection, Rec, EditId);
        if (DuplicateCount(Connection, Rec, EditId) != 0) {
            result.Refusal = DuplicateRecordMessage;
        } else if (Rec.Hours < 0 || static_cast<qint64>(others) + Rec.Hours > MaxShiftHours) {
            result.Refusal = ShiftHoursMessage(others, others + Rec.Hours);
        } else {
            std::vector<TDayCell> cells{ProductionDayCell(Rec.WorkerId, Rec.Shift, Rec.Date)};
            TSqlValues values = RecordValues(Rec, Today);
            if (EditId == 0) {
                result.Id = SqlSelectValue(
                                Connection,
                                QStringLiteral(
                                    "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, "
                                    "smena, color, time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, "
                                    "id_gds_use, id_cons_use) values(:w_id, :i_id, :o_id, :cena, :kol_vo, :brak, "
                                    ":data, :smena, :color, :time, :vvod, 'no', 0, 0, 0, 0, 0, 0) returning id as "
                                    "cur_id"),
                                values, RecordTypes)
                                .AsInteger();
            } else {
                // the cell the record leaves: its worker, shift and date as stored now
                const std::vector<Variant> old = SqlSelectRow(
                    Connection, QStringLiteral("select w_id, smena, data from accounts_dep.smena where id=:id for update"),
                    {{QStringLiteral("id"), EditId}});
                if (!old.empty() && !VarIsNull(old[0]) && !VarIsNull(old[1]) && !VarIsNull(old[2]))
                    cells.push_back(ProductionDayCell(old[0].AsInteger(), old[1].AsInteger(), VarToDateTime(old[2])));
                values.push_back({QStringLiteral("id"), EditId});
                const int rows = SqlExecute(Connection,
                           QStringLiteral("update accounts_dep.SMENA set w_id=:w_id, i_id=:i_id, o_id=:o_id, "
                                          "cena=:cena, kol_vo=:kol_vo, brak=:brak, data=:data, smena=:smena, "
                                          "color=:color, time=:time, vvod=:vvod, prize=0, id_doc=0, id_doc_item=0, "
                                          "f_gds_qty_use=0, id_gds_use=0, id_cons_use=0 where id=:id"),
                           values, RecordTypes);
                // another client deleted the record meanwhile: nothing is saved
                if (rows != 1)
                    DatabaseError(QStringLiteral("Row cannot be located for updating. Some values may have been "
                                                 "changed since it was last read."));
                result.Id = EditId;
            }
            RecomputeDayCells(Connection, std::move(cells));
            transaction.Commit();
            result.Saved = true;
        }
    }
    return result;
}

TRecordSaveResult SaveProductionRecord(TADOConnection* Connection, const TProductionRecord& Rec, int EditId) {
    return SaveProductionRecord(Connection, Rec, EditId, Date());
}
