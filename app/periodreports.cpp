#include "app/periodreports.h"

#include "app/datamodule.h"
#include "app/excelhelper.h"
#include "app/longwork.h"
#include "app/timesheetdata.h"
#include "app/timesheets.h"
#include "platform/ado/adodb.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/variant.h"
#include "report/rpdbtexts.h"
#include "report/rpframe.h"
#include "report/rplabels.h"
#include "report/rpreport.h"

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

// ---- queries -------------------------------------------------------------------------------------

// The auxiliary and average-rate sums of the period are computed once per worker (and group, kind
// and night) and joined to the report's lines, not once per line.
String WorkersReportSql() {
    // one block per worker id and nomenclature group id; the names are printed
    return QStringLiteral(
        "with r as (select person.s_caption fio, smena.w_id, izdel.id_nom as nom_id, "
        "sum(smena.kol_vo-smena.brak)::numeric(10,2) as kolvo,vid_oper.vid, \n"
        "sum((kol_vo-brak)*smena.cena)::numeric(10,2) as summa,izdel.nom, oper.naimen, color\n"
        "from cmn_contractor.person person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,\n"
        "accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and vid_oper.id=oper.vid\n"
        "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1\n"
        "group by fio, izdel.nom, vid_oper.vid, smena.w_id, izdel.id_nom, oper.naimen, color),\n"
        "g as (select f.id_p, f.id_nom, sum(f.cnt*f.price) filter (where f.id_o=7777) s7, "
        "sum(f.cnt*f.price) filter (where f.id_o=7778) s8\n"
        "from accounts_dep.fatigue f where f.d_date<:data4 and f.d_date>=:data3 and f.id_o in (7777, 7778) group by f.id_p, f.id_nom),\n"
        "w as (select f.id_p, sum(f.cnt*f.price) s78 from accounts_dep.fatigue f where f.d_date<:data6 and f.d_date>=:data5 "
        "group by f.id_p),\n"
        "t as (select sum(f.cnt*f.price) filter (where f.id_o=7777) s7, sum(f.cnt*f.price) filter (where f.id_o=7778) s8\n"
        "from accounts_dep.fatigue f where f.d_date<:data8 and f.d_date>=:data7 and f.id_o in (7777, 7778))\n"
        "select r.fio, r.w_id, r.nom_id, r.kolvo, r.vid, r.summa, r.nom, r.naimen, r.color,\n"
        "coalesce(g.s7,0)::numeric(10,2) f_sum7, coalesce(g.s8,0)::numeric(10,2) f_sum8, coalesce(w.s78,0)::numeric(10,2) f_sum78,\n"
        "coalesce(t.s7,0)::numeric(10,2) f_sum7_all, coalesce(t.s8,0)::numeric(10,2) f_sum8_all\n"
        "from r left join g on g.id_p=r.w_id and g.id_nom=r.nom_id left join w on w.id_p=r.w_id cross join t\n"
        "order by r.fio, r.w_id, r.nom, r.nom_id");
}

String ProductsReportSql() {
    return QStringLiteral(
        "select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,\n"
        "izdel.nom, izdel.id_nom as nom_id, oper.naimen, color,  round((izdel.massa*sum(smena.kol_vo-smena.brak))::numeric,2) as mass\n"
        "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where izdel.id=smena.i_id and vid_oper.id=oper.vid\n"
        "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 \n"
        "group by izdel.nom, izdel.id_nom, color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom, izdel.id_nom");
}

String DetailedWorkersReportSql() {
    return QStringLiteral(
        "with r as (select s_caption fio, w_id, izdel.marka, vid_oper.vid, oper.naimen, sum(time) as sum_time,\n"
        "sum(smena.kol_vo)::numeric(10,2) as kolvo, sum(smena.brak) as brk, sum((kol_vo-brak)*\n"
        "smena.cena)::numeric(10,2) as summa, color, sum(prize*(kol_vo-brak)*smena.cena/100)::numeric(10,2) as s_prize\n"
        "from cmn_contractor.person person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper \n"
        "where smena.o_id=oper.id and smena.w_id=s_code::integer and smena.i_id=izdel.id \n"
        "and oper.vid=vid_oper.id and smena.data<:data2 and smena.data>=:data1 \n"
        "group by fio, marka,vid_oper.vid, oper.naimen, color, w_id),\n"
        "a as (select f.id_p,\n"
        "sum(f.cnt*f.price) filter (where f.id_o=7777 and f.i_night=0) s7, sum(f.cnt*f.price) filter (where f.id_o=7777 and f.i_night=1) s7n,\n"
        "sum(f.cnt*f.price) filter (where f.id_o=7778 and f.i_night=0) s8, sum(f.cnt*f.price) filter (where f.id_o=7778 and f.i_night=1) s8n,\n"
        "sum(f.cnt) filter (where f.id_o=7777 and f.i_night=0) h7, sum(f.cnt) filter (where f.id_o=7777 and f.i_night=1) h7n,\n"
        "sum(f.cnt) filter (where f.id_o=7778 and f.i_night=0) h8, sum(f.cnt) filter (where f.id_o=7778 and f.i_night=1) h8n\n"
        "from accounts_dep.fatigue f where f.d_date<:data4 and f.d_date>=:data3 and f.id_o in (7777, 7778) and f.i_night in (0, 1) "
        "group by f.id_p),\n"
        "t as (select sum(f.cnt*f.price) filter (where f.id_o=7777) s7, sum(f.cnt*f.price) filter (where f.id_o=7778) s8\n"
        "from accounts_dep.fatigue f where f.d_date<:data6 and f.d_date>=:data5 and f.id_o in (7777, 7778))\n"
        "select r.fio, r.w_id, r.marka, r.vid, r.naimen, r.sum_time, r.kolvo, r.brk, r.summa, r.color, r.s_prize,\n"
        "coalesce(a.s7,0)::numeric(10,2) f_sum7, coalesce(a.s7n,0)::numeric(10,2) f_sum7_n,\n"
        "coalesce(a.s8,0)::numeric(10,2) f_sum8, coalesce(a.s8n,0)::numeric(10,2) f_sum8_n,\n"
        "coalesce(a.h7,0)::numeric(10,2) f_sum7h, coalesce(a.h7n,0)::numeric(10,2) f_sum7h_n,\n"
        "coalesce(a.h8,0)::numeric(10,2) f_sum8h, coalesce(a.h8n,0)::numeric(10,2) f_sum8h_n,\n"
        "coalesce(t.s7,0)::numeric(10,2) f_sum7_all, coalesce(t.s8,0)::numeric(10,2) f_sum8_all\n"
        "from r left join a on a.id_p=r.w_id cross join t\n"
        "order by r.fio, r.w_id, r.marka, r.vid, r.naimen");
}

String DetailedProductsReportSql() {
    return QStringLiteral(
        "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, izdel.id_nom as nom_id,\n"
        "sum(smena.kol_vo)::numeric as kolvo, sum(smena.brak) as brk, \n"
        "sum((kol_vo-brak)*smena.cena) as summa, color, round((izdel.massa*sum(smena.kol_vo))::numeric,2) as mass \n"
        "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where smena.o_id=oper.id and smena.i_id=izdel.id \n"
        "and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and \n"
        "smena.data>=:data1 group by izdel.nom, izdel.id_nom, marka, vid_oper.vid, oper.naimen, color,massa \n"
        "order by izdel.nom, izdel.id_nom, marka, vid_oper.vid, oper.naimen");
}

String PeriodOutputSql() {
    return QStringLiteral(
        "select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,\n"
        "izdel.nom, oper.naimen, color,izdel.massa*sum(smena.kol_vo-smena.brak) as mass \n"
        "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where izdel.id=smena.i_id and vid_oper.id=oper.vid\n"
        "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 \n"
        "group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom");
}

void BindPeriod(TParameters* Parameters, TDateTime Start, TDateTime End) {
    const Variant start = VarFromDateTime(std::floor(Start));
    const Variant end = VarFromDateTime(std::floor(End));
    for (int i = 0; i < Parameters->Count(); ++i) {
        TParameter* p = Parameters->Items(i);
        const String name = p->Name().toLower();
        if (!name.startsWith(u"data")) continue;
        bool ok = false;
        const int n = name.mid(4).toInt(&ok);
        if (!ok || n < 1) continue;
        p->SetDataType(ftDate);
        p->SetValue(n % 2 == 1 ? start : end);
    }
}

void ApplyProductKind(TDataSet* Data, int KindIndex) {
    switch (KindIndex) {
        case 1:
            Data->SetFilter(QStringLiteral("naimen=0"));
            Data->SetFiltered(true);
            break;
        case 2:
            Data->SetFilter(QStringLiteral("naimen=1"));
            Data->SetFiltered(true);
            break;
        default: Data->SetFiltered(false); break;
    }
}

// ---- layouts -------------------------------------------------------------------------------------

namespace {

// One printable of a layout: a text ('L'), a field ('F') or an expression ('E'); positions in
// millimetres from the band's corner, a width of 0 following the text; a fill of -1 the white
// background.
struct TRpItem {
    char Kind;
    const char* Name;
    const char* Text;
    double Left, Top, Width;
    char Align;  // 'l', 'c', 'r'
    const char* Font;
    int Size;
    bool Bold;
    const char* Mask = "";
    bool Reset = false;
    int Fill = -1;
};

int Tenths(double Mm) { return static_cast<int>(std::lround(Mm * 10)); }

// Builds a report layout on a form: the report over a query, its bands and printables.
struct TRpLayoutBuilder {
    TForm* Form;
    TRpReport* Report;
    TDataSet* Data;

    TRpLayoutBuilder(TForm* AForm, TDataSet* AData, bool Landscape) : Form(AForm), Data(AData) {
        Report = New<TRpReport>(Form);
        Report->SetName(QStringLiteral("RpReport1"));
        Report->SetUnits(MM);
        TRpPage* page = Report->Page();
        page->SetUnits(Native);
        page->SetPaperSize(A4);
        page->SetOrientation(Landscape ? poLandscape : poPortrait);
        page->SetWidth(Landscape ? 2970 : 2100);
        page->SetLength(Landscape ? 2100 : 2970);
        for (auto set : {&TRpPage::SetLeftMargin, &TRpPage::SetRightMargin, &TRpPage::SetTopMargin, &TRpPage::SetBottomMargin})
            (page->*set)(100);
        page->SetColumnSpace(0);
        page->SetUnits(MM);
        Report->Font()->SetName(QStringLiteral("Arial"));
        Report->Font()->SetSize(10);
        Report->Options = {FirstPageHeader, LastPageFooter};
        Report->SetPrintIfEmpty(true);
        Report->SetDataSet(Data);
        // the preview opens maximised: the monthly hours on the whole page, a period report on
        // the page's width; the monthly hours are saved as PDF, a period report as a page file
        Report->PreviewInitialState = wsMaximized;
        Report->PrevInitialZoom = Landscape ? rpZoomToFit : rpZoomToWidth;
        Report->PreviewDefaultSaveType = Landscape ? stPDF : stRpP;
    }

    template <class T>
    T* Named(T* Band, const char* Name, double HeightMm, int Fill) {
        Band->SetName(QString::fromLatin1(Name));
        Band->SetNativeHeight(Tenths(HeightMm));
        if (Fill >= 0) {
            Band->SetColor(TColor(Fill));
            Band->TransparentBand = false;
        }
        return Band;
    }
    TRpBand* Band(TRpBandType Type, const char* Name, double HeightMm, int Fill = -1) {
        TRpBand* band = Named(Report->CreateBand(Type), Name, HeightMm, Fill);
        if (Type == rbDetail) {
            // a report over no rows prints no line of empty fields
            TDataSet* data = Data;
            band->BeforePrint = [data](TObject*, bool& PrintIt) {
                if (!data->Active() || data->IsEmpty()) PrintIt = false;
            };
        }
        return band;
    }
    TRpGroup* Group(const char* Name, const String& Expression, double HeightMm, int Fill = -1) {
        auto* g = New<TRpGroup>(Form);
        g->SetParent(Report);
        g->SetExpression(Expression);
        return Named(g, Name, HeightMm, Fill);
    }
    TRpChildBand* Child(TRpCustomBand* Parent, const char* Name, double HeightMm) {
        auto* c = New<TRpChildBand>(Form);
        c->SetParent(Report);
        c->SetParentBand(Parent);
        return Named(c, Name, HeightMm, -1);
    }

    TRpCustomLabel* Add(TRpCustomBand* Band, const TRpItem& I) {
        TRpCustomLabel* p = nullptr;
        switch (I.Kind) {
            case 'F': {
                auto* t = New<TRpDBText>(Form);
                t->SetDataSet(Data);
                t->SetDataField(QString::fromUtf8(I.Text));
                t->SetMask(QString::fromUtf8(I.Mask));
                p = t;
                break;
            }
            case 'E': {
                auto* e = New<TRpExpr>(Form);
                e->SetExpression(QString::fromUtf8(I.Text));
                e->SetMask(QString::fromUtf8(I.Mask));
                e->SetResetAfterPrint(I.Reset);
                p = e;
                break;
            }
            default: {
                auto* l = New<TRpLabel>(Form);
                l->SetCaption(QString::fromUtf8(I.Text));
                p = l;
                break;
            }
        }
        const String text = I.Kind == 'L' ? static_cast<TRpLabel*>(p)->Caption() : String();
        p->SetName(QString::fromLatin1(I.Name));
        if (I.Kind == 'L') static_cast<TRpLabel*>(p)->SetCaption(text);
        p->SetParent(Band);
        p->SetAutoSize(I.Width <= 0);
        p->SetWordWrap(false);
        p->SetParentFont(false);
        p->Font()->SetName(QString::fromLatin1(I.Font));
        p->Font()->SetSize(I.Size);
        p->Font()->SetStyle(I.Bold ? TFontStyles{fsBold} : TFontStyles{});
        p->SetAlignment(I.Align == 'c' ? taCenter : I.Align == 'r' ? taRightJustify : taLeftJustify);
        p->SetColor(I.Fill >= 0 ? TColor(I.Fill) : clWhite);
        TRpPrintableSize* s = p->Size();
        s->SetUnits(Native);
        s->SetLeft(Tenths(I.Left));
        s->SetTop(Tenths(I.Top));
        s->SetHeight(I.Size * 4);
        s->SetWidth(I.Width > 0 ? Tenths(I.Width) : 100);
        return p;
    }
    void Add(TRpCustomBand* Band, std::initializer_list<TRpItem> Items) {
        for (const TRpItem& i : Items) Add(Band, i);
    }

    // Lines along the sides of a band, drawn by an empty frame over the whole band.
    void BandFrame(TRpCustomBand* Band, const char* Name, double HeightMm, double WidthMm, bool Top, bool Bottom, bool Sides,
                   TColor Color = clBlack, TPenStyle Style = psSolid) {
        auto* l = New<TRpLabel>(Form);
        l->SetName(QString::fromLatin1(Name));
        l->SetCaption(String());  // a frame with no text
        l->SetParent(Band);
        l->SetAutoSize(false);
        l->SetTransparent(true);
        l->Size()->SetUnits(Native);
        l->Size()->SetLeft(0);
        l->Size()->SetTop(0);
        l->Size()->SetWidth(Tenths(WidthMm));
        l->Size()->SetHeight(Tenths(HeightMm));
        TRpFrame* f = l->Frame();
        f->SetColor(Color);
        f->SetStyle(Style);
        f->SetDrawTop(Top);
        f->SetDrawBottom(Bottom);
        f->SetDrawLeft(Sides);
        f->SetDrawRight(Sides);
    }

    // The page number at the bottom right of a portrait page.
    void PageNumberFooter(double HeightMm) {
        TRpBand* footer = Band(rbPageFooter, "RpBand6", HeightMm);
        auto* n = New<TRpSysData>(Form);
        n->SetName(QStringLiteral("RpSysData1"));
        n->SetParent(footer);
        n->SetData(rpsPageNumber);
        n->SetParentFont(false);
        n->Font()->SetName(QStringLiteral("Arial"));
        n->Font()->SetSize(9);
        n->Size()->SetUnits(Native);
        n->Size()->SetLeft(1762);
        n->Size()->SetTop(0);
        n->Size()->SetHeight(36);
    }

    // The skeleton the period layouts share: an empty title, the report header RpGroup1 with the
    // title label and its footer RpBand2 (the summary), the 0.5 mm spacer after the header.
    TRpLabel* Skeleton(double HeaderMm, double TitleLeft, double TitleTop, int TitleSize, double SummaryMm,
                       TRpBand*& Summary) {
        Band(rbTitle, "RpBand1", 0);
        TRpGroup* header = Group("RpGroup1", String(), HeaderMm, 0xF4F4F4);
        Summary = Band(rbGroupFooter, "RpBand2", SummaryMm);
        header->SetFooterBand(Summary);
        auto* title = static_cast<TRpLabel*>(
            Add(header, {'L', "RpLabel1", "", TitleLeft, TitleTop, 0, 'l', "Arial", TitleSize, true, "", false, 0xF4F4F4}));
        Child(header, "RpChildBand1", 0.5);
        return title;
    }
    void Summary(TRpBand* Band, int Fill = -1) {
        if (Fill >= 0) {
            Band->SetColor(TColor(Fill));
            Band->TransparentBand = false;
        }
        BandFrame(Band, "RpFrame2", Band->NativeHeight() / 10.0, 190, true, true, true);
    }
};

const char* const kMs = "MS Sans Serif";
const char* const kArial = "Arial";
constexpr int kGroupFill = 0xE0E0E0;
constexpr int kTotalFill = 0xEFEFEF;
const char* const kKindText = "IF(naimen=0,'Готовая продукция','Заготовки')";
const char* const kColourText = "if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')";

// Opens a query, runs the report over it and closes the query again, whatever the run does.
void RunOver(TADOQuery* Query, TRpReport* Report) {
    struct TClose {
        TADOQuery* Q;
        ~TClose() {
            try {
                Q->Close();
            } catch (const Exception&) {
                // the run's own error is the one the user sees
            }
        }
    } close{Query};
    Report->Prepare();
    Report->Preview();
}

}  // namespace

// ---- the monthly hours -----------------------------------------------------------------------------

void TForm15::AfterConstruction() {
    SetUpAppForm(this, "Form15", String());
    H_Dizuv = New<TADOQuery>(this);
    H_Dizuv->SetName(QStringLiteral("H_Dizuv"));
    if (DataModule6) H_Dizuv->SetConnection(DataModule6->ADO_DB);
    H_Dizuv->SetCursorLocation(clUseClient);
    H_Dizuv->SetCursorType(ctStatic);
    H_Dizuv->SQL()->SetText(AllShiftHoursSql());

    TRpLayoutBuilder b(this, H_Dizuv, true);
    RpReport1 = b.Report;
    static const double days[31] = {81.2,  87.8,  93.7,  100.0, 106.1, 112.4, 118.8, 125.4, 131.8, 137.6, 143.1,
                                    148.7, 154.3, 159.8, 165.4, 170.9, 176.5, 182.0, 187.6, 193.1, 198.7, 204.3,
                                    209.8, 215.4, 220.9, 226.5, 232.0, 237.6, 243.2, 248.7, 254.3};
    TRpGroup* header = b.Group("RpGroup1", String(), 6.6);
    header->ReprintOnNewPage = true;
    b.BandFrame(header, "RpFrame1", 6.6, 277.0, true, true, false);
    RpLabel33 = static_cast<TRpLabel*>(b.Add(header, {'L', "RpLabel33", "Данные за:", 0, 0.8, 0, 'l', kArial, 10, true}));
    TRpBand* detail = b.Band(rbDetail, "RpBand1", 6.35);
    detail->SetLinkBand(header);
    b.BandFrame(detail, "RpFrame3", 6.35, 277.0, true, true, false, clGray, psDot);
    b.Add(detail, {'F', "RpDBText32", "fio", 0, 0.8, 80.4, 'l', kArial, 10, false});
    QByteArray names[31 * 3];
    for (int d = 1; d <= 31; ++d) {
        QByteArray& label = names[(d - 1) * 3] = "RpLabel" + QByteArray::number(d);
        QByteArray& caption = names[(d - 1) * 3 + 1] = QByteArray::number(d);
        QByteArray& cell = names[(d - 1) * 3 + 2] = "RpDBText" + QByteArray::number(d);
        TRpCustomLabel* l = b.Add(header, {'L', label.constData(), caption.constData(), days[d - 1], 0.8, 5.3, 'c', kArial, 10, true});
        l->Size()->SetHeight(45);
        l->Frame()->SetColor(clGray);
        l->Frame()->SetStyle(psDot);
        l->Frame()->SetDrawLeft(true);
        l->Frame()->SetDrawRight(true);
        const QByteArray field = "sd" + QByteArray::number(d);
        TRpCustomLabel* c = b.Add(detail, {'F', cell.constData(), field.constData(), days[d - 1], 0.8, 5.3, 'c', "Microsoft Sans Serif", 9, false});
        c->Size()->SetHeight(45);
        if (d % 2 == 1) {
            c->Frame()->SetStyle(psDot);
            c->Frame()->SetDrawLeft(true);
            c->Frame()->SetDrawRight(true);
        }
    }
    b.Add(header, {'L', "RpLabel32", "Итого", 264.6, 0.3, 0, 'l', kArial, 10, true});
    String total;
    for (int d = 1; d <= 31; ++d) total += (d > 1 ? QStringLiteral("+sd") : QStringLiteral("sd")) + QString::number(d);
    const QByteArray totalText = total.toUtf8();
    b.Add(detail, {'E', "RpExpr1", totalText.constData(), 264.6, 0.8, 10.3, 'c', "Microsoft Sans Serif", 9, true});
    TRpBand* footer = b.Band(rbPageFooter, "RpBand2", 4.5);
    b.Add(footer, {'E', "RpExpr2", "PAGENUMBER", 252.7, 0, 25.7, 'r', "MS Sans Serif", 10, false});
    inherited::AfterConstruction();
}

void PrintMonthHours(int Month, int Year, const String& Title) {
    TADOQuery* hours = Form15->H_Dizuv;
    hours->Close();
    BindMonth(hours->Parameters(), Month, Year);
    hours->Open();
    Form15->RpLabel33->SetCaption(Title);
    RunOver(hours, Form15->RpReport1);
}

// ---- the report by workers -------------------------------------------------------------------------

void TForm16::AfterConstruction() {
    SetUpAppForm(this, "Form16", String());
    t_Report = NewWindowQuery(this, "t_Report", WorkersReportSql());
    TRpLayoutBuilder b(this, t_Report, false);
    RpReport1 = b.Report;
    TRpBand* summary = nullptr;
    RpLabel1 = b.Skeleton(4.2, 0.3, 0.0, 10, 27.5, summary);
    TRpGroup* worker = b.Group("RpGroup2", QStringLiteral("t_Report.w_id"), 6.6, kGroupFill);
    TRpBand* workerFooter = b.Band(rbGroupFooter, "RpBand3", 12.7);
    worker->SetFooterBand(workerFooter);
    b.Add(worker, {{'F', "RpDBText4", "fio", 0.3, 1.3, 0, 'l', kArial, 10, true, "", false, kGroupFill},
                   {'L', "RpLabel2", "Сумма без Р/К", 163.2, 1.6, 0, 'l', kArial, 10, true, "", false, kGroupFill}});
    TRpGroup* product = b.Group("RpGroup3", QStringLiteral("t_Report.nom_id"), 5.3);
    TRpBand* productFooter = b.Band(rbGroupFooter, "RpBand4", 11.6);
    product->SetFooterBand(productFooter);
    product->SetLinkBand(productFooter);
    b.Add(product, {'F', "RpDBText1", "nom", 0.3, 0.3, 0, 'l', kArial, 10, true});
    TRpBand* detail = b.Band(rbDetail, "RpBand5", 4.2);
    b.Add(detail, {{'E', "RpExpr2", kKindText, 0.3, 0.3, 42.6, 'l', kMs, 9, false},
                   {'F', "RpDBText5", "vid", 44.5, 0.3, 38.6, 'c', kMs, 9, false},
                   {'E', "RpExpr3", kColourText, 84.7, 0.3, 28.0, 'l', kMs, 9, false},
                   {'F', "RpDBText3", "summa", 138.1, 0.3, 23.5, 'c', kMs, 9, false, "#0.000"},
                   {'F', "RpDBText2", "kolvo", 117.5, 0.5, 19.3, 'c', kMs, 9, false}});
    b.Add(productFooter,
          {{'L', "RpLabel5", "Хоз.р.:", 38.6, 1.1, 0, 'l', kMs, 9, true},
           {'E', "RpExpr10", "f_sum7", 54.2, 1.1, 19.3, 'c', kMs, 9, true},
           {'L', "RpLabel4", "Ср. сд.:", 78.8, 1.1, 0, 'l', kMs, 9, true},
           {'E', "RpExpr11", "f_sum8", 93.4, 1.1, 19.3, 'c', kMs, 9, true},
           {'E', "RpExpr4", "sum(kolvo)", 117.5, 1.1, 19.3, 'c', kMs, 9, true, "", true},
           {'E', "RpExpr5", "sum(summa)", 137.8, 1.1, 23.8, 'c', kMs, 9, true, "#0.000", true},
           {'E', "RpExpr1", "sum(summa/1.2)", 163.2, 1.1, 23.8, 'c', kMs, 9, true, "#0.000", true},
           {'L', "RpLabel6", "Итого:", 123.3, 6.3, 0, 'l', kMs, 9, true},
           {'E', "RpExpr12", "sum(summa) + t_Report.f_sum7 + t_Report.f_sum8", 137.8, 6.3, 23.8, 'c', kMs, 9, true, "#0.000", true},
           {'E', "RpExpr13", "(sum(summa) + t_Report.f_sum7+ t_Report.f_sum8)/1.2", 163.2, 6.3, 23.8, 'c', kMs, 9, true, "#0.000", true}});
    b.Add(workerFooter,
          {{'E', "RpExpr7", "sum(summa)", 137.8, 1.1, 23.8, 'c', kMs, 9, true, "#0.00", true, kTotalFill},
           {'E', "RpExpr8", "sum(summa/1.2)", 163.2, 1.1, 23.8, 'c', kMs, 9, true, "#0.00", true, kTotalFill},
           {'E', "RpExpr15", "sum(summa)+ t_Report.f_sum78", 137.8, 6.3, 23.8, 'c', kMs, 9, true, "#0.000", true, kTotalFill},
           {'E', "RpExpr14", "(sum(summa)+f_sum78)/1.2", 163.2, 6.6, 23.8, 'c', kMs, 9, true, "#0.000", true, kTotalFill}});
    b.BandFrame(workerFooter, "RpFrame3", 12.7, 190, false, true, false);
    b.Summary(summary, 0xDCDCDC);
    b.Add(summary, {{'E', "RpExpr6", "sum(summa)", 129.4, 0.5, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'E', "RpExpr9", "sum(summa/1.2)", 159.0, 0.5, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'L', "RpLabel7", "Хоз.р.:", 114.8, 6.6, 0, 'l', kMs, 11, true},
                    {'E', "RpExpr18", "f_sum7_all", 129.4, 6.6, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'E', "RpExpr21", "f_sum7_all/1.2", 159.0, 6.6, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'L', "RpLabel8", "Ср.сд.:", 114.8, 12.7, 0, 'l', kMs, 11, true},
                    {'E', "RpExpr20", "f_sum8_all", 129.4, 12.7, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'E', "RpExpr19", "f_sum8_all/1.2", 159.0, 12.7, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'L', "RpLabel3", "Итого:", 114.8, 19.1, 0, 'l', kMs, 11, true},
                    {'E', "RpExpr16", "(sum(summa)+f_sum7_all+f_sum8_all)", 129.4, 18.8, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'E', "RpExpr17", "(sum(summa)+f_sum7_all+f_sum8_all)/1.2", 159.0, 18.8, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill}});
    b.PageNumberFooter(4.8);
    inherited::AfterConstruction();
}

// ---- the reports by products -----------------------------------------------------------------------

void TForm17::AfterConstruction() {
    SetUpAppForm(this, "Form17", String());
    t_Report = NewWindowQuery(this, "t_Report", ProductsReportSql());
    TRpLayoutBuilder b(this, t_Report, false);
    RpReport1 = b.Report;
    TRpBand* summary = nullptr;
    RpLabel1 = b.Skeleton(7.7, 0.0, 1.9, 10, 5.8, summary);
    TRpCustomBand* header = RpLabel1->Parent() ? static_cast<TRpCustomBand*>(RpLabel1->Parent()) : nullptr;
    b.Add(header, {{'L', "RpLabel2", "Коробки", 136.3, 1.9, 0, 'l', kArial, 10, true},
                   {'L', "RpLabel4", "Количество", 165.1, 1.9, 0, 'l', kArial, 10, true}});
    TRpGroup* product = b.Group("RpGroup3", QStringLiteral("nom_id"), 5.3, kGroupFill);
    TRpBand* productFooter = b.Band(rbGroupFooter, "RpBand4", 5.3);
    product->SetFooterBand(productFooter);
    product->SetLinkBand(productFooter);
    b.Add(product, {'F', "RpDBText1", "nom", 0.3, 0.3, 0, 'l', kArial, 10, true, "", false, kGroupFill});
    TRpBand* detail = b.Band(rbDetail, "RpBand5", 4.2);
    b.Add(detail, {{'E', "RpExpr2", kKindText, 13.2, 0.3, 40.0, 'l', kMs, 9, false},
                   {'F', "RpDBText4", "vid", 54.8, 0.3, 36.2, 'c', kMs, 9, false},
                   {'E', "RpExpr3", kColourText, 92.6, 0.3, 39.4, 'l', kMs, 9, false},
                   {'F', "RpDBText2", "mass", 133.6, 0.3, 19.3, 'c', kMs, 9, false},
                   {'F', "RpDBText3", "kolvo", 163.0, 0.3, 23.5, 'c', kMs, 9, false}});
    b.Add(productFooter, {{'E', "RpExpr4", "sum(mass)", 133.6, 0.8, 19.3, 'c', kMs, 9, true, "", true, kTotalFill},
                          {'E', "RpExpr5", "sum(kolvo)", 163.0, 0.8, 23.8, 'c', kMs, 9, true, "", true, kTotalFill}});
    b.Summary(summary, 0xDCDCDC);
    b.Add(summary, {{'L', "RpLabel3", "Итого:", 106.4, 0.5, 0, 'l', kMs, 11, true},
                    {'E', "RpExpr1", "sum(mass)", 131.2, 0.5, 23.5, 'c', kMs, 11, true, "#0", false, kTotalFill},
                    {'E', "RpExpr6", "sum(kolvo)", 160.9, 0.5, 28.0, 'c', kMs, 11, true, "", false, kTotalFill}});
    b.PageNumberFooter(4.2);
    inherited::AfterConstruction();
}

void TForm21::AfterConstruction() {
    SetUpAppForm(this, "Form21", String());
    i_Report = NewWindowQuery(this, "i_Report", DetailedProductsReportSql());
    TRpLayoutBuilder b(this, i_Report, false);
    RpReport1 = b.Report;
    TRpBand* summary = nullptr;
    RpLabel1 = b.Skeleton(7.7, 0.0, 1.6, 9, 6.6, summary);
    auto* header = static_cast<TRpCustomBand*>(RpLabel1->Parent());
    b.Add(header, {{'L', "RpLabel5", "Брак", 124.4, 1.6, 0, 'l', kArial, 10, true},
                   {'L', "RpLabel6", "Коробки", 134.9, 1.6, 0, 'l', kArial, 10, true},
                   {'L', "RpLabel2", "Кол-во", 153.5, 1.6, 0, 'l', kArial, 10, true},
                   {'L', "RpLabel4", "Сумма", 173.8, 1.6, 0, 'l', kArial, 10, true}});
    TRpGroup* product = b.Group("RpGroup3", QStringLiteral("nom_id"), 5.3, kGroupFill);
    TRpBand* productFooter = b.Band(rbGroupFooter, "RpBand4", 5.3);
    product->SetFooterBand(productFooter);
    product->SetLinkBand(productFooter);
    b.Add(product, {'F', "RpDBText1", "nom", 0.3, 0.3, 0, 'l', kArial, 10, true, "", false, kGroupFill});
    TRpBand* detail = b.Band(rbDetail, "RpBand5", 4.2);
    b.Add(detail, {{'F', "RpDBText4", "marka", 1.1, 0.3, 52.1, 'l', kMs, 9, false},
                   {'F', "RpDBText5", "vid", 52.9, 0.3, 27.8, 'l', kMs, 9, false},
                   // the colour number is short: its box leaves "Готовая продукция" room to
                   // stand whole before the defects' box (which would paint over its end)
                   {'F', "RpDBText8", "color", 81.2, 0.3, 10.5, 'c', kMs, 9, false},
                   {'E', "RpExpr2", kKindText, 92.0, 0.3, 33.0, 'l', kMs, 9, false},
                   {'F', "RpDBText7", "brk", 125.4, 0.3, 6.6, 'c', kMs, 9, false},
                   {'F', "RpDBText6", "mass", 133.6, 0.0, 18.8, 'c', kMs, 9, false},
                   {'F', "RpDBText2", "kolvo", 152.1, 0.3, 16.7, 'c', kMs, 9, false},
                   {'F', "RpDBText3", "summa", 169.9, 0.3, 19.1, 'c', kMs, 9, false, "#0.000"}});
    b.Add(productFooter, {{'E', "RpExpr1", "sum(brk)", 124.4, 0.8, 8.7, 'c', kMs, 9, true, "", true, kTotalFill},
                          {'E', "RpExpr9", "sum(mass)", 132.8, 0.8, 18.8, 'c', kMs, 9, true, "#0.00", true, kTotalFill},
                          {'E', "RpExpr4", "sum(kolvo)", 152.1, 0.8, 16.7, 'c', kMs, 9, true, "", true, kTotalFill},
                          {'E', "RpExpr5", "sum(summa)", 169.9, 0.8, 20.1, 'c', kMs, 9, true, "#0.00", true, kTotalFill}});
    b.Summary(summary, 0xDCDCDC);
    b.Add(summary, {{'L', "RpLabel3", "Итого:", 99.7, 0.8, 0, 'l', kMs, 11, true},
                    {'E', "RpExpr10", "sum(brk)", 124.4, 0.8, 8.5, 'c', kMs, 11, true, "", false, kTotalFill},
                    {'E', "RpExpr8", "sum(mass)", 132.8, 0.8, 18.8, 'c', kMs, 11, true, "", false, kTotalFill},
                    {'E', "RpExpr7", "sum(kolvo)", 152.1, 0.8, 16.7, 'c', kMs, 11, true, "", false, kTotalFill},
                    {'E', "RpExpr6", "sum(summa)", 169.9, 0.8, 19.1, 'c', kMs, 11, true, "#0.00", false, kTotalFill}});
    b.PageNumberFooter(4.2);
    inherited::AfterConstruction();
}

// ---- the detailed report by workers ----------------------------------------------------------------

void TForm20::AfterConstruction() {
    SetUpAppForm(this, "Form20", String());
    w_Report = NewWindowQuery(this, "w_Report", DetailedWorkersReportSql());
    TRpLayoutBuilder b(this, w_Report, false);
    RpReport1 = b.Report;
    TRpBand* summary = nullptr;
    RpLabel1 = b.Skeleton(7.7, 0.0, 1.6, 10, 29.6, summary);
    TRpGroup* worker = b.Group("RpGroup3", QStringLiteral("w_Report.w_id"), 5.3, kGroupFill);
    TRpBand* workerFooter = b.Band(rbGroupFooter, "RpBand4", 59.3);
    worker->SetFooterBand(workerFooter);
    worker->SetLinkBand(workerFooter);
    b.Add(worker, {{'F', "RpDBText1", "fio", 0.3, 0.3, 0, 'l', kArial, 10, true, "", false, kGroupFill},
                   {'L', "RpLabel2", "Часы", 126.7, 0.3, 0, 'l', kArial, 9, true},
                   {'L', "RpLabel16", "Брак", 140.8, 0.3, 0, 'l', kArial, 9, true},
                   {'L', "RpLabel17", "Количество", 152.4, 0.3, 0, 'l', kArial, 9, true},
                   {'L', "RpLabel18", "Сумма", 176.5, 0.3, 0, 'l', kArial, 9, true}});
    TRpBand* detail = b.Band(rbDetail, "RpBand5", 4.2);
    b.Add(detail, {{'F', "RpDBText4", "marka", 0.3, 0.3, 41.0, 'l', kMs, 8, false},
                   {'F', "RpDBText6", "vid", 42.9, 0.3, 29.1, 'c', kMs, 8, false},
                   {'F', "RpDBText7", "color", 73.6, 0.3, 16.1, 'c', kMs, 8, false},
                   {'E', "RpExpr2", kKindText, 91.3, 0.3, 29.9, 'l', kMs, 8, false},
                   {'F', "RpDBText8", "sum_time", 126.5, 0.3, 9.0, 'c', kMs, 8, false},
                   {'F', "RpDBText5", "brk", 140.2, 0.3, 9.0, 'c', kMs, 8, false},
                   {'F', "RpDBText2", "kolvo", 150.8, 0.3, 17.5, 'c', kMs, 8, false},
                   {'F', "RpDBText3", "summa", 169.9, 0.3, 19.6, 'c', kMs, 8, false, "#0.00"}});
    // the price of an hour is 0 for a worker without piece-work hours
    b.Add(workerFooter,
          {{'E', "RpExpr4", "sum(kolvo)", 150.8, 1.3, 17.5, 'c', kMs, 9, true, "", true, kTotalFill},
           {'E', "RpExpr1", "sum(brk)", 140.0, 1.6, 9.3, 'c', kMs, 9, true, "", true, kTotalFill},
           {'E', "RpExpr5", "sum(summa)", 169.9, 1.6, 19.6, 'c', kMs, 9, true, "#0.00", true, kTotalFill},
           {'L', "RpLabel13", "Часы", 115.1, 9.3, 0, 'l', kArial, 9, true},
           {'L', "RpLabel7", "Сумма с р/к (р.)", 131.5, 9.3, 0, 'l', kArial, 9, true},
           {'L', "RpLabel6", "Сумма без р/к (р.)", 161.7, 9.3, 0, 'l', kArial, 9, true},
           {'L', "RpLabel8", "Хоз. раб. (дн.)", 84.7, 15.3, 0, 'l', kArial, 9, true},
           {'E', "RpExpr20", "f_sum7h", 107.7, 15.3, 22.8, 'c', kMs, 9, true},
           {'E', "RpExpr3", "f_sum7", 131.5, 15.3, 23.3, 'c', kMs, 9, true},
           {'E', "RpExpr12", "f_sum7/1.2", 163.8, 15.3, 22.8, 'c', kMs, 9, true},
           {'L', "RpLabel9", "Хоз. раб. (нч.)", 84.9, 21.4, 0, 'l', kArial, 9, true},
           {'E', "RpExpr22", "f_sum7h_n", 107.7, 21.4, 22.8, 'c', kMs, 9, true},
           {'E', "RpExpr9", "f_sum7_n", 132.0, 21.4, 22.8, 'c', kMs, 9, true},
           {'E', "RpExpr13", "f_sum7_n/1.2", 163.8, 21.4, 22.8, 'c', kMs, 9, true},
           {'L', "RpLabel10", "Ср. сд. (дн.)", 84.9, 28.0, 0, 'l', kArial, 9, true},
           {'E', "RpExpr23", "f_sum8h", 107.7, 28.0, 22.8, 'c', kMs, 9, true},
           {'E', "RpExpr10", "f_sum8", 132.0, 28.0, 22.8, 'c', kMs, 9, true},
           {'E', "RpExpr14", "f_sum8/1.2", 163.8, 28.0, 22.8, 'c', kMs, 9, true},
           {'L', "RpLabel11", "Ср. сд. (нч.)", 84.9, 34.1, 0, 'l', kArial, 9, true},
           {'E', "RpExpr21", "f_sum8h_n", 107.7, 34.1, 22.8, 'c', kMs, 9, true},
           {'E', "RpExpr11", "f_sum8_n", 132.8, 34.1, 22.0, 'c', kMs, 9, true},
           {'E', "RpExpr15", "f_sum8_n/1.2", 163.8, 34.1, 22.8, 'c', kMs, 9, true},
           {'L', "RpLabel12", "Сдел.", 84.9, 40.2, 0, 'l', kArial, 9, true},
           {'E', "RpExpr26", "sum(sum_time)", 107.7, 40.5, 22.8, 'c', kMs, 9, true, "#0.00", true},
           {'E', "RpExpr16", "sum(summa)", 132.0, 40.5, 22.8, 'c', kMs, 9, true, "#0.00", true},
           {'E', "RpExpr17", "sum(summa)/1.2", 163.8, 40.5, 22.8, 'c', kMs, 9, true, "#0.00", true},
           {'L', "RpLabel14", "Итого:", 84.7, 46.3, 0, 'l', kArial, 9, true},
           {'E', "RpExpr24", "sum(sum_time)+f_sum7h+f_sum7h_n+f_sum8h+f_sum8h_n", 107.7, 46.6, 22.5, 'c', kMs, 9, true, "#0.00", true},
           {'E', "RpExpr18", "sum(summa)+w_Report.f_sum7+w_Report.f_sum7_n + w_Report.f_sum8 + w_Report.f_sum8_n", 131.8, 46.6,
            23.5, 'c', kMs, 9, true, "#0.00", true},
           {'E', "RpExpr19", "(sum(summa)+w_Report.f_sum7+w_Report.f_sum7_n + w_Report.f_sum8 + w_Report.f_sum8_n)/1.2", 163.8,
            46.6, 22.8, 'c', kMs, 9, true, "#0.00", true},
           {'L', "RpLabel15", "Цена ср. сд. за 1 ч.:", 84.7, 51.9, 0, 'l', kArial, 9, true},
           {'E', "RpExpr27", "IF(sum(sum_time)=0,0,sum(summa)/sum(sum_time))", 131.5, 52.4, 23.8, 'c', kMs, 9, true, "#0.00", true},
           {'E', "RpExpr25", "IF(sum(sum_time)=0,0,sum(summa)/sum(sum_time)/1.2)", 163.8, 52.4, 22.8, 'c', kMs, 9, true, "#0.00", true}});
    b.Summary(summary);
    b.Add(summary, {{'E', "RpExpr7", "sum(kolvo)", 131.5, 2.6, 23.8, 'c', kMs, 11, true, "", false, kTotalFill},
                    {'E', "RpExpr6", "sum(summa)", 156.9, 2.6, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'L', "RpLabel4", "Хоз.р.:", 112.7, 8.7, 0, 'l', kMs, 11, true, "", false, kTotalFill},
                    {'E', "RpExpr28", "f_sum7_all", 127.3, 8.7, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'E', "RpExpr29", "f_sum7_all/1.2", 156.9, 8.7, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'L', "RpLabel5", "Ср.сд.:", 112.7, 14.8, 0, 'l', kMs, 11, true, "", false, kTotalFill},
                    {'E', "RpExpr33", "f_sum8_all", 127.3, 14.8, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'E', "RpExpr30", "f_sum8_all/1.2", 156.9, 14.8, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'L', "RpLabel19", "Итого:", 112.7, 21.2, 0, 'l', kMs, 11, true, "", false, kTotalFill},
                    {'E', "RpExpr32", "(sum(summa)+f_sum7_all+f_sum8_all)", 127.3, 20.9, 28.0, 'c', kMs, 11, true, "#0.00", false, kTotalFill},
                    {'E', "RpExpr31", "(sum(summa)+f_sum7_all+f_sum8_all)/1.2", 156.9, 20.9, 28.0, 'c', kMs, 11, true, "#0.00", false,
                     kTotalFill}});
    b.PageNumberFooter(6.9);
    inherited::AfterConstruction();
}

// ---- the period reports window ---------------------------------------------------------------------

String TForm18::PeriodTitle(const String& Prefix) const {
    return Prefix + DateToStr(DTPicker1->Date()) + QStringLiteral(" по ") + DateToStr(DTPicker2->Date());
}

void TForm18::RunReport(TADOQuery* Query, TRpLabel* Title, TRpReport* Report, const String& Prefix) {
    Query->Close();
    BindPeriod(Query->Parameters(), DTPicker1->Date(), DTPicker2->Date());
    ApplyProductKind(Query, RadioGroup1->ItemIndex());
    // the server's part runs under a small window with "Отмена", then the report's own progress
    if (!RunLongOpen(Query, Query->Connection(), QStringLiteral("Отчет: выполняется запрос…"))) return;
    Title->SetCaption(PeriodTitle(Prefix));
    RunOver(Query, Report);
}

void TForm18::Button4Click(TObject*) {
    RunReport(Form16->t_Report, Form16->RpLabel1, Form16->RpReport1, QStringLiteral("   Отчет по рабочим за период с "));
}

void TForm18::Button2Click(TObject*) {
    RunReport(Form17->t_Report, Form17->RpLabel1, Form17->RpReport1, QStringLiteral("   Отчет по продукции за период с "));
}

void TForm18::Button1Click(TObject*) {
    RunReport(Form20->w_Report, Form20->RpLabel1, Form20->RpReport1,
              QStringLiteral("   Детальный отчет по рабочим за период с "));
}

void TForm18::Button3Click(TObject*) {
    RunReport(Form21->i_Report, Form21->RpLabel1, Form21->RpReport1,
              QStringLiteral("   Детальный отчет по продукции за период с "));
}

void TForm18::Button5Click(TObject*) { Close(); }

void TForm18::Button6Click(TObject*) {
    XLS_Rep->Close();
    BindPeriod(XLS_Rep->Parameters(), DTPicker1->Date(), DTPicker2->Date());
    ApplyProductKind(XLS_Rep, RadioGroup1->ItemIndex());
    if (!RunLongOpen(XLS_Rep, XLS_Rep->Connection(), QStringLiteral("Выпуск: выполняется запрос…"))) return;
    struct TClose {
        TADOQuery* Q;
        ~TClose() {
            try {
                Q->Close();
            } catch (const Exception&) {
                // the export's own error is the one the user sees
            }
        }
    } close{XLS_Rep};
    if (ExcelOpen(String()) == -1) {
        Screen->SetCursor(crDefault);
        return;
    }
    // the window repaints while the rows go out, its commands resting until the export is done
    struct TRest {
        std::vector<std::pair<TControl*, bool>> Kept;
        ~TRest() {
            for (auto& [c, enabled] : Kept) c->SetEnabled(enabled);
        }
    } rest;
    for (TControl* c : std::initializer_list<TControl*>{RadioGroup1, GroupBox1, Button1, Button2, Button3, Button4, Button5, Button6}) {
        rest.Kept.emplace_back(c, c->Enabled());
        c->SetEnabled(false);
    }
    const int total = XLS_Rep->RecordCount();
    auto progress = [this, total](int Done) {
        Button6->SetCaption(QStringLiteral("Excel (%1 из %2)").arg(Done).arg(total));
        Application->ProcessMessages();
    };
    progress(0);
    XLS_Rep->First();
    int col = 1;
    for (const char* caption : {"Наименование", "Операция", "Вид продукции", "Коробки", "Кол-во"})
        ExcelWriteCell(1, col++, 1, QString::fromUtf8(caption));
    int row = 2, done = 0;
    while (!XLS_Rep->Eof()) {
        ExcelWriteCell(1, 1, row, XLS_Rep->FieldByName(QStringLiteral("nom"))->AsString());
        String kind = XLS_Rep->FieldByName(QStringLiteral("vid"))->AsString();
        const int colour = XLS_Rep->FieldByName(QStringLiteral("color"))->AsInteger();
        if (colour > 0)
            kind += colour == 1 ? QStringLiteral(" (грунт)") : QStringLiteral(" (цвет: ") + QString::number(colour) + u')';
        ExcelWriteCell(1, 2, row, kind);
        ExcelWriteCell(1, 3, row, XLS_Rep->FieldByName(QStringLiteral("naimen"))->AsInteger() == 0
                                      ? QStringLiteral("Готовая продукция")
                                      : QStringLiteral("Заготовки"));
        ExcelWriteCell(1, 4, row, FloatToStr(XLS_Rep->FieldByName(QStringLiteral("mass"))->AsFloat()));
        ExcelWriteCell(1, 5, row, IntToStr(XLS_Rep->FieldByName(QStringLiteral("kolvo"))->AsLargeInt()));
        XLS_Rep->Next();
        ++row;
        progress(++done);
    }
    ExcelShow(true);
}
