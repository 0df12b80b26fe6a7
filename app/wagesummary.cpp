#include "app/wagesummary.h"

#include "app/datamodule.h"
#include "app/excelhelper.h"
#include "app/longwork.h"
#include "app/timesheetdata.h"
#include "app/timesheetexcel.h"
#include "app/timesheets.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/memtable/adodatadrivervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"

TForm30* Form30 = nullptr;
TForm31* Form31 = nullptr;

namespace {

// Grid columns of TForm31 before the days: day d is column d + 2.
constexpr int FirstDayColumn = 3;

}  // namespace

// ---- the frame both windows share ----------------------------------------------------------------

void TNomGroupForm::BuildFrame(int Width, int Height) {
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetClientWidth(Width);
    SetClientHeight(Height);
    OnCreate = TNotifyEvent(this, &TNomGroupForm::FormCreate);
    OnCloseQuery = TCloseQueryEvent(this, &TNomGroupForm::FormCloseQuery);

    q_year = NewWindowQuery(this, "q_year", TimesheetYearsSql());
    DS_year = New<TDataSource>(this);
    DS_year->SetName(QStringLiteral("DS_year"));
    DS_year->SetDataSet(q_year);

    const int panelTop = Height - 35;
    Panel1 = NewControl<TPanel>(this, this, "Panel1", 0, panelTop, Width, 35);
    Panel1->SetBevelOuter(bvNone);
    Button2 = NewControl<TButton>(this, Panel1, "Button2", 4, 4, 113, 27);
    Button2->SetCaption(QStringLiteral("Excel"));
    Button5 = NewControl<TButton>(this, Panel1, "Button5", 123, 4, 90, 27);
    Button5->SetCaption(QStringLiteral("Обновить"));
    ComboBox1 = NewControl<TComboBox>(this, Panel1, "ComboBox1", 221, 6, 118, 24);
    ComboBox1->SetStyle(csDropDownList);
    for (const String& m : MonthNames()) ComboBox1->Items()->Add(m);
    ComboBox1->SetItemIndex(0);
    cb_year = NewControl<TDBLookupComboBox>(this, Panel1, "cb_year", 345, 6, 89, 24);
    cb_year->SetListSource(DS_year);
    cb_year->SetKeyField(QStringLiteral("year"));
    cb_year->SetListField(QStringLiteral("year"));
    Button1 = NewControl<TButton>(this, Panel1, "Button1", Width - 4 - 90, 4, 90, 27);
    Button1->SetCaption(QStringLiteral("Выход"));
    Button1->SetCancel(true);
    ComboBox1->OnChange = TNotifyEvent(this, &TNomGroupForm::ComboBox1Change);
    cb_year->OnCloseUp = TNotifyEvent(this, &TNomGroupForm::ComboBox1Change);
    Button5->OnClick = TNotifyEvent(this, &TNomGroupForm::ComboBox1Change);
    Button2->OnClick = TNotifyEvent(this, &TNomGroupForm::Button2Click);
    Button1->OnClick = TNotifyEvent(this, &TNomGroupForm::Button1Click);

    DataSource1 = New<TDataSource>(this);
    DataSource1->SetName(QStringLiteral("DataSource1"));
    DBGridVz1 = NewControl<TDBGridVz>(this, this, "DBGridVz1", 0, 0, Width, panelTop);
    DBGridVz1->SetOptions({dgTitles, dgColumnResize, dgColLines, dgRowLines, dgRowSelect, dgAlwaysShowSelection});
    DBGridVz1->SetReadOnly(true);
    DBGridVz1->TitleFont()->SetStyle({fsBold});
    DBGridVz1->FooterFont()->SetStyle({fsBold});
    DBGridVz1->SetDataSource(DataSource1);
    DBGridVz1->Columns()->SetState(csCustomized);
}

TColumnVz* TNomGroupForm::AddColumn(const String& Field, const String& Title, int Width) {
    TColumnVz* c = DBGridVz1->Columns()->Add();
    c->SetFieldName(Field);
    c->Title()->SetCaption(Title);
    c->Title()->SetAlignment(taCenter);
    if (Width > 0) c->SetWidth(Width);
    return c;
}

void TNomGroupForm::SetUpGrouping(int Group, int Label, std::initializer_list<int> Sums) {
    TDBGridVzDataGroupsVz* grouping = DBGridVz1->DataGrouping();
    grouping->SetDefaultStateExpanded(true);
    TGridDataGroupFooterVz* footer = grouping->Footers()->Add();
    footer->SetVisible(true);
    footer->ColumnItems()->Items(Label)->SetValueType(gfvStaticTextVz);
    footer->ColumnItems()->Items(Label)->SetText(QStringLiteral("ИТОГО:"));
    for (int c : Sums) footer->ColumnItems()->Items(c)->SetValueType(gfvSumVz);
    auto* level = static_cast<TDBGridVzDataGroupLevelVz*>(grouping->GroupLevels()->Add());
    level->SetColumn(DBGridVz1->Columns()->Items(Group));
    level->OnGetKeyValue = TDBGridVzDataGroupGetKeyValueEvent(this, &TNomGroupForm::GroupKey);
    grouping->SetActive(true);
}

void TNomGroupForm::GroupKey(TCustomDBGridVz*, TDBGridVzDataGroupLevelVz*, Variant& Key) {
    // the group id's place in the query's order: namesakes stay apart, groups keep the query's order
    TField* id = MonthTable()->FindField(QStringLiteral("id_nom"));
    if (!id || id->IsNull()) return;
    const auto found = FGroupOrder.find(id->AsString());
    if (found != FGroupOrder.end()) Key = found->second;
}

void TNomGroupForm::CloseMonth() {
    MonthTable()->Close();
    MonthQuery()->Close();
}

void TNomGroupForm::SetColumnWidth(int Column, int Width) { DBGridVz1->Columns()->Items(Column)->SetWidth(Width); }

int TNomGroupForm::ShownMonth() const { return ComboBox1->ItemIndex() + 1; }

int TNomGroupForm::ShownYear() const {
    const Variant key = cb_year->KeyValue();
    return VarIsNull(key) || VarIsEmpty(key) ? 0 : key.AsInteger();
}

void TNomGroupForm::FormCreate(TObject*) {
    // the program's resources hold no such icon: the window keeps the application's
    SetIconName(QStringLiteral("Icon_1"));
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poDesktopCenter);
}

void TNomGroupForm::FormCloseQuery(TObject*, bool& CanClose) {
    // an export finishes first
    if (FBusy) CanClose = false;
}

void TNomGroupForm::Button1Click(TObject*) { Close(); }

void TNomGroupForm::ComboBox1Change(TObject*) {
    if (FBusy) return;
    TADOQuery* query = MonthQuery();
    TMemTableVz* table = MonthTable();
    query->Close();
    table->Close();
    const int m = ShownMonth(), y = ShownYear();
    if (m < 1 || y <= 0) return;  // no year chosen: nothing to show
    BindMonth(query->Parameters(), m, y);
    if (!RunLongOpen(query, query->Connection(), QStringLiteral("Табель: выполняется запрос…"))) return;
    // the groups' order before the table builds its groups
    FGroupOrder.clear();
    query->DisableControls();
    for (query->First(); !query->Eof(); query->Next()) {
        TField* id = query->FieldByName(QStringLiteral("id_nom"));
        if (!id->IsNull()) FGroupOrder.emplace(id->AsString(), static_cast<int>(FGroupOrder.size()));
    }
    query->First();
    query->EnableControls();
    table->Open();
    table->First();
    MonthShown(m, y);
}

void TNomGroupForm::SetBusy(bool Value) {
    FBusy = Value;
    for (TWinControl* c : std::initializer_list<TWinControl*>{Button1, Button2, Button5, ComboBox1, cb_year, DBGridVz1})
        c->SetEnabled(!Value);
}

void TNomGroupForm::Button2Click(TObject*) {
    if (FBusy || !MonthQuery()->Active()) return;
    SetBusy(true);
    Screen->SetCursor(crHourGlass);
    MonthTable()->DisableControls();
    struct TRestore {
        TNomGroupForm* Form;
        ~TRestore() {
            Form->MonthTable()->EnableControls();
            Screen->SetCursor(crDefault);
            Form->SetBusy(false);
        }
    } restore{this};
    // the year chosen in the box, which the rows are of
    const String title = ComboBox1->Text() + u' ' + QString::number(ShownYear());
    WriteSheet(title, [this](int Done, int) {
        Button2->SetCaption(QStringLiteral("Excel (%1 из ...)").arg(Done));
        Application->ProcessMessages();
    });
}

// ---- the wage summary ----------------------------------------------------------------------------

void TForm30::AfterConstruction() {
    SetName(QStringLiteral("Form30"));
    SetCaption(QStringLiteral("Общий табель ЗП (30)"));
    BuildFrame(790, 560);
    H_Dizuv = NewWindowQuery(this, "H_Dizuv", WageSummarySql());
    H_Dizuv_Vz = New<TADODataDriverVz>(this);
    H_Dizuv_Vz->SetName(QStringLiteral("H_Dizuv_Vz"));
    H_Dizuv_Vz->SetProviderDataSet(H_Dizuv);
    H_Dizuv_Mem = New<TMemTableVz>(this);
    H_Dizuv_Mem->SetName(QStringLiteral("H_Dizuv_Mem"));
    H_Dizuv_Mem->SetFetchAllOnOpen(true);
    H_Dizuv_Mem->SetDataDriver(H_Dizuv_Vz);
    DataSource1->SetDataSet(H_Dizuv_Mem);

    DBGridVz1->Columns()->BeginUpdate();
    AddColumn(QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), 438);
    AddColumn(QStringLiteral("sum_all"), QStringLiteral("Сумма"), 150);
    AddColumn(QStringLiteral("s_nom"), QStringLiteral("Номенкл. гр."), 0)->SetVisible(false);
    AddColumn(QStringLiteral("sum_all_12"), QStringLiteral("Сумма без РК"), 150);
    DBGridVz1->Columns()->EndUpdate();
    SetUpGrouping(2, 0, {1, 3});
    inherited::AfterConstruction();
}

void TForm30::WriteSheet(const String& Title, const std::function<void(int, int)>& Progress) {
    TExcelApplicationRef app;
    WriteWageSummarySheet(app, H_Dizuv, Title, Progress);
}

// ---- the timesheet by nomenclature group ---------------------------------------------------------

void TForm31::AfterConstruction() {
    SetName(QStringLiteral("Form31"));
    SetCaption(QStringLiteral("Табель по номенклатурным группам (31)"));
    SetTag(7777);
    BuildFrame(1130, 560);
    H_Dizuv_7777 = NewWindowQuery(this, "H_Dizuv_7777", GroupTimesheetSql(7777));
    H_Dizuv_7778 = NewWindowQuery(this, "H_Dizuv_7778", GroupTimesheetSql(7778));
    SQLDataDriverVz1 = New<TSQLDataDriverVz>(this);
    SQLDataDriverVz1->SetName(QStringLiteral("SQLDataDriverVz1"));
    H_Dizuv_Vz = New<TMemTableVz>(this);
    H_Dizuv_Vz->SetName(QStringLiteral("H_Dizuv_Vz"));
    H_Dizuv_Vz->SetCachedUpdates(true);
    H_Dizuv_Vz->SetFetchAllOnOpen(true);
    H_Dizuv_Vz->SetDataDriver(SQLDataDriverVz1);
    DataSource1->SetDataSet(H_Dizuv_Vz);
    SetShownQuery(H_Dizuv_7777);

    DBGridVz1->Columns()->BeginUpdate();
    AddColumn(QStringLiteral("s_nom"), QStringLiteral("Номенкл. гр."), 200)->SetVisible(false);
    AddColumn(QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), 200);
    AddColumn(QStringLiteral("s_night"), QStringLiteral("!"), 61);
    for (int d = 1; d <= 31; ++d) AddColumn(QStringLiteral("d%1").arg(d), QString::number(d), 20)->SetAlignment(taCenter);
    AddColumn(QStringLiteral("f_price"), QStringLiteral("Итого (р.)"), 66);
    AddColumn(QStringLiteral("i_time"), QStringLiteral("Итого (ч.)"), 66);
    AddColumn(QStringLiteral("average_price"), QStringLiteral("Час (р.)"), 66);
    DBGridVz1->Columns()->EndUpdate();
    SetUpGrouping(0, 1, {34});
    inherited::AfterConstruction();
}

void TForm31::SetShownQuery(TADOQuery* Query) {
    if (ShownQuery && ShownQuery != Query) ShownQuery->Close();
    H_Dizuv_Vz->Close();
    ShownQuery = Query;
    SQLDataDriverVz1->SetProviderDataSet(Query);
}

void TForm31::MonthShown(int Month, int Year) {
    const int days = DaysOfMonth(Month, Year);
    TDBGridColumnsVz* columns = DBGridVz1->Columns();
    for (int d = 1; d <= 31; ++d) {
        TColumnVz* c = columns->Items(FirstDayColumn + d - 1);
        if (d <= days) {
            const TColor colour = IsWeekendDayOfMonth(Month, Year, d) ? clRed : clWindowText;
            c->Font()->SetColor(colour);
            c->Title()->Font()->SetColor(colour);
        } else {
            c->Font()->SetColor(clWindow);
            c->Title()->Font()->SetColor(clSilver);
        }
    }
}

void TForm31::WriteSheet(const String& Title, const std::function<void(int, int)>& Progress) {
    TExcelApplicationRef app;
    const String sheet = Tag() == 7778 ? QStringLiteral("СР. СДЕЛЬНАЯ") : QStringLiteral("ХОЗ. РАБОТЫ");
    WriteGroupTimesheetSheet(app, ShownQuery, Title, sheet, Progress);
}
