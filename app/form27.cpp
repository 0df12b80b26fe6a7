#include "app/form27.h"

#include "app/datamodule.h"
#include "app/excelhelper.h"
#include "app/longwork.h"
#include "app/timesheetdata.h"
#include "app/timesheetexcel.h"
#include "app/timesheetrebuild.h"
#include "app/timesheets.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"

TForm27* Form27 = nullptr;

namespace {

// Grid columns past the name and the day/night label: day d is column d + 1.
constexpr int FirstDayColumn = 2;
constexpr int DayColumnWidth = 20;

TDataSource* NewSource(TForm* Form, const char* Name, TDataSet* DataSet) {
    auto* s = New<TDataSource>(Form);
    s->SetName(QString::fromLatin1(Name));
    s->SetDataSet(DataSet);
    return s;
}

// The month's query opens without stopping the window (Escape cancels it, and it stays closed).
void Reopen(TADOQuery* Query, int Month, int Year) {
    Query->Close();
    BindMonth(Query->Parameters(), Month, Year);
    RunLongOpen(Query, Query->Connection(), QStringLiteral("Табель: выполняется запрос…"));
}

}  // namespace

void TForm27::AfterConstruction() {
    BuildLayout();
    OnCreate = TNotifyEvent(this, &TForm27::FormCreate);
    OnActivate = TNotifyEvent(this, &TForm27::FormActivate);
    OnClose = TCloseEvent(this, &TForm27::FormClose);
    OnCloseQuery = TCloseQueryEvent(this, &TForm27::FormCloseQuery);
    inherited::AfterConstruction();
}

void TForm27::BuildLayout() {
    SetName(QStringLiteral("Form27"));
    SetCaption(QStringLiteral("Табель сделка (27)"));
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetClientWidth(1130);
    SetClientHeight(560);

    q_year = NewWindowQuery(this, "q_year", TimesheetYearsSql());
    DataSource2 = NewSource(this, "DataSource2", q_year);
    H_Dizuv0 = NewWindowQuery(this, "H_Dizuv0", MonthTimesheetSql(tmPieceWork));
    H_Dizuv7777 = NewWindowQuery(this, "H_Dizuv7777", MonthTimesheetSql(tmAuxiliary));
    H_Dizuv7778 = NewWindowQuery(this, "H_Dizuv7778", MonthTimesheetSql(tmAverageRate));
    H_Dizuv_all = NewWindowQuery(this, "H_Dizuv_all", MonthTimesheetSql(tmTotal));
    price = NewWindowQuery(this, "price", MonthTotalSql(mtPieceWork));
    price7 = NewWindowQuery(this, "price7", MonthTotalSql(mtAuxiliary));
    price8 = NewWindowQuery(this, "price8", MonthTotalSql(mtAverageRate));
    all_price = NewWindowQuery(this, "all_price", MonthTotalSql(mtAll));
    DS_price = NewSource(this, "DS_price", price);
    DS_price7 = NewSource(this, "DS_price7", price7);
    DS_price8 = NewSource(this, "DS_price8", price8);
    DS_all_price = NewSource(this, "DS_all_price", all_price);
    ModeQuery = H_Dizuv0;
    DataSource1 = NewSource(this, "DataSource1", ModeQuery);

    const int width = ClientWidth();
    const int buttonsTop = ClientHeight() - 35;
    const int totalsTop = buttonsTop - 29;

    DBGrid = NewControl<TDBGrid>(this, this, "DBGrid", 0, 0, width, totalsTop);
    DBGrid->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                        dgAlwaysShowSelection});
    DBGrid->SetReadOnly(true);
    DBGrid->SetDataSource(DataSource1);
    auto column = [this](const String& Field, const String& Title, int Width) {
        TColumn* c = DBGrid->Columns()->Add();
        c->SetFieldName(Field);
        c->Title()->SetCaption(Title);
        c->SetWidth(Width);
        return c;
    };
    TColumn* fio = column(QStringLiteral("fio"), QStringLiteral("Фамилия И. О."), 208);
    fio->Title()->SetAlignment(taCenter);
    fio->Title()->Font()->SetStyle({fsBold});
    column(QStringLiteral("s_night"), QStringLiteral(" "), 30);
    for (int d = 1; d <= 31; ++d) {
        TColumn* c = column(QStringLiteral("d%1").arg(d), QString::number(d), DayColumnWidth);
        c->SetAlignment(taCenter);
        c->Title()->SetAlignment(taCenter);
        c->Title()->Font()->SetStyle({fsBold});
    }
    struct {
        const char* Field;
        const char* Title;
        bool Centred;
    } const totals[] = {{"f_price", "Итого (р.)", false}, {"i_time", "Итого (ч.)", true}, {"average_price", "Час (р.)", true}};
    for (const auto& t : totals) {
        TColumn* c = column(QString::fromLatin1(t.Field), QString::fromUtf8(t.Title), 66);
        c->SetColor(TotalsColumnColor);
        c->Font()->SetStyle({fsBold});
        if (t.Centred) c->SetAlignment(taCenter);
    }

    Panel1 = NewControl<TPanel>(this, this, "Panel1", 0, totalsTop, width, 29);
    Panel1->SetBevelOuter(bvNone);
    ComboBox1 = NewControl<TComboBox>(this, Panel1, "ComboBox1", 4, 3, 118, 24);
    ComboBox1->SetStyle(csDropDownList);
    for (const String& m : MonthNames()) ComboBox1->Items()->Add(m);
    ComboBox1->SetItemIndex(0);
    ComboBox1->OnChange = TNotifyEvent(this, &TForm27::ComboBox1Change);
    cb_year = NewControl<TDBLookupComboBox>(this, Panel1, "cb_year", 128, 3, 89, 24);
    cb_year->SetListSource(DataSource2);
    cb_year->SetKeyField(QStringLiteral("year"));
    cb_year->SetListField(QStringLiteral("year"));
    cb_year->OnCloseUp = TNotifyEvent(this, &TForm27::ComboBox1Change);
    // the four sums from the right edge leftwards: "Итого:" last
    struct {
        TLabel** Label;
        TDBText** Text;
        const char* LabelName;
        const char* TextName;
        const char* Caption;
        TDataSource* Source;
    } const sums[] = {{&Label4, &DBText4, "Label4", "DBText4", "Итого:", DS_all_price},
                      {&Label3, &DBText3, "Label3", "DBText3", "Сделка:", DS_price},
                      {&Label2, &DBText2, "Label2", "DBText2", "Хоз. работы:", DS_price7},
                      {&Label1, &DBText1, "Label1", "DBText1", "Ср. сдел.:", DS_price8}};
    int right = width - 8;
    for (const auto& s : sums) {
        TDBText* text = NewControl<TDBText>(this, Panel1, s.TextName, right - 90, 7, 90, 16);
        text->SetAutoSize(false);
        text->SetAlignment(taRightJustify);
        text->Font()->SetStyle({fsBold});
        text->SetDataSource(s.Source);
        text->SetDataField(QStringLiteral("price"));
        // the caption sized to its text, ending just before the value
        TLabel* label = NewControl<TLabel>(this, Panel1, s.LabelName, right - 90 - 84, 7, 80, 16);
        label->Font()->SetStyle({fsBold});
        label->SetCaption(QString::fromUtf8(s.Caption));
        label->SetLeft(right - 90 - 4 - label->Width());
        *s.Text = text;
        *s.Label = label;
        right = label->Left() - 16;
    }

    Panel2 = NewControl<TPanel>(this, this, "Panel2", 0, buttonsTop, width, 35);
    Panel2->SetBevelOuter(bvNone);
    Button2 = NewControl<TButton>(this, Panel2, "Button2", 4, 4, 113, 27);
    Button2->SetCaption(QStringLiteral("Excel"));
    Button5 = NewControl<TButton>(this, Panel2, "Button5", 123, 4, 90, 27);
    Button5->SetCaption(QStringLiteral("Обновить"));
    Button3 = NewControl<TButton>(this, Panel2, "Button3", 219, 4, 100, 27);
    Button3->SetCaption(QStringLiteral("Перестроить"));
    PB = NewControl<TProgressBar>(this, Panel2, "PB", 327, 8, 240, 18);
    PB->SetMin(1);
    PB->SetVisible(false);
    Button1 = NewControl<TButton>(this, Panel2, "Button1", width - 4 - 90, 4, 90, 27);
    Button1->SetCaption(QStringLiteral("Выход"));
    Button1->SetCancel(true);
    Button2->OnClick = TNotifyEvent(this, &TForm27::Button2Click);
    Button5->OnClick = TNotifyEvent(this, &TForm27::Button5Click);
    Button3->OnClick = TNotifyEvent(this, &TForm27::Button3Click);
    Button1->OnClick = TNotifyEvent(this, &TForm27::Button1Click);
}

// ---- the month ---------------------------------------------------------------------------------

int TForm27::ShownMonth() const { return ComboBox1->ItemIndex() + 1; }

int TForm27::ShownYear() const {
    const Variant key = cb_year->KeyValue();
    return VarIsNull(key) || VarIsEmpty(key) ? 0 : key.AsInteger();
}

void TForm27::SetNameColumnWidth(int Width) {
    FNameWidth = Width;
    DBGrid->Columns()->Items(0)->SetWidth(Width);
}

void TForm27::FormCreate(TObject*) {
    // the program's resources hold no such icon: the window keeps the application's
    SetIconName(QStringLiteral("Icon_1"));
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poDesktopCenter);
}

void TForm27::FormActivate(TObject*) { DataSource1->SetDataSet(ModeQuery); }

void TForm27::ComboBox1Change(TObject*) {
    ModeQuery->Close();
    DataSource1->SetDataSet(ModeQuery);
    const int m = ShownMonth(), y = ShownYear();
    if (m < 1 || y <= 0) return;  // no year chosen: nothing to show
    Reopen(ModeQuery, m, y);
    for (TADOQuery* q : {all_price, price, price7, price8}) Reopen(q, m, y);

    // weekends red; days past the month's end hidden, their width given to the name column
    const int days = DaysOfMonth(m, y);
    TDBGridColumns* columns = DBGrid->Columns();
    for (int d = 1; d <= 31; ++d) {
        TColumn* c = columns->Items(FirstDayColumn + d - 1);
        if (d <= days) {
            const TColor colour = IsWeekendDayOfMonth(m, y, d) ? clRed : clWindowText;
            c->Font()->SetColor(colour);
            c->Title()->Font()->SetColor(colour);
            c->SetVisible(true);
        } else {
            c->Font()->SetColor(clWindow);
            c->Title()->Font()->SetColor(clSilver);
            c->SetVisible(false);
        }
    }
    columns->Items(0)->SetWidth(FNameWidth + DayColumnWidth * (31 - days));
}

void TForm27::Button5Click(TObject*) {
    if (FBusy) return;
    ModeQuery->Close();
    RunLongOpen(ModeQuery, ModeQuery->Connection(), QStringLiteral("Табель: выполняется запрос…"));
}

void TForm27::Button1Click(TObject*) { Close(); }

void TForm27::FormClose(TObject*, TCloseAction&) { Button2->SetCaption(QStringLiteral("Excel")); }

void TForm27::FormCloseQuery(TObject*, bool& CanClose) {
    // a rebuild or an export finishes first
    if (FBusy) CanClose = false;
}

void TForm27::SetBusy(bool Value) {
    FBusy = Value;
    for (TWinControl* c : std::initializer_list<TWinControl*>{Button1, Button2, Button3, Button5, ComboBox1, cb_year, DBGrid})
        c->SetEnabled(!Value);
}

// ---- rebuild -----------------------------------------------------------------------------------

void TForm27::Button3Click(TObject*) {
    if (FBusy) return;
    const int m = ShownMonth(), y = ShownYear();
    // a year is one of the list's, the years that have timesheet rows
    bool listed = false;
    if (y > 0 && q_year->Active()) {
        for (int i = 0; i < cb_year->Items()->Count() && !listed; ++i) listed = cb_year->ItemKey(i).AsInteger() == y;
    }
    if (m < 1 || !listed) {
        MessageBox(Handle(), QStringLiteral("Нет табеля за выбранный год: выберите год из списка."),
                   QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    const bool wasOpen = ModeQuery->Active();
    SetBusy(true);
    ModeQuery->Close();
    PB->SetMax(DaysOfMonth(m, y));
    PB->SetPosition(1);
    PB->SetVisible(true);
    struct TRestore {
        TForm27* Form;
        bool WasOpen;
        ~TRestore() {
            Form->PB->SetVisible(false);
            Form->SetBusy(false);
            try {
                if (WasOpen) Form->ModeQuery->Open();
            } catch (const Exception&) {
                // the rebuild's own error is the one the user sees
            }
        }
    } restore{this, wasOpen};
    // one statement on the server: the window goes on while it runs, and Escape cancels it
    if (RunLongWork(DataModule6->ADO_DB, QStringLiteral("Перестроение табеля…"),
                    [m, y] { RebuildAuxiliaryTimesheet(DataModule6->ADO_DB, m, y); }))
        PB->SetPosition(PB->Max());
}

// ---- Excel -------------------------------------------------------------------------------------

int TForm27::ExcelOpen(TObject*, const String& FileName, TExcelApplicationRef& App) { return ::ExcelOpen(App, FileName); }

int TForm27::ExcelShow(TObject*, bool Visible, TExcelApplicationRef& App) { return ::ExcelShow(App, Visible); }

int TForm27::ExcelWriteCellFormatted(TObject*, int Sheet, int Col, int Row, const String& Text, bool AsText,
                                     bool AutoFit, bool Bold, TExcelApplicationRef& App) {
    return ::ExcelWriteCellFormatted(App, Sheet, Col, Row, Text, AsText, AutoFit, Bold);
}

void TForm27::Button2Click(TObject*) {
    if (FBusy || !ModeQuery->Active()) return;
    SetBusy(true);
    Screen->SetCursor(crHourGlass);
    struct TRestore {
        TForm27* Form;
        ~TRestore() {
            Screen->SetCursor(crDefault);
            Form->SetBusy(false);
        }
    } restore{this};
    TExcelApplicationRef app;
    const String title = ComboBox1->Text() + u' ' + QString::number(ShownYear());
    WriteMonthlySheet(app, ModeQuery, Tag(), title, [this](int Done, int Total) {
        Button2->SetCaption(QStringLiteral("Excel (%1 из %2)").arg(Done).arg(Total));
        Application->ProcessMessages();
    });
}
