#include "app/timesheets.h"

#include "app/datamodule.h"
#include "app/periodreports.h"
#include "app/timesheetdata.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/rtl/dateutils.h"

#include <initializer_list>

TForm12* Form12 = nullptr;
TForm13* Form13 = nullptr;
TForm14* Form14 = nullptr;
TForm15* Form15 = nullptr;
TForm16* Form16 = nullptr;
TForm17* Form17 = nullptr;
TForm18* Form18 = nullptr;
TForm20* Form20 = nullptr;
TForm21* Form21 = nullptr;
TForm28* Form28 = nullptr;

const std::vector<String>& MonthNames() {
    static const std::vector<String> names{
        QStringLiteral("Январь"), QStringLiteral("Февраль"), QStringLiteral("Март"),    QStringLiteral("Апрель"),
        QStringLiteral("Май"),    QStringLiteral("Июнь"),    QStringLiteral("Июль"),    QStringLiteral("Август"),
        QStringLiteral("Сентябрь"), QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"), QStringLiteral("Декабрь")};
    return names;
}

namespace {

template <class T>
T* Control(TForm* Form, const char* Name, int L, int T_, int W, int H) {
    T* c = New<T>(Form);
    c->SetName(QString::fromLatin1(Name));
    c->SetBounds(L, T_, W, H);
    c->SetParent(Form);
    return c;
}

TButton* Button(TForm* Form, const char* Name, const String& Caption, int L, int T_, int W) {
    TButton* b = Control<TButton>(Form, Name, L, T_, W, 28);
    b->SetCaption(Caption);
    return b;
}

TComboBox* MonthChoice(TForm* Form) {
    TComboBox* c = Control<TComboBox>(Form, "ComboBox1", 8, 8, 120, 24);
    c->SetStyle(csDropDownList);
    for (const String& m : MonthNames()) c->Items()->Add(m);
    return c;
}

// A query on the data module's connection (the data module exists before these windows).
TADOQuery* Query(TForm* Form, const char* Name) {
    auto* q = New<TADOQuery>(Form);
    q->SetName(QString::fromLatin1(Name));
    if (DataModule6) q->SetConnection(DataModule6->ADO_DB);
    return q;
}

// The year box over the window's list of the years that have timesheet rows.
TDBLookupComboBox* YearChoice(TForm* Form, TADOQuery* Years) {
    Years->SQL()->SetText(TimesheetYearsSql());
    auto* source = New<TDataSource>(Form);
    source->SetName(QStringLiteral("DS_year"));
    source->SetDataSet(Years);
    auto* box = Control<TDBLookupComboBox>(Form, "cb_year", 136, 8, 80, 24);
    box->SetListSource(source);
    box->SetKeyField(QStringLiteral("year"));
    box->SetListField(QStringLiteral("year"));
    return box;
}

// The auxiliary-work timesheet of a month, one line per worker: his hours, earnings and price of
// an hour over all his auxiliary and average-rate hours of the month, and his day columns.
String AuxiliaryTimesheetSql() {
    QStringList days;
    for (int d = 1; d <= 31; ++d) days << QStringLiteral("sum(coalesce(h.d%1,0)) as d%1").arg(d);
    const String hours = QStringLiteral("from accounts_dep.fatigue f where f.id_p=p.id and f.d_date>=:d_date2 and f.d_date<:d_date1");
    return QStringLiteral("select p.s_caption fio, p.id, h.i_type,\n(select sum(f.cnt) ") + hours +
           QStringLiteral(") i_time,\n(select sum(f.cnt*f.price)::numeric(10,2) ") + hours +
           QStringLiteral(") f_price,\n(select case when coalesce(sum(f.cnt),0)=0 then 0 else (sum(f.cnt*f.price)/sum(f.cnt))::numeric(10,2) end ") +
           hours + QStringLiteral(") average_price,\n") + days.join(QStringLiteral(", ")) +
           QStringLiteral("\nfrom accounts_dep.h_dizuv h join cmn_contractor.person p on p.id=h.w_id\n"
                          "where h.i_type=7777 and h.month=:i_month and h.year=:i_year\n"
                          "group by p.s_caption, p.id, h.i_type order by fio, p.id");
}

// The grid of a legacy report window: its columns over a data source that names no dataset.
struct TLegacyColumn {
    const char* Field;
    const char* Title;
    int Width;
};
void LegacyReportGrid(TForm* Form, std::initializer_list<TLegacyColumn> Columns, TDBGrid*& Grid, TDataSource*& Source) {
    Source = New<TDataSource>(Form);
    Source->SetName(QStringLiteral("DataSource1"));
    Grid = Control<TDBGrid>(Form, "DBGrid1", 0, 0, 890, 420);
    Grid->SetDataSource(Source);
    Grid->SetOptions(Grid->Options() + TDBGridOptions{dgRowSelect, dgAlwaysShowSelection});
    for (const TLegacyColumn& c : Columns) {
        TColumn* col = Grid->Columns()->Add();
        col->SetFieldName(QString::fromLatin1(c.Field));
        col->Title()->SetCaption(QString::fromUtf8(c.Title));
        col->Title()->SetAlignment(taCenter);
        col->Title()->Font()->SetStyle({fsBold});
        col->SetWidth(c.Width);
    }
    // the product kind in words, on rows that name a product
    Grid->OnDrawColumnCell = [Grid](TObject*, const TRect& Rect, int, TColumn* Column, TGridDrawState) {
        if (!Column || Column->Index() != 3) return;
        TDataSet* data = Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
        if (!data) return;
        TCanvas* canvas = Grid->Canvas();
        canvas->FillRect(Rect);
        if (Trim(data->FieldByName(QStringLiteral("MARKA"))->AsString()).isEmpty()) return;
        const int kind = data->FieldByName(QStringLiteral("NAIMEN"))->AsInteger();
        canvas->TextOut(Rect.Left + 2, Rect.Top + 2,
                        kind == 0   ? QStringLiteral("Готовая продукция")
                        : kind == 1 ? QStringLiteral("Заготовки")
                                    : QStringLiteral("Ошибка"));
    };
}

// The product kind and the period of a legacy report window, at the right of its grid.
void PeriodChoice(TForm* Form, int Left, TRadioGroup*& Kind, TGroupBox*& Box, TDateTimePicker*& From, TDateTimePicker*& To) {
    Kind = Control<TRadioGroup>(Form, "RadioGroup1", Left, 8, 188, 92);
    Kind->SetCaption(QStringLiteral("Вид продукции"));
    for (const char* kind : {"Все", "Готовая продукция", "Заготовки"}) Kind->Items()->Add(QString::fromUtf8(kind));
    Kind->SetItemIndex(0);
    Box = Control<TGroupBox>(Form, "GroupBox1", Left, 108, 188, 90);
    Box->SetCaption(QStringLiteral("Период отбора"));
    From = Control<TDateTimePicker>(Form, "DTPicker1", 24, 20, 150, 24);
    From->SetParent(Box);
    To = Control<TDateTimePicker>(Form, "DTPicker2", 24, 54, 150, 24);
    To->SetParent(Box);
}

// "Отбор": the grid's dataset (none is ever given) read again for the period and product kind.
void LegacySelect(TDataSource* Source, TRadioGroup* Kind, TDateTimePicker* From, TDateTimePicker* To) {
    auto* query = dynamic_cast<TADOQuery*>(Source->DataSet());
    if (!query) return;
    query->Close();
    BindPeriod(query->Parameters(), From->Date(), To->Date());
    ApplyProductKind(query, Kind->ItemIndex());
    query->Open();
}

}  // namespace

void TForm12::AfterConstruction() {
    SetUpAppForm(this, "Form12", QStringLiteral("Отчет по рабочим"), 1100, 420);
    SetBorderStyle(bsDialog);
    LegacyReportGrid(this, {{"fio", "ФИО", 227}, {"marka", "Марка изделия", 238}, {"vid", "Операция", 122},
                            {"naimen", "Вид", 141}, {"kolvo", "Кол-во", 61}, {"brk", "Брак", 64}, {"summa", "Сумма", 69}},
                     DBGrid1, DataSource1);
    PeriodChoice(this, 900, RadioGroup1, GroupBox1, DTPicker1, DTPicker2);
    Button1 = Button(this, "Button1", QStringLiteral("Отбор"), 900, 260, 188);
    Button1->SetDefault(true);
    Button4 = Button(this, "Button4", QStringLiteral("Отчет"), 900, 294, 188);
    Button2 = Button(this, "Button2", QStringLiteral("Детальный отчет"), 900, 328, 188);
    Button3 = Button(this, "Button3", QStringLiteral("Выход"), 900, 372, 188);
    Button3->SetCancel(true);
    Button1->OnClick = TNotifyEvent(this, &TForm12::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm12::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm12::Button3Click);
    Button4->OnClick = TNotifyEvent(this, &TForm12::Button4Click);
    inherited::AfterConstruction();
}

void TForm12::Button1Click(TObject*) { LegacySelect(DataSource1, RadioGroup1, DTPicker1, DTPicker2); }
void TForm12::Button3Click(TObject*) { Close(); }

void TForm13::AfterConstruction() {
    SetUpAppForm(this, "Form13", QStringLiteral("Отчет по видам продукции"), 1100, 420);
    LegacyReportGrid(this, {{"marka", "Марка изделия", 305}, {"vid", "Операция", 247}, {"naimen", "Вид", 166},
                            {"kolvo", "Кол-во", 64}, {"brk", "Брак", 64}, {"summa", "Сумма", 77}},
                     DBGrid1, DataSource1);
    PeriodChoice(this, 900, RadioGroup1, GroupBox1, DTPicker1, DTPicker2);
    Button1 = Button(this, "Button1", QStringLiteral("Отбор"), 900, 260, 188);
    Button1->SetDefault(true);
    Button2 = Button(this, "Button2", QStringLiteral("Печать"), 900, 294, 188);
    Button3 = Button(this, "Button3", QStringLiteral("Выход"), 900, 372, 188);
    Button3->SetCancel(true);
    Button1->OnClick = TNotifyEvent(this, &TForm13::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm13::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm13::Button3Click);
    inherited::AfterConstruction();
}

void TForm13::Button1Click(TObject*) { LegacySelect(DataSource1, RadioGroup1, DTPicker1, DTPicker2); }
void TForm13::Button3Click(TObject*) { Close(); }

void TForm14::AfterConstruction() {
    SetUpAppForm(this, "Form14", String());
    // a definition over the older tables, with no connection: nothing opens it
    w_Report = New<TADOQuery>(this);
    w_Report->SetName(QStringLiteral("w_Report"));
    w_Report->SQL()->SetText(QStringLiteral(
        "select workers.fio, izdel.marka, vid_oper.vid, oper.naimen, \n"
        "sum(smena.kol_vo) as kolvo, sum(smena.brak) as brk, sum((kol_vo-brak)*\n"
        "smena.cena) as summa, color from workers,izdel,oper,smena,vid_oper where \n"
        "smena.o_id=oper.id and smena.w_id=workers.id and smena.i_id=izdel.id \n"
        "and smena.o_id=oper.id and w_id=workers.id and oper.vid=vid_oper.id \n"
        "and smena.data<:data2 and smena.data>=:data1 group by fio, marka, \n"
        "vid_oper.vid, oper.naimen, color order by fio, marka, vid_oper.vid, oper.naimen"));
    inherited::AfterConstruction();
}

void TForm28::AfterConstruction() {
    SetUpAppForm(this, "Form28", QStringLiteral("Табель хоз. работы (28)"), 1000, 560);
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poDesktopCenter);
    H_Dizuv = Query(this, "H_Dizuv");
    H_Dizuv->SetCursorLocation(clUseClient);
    H_Dizuv->SetCursorType(ctStatic);
    H_Dizuv->SQL()->SetText(AuxiliaryTimesheetSql());
    auto* source = New<TDataSource>(this);
    source->SetName(QStringLiteral("DataSource1"));
    source->SetDataSet(H_Dizuv);
    DBGrid = Control<TDBGrid>(this, "DBGrid", 0, 0, 1000, 500);
    DBGrid->SetDataSource(source);
    DBGrid->SetReadOnly(true);
    auto column = [this](const char* Field, const String& Title, int Width) {
        TColumn* c = DBGrid->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(Field));
        c->Title()->SetCaption(Title);
        c->Title()->Font()->SetStyle({fsBold});
        c->SetWidth(Width);
        return c;
    };
    column("fio", QStringLiteral("Фамилия И. О."), 208);
    for (int d = 1; d <= 31; ++d) {
        TColumn* c = column(("d" + std::to_string(d)).c_str(), QString::number(d), 20);
        c->SetAlignment(taCenter);
        c->Title()->SetAlignment(taCenter);
    }
    for (TColumn* c : {column("f_price", QStringLiteral("Сдельная (р.)"), 94), column("i_time", QStringLiteral("Итого (ч.)"), 66),
                       column("average_price", QStringLiteral("Ср. сдел. (р./ч.)"), 108)})
        c->SetColor(TColor(0xFFE4E1));
    ComboBox1 = MonthChoice(this);
    ComboBox1->SetTop(520);
    q_year = Query(this, "q_year");
    cb_year = YearChoice(this, q_year);
    cb_year->SetTop(520);
    Button8 = Button(this, "Button8", QStringLiteral("Выход"), 900, 520, 90);
    Button8->OnClick = TNotifyEvent(this, &TForm28::Button8Click);
    inherited::AfterConstruction();
}

void TForm28::Button8Click(TObject*) { Close(); }

void TForm18::AfterConstruction() {
    SetUpAppForm(this, "Form18", QStringLiteral("Отчеты (8)"), 300, 384);
    SetBorderStyle(bsDialog);
    SetPosition(poMainFormCenter);
    RadioGroup1 = Control<TRadioGroup>(this, "RadioGroup1", 8, 8, 284, 92);
    RadioGroup1->SetCaption(QStringLiteral("Вид продукции"));
    RadioGroup1->SetParentFont(false);
    RadioGroup1->Font()->SetStyle({fsBold});
    for (const char* kind : {"Все", "Готовая продукция", "Заготовки"}) RadioGroup1->Items()->Add(QString::fromUtf8(kind));
    RadioGroup1->SetItemIndex(0);
    GroupBox1 = Control<TGroupBox>(this, "GroupBox1", 8, 104, 284, 56);
    GroupBox1->SetCaption(QStringLiteral("Период отбора"));
    GroupBox1->SetParentFont(false);
    GroupBox1->Font()->SetStyle({fsBold});
    auto* from = Control<TLabel>(this, "Label1", 8, 24, 12, 16);
    from->SetParent(GroupBox1);
    from->SetCaption(QStringLiteral("с"));
    DTPicker1 = Control<TDateTimePicker>(this, "DTPicker1", 24, 20, 110, 24);
    DTPicker1->SetParent(GroupBox1);
    auto* to = Control<TLabel>(this, "Label2", 142, 24, 20, 16);
    to->SetParent(GroupBox1);
    to->SetCaption(QStringLiteral("по"));
    DTPicker2 = Control<TDateTimePicker>(this, "DTPicker2", 166, 20, 110, 24);
    DTPicker2->SetParent(GroupBox1);
    Button4 = Button(this, "Button4", QStringLiteral("Отчет по рабочим"), 8, 168, 284);
    Button2 = Button(this, "Button2", QStringLiteral("Отчет по продукции"), 8, 200, 284);
    Button1 = Button(this, "Button1", QStringLiteral("Детальный отчет по рабочим"), 8, 232, 284);
    Button3 = Button(this, "Button3", QStringLiteral("Детальный отчет по продукции"), 8, 264, 284);
    Button6 = Button(this, "Button6", QStringLiteral("Excel (0 из 0)"), 8, 304, 284);
    Button5 = Button(this, "Button5", QStringLiteral("Выход"), 8, 348, 284);
    Button5->SetCancel(true);
    Button1->OnClick = TNotifyEvent(this, &TForm18::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm18::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm18::Button3Click);
    Button4->OnClick = TNotifyEvent(this, &TForm18::Button4Click);
    Button5->OnClick = TNotifyEvent(this, &TForm18::Button5Click);
    Button6->OnClick = TNotifyEvent(this, &TForm18::Button6Click);
    XLS_Rep = Query(this, "XLS_Rep");
    XLS_Rep->SetCursorLocation(clUseClient);
    XLS_Rep->SetCursorType(ctStatic);
    XLS_Rep->SQL()->SetText(PeriodOutputSql());
    inherited::AfterConstruction();
}
