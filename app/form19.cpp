#include "app/form19.h"

#include "app/datamodule.h"
#include "app/excelhelper.h"
#include "app/form27.h"
#include "app/longwork.h"
#include "app/periodreports.h"
#include "app/timesheetdata.h"
#include "app/timesheetexcel.h"
#include "app/timesheetrebuild.h"
#include "app/timesheets.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/dateutils.h"

TForm19* Form19 = nullptr;

namespace {

TADOQuery* ShiftQuery(int Shift) {
    switch (Shift) {
    case 2: return DataModule6->H_Dizuv_2;
    case 3: return DataModule6->H_Dizuv_3;
    default: return DataModule6->H_Dizuv_1;
    }
}

}  // namespace

void TForm19::AfterConstruction() {
    SetName(QStringLiteral("Form19"));
    SetCaption(QStringLiteral("Табель по времени"));
    SetBorderStyle(bsDialog);
    SetPosition(poMainFormCenter);
    Font()->SetName(QStringLiteral("MS Sans Serif"));
    Font()->SetSize(8);
    SetClientWidth(958);
    SetClientHeight(577);

    const int bottom = ClientHeight() - 36;
    PageControl1 = NewControl<TPageControl>(this, this, "PageControl1", 0, 0, ClientWidth(), bottom);
    TTabSheet** sheets[] = {&TabSheet1, &TabSheet2, &TabSheet3};
    TDBGrid** grids[] = {&DBGrid1, &DBGrid2, &DBGrid3};
    TDataSource** sources[] = {&DataSource1, &DataSource2, &DataSource3};
    for (int s = 1; s <= 3; ++s) {
        TTabSheet* sheet = New<TTabSheet>(this);
        sheet->SetName(QStringLiteral("TabSheet%1").arg(s));
        sheet->SetPageControl(PageControl1);
        sheet->SetCaption(QStringLiteral("Смена №%1").arg(s));
        *sheets[s - 1] = sheet;
        TDataSource* source = New<TDataSource>(this);
        source->SetName(QStringLiteral("DataSource%1").arg(s));
        if (DataModule6) source->SetDataSet(ShiftQuery(s));
        *sources[s - 1] = source;
    }
    PageControl1->SetActivePage(TabSheet1);
    const TRect page = PageControl1->DisplayRect();
    const int gridHeight = page.Height() - (page.Height() > 60 ? 40 : 0);
    for (int s = 1; s <= 3; ++s) {
        TDBGrid* grid = NewControl<TDBGrid>(this, *sheets[s - 1], QStringLiteral("DBGrid%1").arg(s).toLatin1().constData(), 0, 0,
                                            page.Width(), s == 1 ? gridHeight : page.Height());
        grid->SetReadOnly(true);
        grid->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgAlwaysShowSelection});
        grid->SetDataSource(*sources[s - 1]);
        TColumn* fio = grid->Columns()->Add();
        fio->SetFieldName(QStringLiteral("fio"));
        fio->Title()->SetCaption(QStringLiteral("Фамилия И. О."));
        fio->Title()->SetAlignment(taCenter);
        fio->Title()->Font()->SetStyle({fsBold});
        fio->SetWidth(208);
        for (int d = 1; d <= 31; ++d) {
            TColumn* c = grid->Columns()->Add();
            c->SetFieldName(QStringLiteral("d%1").arg(d));
            c->Title()->SetCaption(QString::number(d));
            c->SetWidth(20);
            c->SetAlignment(taCenter);
            c->Title()->SetAlignment(taCenter);
            c->Title()->Font()->SetStyle({fsBold});
        }
        TColumn* summ = grid->Columns()->Add();
        summ->SetFieldName(QStringLiteral("summ"));
        summ->Title()->SetCaption(QStringLiteral("Итого"));
        summ->SetWidth(47);
        summ->SetColor(TotalsColumnColor);
        summ->Font()->SetStyle({fsBold});
        summ->SetAlignment(taCenter);
        grid->OnDrawColumnCell = TDrawColumnCellEvent(this, &TForm19::DBGrid1DrawColumnCell);
        *grids[s - 1] = grid;
    }
    Button2 = NewControl<TButton>(this, TabSheet1, "Button2", 4, gridHeight + 7, 113, 27);
    Button2->SetCaption(QStringLiteral("Excel"));
    Button1 = NewControl<TButton>(this, TabSheet1, "Button1", 123, gridHeight + 7, 100, 27);
    Button1->SetCaption(QStringLiteral("Перестроить"));
    PB = NewControl<TProgressBar>(this, TabSheet1, "PB", 231, gridHeight + 11, 240, 18);
    PB->SetMin(1);
    PB->SetVisible(false);

    Button6 = NewControl<TButton>(this, this, "Button6", 8, bottom + 5, 90, 27);
    Button6->SetCaption(QStringLiteral("Печать"));
    Button6->OnClick = TNotifyEvent(this, &TForm19::Button6Click);
    ComboBox1 = NewControl<TComboBox>(this, this, "ComboBox1", 106, bottom + 7, 118, 24);
    ComboBox1->SetStyle(csDropDownList);
    for (const String& m : MonthNames()) ComboBox1->Items()->Add(m);
    ComboBox1->SetItemIndex(0);
    ComboBox2 = NewControl<TComboBox>(this, this, "ComboBox2", 230, bottom + 7, 80, 24);
    ComboBox2->SetStyle(csDropDownList);
    // from the first year of the timesheets to the year after the current one
    for (int y = 2007; y <= YearOf(Date()) + 1; ++y) ComboBox2->Items()->Add(QString::number(y));
    Button5 = NewControl<TButton>(this, this, "Button5", 318, bottom + 5, 90, 27);
    Button5->SetCaption(QStringLiteral("Обновить"));
    Button4 = NewControl<TButton>(this, this, "Button4", ClientWidth() - 98, bottom + 5, 90, 27);
    Button4->SetCaption(QStringLiteral("Выход"));
    Button4->SetCancel(true);
    Button4->SetModalResult(mrCancel);

    ComboBox1->OnChange = TNotifyEvent(this, &TForm19::ComboBox1Change);
    ComboBox2->OnChange = TNotifyEvent(this, &TForm19::ComboBox1Change);
    Button5->OnClick = TNotifyEvent(this, &TForm19::Button5Click);
    Button1->OnClick = TNotifyEvent(this, &TForm19::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm19::Button2Click);
    Button4->OnClick = TNotifyEvent(this, &TForm19::Button4Click);
    OnActivate = TNotifyEvent(this, &TForm19::FormActivate);
    OnCloseQuery = TCloseQueryEvent(this, &TForm19::FormCloseQuery);
    inherited::AfterConstruction();
}

int TForm19::ShownMonth() const { return ComboBox1->ItemIndex() + 1; }

int TForm19::ShownYear() const {
    const int i = ComboBox2->ItemIndex();
    return i < 0 ? 0 : ComboBox2->Items()->Strings(i).toInt();
}

TDBGrid* TForm19::ShiftGrid(int Shift) const { return Shift == 2 ? DBGrid2 : Shift == 3 ? DBGrid3 : DBGrid1; }

void TForm19::FormActivate(TObject*) { Button2->SetCaption(QStringLiteral("Excel")); }

void TForm19::FormCloseQuery(TObject*, bool& CanClose) {
    if (FBusy) CanClose = false;
}

void TForm19::ComboBox1Change(TObject*) {
    const int m = ShownMonth(), y = ShownYear();
    if (m < 1 || y <= 0) return;
    const int days = DaysOfMonth(m, y);
    for (int s = 1; s <= 3; ++s) {
        TADOQuery* q = ShiftQuery(s);
        q->Close();
        BindMonth(q->Parameters(), m, y);
        RunLongOpen(q, q->Connection(), QStringLiteral("Табель: выполняется запрос…"));
        // weekends red; the days past the month's end stay, empty and with grey titles
        TDBGridColumns* columns = ShiftGrid(s)->Columns();
        for (int d = 1; d <= 31; ++d) {
            TColumn* c = columns->Items(d);
            if (d <= days) {
                const TColor colour = IsWeekendDayOfMonth(m, y, d) ? clRed : clWindowText;
                c->Font()->SetColor(colour);
                c->Title()->Font()->SetColor(colour);
                c->SetReadOnly(false);
            } else {
                c->SetReadOnly(true);
                c->Font()->SetColor(clWindow);
                c->Title()->Font()->SetColor(clSilver);
            }
        }
    }
}

void TForm19::Button5Click(TObject*) {
    if (FBusy) return;
    for (int s = 1; s <= 3; ++s) ShiftQuery(s)->Close();
    for (int s = 1; s <= 3; ++s) RunLongOpen(ShiftQuery(s), ShiftQuery(s)->Connection(), QStringLiteral("Табель: выполняется запрос…"));
}

void TForm19::Button4Click(TObject*) { Close(); }

void TForm19::SetBusy(bool Value) {
    FBusy = Value;
    for (TWinControl* c : std::initializer_list<TWinControl*>{Button1, Button2, Button4, Button5, Button6, ComboBox1, ComboBox2})
        c->SetEnabled(!Value);
}

void TForm19::Button1Click(TObject*) {
    if (FBusy) return;
    const int m = ShownMonth(), y = ShownYear();
    if (m < 1 || y <= 0) return;
    bool open[3];
    for (int s = 1; s <= 3; ++s) {
        open[s - 1] = ShiftQuery(s)->Active();
        ShiftQuery(s)->Close();
    }
    SetBusy(true);
    PB->SetMax(DaysOfMonth(m, y));
    PB->SetPosition(1);
    PB->SetVisible(true);
    struct TRestore {
        TForm19* Form;
        bool* Open;
        ~TRestore() {
            Form->PB->SetVisible(false);
            Form->SetBusy(false);
            try {
                for (int s = 1; s <= 3; ++s)
                    if (Open[s - 1]) ShiftQuery(s)->Open();
            } catch (const Exception&) {
                // the rebuild's own error is the one the user sees
            }
        }
    } restore{this, open};
    // one statement on the server: the window goes on while it runs, and Escape cancels it
    if (RunLongWork(DataModule6->ADO_DB, QStringLiteral("Перестроение табеля…"),
                    [m, y] { RebuildShiftTimesheet(DataModule6->ADO_DB, m, y); }))
        PB->SetPosition(PB->Max());
}

void TForm19::Button2Click(TObject*) {
    if (FBusy) return;
    const int m = ShownMonth(), y = ShownYear();
    if (m < 1 || y <= 0) return;
    TADOQuery* hours = Form15->H_Dizuv;
    hours->Close();
    BindMonth(hours->Parameters(), m, y);
    hours->Open();
    SetBusy(true);
    Screen->SetCursor(crHourGlass);
    struct TRestore {
        TForm19* Form;
        TADOQuery* Hours;
        ~TRestore() {
            Screen->SetCursor(crDefault);
            Hours->Close();
            Form->SetBusy(false);
        }
    } restore{this, hours};
    WriteAllShiftSheet(SheetExcelApp, hours, ComboBox1->Text() + u' ' + ComboBox2->Text(), [this](int Done, int Total) {
        Button2->SetCaption(QStringLiteral("Excel (%1 из %2)").arg(Done).arg(Total));
        Application->ProcessMessages();
    });
}

void TForm19::Button6Click(TObject*) {
    if (FBusy) return;
    const int m = ShownMonth(), y = ShownYear();
    if (m < 1 || y <= 0) return;
    PrintMonthHours(m, y, ComboBox1->Text() + u' ' + ComboBox2->Text() + QStringLiteral(" г."));
}

void TForm19::DBGrid1DrawColumnCell(TObject* Sender, const TRect& Rect, int DataCol, TColumn* Column,
                                    TGridDrawState State) {
    auto* grid = static_cast<TDBGrid*>(Sender);
    const int index = Column ? Column->Index() : -1;
    if (index < 1 || index > 31) return;
    TCanvas* canvas = grid->Canvas();
    if (canvas->Font()->Color() == clHighlightText) return;  // the selected cell keeps the standard look
    TField* field = Column->Field();
    const int v = field && !field->IsNull() ? field->AsInteger() : 0;
    const bool red = canvas->Font()->Color() == clRed;
    if (v == 0) {
        if (!red) canvas->Font()->SetColor(clSilver);
        if (Column->ReadOnly()) canvas->Font()->SetColor(clWindow);
    } else if (v == 8) {
        canvas->Font()->SetStyle({fsBold});
        if (!red) canvas->Font()->SetColor(clWindowText);
    } else if (v > 8) {
        canvas->Font()->SetStyle({fsBold});
        canvas->Brush()->SetColor(LongDayColor);
    } else {
        return;
    }
    canvas->FillRect(Rect);
    grid->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}
