#include "app/timesheetdata.h"

#include "platform/ado/adodb.h"
#include "platform/rtl/dateutils.h"

namespace {

// "sum(h.d1) as d1", ... "sum(h.d31) as d31" (Prefix "h.", As "d").
String DaySums(const String& Prefix, const String& As) {
    QStringList days;
    for (int d = 1; d <= 31; ++d) days << QStringLiteral("sum(%1d%2) as %3%2").arg(Prefix, QString::number(d), As);
    return days.join(QStringLiteral(", "));
}

// The piece-work statement of mode 9.
String PieceWorkSql() {
    QStringList l;
    l << QStringLiteral("select p.s_caption fio, p.id, h.i_type,");
    l << QStringLiteral("(select sum(s.time) from accounts_dep.smena s where s.data<:d_date1 and s.data>=:d_date2 "
                        "and s.w_id=p.id) i_time,");
    l << QStringLiteral("(select sum((s.kol_vo-s.brak)*s.cena)::numeric(10,2) from accounts_dep.smena s where "
                        "s.data<:d_date3 and s.data>=:d_date4 and s.w_id=p.id) f_price,");
    l << QStringLiteral("(select case when coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else "
                        "coalesce(sum((s.kol_vo-s.brak)*s.cena)/sum(time),0)::numeric(10,2) end from "
                        "accounts_dep.smena s where s.data<:d_date5 and s.data>=:d_date6 and s.w_id=p.id) average_price,");
    l << DaySums(QStringLiteral("h."), QStringLiteral("d"));
    l << QStringLiteral("from cmn_contractor.person p, accounts_dep.h_dizuv h");
    l << QStringLiteral("where h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=0");
    l << QStringLiteral("group by p.id, p.s_caption, h.i_type");
    l << QStringLiteral("order by fio");
    return l.join(u'\n');
}

// The worker's hours i_time, earnings f_price (both only of the timesheet row's group when InGroup
// is set) and hourly rate average_price of an operation (Kind), day or night as the timesheet row.
String WorkerHourSums(int Kind, const String& InGroup) {
    const String of = QStringLiteral("f.id_p=p.id and f.id_o=%1 and f.i_night=h.i_night").arg(Kind);
    QStringList l;
    l << QStringLiteral("(select sum(f.cnt) from accounts_dep.fatigue f where f.d_date<:d_date1 and "
                        "f.d_date>=:d_date2 and %1%2) i_time,").arg(of, InGroup);
    l << QStringLiteral("(select sum(f.cnt*f.price)::numeric(10,2) from accounts_dep.fatigue f where "
                        "f.d_date<:d_date3 and f.d_date>=:d_date4 and %1%2) f_price,").arg(of, InGroup);
    l << QStringLiteral("(select case when coalesce(sum(f.cnt),0)::numeric(10,2)=0 then 0 else "
                        "coalesce(sum((f.cnt*f.price))/sum(f.cnt),0)::numeric(10,2) end from accounts_dep.fatigue f "
                        "where f.d_date<:d_date5 and f.d_date>=:d_date6 and %1) average_price,").arg(of);
    return l.join(u'\n');
}

// The statement of modes 14 (Kind 7777) and 15 (Kind 7778): one row per worker and day/night.
String AuxiliarySql(int Kind) {
    const String kind = QString::number(Kind);
    QStringList l;
    l << QStringLiteral("select p.s_caption fio, p.id, h.i_type, case when h.i_night=0 then 'дн.' else 'ноч.' end "
                        "as s_night, h.i_night,");
    l << WorkerHourSums(Kind, String());
    l << DaySums(QStringLiteral("h."), QStringLiteral("d"));
    l << QStringLiteral("from cmn_contractor.person p, accounts_dep.h_dizuv h");
    l << QStringLiteral("where h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=%1").arg(kind);
    l << QStringLiteral("group by p.id, p.s_caption, h.i_type, h.i_night");
    l << QStringLiteral("order by fio");
    return l.join(u'\n');
}

// The statement of mode 17: every timesheet row of a worker, every shift and kind.
String TotalSql() {
    QStringList l;
    l << QStringLiteral("select p.s_caption fio, p.id,");
    l << QStringLiteral("coalesce((select sum(s.time) from accounts_dep.smena s where s.data<:d_date1 and "
                        "s.data>=:d_date2 and s.w_id=p.id),0)+coalesce((select sum(f.cnt) from accounts_dep.fatigue f "
                        "where f.d_date<:d_date7 and f.d_date>=:d_date8 and f.id_p=p.id),0) i_time,");
    l << QStringLiteral("coalesce((select sum((s.kol_vo-s.brak)*s.cena)::numeric(10,2) from accounts_dep.smena s "
                        "where s.data<:d_date3 and s.data>=:d_date4 and s.w_id=p.id),0)+coalesce((select "
                        "sum(f.cnt*f.price)::numeric(10,2) from accounts_dep.fatigue f where f.d_date<:d_date5 and "
                        "f.d_date>=:d_date6 and f.id_p=p.id),0) f_price,");
    l << DaySums(QStringLiteral("h."), QStringLiteral("d"));
    l << QStringLiteral("from cmn_contractor.person p, accounts_dep.h_dizuv h");
    l << QStringLiteral("where h.year=:i_year and h.month=:i_month and h.w_id=p.id");
    l << QStringLiteral("group by p.id, p.s_caption");
    l << QStringLiteral("order by fio");
    return l.join(u'\n');
}

}  // namespace

String MonthTimesheetSql(int Mode) {
    switch (Mode) {
    case tmAuxiliary: return AuxiliarySql(7777);
    case tmAverageRate: return AuxiliarySql(7778);
    case tmTotal: return TotalSql();
    default: return PieceWorkSql();
    }
}

String MonthTotalSql(TMonthTotal Total) {
    const String smena = QStringLiteral(
        "select sum((s.kol_vo-s.brak)*s.cena) from accounts_dep.smena s where s.data<:d_date1 and s.data>=:d_date2 "
        "and s.cena>0 and s.kol_vo>0");
    const String fatigue = QStringLiteral(
        "select sum(f.cnt*f.price) from accounts_dep.fatigue f where f.d_date<:d_date%1 and f.d_date>=:d_date%2 and "
        "f.cnt>0 and f.price>0");
    switch (Total) {
    case mtAverageRate:
        return QStringLiteral("select sum(f.cnt*f.price)::numeric(100,2) as price from accounts_dep.fatigue f where "
                              "f.d_date<:d_date1 and f.d_date>=:d_date2 and f.cnt>0 and f.price>0 and f.id_o=7778");
    case mtAuxiliary:
        return QStringLiteral("select sum(f.cnt*f.price)::numeric(100,2) as price from accounts_dep.fatigue f where "
                              "f.d_date<:d_date1 and f.d_date>=:d_date2 and f.cnt>0 and f.price>0 and f.id_o=7777");
    case mtPieceWork:
        return QStringLiteral("select sum((s.kol_vo-s.brak)*s.cena)::numeric(100,2) as price from accounts_dep.smena s "
                              "where s.data<:d_date1 and s.data>=:d_date2 and s.cena>0 and s.kol_vo>0");
    case mtAll:
        // each source counts 0 when it has nothing, so one empty source does not blank the total
        return QStringLiteral("select (coalesce((%1),0)+coalesce((%2),0))::numeric(20,2) price")
            .arg(smena, fatigue.arg(3).arg(4));
    }
    return String();
}

String WageSummarySql() {
    // one select per view: the view's pay per group, worker and day of the month
    const auto view = [](const char* View, const char* Alias, int From, int To) {
        const String a = QString::fromLatin1(Alias);
        return QStringLiteral("select p.id id_p, p.fio, i.s_caption, i.id, sum(%2.f_sum)::numeric(15,2) as sum, %2.d_date\n"
                              "  from accounts_dep.%1 %2, cmn_classifier.item i, accounts_dep.person p\n"
                              " where i.id::numeric = %2.id_nom::numeric and p.id::numeric = %2.id_p::numeric\n"
                              "   and %2.d_date<:data%4 and %2.d_date>=:data%3\n"
                              " group by i.id, i.s_caption, p.id, p.fio, %2.d_date")
            .arg(QString::fromLatin1(View), a, QString::number(From), QString::number(To));
    };
    return QStringLiteral("select slct.fio, slct.s_caption s_nom, slct.id id_nom, sum(slct.sum)::numeric(15,2) sum_all, "
                          "(sum(slct.sum)/1.2)::numeric(15,2) sum_all_12 from\n(") +
           view("v_nom_f", "nf", 1, 2) + QStringLiteral("\nunion all\n") + view("v_nom_s", "ns", 3, 4) +
           QStringLiteral(") slct\ngroup by slct.id_p, slct.fio, slct.s_caption, slct.id\n"
                          "order by slct.s_caption, slct.id, slct.fio, slct.id_p");
}

String GroupTimesheetSql(int Operation) {
    const String op = QString::number(Operation);
    QStringList l;
    l << QStringLiteral("select distinct Trim(i.s_caption) as s_nom, Trim(p.s_caption) as fio, h.id_nom,");
    l << QStringLiteral("case when h.i_night=0 then 'дн.' else 'ноч.' end as s_night, h.i_night,");
    l << WorkerHourSums(Operation, QStringLiteral(" and f.id_nom=h.id_nom"));
    l << QStringLiteral("(select sum(coalesce(f3.cnt*f3.price,0))::numeric(10,2) from accounts_dep.fatigue f3 where "
                        "f3.d_date<:d_date7 and f3.d_date>=:d_date8 and f3.id_nom=h.id_nom and f3.id_o=%1) f_price_nom,")
             .arg(op);
    l << DaySums(QStringLiteral("h."), QStringLiteral("d")) + u',';
    l << QStringLiteral("p.id, h.i_type");
    l << QStringLiteral("from cmn_contractor.person p, accounts_dep.h_dizuv h, cmn_classifier.item i");
    l << QStringLiteral("where h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=%1 and h.id_nom=i.id").arg(op);
    l << QStringLiteral("group by p.id, p.s_caption, h.i_type, h.i_night, h.id_nom, i.s_caption");
    l << QStringLiteral("order by s_nom, id_nom, fio, p.id, h.i_night");
    return l.join(u'\n');
}

String TimesheetYearsSql() { return QStringLiteral("select distinct ht.year from accounts_dep.h_dizuv ht order by year"); }

String AllShiftHoursSql() {
    // one line per worker: two workers of the same name stay apart
    return QStringLiteral("select person.s_caption fio, ") + DaySums(String(), QStringLiteral("sd")) +
           QStringLiteral("\nfrom accounts_dep.h_dizuv, cmn_contractor.person person where "
                          "h_dizuv.w_id=person.s_code::t_integer and month=:mnth and\n"
                          "year=:yea group by person.id, person.s_caption order by fio, person.id");
}

TDateTime MonthStart(int Month, int Year) { return EncodeDate(static_cast<Word>(Year), static_cast<Word>(Month), 1); }

TDateTime NextMonthStart(int Month, int Year) { return Month == 12 ? MonthStart(1, Year + 1) : MonthStart(Month + 1, Year); }

int DaysOfMonth(int Month, int Year) { return static_cast<int>(NextMonthStart(Month, Year) - MonthStart(Month, Year)); }

bool IsWeekendDayOfMonth(int Month, int Year, int Day) {
    const Word w = DayOfWeek(MonthStart(Month, Year) + (Day - 1));
    return w == 1 || w == 7;  // Sunday, Saturday
}

void BindMonth(TParameters* Parameters, int Month, int Year) {
    const Variant first = VarFromDateTime(MonthStart(Month, Year));
    const Variant next = VarFromDateTime(NextMonthStart(Month, Year));
    for (int i = 0; i < Parameters->Count(); ++i) {
        TParameter* p = Parameters->Items(i);
        const String name = p->Name().toLower();
        if (name == u"i_month" || name == u"mnth" || name == u"i_year" || name == u"yea") {
            p->SetDataType(ftInteger);
            p->SetValue(name == u"i_month" || name == u"mnth" ? Month : Year);
        } else if (name == u"date1" || name == u"date2") {
            p->SetDataType(ftDate);
            p->SetValue(name == u"date1" ? first : next);
        } else if (name.startsWith(QStringLiteral("data"))) {
            bool ok = false;
            const int n = name.mid(4).toInt(&ok);
            if (!ok) continue;
            p->SetDataType(ftDate);
            p->SetValue(n % 2 == 1 ? first : next);
        } else if (name.startsWith(QStringLiteral("d_date"))) {
            bool ok = false;
            const int n = name.mid(6).toInt(&ok);
            if (!ok) continue;
            p->SetDataType(ftDate);
            p->SetValue(n % 2 == 0 ? first : next);
        }
    }
}
