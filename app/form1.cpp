#include "app/form1.h"

#include "app/cards.h"
#include "app/datamodule.h"
#include "app/form23.h"
#include "app/legacyimport.h"
#include "app/longwork.h"
#include "app/lists.h"
#include "app/recordcard.h"
#include "app/recorddelete.h"
#include "app/roles.h"
#include "app/timesheetdata.h"
#include "app/timesheets.h"
#include "platform/ado/pgclient.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <utility>

TForm1* Form1 = nullptr;

bool IsWeekendDay(TDateTime Day) {
    const Word d = DayOfWeek(Day);
    return d == 1 || d == 7;  // Sunday, Saturday
}

bool IsAcceptedText(const String& Ok) { return Ok == u"ok" || Ok == u"да"; }

String ToggledAcceptance(const String& Ok) { return IsAcceptedText(Ok) ? QStringLiteral("no") : QStringLiteral("ok"); }

TReportPeriod PreviousMonthPeriod(TDateTime Today) {
    const int m = MonthOf(Today), y = YearOf(Today);
    TReportPeriod p;
    p.From = m == 1 ? EncodeDate(y - 1, 12, 1) : EncodeDate(y, m - 1, 1);
    p.To = EncodeDate(y, m, 1);
    return p;
}

void ReopenKeepingRecNo(TDataSet* DataSet) {
    const int recNo = DataSet->Active() ? DataSet->RecNo() : 0;
    DataSet->Close();
    DataSet->Open();
    if (recNo > 0 && !DataSet->IsEmpty()) DataSet->SetRecNo(std::min(recNo, DataSet->RecordCount()));
}

namespace {

// The hourglass while a block runs.
class THourGlass {
public:
    THourGlass() { Screen->SetCursor(crHourGlass); }
    ~THourGlass() { Screen->SetCursor(crDefault); }
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;
};


}  // namespace

// ================================================================================================

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {}

void TForm1::AfterConstruction() {
    BuildLayout();
    WireCommands();
    OnCreate = TNotifyEvent(this, &TForm1::FormCreate);
    OnActivate = TNotifyEvent(this, &TForm1::FormActivate);
    inherited::AfterConstruction();
}

void TForm1::BuildLayout() {
    SetName(QStringLiteral("Form1"));
    SetCaption(QStringLiteral("Табель"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetClientWidth(1284);
    SetClientHeight(585);

    // The data module does not exist yet: the sources are bound in FormCreate. They
    // come first, so they go after the grid that shows them.
    TDataSource** sources[] = {&DataSource1, &DataSource2, &DataSource3, &DataSource4};
    for (int s = 1; s <= 4; ++s) {
        TDataSource* ds = New<TDataSource>(this);
        ds->SetName(QStringLiteral("DataSource%1").arg(s));
        *sources[s - 1] = ds;
    }

    RadioButton1 = NewControl<TRadioButton>(this, this, "RadioButton1", 8, 8, 110, 24);
    RadioButton1->SetCaption(QStringLiteral("Смена №1"));
    RadioButton2 = NewControl<TRadioButton>(this, this, "RadioButton2", 126, 8, 110, 24);
    RadioButton2->SetCaption(QStringLiteral("Смена №2"));
    RadioButton3 = NewControl<TRadioButton>(this, this, "RadioButton3", 244, 8, 110, 24);
    RadioButton3->SetCaption(QStringLiteral("Смена №3"));
    RadioButton4 = NewControl<TRadioButton>(this, this, "RadioButton4", 362, 8, 120, 24);
    RadioButton4->SetCaption(QStringLiteral("Переработка"));
    for (TRadioButton* b : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) {
        b->SetParentColor(false);
        b->SetParentFont(false);
        b->SetColor(clBtnFace);
    }
    // The layout's state: shift 1 checked, green and bold.
    RadioButton1->SetChecked(true);
    RadioButton1->SetColor(ShiftColor);
    RadioButton1->Font()->SetStyle({fsBold});
    RadioButton1->OnClick = TNotifyEvent(this, &TForm1::RadioButton1Click);
    RadioButton2->OnClick = TNotifyEvent(this, &TForm1::RadioButton2Click);
    RadioButton3->OnClick = TNotifyEvent(this, &TForm1::RadioButton3Click);
    RadioButton4->OnClick = TNotifyEvent(this, &TForm1::RadioButton4Click);

    DateT = NewControl<TDateTimePicker>(this, this, "DateT", 500, 8, 120, 24);
    DateT->OnCloseUp = TNotifyEvent(this, &TForm1::DateTChange);
    DateT->OnKeyPress = TKeyPressEvent(this, &TForm1::DateTKeyPress);

    CBox1 = NewControl<TCheckBox>(this, this, "CBox1", 640, 8, 100, 24);
    CBox1->SetCaption(QStringLiteral("Выходной"));
    CBox1->SetParentColor(false);
    CBox1->SetParentFont(false);
    CBox1->SetColor(clBtnFace);
    CBox1->Font()->SetColor(clBlack);
    CBox1->OnClick = TNotifyEvent(this, &TForm1::CBox1Click);

    DBGrid2 = NewControl<TDBGrid>(this, this, "DBGrid2", 8, 40, 1268, 501);
    // Records change only through the record commands, which keep the timesheet: the grid
    // neither edits nor deletes (no keyboard deletion).
    DBGrid2->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid2->SetReadOnly(true);
    DBGrid2->OnDblClick = TNotifyEvent(this, &TForm1::DBGrid2DblClick);
    DBGrid2->OnMouseDown = TMouseEvent(this, &TForm1::DBGrid2MouseDown);
    DBGrid2->OnDrawColumnCell = TDrawColumnCellEvent(this, &TForm1::DBGrid2DrawColumnCell);
    struct TColumnLayout {
        const char* Field;
        const char* Title;
        int Width;  // 0: the default
        bool Centred;
        bool Visible;
    } const columns[] = {
        {"fio", "Фамилия И.О.", 250, false, true}, {"marka", "Марка изделия", 260, false, true},
        {"vid", "Операция", 155, false, true},     {"nmn", "Вид", 157, false, true},
        {"color", "Цвет", 0, true, true},          {"time", "Часы", 0, false, true},
        {"kol_vo", "Кол-во", 57, false, true},     {"brak", "Брак", 49, false, true},
        {"summa", "Итого (р.)", 78, false, true},  {"prize", "Премия (%)", 0, false, false},
        {"ok", "OK", 37, true, true},              {"vvod", "Заведен", 72, true, true},
    };
    for (const auto& c : columns) {
        TColumn* col = DBGrid2->Columns()->Add();
        col->SetFieldName(QString::fromLatin1(c.Field));
        col->Title()->SetCaption(QString::fromUtf8(c.Title));
        col->Title()->SetAlignment(taCenter);
        col->Title()->Font()->SetStyle({fsBold});
        if (c.Width) col->SetWidth(c.Width);
        if (c.Centred) col->SetAlignment(taCenter);
        col->SetVisible(c.Visible);
    }

    const int bottom = 549;
    Button1 = NewControl<TButton>(this, this, "Button1", 8, bottom, 110, 28);
    Button1->SetCaption(QStringLiteral("Добавить"));
    Button2 = NewControl<TButton>(this, this, "Button2", 126, bottom, 110, 28);
    Button2->SetCaption(QStringLiteral("Изменить"));
    Button3 = NewControl<TButton>(this, this, "Button3", 244, bottom, 110, 28);
    Button3->SetCaption(QStringLiteral("Удалить"));
    Button8 = NewControl<TButton>(this, this, "Button8", 362, bottom, 110, 28);
    Button8->SetCaption(QStringLiteral("Обновить"));
    Button8->OnClick = TNotifyEvent(this, &TForm1::Button8Click);
    Button5 = NewControl<TButton>(this, this, "Button5", 480, bottom, 160, 28);
    Button5->SetCaption(QStringLiteral("Ср.сд./хоз. работы"));
    Button4 = NewControl<TButton>(this, this, "Button4", 1166, bottom, 110, 28);
    Button4->SetCaption(QStringLiteral("Выход"));
    Button4->SetCancel(true);
    Button4->OnClick = TNotifyEvent(this, &TForm1::Button4Click);

    Label1 = NewControl<TLabel>(this, this, "Label1", 660, bottom + 6, 200, 16);
    Label1->SetVisible(false);

    Timer1 = New<TTimer>(this);
    Timer1->SetName(QStringLiteral("Timer1"));
    Timer1->SetInterval(30000);
    Timer1->OnTimer = TNotifyEvent(this, &TForm1::Timer1Timer);

    DBGrid2->SetDataSource(DataSource1);

    updtOK = New<TADOCommand>(this);
    updtOK->SetName(QStringLiteral("updtOK"));
    ver = New<TADOTable>(this);
    ver->SetName(QStringLiteral("ver"));
    ver->SetTableName(QStringLiteral("accounts_dep.ver"));
    PGSQL = New<TADOConnection>(this);
    PGSQL->SetName(QStringLiteral("PGSQL"));
    PGSQL->SetConnectionString(LegacyTargetConnectionString);
    PGSQL->SetLoginPrompt(false);
    MSA = New<TADOConnection>(this);
    MSA->SetName(QStringLiteral("MSA"));
    MSA->SetConnectionString(LegacySourceConnectionString);
    MSA->SetLoginPrompt(false);

    BuildMenus();
}

void TForm1::BuildMenus() {
    MainMenu1 = New<TMainMenu>(this);
    MainMenu1->SetName(QStringLiteral("MainMenu1"));
    auto item = [this](TMenuItem* Parent, const char* Name, const String& Caption) {
        TMenuItem* m = New<TMenuItem>(this);
        m->SetName(QString::fromLatin1(Name));
        m->SetCaption(Caption);
        Parent->Add(m);
        return m;
    };
    TMenuItem* root = MainMenu1->Items();
    N2 = item(root, "N2", QStringLiteral("Справочники"));
    N1 = item(N2, "N1", QStringLiteral("Рабочие"));
    N3 = item(N2, "N3", QStringLiteral("Изделия"));
    N4 = item(N2, "N4", QStringLiteral("Цены"));
    N6 = item(N2, "N6", QStringLiteral("Операции"));
    N8 = item(N2, "N8", QStringLiteral("Ном. группы"));
    N11 = item(root, "N11", QStringLiteral("Табель"));
    N9 = item(N11, "N9", QStringLiteral("Табель сделка"));
    N13 = item(N11, "N13", QStringLiteral("Табель по сменам"));
    N14 = item(N11, "N14", QStringLiteral("Табель хоз. работ"));
    N20 = item(N14, "N20", QStringLiteral("По людям"));
    N22 = item(N14, "N22", QStringLiteral("По номенклатуре"));
    N15 = item(N11, "N15", QStringLiteral("Табель ср. сдельная"));
    N18 = item(N15, "N18", QStringLiteral("По людям"));
    N19 = item(N15, "N19", QStringLiteral("По номенклатуре"));
    N17 = item(N11, "N17", QStringLiteral("Общий табель"));
    N23 = item(N11, "N23", QStringLiteral("Общий табель ЗП"));
    N7 = item(root, "N7", QStringLiteral("Отчеты"));
    N10 = item(N7, "N10", QStringLiteral("Сводные отчеты"));
    N5 = item(root, "N5", QStringLiteral("Выход"));
    N5->OnClick = TNotifyEvent(this, &TForm1::N5Click);
    N12 = item(root, "N12", QStringLiteral("Импорт"));
    N12->SetVisible(false);
    N16 = item(root, "N16", QStringLiteral("Структура БД"));
    N16->SetVisible(false);
    SetMenu(MainMenu1);

    PopupMenu1 = New<TCustomPopupMenu>(this);
    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
    N21 = item(PopupMenu1->Items(), "N21", QStringLiteral("Копия"));
    Button1->SetPopupMenu(PopupMenu1);
}

TDataSource* TForm1::ShiftDataSource(int Shift) const {
    switch (Shift) {
    case 2: return DataSource2;
    case 3: return DataSource3;
    case 4: return DataSource4;
    default: return DataSource1;
    }
}

TRadioButton* TForm1::ShiftButton(int Shift) const {
    switch (Shift) {
    case 2: return RadioButton2;
    case 3: return RadioButton3;
    case 4: return RadioButton4;
    default: return RadioButton1;
    }
}

// ---- creation ----------------------------------------------------------------------------------

void TForm1::FormCreate(TObject*) {
    Application->CreateForm(DataModule6);
    for (int s = 1; s <= 4; ++s) ShiftDataSource(s)->SetDataSet(DataModule6->ShiftQuery(s));
    updtOK->SetConnection(DataModule6->ADO_DB);
    updtOK->SetCommandText(QStringLiteral("update accounts_dep.smena set ok=:ok where id=:id"));
    updtOK->Parameters()->ParamByName(QStringLiteral("ok"))->SetDataType(ftString);
    updtOK->Parameters()->ParamByName(QStringLiteral("id"))->SetDataType(ftInteger);
    ver->SetConnection(DataModule6->ADO_DB);
    Timer1->SetEnabled(true);

    const String dbName = CommandLineArgument(1);
    const String server = CommandLineArgument(2);
    try {
        DataModule6->ADO_DB->SetConnected(false);
        DataModule6->ADO_DB->SetConnectionString(SdelkaConnectionString(dbName, server));
        DataModule6->ADO_DB->SetConnected(true);
        Application->CreateForm(Form23);
    } catch (...) {
        MessageBox(nullptr, QStringLiteral("Подключение к БД отсутсвует!!!"), QStringLiteral("Ошибка!"),
                   MB_OK | MB_ICONERROR);
        Application->Terminate();
        Close();
    }
}

// ---- the working date and the shift ------------------------------------------------------------

void TForm1::OpenShiftQueries() {
    const Variant day = VarFromDateTime(DateT->Date());
    for (int s = 1; s <= 4; ++s) {
        TADOQuery* q = DataModule6->ShiftQuery(s);
        q->Parameters()->ParamByName(QStringLiteral("data"))->SetValue(day);
        q->Open();
    }
}

void TForm1::FormActivate(TObject*) {
    DateT->SetDate(Date());
    if (IsWeekendDay(DateT->Date())) CBox1->SetChecked(true);
    for (int s = 1; s <= 4; ++s) {
        TADOQuery* q = DataModule6->ShiftQuery(s);
        q->Close();
        q->SetFiltered(false);
    }
    OpenShiftQueries();
}

void TForm1::DateTChange(TObject*) {
    {
        THourGlass hourGlass;
        for (int s = 1; s <= 4; ++s) DataModule6->ShiftQuery(s)->Close();
        OpenShiftQueries();
        CBox1->SetChecked(IsWeekendDay(DateT->Date()));
    }
    if (DBGrid2->CanFocus()) DBGrid2->SetFocus();
}

void TForm1::DateTKeyPress(TObject* Sender, Char& Key) {
    if (Key == QChar(13)) DateTChange(Sender);
}

void TForm1::ShiftChosen(TRadioButton* Button, int Shift) {
    if (!Button->Checked()) return;
    DBGrid2->SetDataSource(ShiftDataSource(Shift));
    for (int s = 1; s <= 4; ++s) {
        TRadioButton* b = ShiftButton(s);
        b->SetColor(s == Shift ? ShiftColor : clBtnFace);
        b->Font()->SetStyle(s == Shift ? TFontStyles{fsBold} : TFontStyles{});
    }
    CurrentShift = Shift;
}

void TForm1::RadioButton1Click(TObject*) { ShiftChosen(RadioButton1, 1); }
void TForm1::RadioButton2Click(TObject*) { ShiftChosen(RadioButton2, 2); }
void TForm1::RadioButton3Click(TObject*) { ShiftChosen(RadioButton3, 3); }
void TForm1::RadioButton4Click(TObject*) { ShiftChosen(RadioButton4, 4); }

void TForm1::CBox1Click(TObject*) {
    const bool on = CBox1->Checked();
    CBox1->SetColor(on ? WeekendColor : clBtnFace);
    CBox1->Font()->SetStyle(on ? TFontStyles{fsBold} : TFontStyles{});
}

void TForm1::Button8Click(TObject*) {
    THourGlass hourGlass;
    // the lists are read for the date shown, which may have been typed without Enter; a new date
    // sets the weekend flag as a date picked does, an unchanged one leaves the flag as it is
    const Variant shown = DataModule6->ShiftQuery(1)->Parameters()->ParamByName(QStringLiteral("data"))->Value();
    const bool newDate = VarIsNullish(shown) || shown.AsDateTime() != DateT->Date();
    for (int s = 1; s <= 4; ++s) DataModule6->ShiftQuery(s)->Close();
    OpenShiftQueries();
    if (newDate) CBox1->SetChecked(IsWeekendDay(DateT->Date()));
}

void TForm1::Button4Click(TObject*) { Close(); }
void TForm1::N5Click(TObject*) { Close(); }

// ---- record commands ---------------------------------------------------------------------------

void TForm1::WireCommands() {
    Button1->OnClick = TNotifyEvent(this, &TForm1::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm1::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm1::Button3Click);
    Button5->OnClick = TNotifyEvent(this, &TForm1::Button5Click);
    N21->OnClick = TNotifyEvent(this, &TForm1::N21Click);
    const std::pair<TMenuItem*, void (TForm1::*)(TObject*)> items[] = {
        {N1, &TForm1::N1Click},   {N3, &TForm1::N3Click},   {N4, &TForm1::N4Click},   {N6, &TForm1::N6Click},
        {N8, &TForm1::N8Click},   {N9, &TForm1::N9Click},   {N13, &TForm1::N13Click}, {N20, &TForm1::N20Click},
        {N22, &TForm1::N22Click}, {N18, &TForm1::N18Click}, {N19, &TForm1::N19Click}, {N17, &TForm1::N17Click},
        {N23, &TForm1::N23Click}, {N10, &TForm1::N10Click}, {N12, &TForm1::N12Click}, {N16, &TForm1::N16Click}};
    for (const auto& [item, handler] : items) item->OnClick = TNotifyEvent(this, handler);
}

void TForm1::Button1Click(TObject*) {
    if (!Button1->Enabled()) return;
    CurrentShiftQuery = DataModule6->ShiftQuery(CurrentShift);
    Form11->DTimeP->SetDate(DateT->Date());
    Form11->Edit1->Clear();
    Form11->Edit2->Clear();
    Form11->Edit3->Clear();
    Form11->Edit5->Clear();
    Form11->Edit4->SetText(QStringLiteral("0"));
    Form11->Edit6->SetText(QStringLiteral("0"));
    Form11->person->Close();
    Form11->SetCaption(QStringLiteral("Заведение новой позиции (11)"));
    Form11->SetTag(1);
    Form11->RecordKey = 0;
    // the card's save refreshes the shift's list itself; the date and the shift stay
    Form11->ShowModal();
}

void TForm1::EditCurrentRecord() {
    CurrentShiftQuery = DataModule6->ShiftQuery(CurrentShift);
    TADOQuery* q = CurrentShiftQuery;
    if (!q->Active() || q->IsEmpty()) return;
    const int recNo = q->RecNo();
    auto field = [q](const char* Name) { return q->FieldByName(QString::fromLatin1(Name)); };

    Form11->SetCaption(QStringLiteral("Изменение данных о позиции (11)"));
    if (Form11->Tag() != 3) Form11->SetTag(2);
    Form11->Price = field("cena")->AsFloat();
    Form11->Edit7->SetText(CardNumberText(Form11->Price));
    Form11->Edit9->SetText(CardNumberText(field("kol_vo")->AsFloat() * Form11->Price));
    Form11->DTimeP->SetDate(DateOf(field("data")->AsDateTime()));
    Form11->Edit1->SetText(field("fio")->AsString());
    const String kind = field("vid")->AsString();
    Form11->Edit2->SetText(OperationText(field("marka")->AsString(), kind, field("naimen")->AsInteger()));
    Form11->Edit3->SetText(IntToStr(field("kol_vo")->AsInteger()));
    Form11->Edit4->SetText(IntToStr(field("brak")->AsInteger()));
    Form11->WorkerId = field("w_id")->AsInteger();
    Form11->ProductId = field("i_id")->AsInteger();
    Form11->OperationId = field("o_id")->AsInteger();
    Form11->Edit6->SetText(IntToStr(field("time")->AsInteger()));
    const bool paint = IsPaintOperation(kind);
    if (paint) Form11->Edit5->SetText(field("color")->AsString());
    else Form11->Edit5->Clear();
    Form11->Edit5->SetEnabled(paint);
    Form11->Label6->SetEnabled(paint);

    Form11->ShowModal();
    // back to the remembered row of the list as the card's save left it
    if (q->Active() && !q->IsEmpty() && recNo > 0) q->SetRecNo(std::min(recNo, q->RecordCount()));
}

void TForm1::Button2Click(TObject*) {
    if (!Button2->Enabled()) return;
    EditCurrentRecord();
}

void TForm1::N21Click(TObject*) {
    if (!N21->Enabled()) return;
    Form11->SetTag(3);
    // the copy is filled as an edit, whether "Изменить" is on for the role or not
    try {
        EditCurrentRecord();
    } catch (...) {
        Form11->SetTag(0);
        throw;
    }
    Form11->SetTag(0);
}

void TForm1::Button3Click(TObject*) {
    if (!Button3->Enabled()) return;
    TADOQuery* q = DataModule6->ShiftQuery(CurrentShift);
    if (!q->Active() || q->IsEmpty()) return;
    const String id = q->FieldByName(QStringLiteral("id"))->AsString();
    if (id.isEmpty()) return;
    if (MessageBox(Handle(), DeleteRecordQuestion, DeleteRecordCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    try {
        // the record, its helper rows still pending and the worker's day cell go together or not at all
        DeleteProductionRecord(DataModule6->ADO_DB, StrToInt(id));
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    q->Close();
    q->Open();
}

void TForm1::Button5Click(TObject*) {
    if (!Button5->Enabled()) return;
    Form25->DTPcker1->SetDate(DateT->Date());
    Form25->ShowModal();
}

// ---- main menu ---------------------------------------------------------------------------------

void TForm1::N1Click(TObject*) { Form5->ShowDirectory(); }
void TForm1::N3Click(TObject*) { Form3->ShowDirectory(); }
void TForm1::N4Click(TObject*) { Form4->ShowDirectory(); }
void TForm1::N6Click(TObject*) { Form8->ShowDirectory(); }
void TForm1::N8Click(TObject*) { Form26->ShowDirectory(); }

void TForm1::ShowTimesheet(int Mode, const String& Caption, TADOQuery* Shown) {
    const TDateTime today = Date();  // the computer's date, not the working date
    TDBGridColumns* columns = Form27->DBGrid->Columns();
    TColumn* night = columns->Items(1);
    TColumn* rate = columns->Items(35);
    switch (Mode) {
    case tmPieceWork:
        Form27->SetNameColumnWidth(238);
        night->SetVisible(false);
        break;
    case tmTotal:
        Form27->SetNameColumnWidth(304);
        night->SetVisible(false);
        rate->SetVisible(false);
        break;
    default:
        Form27->SetNameColumnWidth(208);
        night->SetVisible(true);
        rate->SetVisible(true);
        break;
    }
    Form27->SetTag(Mode);
    Form27->SetCaption(Caption);
    Form27->ModeQuery = Shown;
    Form27->ComboBox1->SetItemIndex(MonthOf(today) - 1);
    Form27->q_year->Open();
    Form27->cb_year->SetKeyValue(static_cast<int>(YearOf(today)));
    struct TAfter {
        TADOQuery* Shown;
        TColumn* Night;
        TColumn* Rate;
        ~TAfter() {
            Form27->SetNameColumnWidth(208);
            Night->SetVisible(true);
            Rate->SetVisible(true);
            try {
                Shown->Close();
                Form27->q_year->Close();
            } catch (const Exception&) {
                // closing a query that failed to open
            }
        }
    } after{Shown, night, rate};
    Form27->ComboBox1Change(Form27->ComboBox1);
    Form27->ShowModal();
}

void TForm1::ShowGroupTimesheet(int Mode, const String& Caption, TADOQuery* Shown) {
    const TDateTime today = Date();
    Form31->SetTag(Mode);
    Form31->SetCaption(Caption);
    Form31->SetShownQuery(Shown);
    ShowMonthByGroup(Form31, today);
}

// The windows by nomenclature group open on today's month with the day/night column narrowed;
// afterwards their query, table and year list are closed.
void TForm1::ShowMonthByGroup(TNomGroupForm* Form, TDateTime Today) {
    Form->ComboBox1->SetItemIndex(MonthOf(Today) - 1);
    Form->q_year->Open();
    Form->cb_year->SetKeyValue(static_cast<int>(YearOf(Today)));
    struct TAfter {
        TNomGroupForm* Form;
        ~TAfter() {
            try {
                Form->CloseMonth();
                Form->q_year->Close();
            } catch (const Exception&) {
                // closing a query that failed to open
            }
        }
    } after{Form};
    Form->ComboBox1Change(Form->ComboBox1);
    Form->SetColumnWidth(2, 50);
    Form->ShowModal();
}

void TForm1::N9Click(TObject*) { ShowTimesheet(tmPieceWork, QStringLiteral("Табель сделка (27)"), Form27->H_Dizuv0); }
void TForm1::N17Click(TObject*) { ShowTimesheet(tmTotal, QStringLiteral("Общий табель (27)"), Form27->H_Dizuv_all); }
void TForm1::N18Click(TObject*) {
    ShowTimesheet(tmAverageRate, QStringLiteral("Табель ср. сдельная (27)"), Form27->H_Dizuv7778);
}
void TForm1::N20Click(TObject*) {
    ShowTimesheet(tmAuxiliary, QStringLiteral("Табель хоз. работы (27)"), Form27->H_Dizuv7777);
}
void TForm1::N22Click(TObject*) {
    ShowGroupTimesheet(7777, QStringLiteral("Табель по ном. гр. хоз. работы (31)"), Form31->H_Dizuv_7777);
}
void TForm1::N19Click(TObject*) {
    ShowGroupTimesheet(7778, QStringLiteral("Табель по ном. гр. ср. сдельная (31)"), Form31->H_Dizuv_7778);
}

void TForm1::N13Click(TObject*) {
    // the month of the working date, not of today
    const TDateTime day = DateT->Date();
    Form19->ComboBox1->SetItemIndex(MonthOf(day) - 1);
    // the list's entry of that year; the search ends at the end of the list, and a year the list
    // does not hold leaves it on its last year
    TStrings* years = Form19->ComboBox2->Items();
    const String year = IntToStr(YearOf(day));
    int index = 0;
    while (index < years->Count() - 1 && years->Strings(index) != year) ++index;
    Form19->ComboBox2->SetItemIndex(years->Count() > 0 ? index : -1);
    struct TAfter {
        ~TAfter() {
            try {
                for (TADOQuery* q : {DataModule6->H_Dizuv_1, DataModule6->H_Dizuv_2, DataModule6->H_Dizuv_3}) q->Close();
            } catch (const Exception&) {
                // closing a query that failed to open
            }
        }
    } after;
    Form19->ComboBox1Change(Form19->ComboBox1);
    Form19->ShowModal();
}

void TForm1::N23Click(TObject*) { ShowMonthByGroup(Form30, Date()); }

void TForm1::N10Click(TObject*) {
    const TReportPeriod period = PreviousMonthPeriod(Date());
    Form18->DTPicker1->SetDate(period.From);
    Form18->DTPicker2->SetDate(period.To);
    Form18->ShowModal();
}

// ---- hidden maintenance items ------------------------------------------------------------------

void TForm1::N12Click(TObject*) {
    try {
        PGSQL->SetConnected(true);
        MSA->SetConnected(true);
        ImportLegacyData(MSA, PGSQL, [this](const String& Table, int Count, int Total) {
            Label1->SetCaption(QStringLiteral("%1: %2 из %3 записей").arg(Table).arg(Count).arg(Total));
            // painted at once: no other event runs inside a step's transaction
            Label1->Update();
        });
    } catch (const ELegacyImportError& E) {
        // the steps before the failing one stay done: the message says which table stayed as it was
        MessageBox(nullptr, E.Message(), QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
    } catch (...) {
        // no connection: nothing was written
        Application->HandleException(this);
    }
    MSA->Close();
    PGSQL->Close();
}

// The maintenance statement this item once ran named an alias it never declared and was always
// refused by the server; the item stays, without effect.
void TForm1::N16Click(TObject*) {}

// ---- acceptance --------------------------------------------------------------------------------

void TForm1::DBGrid2MouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    FPressOnRow = DBGrid2->MouseCoord(X, Y).Y >= DBGrid2->TitleOffset();
}

void TForm1::DBGrid2DblClick(TObject*) {
    if (!FPressOnRow || !DBGrid2->Enabled() || LoginWord == ForemenWord) return;
    CurrentShiftQuery = DataModule6->ShiftQuery(CurrentShift);
    TADOQuery* q = CurrentShiftQuery;
    if (!q->Active() || q->IsEmpty()) return;
    const String ok = q->FieldByName(QStringLiteral("ok"))->AsString();
    updtOK->Parameters()->ParamByName(QStringLiteral("id"))->SetValue(q->FieldByName(QStringLiteral("id"))->AsInteger());
    updtOK->Parameters()->ParamByName(QStringLiteral("ok"))->SetValue(ToggledAcceptance(ok));
    updtOK->Execute();
    ReopenKeepingRecNo(q);
}

void TForm1::DBGrid2DrawColumnCell(TObject*, const TRect& Rect, int DataCol, TColumn* Column,
                                   TGridDrawState State) {
    TField* field = Column->Field();
    if (field && field->FieldName() == u"ok") {
        TCanvas* canvas = DBGrid2->Canvas();
        canvas->Font()->SetStyle({fsBold});
        canvas->Font()->SetColor(AcceptanceColor(field->AsString()));
        canvas->FillRect(Rect);
    }
    DBGrid2->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

// ---- build stamp -------------------------------------------------------------------------------

void TForm1::Timer1Timer(TObject*) {
    // The check runs beside the user's work: it does not queue behind a statement the window is
    // waiting for, and while the server is away it says so once, not every 30 s.
    if (PgStatementRunning()) return;
    static bool serverAway = false;
    try {
        CheckBuildStamp();
        serverAway = false;
    } catch (const EPgError& E) {
        if (!E.ConnectionLost()) throw;
        if (serverAway) return;
        serverAway = true;
        throw;
    }
}

void CheckBuildStamp() { CheckBuildStamp(BuildDateText(), BuildTimeText()); }

void CheckBuildStamp(const char* DateText, const char* TimeText) {
    // The refusal's message box runs a loop in which the timer ticks on: one check at a time.
    static bool checking = false;
    // nor while long work has the connection
    if (checking || !Form1 || !DataModule6 || LongWorkRunning()) return;
    checking = true;
    struct TReset {
        ~TReset() { checking = false; }
    } reset;

    const TBuildStamp build = BuildStampOf(DateText, TimeText);
    Form1->BuildDate = build.Date;
    Form1->BuildSeconds = build.Seconds;

    TADOTable* ver = Form1->ver;
    ver->Open();
    try {
        ver->First();
        TField* d = ver->FieldByName(QStringLiteral("d"));
        TField* t = ver->FieldByName(QStringLiteral("t"));
        DataModule6->SqlDecimalSeparator = ver->FieldByName(QStringLiteral("delim"))->AsString();
        auto row = [&] { return TBuildStamp{d->AsInteger(), t->AsInteger()}; };
        if (CompareBuildStamps(row(), build) < 0) {
            if (ver->IsEmpty()) ver->Insert();
            else ver->Edit();
            d->SetAsInteger(build.Date);
            t->SetAsInteger(build.Seconds);
            ver->Post();
        }
        if (CompareBuildStamps(build, row()) < 0) {
            if (Form23) Form23->Timer1->SetEnabled(true);
            MessageBox(nullptr,
                       QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."),
                       QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
            Application->Terminate();
        }
    } catch (...) {
        if (ver->State() == dsEdit || ver->State() == dsInsert) ver->Cancel();
        ver->Close();
        throw;
    }
    ver->Close();
}
