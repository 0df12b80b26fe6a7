// The printed reports against the demo database: each period report of the previous month and the
// monthly hours report are generated from their windows, printed to the "PDF file" printer and
// read back with pdftotext; per worker (or product) the totals must be those a hand-written SQL
// over the same period gives. A namesake of a demo worker, with piece work but no hours, shows
// that workers are told apart by id and that the price of an hour survives zero hours.
#include "app/form19.h"
#include "app/periodreports.h"
#include "app/timesheetdata.h"
#include "app_fixture.h"
#include "support/tools.h"
#include "support/windowcheck.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/listctrls.h"
#include "platform/office/excel.h"
#include "platform/gui/printers.h"
#include "platform/gui/rangectrls.h"
#include "report/rpexportfilter.h"
#include "report/rppages.h"
#include "report/rpprev.h"
#include "report/rpprintable.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"

#include <QCoreApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace sdelka::test {
namespace {

// A pair "label|value" per line of a query's single text result.
std::vector<std::pair<String, String>> Pairs(const std::string& Text) {
    std::vector<std::pair<String, String>> r;
    for (const QString& line : QString::fromStdString(Text).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype bar = line.lastIndexOf(u'|');
        r.emplace_back(line.left(bar), line.mid(bar + 1));
    }
    return r;
}

// The position after Token found as a whole number at or after From, or -1.
qsizetype FindToken(const QString& Text, const QString& Token, qsizetype From) {
    const QRegularExpression re(QStringLiteral("(?<![\\d,])") + QRegularExpression::escape(Token) + QStringLiteral("(?![\\d,])"));
    const QRegularExpressionMatch m = re.match(Text, From < 0 ? 0 : From);
    return m.hasMatch() ? m.capturedEnd() : -1;
}

// Every label, then the values that follow it, found in this order in the text; a value "a/b"
// stands for either text.
void ExpectInOrder(const QString& Text, const std::vector<std::pair<String, std::vector<String>>>& Blocks) {
    qsizetype at = 0;
    for (const auto& [label, values] : Blocks) {
        const qsizetype found = Text.indexOf(label, at);
        ASSERT_GE(found, 0) << "not found after position " << at << ": " << label.toStdString();
        at = found + label.size();
        for (const String& v : values) {
            qsizetype next = -1;
            for (const QString& alt : v.split(u'/')) {
                const qsizetype n = FindToken(Text, alt, at);
                if (n >= 0 && (next < 0 || n < next)) next = n;
            }
            ASSERT_GE(next, 0) << "after " << label.toStdString() << " no " << v.toStdString();
            at = next;
        }
    }
}

// Money as the layouts print it with the mask "#0.00".
String Money(const String& Sql) { return QString::number(Sql.toDouble(), 'f', 2).replace(u'.', u','); }

// A value the report computes in binary floating point, printed with Decimals decimals ("#0",
// "#0.00"): a value that ends in half a unit of the last place may print as either neighbour.
String Masked(const String& Exact, int Decimals) {
    const double scale = std::pow(10.0, Decimals);
    const double v = Exact.toDouble() * scale;
    const auto text = [Decimals, scale](double Units) { return QString::number(Units / scale, 'f', Decimals).replace(u'.', u','); };
    const double halves = std::round(v * 2);
    if (std::fabs(v * 2 - halves) < 1e-6 && static_cast<long long>(halves) % 2 != 0)
        return text((halves - 1) / 2) + u'/' + text((halves + 1) / 2);
    return text(std::round(v));
}
String Quotient(const String& Exact) { return Masked(Exact, 2); }

// A number in the engine's general format.
String General(const String& V) { return QString::number(V.toDouble(), 'g', 15).replace(u'.', u','); }

class PeriodReportsTest : public AppSuite<true> {
protected:
    TDateTime CurrentMonth() {
        const int y = std::stoi(Db().Value("select extract(year from current_date)"));
        const int m = std::stoi(Db().Value("select extract(month from current_date)"));
        return MonthStart(m, y);
    }
    TDateTime PreviousMonth() {
        const TDateTime c = CurrentMonth();
        return MonthStart(MonthOf(c - 1), YearOf(c - 1));
    }
    std::string Iso(TDateTime D) { return FormatDateTime(QStringLiteral("yyyy-mm-dd"), D).toStdString(); }
    std::string Period(const std::string& Column) {
        return Column + ">='" + Iso(PreviousMonth()) + "' and " + Column + "<'" + Iso(CurrentMonth()) + "'";
    }

    // A second worker with the name of a demo worker who made things last month: the same
    // records at twice the price, with no hours of their own, and one day of auxiliary works in
    // his timesheet. Made once per database.
    String AddNamesake() {
        const std::string known = Db().Value(
            "select min(s_caption) from (select s_caption from cmn_contractor.person group by s_caption having count(*)>1) z");
        if (!known.empty()) return QString::fromStdString(known);
        const std::string w = Db().Value("select min(w_id) from accounts_dep.smena where o_id<7777 and " + Period("data"));
        const std::string id = Db().Value(
            "insert into cmn_contractor.person (s_caption, s_code) select s_caption, '0' from cmn_contractor.person "
            "where id=" + w + " returning id");
        Db().Exec("update cmn_contractor.person set s_code='" + id + "' where id=" + id);
        Db().Exec("insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, ok, prize) "
                  "select " + id + ", i_id, o_id, cena*2, kol_vo, brak, data, smena, color, 0, ok, prize from accounts_dep.smena "
                  "where o_id<7777 and w_id=" + w + " and " + Period("data"));
        Db().Exec("insert into accounts_dep.h_dizuv (w_id, smena, month, year, i_type, i_night, d2) values (" + id + ", 0, " +
                  std::to_string(MonthOf(PreviousMonth())) + ", " + std::to_string(YearOf(PreviousMonth())) + ", 7777, 0, 5)");
        return QString::fromStdString(Db().Value("select s_caption from cmn_contractor.person where id=" + id));
    }

    // Presses Button, whose report previews in the standard preview window; when the window
    // shows, Check looks at it, the pages are printed from its Print button to the "PDF file"
    // printer and the window is closed. Returns the printed text as pdftotext reads it; the file
    // is kept in the test folder under the name given.
    QString PrintedFromPreview(TCustomRpReport* Report, TButton* Button, const char* Name,
                               const std::function<void(TRpStandardPreview*)>& Check = {}) {
        const QString file = QDir(QString::fromStdString(::testing::TempDir())).filePath(QString::fromLatin1(Name) + QStringLiteral(".pdf"));
        QFile::remove(file);
        SetPrinter(nullptr);  // the standard backend with its PDF file printer
        TRpPrinterSettings* settings = Report->ReportPrinterSettings();
        const int printer = settings->PrinterIndex();
        settings->SetPrinterIndex(Printer()->Printers()->IndexOf(PdfFilePrinterName()));
        int shown = 0;
        const auto kept = Report->OnPreviewShowing;
        Report->OnPreviewShowing = [&](TObject*) {
            // once the pages are there, from the window's own message loop
            QTimer::singleShot(0, [&] {
                auto* w = dynamic_cast<TRpStandardPreview*>(Report->RpPrinter() ? Report->RpPrinter()->PreviewControl() : nullptr);
                if (!w) return;
                ++shown;
                EXPECT_TRUE(w->Visible());
                if (Check) Check(w);
                Responder.AnswerPrintFile(true, file);
                TToolButton* print = w->Print;
                Click(print->Parent()->Handle(), QPointF(print->Left() + print->Width() / 2.0, print->Top() + print->Height() / 2.0));
                w->Close();
            });
        };
        Click(Button);
        Report->OnPreviewShowing = kept;
        settings->SetPrinterIndex(printer);
        EXPECT_EQ(shown, 1) << Name;
        // the window let go of the document when it closed
        EXPECT_EQ(Report->RpPrinter(), nullptr);
        return ToolText(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")}, 120000);
    }

    // Runs Action inside the period window opened from the main window on the previous month.
    void InPeriodWindow(const std::function<void()>& Action) {
        Start();
        SignIn(AdminWord2, [&] {
            Responder.AnswerModal([&](TCustomForm* F) {
                ASSERT_EQ(F, Form18);
                Action();
            });
            Form1->N10Click(nullptr);
        });
    }

    // Joins of the production records the reports read.
    static std::string Records() {
        return "accounts_dep.smena s join accounts_dep.oper o on o.id=s.o_id join accounts_dep.vid_oper v on v.id=o.vid "
               "join accounts_dep.izdel i on i.id=s.i_id ";
    }
};

TEST_F(PeriodReportsTest, ReportByWorkersPrintsEachWorkersTotalsAndTheGrandTotals) {
    const String namesake = AddNamesake();
    InPeriodWindow([&] {
        EXPECT_EQ(Form18->DTPicker1->Date(), PreviousMonth());
        EXPECT_EQ(Form18->DTPicker2->Date(), CurrentMonth());
        // the preview opens maximised on the page's width with every page of the run
        const QString saved = QDir(QString::fromStdString(::testing::TempDir())).filePath(QStringLiteral("sdelka_report_workers_saved.pdf"));
        QFile::remove(saved);
        const QString text = PrintedFromPreview(Form16->RpReport1, Form18->Button4, "sdelka_report_workers", [&](TRpStandardPreview* W) {
            // saved as PDF from the preview's own save button
            Responder.AnswerDialog([&](TCommonDialog* D) {
                static_cast<TSaveDialog*>(D)->SetFileName(saved);
                return true;
            });
            TToolButton* save = W->SaveReport;
            Click(save->Parent()->Handle(), QPointF(save->Left() + save->Width() / 2.0, save->Top() + save->Height() / 2.0));
            EXPECT_EQ(W->WindowState(), wsMaximized);
            EXPECT_EQ(W->InitZoom, rpZoomToWidth);
            EXPECT_EQ(W->PreviewReport(), Form16->RpReport1);
            EXPECT_GT(W->RpPrinter()->PageCount(), 1);
            // the report's query stays open while the preview shows
            EXPECT_TRUE(Form16->t_Report->Active());
            W->Handle()->grab().save(QString::fromStdString(::testing::TempDir()) + QStringLiteral("sdelka_preview_workers.png"));
        });
        EXPECT_TRUE(Messages().empty());
        EXPECT_FALSE(Form16->t_Report->Active());
        // The saved PDF draws the table's lines: a rule across most of the page's width.
        {
            const QString png = QDir(QString::fromStdString(::testing::TempDir())).filePath(QStringLiteral("sdelka_report_workers_saved"));
            ToolText(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"), QStringLiteral("1"),
                                                   QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"),
                                                   QStringLiteral("-singlefile"), saved, png}, 60000);
            const QImage page(png + QStringLiteral(".png"));
            ASSERT_FALSE(page.isNull());
            int rules = 0;
            for (int y = 0; y < page.height(); ++y) {
                int dark = 0;
                for (int x = 0; x < page.width(); ++x) dark += QColor(page.pixel(x, y)).lightness() < 128;
                rules += dark > page.width() / 2;
            }
            EXPECT_GT(rules, 3);
        }
        EXPECT_TRUE(text.contains(QStringLiteral("Отчет по рабочим за период с ") + DateToStr(PreviousMonth()) +
                                  QStringLiteral(" по ") + DateToStr(CurrentMonth())));
        // per worker id: the piece-work sum of the lines, and the same with all auxiliary and
        // average-rate earnings
        const auto rows = Pairs(Db().Value(
            "with l as (select s.w_id, round(sum((s.kol_vo-s.brak)*s.cena)::numeric,2) summa from " + Records() +
            "where " + Period("s.data") + " group by s.w_id, v.vid, i.id_nom, o.naimen, s.color), "
            "w as (select w_id, sum(summa) summa from l group by w_id) "
            "select string_agg(p.s_caption || '|' || w.summa || ';' || (w.summa + (select coalesce(round(sum(f.cnt*f.price)::numeric,2),0) "
            "from accounts_dep.fatigue f where f.id_p=w.w_id and " + Period("f.d_date") + ")), E'\\n' order by p.s_caption, w.w_id) "
            "from w join cmn_contractor.person p on p.s_code::integer=w.w_id"));
        ASSERT_GT(rows.size(), 3u);
        std::vector<std::pair<String, std::vector<String>>> blocks;
        int namesakes = 0;
        for (const auto& [name, sums] : rows) {
            namesakes += name == namesake;
            blocks.push_back({name, {Money(sums.section(u';', 0, 0)), QString::number(sums.section(u';', 1, 1).toDouble(), 'f', 3).replace(u'.', u',')}});
        }
        EXPECT_EQ(namesakes, 2);
        // the summary: all piece work, everybody's auxiliary works, average rate, and the total
        const std::string all = Db().Value("select (select sum(round(sum_l,2)) from (select sum((s.kol_vo-s.brak)*s.cena)::numeric sum_l from " +
                                           Records() + "where " + Period("s.data") +
                                           " group by s.w_id, v.vid, i.id_nom, o.naimen, s.color) z) || '|' || "
                                           "(select coalesce(round(sum(cnt*price)::numeric,2),0) from accounts_dep.fatigue f where f.id_o=7777 and " +
                                           Period("f.d_date") + ") || '|' || "
                                           "(select coalesce(round(sum(cnt*price)::numeric,2),0) from accounts_dep.fatigue f where f.id_o=7778 and " +
                                           Period("f.d_date") + ")");
        const QStringList t = QString::fromStdString(all).split(u'|');
        blocks.push_back({String(), {Money(t[0])}});
        blocks.push_back({QStringLiteral("Хоз.р.:"), {}});
        blocks.push_back({Money(t[1]), {}});
        blocks.push_back({QStringLiteral("Ср.сд.:"), {Money(t[2])}});
        blocks.push_back({QStringLiteral("Итого:"), {Money(QString::number(t[0].toDouble() + t[1].toDouble() + t[2].toDouble(), 'f', 2))}});
        ExpectInOrder(text, blocks);
    });
}

TEST_F(PeriodReportsTest, DetailedReportByWorkersKeepsNamesakesApartAndPricesZeroHoursAtZero) {
    const String namesake = AddNamesake();
    InPeriodWindow([&] {
        const QString text = PrintedFromPreview(Form20->RpReport1, Form18->Button1, "sdelka_report_workers_detailed");
        EXPECT_TRUE(Messages().empty());
        EXPECT_FALSE(Form20->w_Report->Active());
        // per worker id: piece-work sum, then the price of an hour (0 without hours)
        const auto rows = Pairs(Db().Value(
            "with l as (select s.w_id, sum(s.time) t, round(sum((s.kol_vo-s.brak)*s.cena)::numeric,2) summa from " + Records() +
            "join cmn_contractor.person p on p.s_code::integer=s.w_id where " + Period("s.data") +
            " group by p.s_caption, i.marka, v.vid, o.naimen, s.color, s.w_id), "
            "w as (select w_id, sum(summa) summa, sum(t) t from l group by w_id) "
            "select string_agg(p.s_caption || '|' || w.summa || ';' || case when w.t=0 then 0 else round(w.summa/w.t, 6) end, E'\\n' "
            "order by p.s_caption, w.w_id) from w join cmn_contractor.person p on p.s_code::integer=w.w_id"));
        std::vector<std::pair<String, std::vector<String>>> blocks;
        int zero = 0;
        for (const auto& [name, sums] : rows) {
            const String price = Quotient(sums.section(u';', 1, 1));
            zero += name == namesake && price == u"0,00";
            blocks.push_back({name, {Money(sums.section(u';', 0, 0))}});
            blocks.push_back({QStringLiteral("Цена ср. сд. за 1 ч.:"), {price}});
        }
        EXPECT_EQ(zero, 1);
        // the summary: every line's quantity and sum, everybody's auxiliary works and average
        // rate, and the total, each also without the regional coefficient
        const QStringList t = QString::fromStdString(Db().Value(
            "with l as (select sum(s.kol_vo) q, round(sum((s.kol_vo-s.brak)*s.cena)::numeric,2) summa from " + Records() +
            "join cmn_contractor.person p on p.s_code::integer=s.w_id where " + Period("s.data") +
            " group by p.s_caption, i.marka, v.vid, o.naimen, s.color, s.w_id), "
            "f as (select coalesce(round(sum(cnt*price) filter (where id_o=7777)::numeric,2),0) f7, "
            "coalesce(round(sum(cnt*price) filter (where id_o=7778)::numeric,2),0) f8 from accounts_dep.fatigue where " +
            Period("d_date") + ") "
            "select (select sum(q) from l) || '|' || (select sum(summa) from l) || '|' || f7 || '|' || f8 || '|' || "
            "((select sum(summa) from l) + f7 + f8) from f")).split(u'|');
        ASSERT_EQ(t.size(), 5);
        const auto withAndWithout = [](const String& V) {
            return std::vector<String>{Money(V), Quotient(QString::number(V.toDouble() / 1.2, 'f', 6))};
        };
        blocks.push_back({String(), {General(t[0]), Money(t[1])}});
        blocks.push_back({QStringLiteral("Хоз.р.:"), withAndWithout(t[2])});
        blocks.push_back({QStringLiteral("Ср.сд.:"), withAndWithout(t[3])});
        blocks.push_back({QStringLiteral("Итого:"), withAndWithout(t[4])});
        ExpectInOrder(text, blocks);
        EXPECT_FALSE(text.contains(QStringLiteral("Cannot divide")));
    });
}

TEST_F(PeriodReportsTest, ReportsByProductsPrintEachProductsQuantityAndMass) {
    InPeriodWindow([&] {
        // quantity less defects and its mass; the detailed report counts the defects in
        const auto product = [&](bool Defects) {
            const std::string qty = Defects ? "s.kol_vo" : "s.kol_vo-s.brak";
            return Pairs(Db().Value("with l as (select i.id_nom id, i.nom, sum(" + qty + ") q, round((i.massa*sum(" + qty +
                                    "))::numeric,2) m from " + Records() + "where " + Period("s.data") +
                                    " group by i.id_nom, i.nom, s.color, o.naimen, v.vid, i.massa" + (Defects ? ", i.marka" : "") + ") "
                                    "select string_agg(nom || '|' || q || ';' || m, E'\\n' order by nom, id) from "
                                    "(select id, nom, sum(q) q, sum(m) m from l group by id, nom) z"));
        };
        std::vector<std::pair<String, std::vector<String>>> blocks;
        double qty = 0, mass = 0;
        for (const auto& [name, v] : product(false)) {
            blocks.push_back({name, {General(v.section(u';', 1, 1)), General(v.section(u';', 0, 0))}});
            qty += v.section(u';', 0, 0).toDouble();
            mass += v.section(u';', 1, 1).toDouble();
        }
        ASSERT_FALSE(blocks.empty());
        // the summary: the mass in whole units, the quantity
        blocks.push_back({QStringLiteral("Итого:"), {Masked(QString::number(mass, 'f', 2), 0), General(QString::number(qty))}});
        ExpectInOrder(PrintedFromPreview(Form17->RpReport1, Form18->Button2, "sdelka_report_products"), blocks);
        EXPECT_FALSE(Form17->t_Report->Active());

        blocks.clear();
        for (const auto& [name, v] : product(true))
            blocks.push_back({name, {Money(v.section(u';', 1, 1)), General(v.section(u';', 0, 0))}});
        // the summary: defects, mass, quantity with the defects, and the earnings of every line
        const QStringList t = QString::fromStdString(Db().Value(
            "with l as (select sum(s.brak) b, round((i.massa*sum(s.kol_vo))::numeric,2) m, sum(s.kol_vo) q, "
            "sum((s.kol_vo-s.brak)*s.cena) summa from " + Records() + "where " + Period("s.data") +
            " group by i.id_nom, i.nom, i.marka, v.vid, o.naimen, s.color, i.massa) "
            "select sum(b) || '|' || sum(m) || '|' || sum(q) || '|' || round(sum(summa)::numeric, 6) from l")).split(u'|');
        ASSERT_EQ(t.size(), 4);
        blocks.push_back({QStringLiteral("Итого:"), {General(t[0]), General(t[1]), General(t[2]), Quotient(t[3])}});
        const QString detailed = PrintedFromPreview(Form21->RpReport1, Form18->Button3, "sdelka_report_products_detailed");
        EXPECT_FALSE(Form21->i_Report->Active());
        ExpectInOrder(detailed, blocks);
        // the product kind is printed whole, before the defects: the words end inside the kind's
        // box, left of the defects' box, which would paint over them
        EXPECT_TRUE(detailed.contains(QStringLiteral("Готовая продукция")));
        const auto edge = [](TComponent* C) {  // the printable's left and right, in points on the page
            auto* p = static_cast<TRpPrintable*>(C);
            const double left = (100 + p->Size()->Left()) / 254.0 * 72;
            return std::pair<double, double>{left, left + p->Size()->Width() / 254.0 * 72};
        };
        const auto [kindLeft, kindRight] = edge(Form21->FindComponent(QStringLiteral("RpExpr2")));
        const double defectsLeft = edge(Form21->FindComponent(QStringLiteral("RpDBText7"))).first;
        const QString boxes = ToolText(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"),
            QDir(QString::fromStdString(::testing::TempDir())).filePath(QStringLiteral("sdelka_report_products_detailed.pdf")), QStringLiteral("-")}, 120000);
        const QRegularExpression word(QStringLiteral("xMin=\"([\\d.]+)\"[^>]*xMax=\"([\\d.]+)\"[^>]*>продукция<"));
        int words = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext(); ++words) {
            const QRegularExpressionMatch m = it.next();
            EXPECT_GE(m.captured(1).toDouble(), kindLeft);
            EXPECT_LE(m.captured(2).toDouble(), std::min(kindRight, defectsLeft)) << "cut off";
        }
        EXPECT_GT(words, 3);
        EXPECT_TRUE(detailed.contains(QStringLiteral("Заготовки")));
        EXPECT_TRUE(Messages().empty());
    });
}

TEST_F(PeriodReportsTest, BlanksOnlyKeepEverybodysAuxiliaryEarningsInTheSummary) {
    InPeriodWindow([&] {
        Form18->RadioGroup1->SetItemIndex(2);  // "Заготовки"
        const QString text = PrintedFromPreview(Form16->RpReport1, Form18->Button4, "sdelka_report_workers_blanks");
        Form18->RadioGroup1->SetItemIndex(0);
        EXPECT_TRUE(Messages().empty());
        EXPECT_TRUE(text.contains(QStringLiteral("Заготовки")));
        EXPECT_FALSE(text.contains(QStringLiteral("Готовая продукция")));
        // the lines and their sum are the blanks' only; the auxiliary works and the average rate
        // of the summary are everybody's
        const QStringList t = QString::fromStdString(Db().Value(
            "select (select sum(round(l,2)) from (select sum((s.kol_vo-s.brak)*s.cena)::numeric l from " + Records() +
            "where o.naimen=1 and " + Period("s.data") + " group by s.w_id, v.vid, i.id_nom, o.naimen, s.color) z) || '|' || "
            "(select coalesce(round(sum(cnt*price)::numeric,2),0) from accounts_dep.fatigue f where f.id_o=7777 and " +
            Period("f.d_date") + ") || '|' || "
            "(select coalesce(round(sum(cnt*price)::numeric,2),0) from accounts_dep.fatigue f where f.id_o=7778 and " +
            Period("f.d_date") + ")")).split(u'|');
        ASSERT_EQ(t.size(), 3);
        ExpectInOrder(text, {{String(), {Money(t[0])}},
                             {QStringLiteral("Хоз.р.:"), {Money(t[1])}},
                             {QStringLiteral("Ср.сд.:"), {Money(t[2])}},
                             {QStringLiteral("Итого:"), {Money(QString::number(t[0].toDouble() + t[1].toDouble() + t[2].toDouble(), 'f', 2))}}});
    });
}

TEST_F(PeriodReportsTest, AFailedRunLeavesNoQueryOpenAndAnEmptyPeriodStillPrints) {
    InPeriodWindow([&] {
        TRpCustomBand* detail = Form16->RpReport1->FirstBand(rbDetail);
        const auto kept = detail->BeforePrint;
        bool fail = true;
        detail->BeforePrint = [&fail](TObject*, bool&) {
            if (fail) throw Exception(QStringLiteral("broken"));
        };
        Click(Form18->Button4);
        EXPECT_FALSE(Form16->t_Report->Active());
        EXPECT_EQ(Messages().size(), 1u);
        detail->BeforePrint = kept;
        PrintedFromPreview(Form16->RpReport1, Form18->Button4, "sdelka_report_workers_again",
                           [](TRpStandardPreview* W) { EXPECT_GT(W->RpPrinter()->PageCount(), 0); });
        EXPECT_FALSE(Form16->t_Report->Active());
        EXPECT_EQ(Messages().size(), 1u);

        // a period of no days: one page with the title, the summary at zero and the page number,
        // and no line of a worker, in every report
        Form18->DTPicker2->SetDate(Form18->DTPicker1->Date());
        const struct {
            TCustomRpReport* Report;
            TButton* Button;
            const char* File;
        } reports[] = {{Form16->RpReport1, Form18->Button4, "sdelka_report_workers_empty"},
                       {Form17->RpReport1, Form18->Button2, "sdelka_report_products_empty"},
                       {Form20->RpReport1, Form18->Button1, "sdelka_report_workers_detailed_empty"},
                       {Form21->RpReport1, Form18->Button3, "sdelka_report_products_detailed_empty"}};
        for (const auto& r : reports) {
            const QString text = PrintedFromPreview(r.Report, r.Button, r.File,
                                                    [](TRpStandardPreview* W) { EXPECT_EQ(W->RpPrinter()->PageCount(), 1); });
            SCOPED_TRACE(text.toStdString());
            EXPECT_TRUE(text.contains(QStringLiteral(" за период с %1 по %1").arg(DateToStr(Form18->DTPicker1->Date()))));
            const qsizetype total = text.indexOf(QStringLiteral("Итого:"));
            ASSERT_GE(total, 0);
            // every figure after the summary's label is a zero, the page number last
            QStringList figures = text.mid(total + 6).simplified().split(u' ', Qt::SkipEmptyParts);
            ASSERT_GE(figures.size(), 2);
            EXPECT_EQ(figures.takeLast(), QStringLiteral("1"));
            for (const QString& f : figures)
                if (f.front().isDigit()) EXPECT_TRUE(QRegularExpression(QStringLiteral("^0([,.]0+)?$")).match(f).hasMatch()) << f.toStdString();
        }
        EXPECT_EQ(Messages().size(), 1u);
    });
}

TEST_F(PeriodReportsTest, MonthlyHoursReportMatchesTheTimesheet) {
    const String namesake = AddNamesake();
    Start();
    SignIn(AdminWord2, [&] {
        const TDateTime first = PreviousMonth();
        Form1->DateT->SetDate(first);
        Responder.AnswerModal([&](TCustomForm*) {
            Form19->FormActivate(Form19);
            // the preview opens maximised with the whole page in sight
            const QString text = PrintedFromPreview(Form15->RpReport1, Form19->Button6, "sdelka_month_hours", [](TRpStandardPreview* W) {
                EXPECT_EQ(W->WindowState(), wsMaximized);
                EXPECT_EQ(W->InitZoom, rpZoomToFit);
            });
            EXPECT_FALSE(Form15->H_Dizuv->Active());
            EXPECT_TRUE(text.contains(MonthNames()[MonthOf(first) - 1] + u' ' + QString::number(YearOf(first)) + QStringLiteral(" г.")));
            // the timesheet of the month: every worker's hours of all shifts and kinds
            const auto rows = Pairs(Db().Value(
                "select string_agg(p.s_caption || '|' || t, E'\\n' order by p.s_caption, p.id) from (select w_id, sum(" +
                [] {
                    std::string s;
                    for (int d = 1; d <= 31; ++d) s += (d > 1 ? "+" : "") + ("coalesce(d" + std::to_string(d) + ",0)");
                    return s;
                }() + ") t from accounts_dep.h_dizuv where month=" + std::to_string(MonthOf(first)) +
                " and year=" + std::to_string(YearOf(first)) + " group by w_id) h join cmn_contractor.person p on p.s_code::integer=h.w_id"));
            ASSERT_GT(rows.size(), 3u);
            std::vector<std::pair<String, std::vector<String>>> blocks;
            int namesakes = 0;
            for (const auto& [name, total] : rows) {
                namesakes += name == namesake;
                blocks.push_back({name, {total}});
            }
            EXPECT_EQ(namesakes, 2);
            ExpectInOrder(text, blocks);
        });
        Form1->N13Click(nullptr);
    });
}


TEST_F(PeriodReportsTest, AReportSavesItsPagesAndExportsThroughTheRegisteredFilters) {
    InPeriodWindow([&] {
        TADOQuery* q = Form21->i_Report;
        BindPeriod(q->Parameters(), PreviousMonth(), CurrentMonth());
        q->Open();
        const QDir dir(QString::fromStdString(::testing::TempDir()));
        // the page file of a prepared report
        Form21->RpReport1->Prepare();
        const QString pages = dir.filePath(QStringLiteral("sdelka_report_products_detailed.rpp"));
        Form21->RpReport1->RpPrinter()->Save(pages);
        EXPECT_GT(QFileInfo(pages).size(), 1000);
        // the filters the start-up registered
        for (const char* ext : {"pdf", "xlsx", "rpx"}) {
            TRpExportFilterLibraryEntry* e = RpExportFilterLibrary()->GetFilterByExtension(QString::fromLatin1(ext));
            ASSERT_NE(e, nullptr) << ext;
            const QString file = dir.filePath(QStringLiteral("sdelka_export.") + QString::fromLatin1(ext));
            QFile::remove(file);
            TOwned<TRpExportFilter> filter(e->ExportFilterClass->Create(file));
            Form21->RpReport1->ExportToFilter(filter.get());
            filter.reset();
            EXPECT_GT(QFileInfo(file).size(), 500) << ext;
            if (QString::fromLatin1(ext) == u"pdf") {
                const QString text = ToolText(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")}, 120000);
                EXPECT_TRUE(text.contains(QStringLiteral("Итого:")));
                EXPECT_TRUE(text.contains(QStringLiteral("Коробки")));
            }
            QFile::remove(file);
        }
        q->Close();
        QFile::remove(pages);
    });
}

TEST_F(PeriodReportsTest, PeriodOutputGoesToASpreadsheet) {
    std::vector<String> opened;
    SetExcelFileOpener([&](const String& Name) { opened.push_back(Name); return true; });
    InPeriodWindow([&] {
        Form18->RadioGroup1->SetItemIndex(1);  // finished products only
        // the window's messages are handled while the rows go out: the caption is seen moving, and
        // the commands rest meanwhile
        QStringList seen;
        bool restedMeanwhile = true;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const QString caption = Form18->Button6->Caption();
            if (seen.isEmpty() || seen.back() != caption) seen << caption;
            if (caption != QStringLiteral("Excel (0 из 0)") && (Form18->Button6->Enabled() || Form18->Button5->Enabled()))
                restedMeanwhile = false;
        });
        watch.start();
        Click(Form18->Button6);
        watch.stop();
        ASSERT_FALSE(seen.isEmpty());
        const int written = Form18->Button6->Caption().section(u' ', 3).chopped(1).toInt();
        ASSERT_GT(written, 2);
        EXPECT_TRUE(seen.contains(QStringLiteral("Excel (1 из %1)").arg(written))) << seen.join(u';').toStdString();
        EXPECT_TRUE(seen.contains(QStringLiteral("Excel (%1 из %2)").arg(written - 1).arg(written))) << seen.join(u';').toStdString();
        EXPECT_TRUE(restedMeanwhile);
        EXPECT_TRUE(Form18->Button6->Enabled() && Form18->Button5->Enabled());
        Form18->RadioGroup1->SetItemIndex(0);
        ASSERT_FALSE(opened.empty());
        EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Microsoft Excel|Книга открыта в Microsoft Excel. Она записана в файл:\n") + opened.back()});
        EXPECT_FALSE(Form18->XLS_Rep->Active());
        ASSERT_EQ(opened.size(), 1u);
        // the system interpreter, which has the workbook reader
        const TRun R = RunTool(QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys, openpyxl\n"
                                "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                                "out = ['|'.join('' if v is None else str(v) for v in (r[0], r[1], r[2], r[4])) "
                                "for r in ws.iter_rows(values_only=True)]\n"
                                "sys.stdout.buffer.write('\\n'.join(out).encode('utf-8'))\n"),
                 opened[0]});
        EXPECT_EQ(R.Code, 0) << R.Err.toStdString();
        const QStringList sheet = QString::fromUtf8(R.Out).split(u'\n', Qt::SkipEmptyParts);
        // the finished products of the period, a colour spelled out after the operation kind
        const QStringList expected = QString::fromStdString(Db().Value(
            "select string_agg(nom || '|' || vid || case when color=1 then ' (грунт)' when color>1 then ' (цвет: ' || color || ')' else '' end "
            "|| '|Готовая продукция|' || q, E'\\n' order by nom, n) from (select i.nom, v.vid, s.color, o.naimen, i.massa, "
            "sum(s.kol_vo-s.brak) q, row_number() over (order by i.nom) n from " + Records() + "where o.naimen=0 and " +
            Period("s.data") + " group by i.nom, s.color, o.naimen, v.vid, i.massa) z")).split(u'\n');
        ASSERT_EQ(sheet.size(), expected.size() + 1);
        EXPECT_EQ(sheet[0], QStringLiteral("Наименование|Операция|Вид продукции|Кол-во"));
        QStringList rows = sheet.mid(1), want = expected;
        rows.sort();
        want.sort();
        EXPECT_EQ(rows, want);
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const QString& R) { return R.contains(QStringLiteral("(цвет: ")); }));
        EXPECT_EQ(Form18->Button6->Caption(), QStringLiteral("Excel (%1 из %1)").arg(expected.size()));
    });
    for (const String& f : opened) QFile::remove(f);
}

TEST_F(PeriodReportsTest, LegacyWindows) {
    Start();
    // the auxiliary-work timesheet: one line per worker of the month's auxiliary rows, with the
    // hours of all his auxiliary and average-rate entries
    const TDateTime first = PreviousMonth();
    TADOQuery* q = Form28->H_Dizuv;
    BindMonth(q->Parameters(), MonthOf(first), YearOf(first));
    q->Open();
    const std::string where = "month=" + std::to_string(MonthOf(first)) + " and year=" + std::to_string(YearOf(first));
    EXPECT_EQ(q->RecordCount(), std::stoi(Db().Value("select count(distinct w_id) from accounts_dep.h_dizuv where i_type=7777 and " + where)));
    ASSERT_GT(q->RecordCount(), 0);
    double hours = 0;
    for (q->First(); !q->Eof(); q->Next()) hours += q->FieldByName(QStringLiteral("i_time"))->AsFloat();
    EXPECT_EQ(hours, std::stod(Db().Value("select sum(cnt) from accounts_dep.fatigue where id_p in (select w_id from accounts_dep.h_dizuv "
                                          "where i_type=7777 and " + where + ") and " + Period("d_date"))));
    q->Close();
    // the old report grids have no dataset to select into
    EXPECT_EQ(Form12->DataSource1->DataSet(), nullptr);
    Form12->Button1Click(Form12->Button1);
    Form13->Button1Click(Form13->Button1);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PeriodReportsTest, TheWindowIsPaintedWholeWithItsControlsInside) {
    InPeriodWindow([&] {
        Form18->Show();
        Application->ProcessMessages();
        ExpectWindowPaintedWhole(Form18, QStringLiteral("sdelka_form18"));
        Form18->Hide();
    });
}

}  // namespace
}  // namespace sdelka::test
