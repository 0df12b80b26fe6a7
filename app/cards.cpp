#include "app/cards.h"

#include "app/auxwork.h"
#include "app/datamodule.h"
#include "app/form1.h"
#include "app/lists.h"
#include "app/pickers.h"
#include "app/recordcard.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

TForm24* Form24 = nullptr;
TForm25* Form25 = nullptr;
TForm132* Form132 = nullptr;

namespace {

void ShowError(TForm* Form, const String& Text) {
    MessageBox(Form->Handle(), Text, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
}

TLabel* NewLabel(TComponent* Owner, TWinControl* Parent, const char* Name, const char* Caption, int Left, int Top,
                 int Width) {
    TLabel* l = NewControl<TLabel>(Owner, Parent, Name, Left, Top, Width, 20);
    l->SetCaption(QString::fromUtf8(Caption));
    return l;
}

// A single border without minimise and maximise buttons, centred on the desktop.
void SetUpFixedWindow(TForm* Form) {
    Form->SetBorderStyle(bsSingle);
    Form->SetBorderIcons({biSystemMenu});
    Form->SetPosition(poDesktopCenter);
}

}  // namespace

// ================================================================================================
// TForm24: the auxiliary-work card

void TForm24::AfterConstruction() {
    SetName(QStringLiteral("Form24"));
    SetCaption(QStringLiteral("Хоз. работы/среднесдельная (24)"));
    SetUpFixedWindow(this);
    SetClientWidth(470);
    SetClientHeight(200);

    type_work = New<TADOQuery>(this);
    type_work->SetName(QStringLiteral("type_work"));
    if (DataModule6) type_work->SetConnection(DataModule6->ADO_DB);
    type_work->SQL()->Add(QStringLiteral("select vo.id, vo.vid, n.price, (n.price*:cnt) as summ from "
                                         "accounts_dep.vid_oper vo,accounts_dep.norm n, accounts_dep.oper o "));
    type_work->SQL()->Add(QStringLiteral("where n.o_id =o.id and o.vid=vo.id and (vo.id = 7777 or vo.id = 7778)"));
    TParameter* cnt = type_work->Parameters()->ParamByName(QStringLiteral("cnt"));
    cnt->SetDataType(ftFloat);
    cnt->SetValue(0);
    DataSource1 = New<TDataSource>(this);
    DataSource1->SetName(QStringLiteral("DataSource1"));
    DataSource1->SetDataSet(type_work);

    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 454, 140);
    GroupBox1->SetCaption(QStringLiteral("Закрыто мастером"));
    NewLabel(this, GroupBox1, "Label1", "ФИО", 8, 22, 90);
    Edit1 = NewControl<TEdit>(this, GroupBox1, "Edit1", 100, 20, 306, 24);
    Edit1->SetReadOnly(true);
    Button3 = NewControl<TButton>(this, GroupBox1, "Button3", 412, 20, 30, 24);
    Button3->SetCaption(QStringLiteral("..."));
    Button3->OnClick = TNotifyEvent(this, &TForm24::Button3Click);
    NewLabel(this, GroupBox1, "Label2", "Номенклатура", 8, 52, 90);
    Edit2 = NewControl<TEdit>(this, GroupBox1, "Edit2", 100, 50, 306, 24);
    Edit2->SetReadOnly(true);
    Button4 = NewControl<TButton>(this, GroupBox1, "Button4", 412, 50, 30, 24);
    Button4->SetCaption(QStringLiteral("..."));
    Button4->OnClick = TNotifyEvent(this, &TForm24::Button4Click);

    // one row: kind, hours, price and sum
    cb_type_work = NewControl<TDBLookupComboBox>(this, GroupBox1, "cb_type_work", 8, 80, 120, 24);
    cb_type_work->SetListSource(DataSource1);
    cb_type_work->SetKeyField(QStringLiteral("id"));
    cb_type_work->SetListField(QStringLiteral("vid"));
    Edit6 = NewControl<TEdit>(this, GroupBox1, "Edit6", 132, 80, 40, 24);
    Edit6->SetText(QStringLiteral("0"));
    Edit6->OnKeyPress = TKeyPressEvent(this, &TForm24::Edit6KeyPress);
    Edit6->OnChange = TNotifyEvent(this, &TForm24::Edit6Exit);
    Edit6->OnExit = TNotifyEvent(this, &TForm24::Edit6Exit);
    Label8 = NewLabel(this, GroupBox1, "Label8", "ч.    Цена", 176, 82, 60);
    DBEdit1 = NewControl<TDBEdit>(this, GroupBox1, "DBEdit1", 238, 80, 60, 24);
    DBEdit1->SetDataSource(DataSource1);
    DBEdit1->SetDataField(QStringLiteral("price"));
    DBEdit1->SetEnabled(false);
    Label3 = NewLabel(this, GroupBox1, "Label3", "р.    Сумма", 302, 82, 70);
    DBEdit2 = NewControl<TDBEdit>(this, GroupBox1, "DBEdit2", 374, 80, 70, 24);
    DBEdit2->SetDataSource(DataSource1);
    DBEdit2->SetDataField(QStringLiteral("summ"));
    DBEdit2->SetEnabled(false);
    CBox1 = NewControl<TCheckBox>(this, GroupBox1, "CBox1", 8, 110, 120, 24);
    CBox1->SetCaption(QStringLiteral("Ночные"));

    Button1 = NewControl<TButton>(this, this, "Button1", 8, 160, 110, 30);
    Button1->SetCaption(QStringLiteral("Записать"));
    Button1->SetDefault(true);
    Button1->OnClick = TNotifyEvent(this, &TForm24::Button1Click);
    Button6 = NewControl<TButton>(this, this, "Button6", 352, 160, 110, 30);
    Button6->SetCaption(QStringLiteral("Выход"));
    Button6->SetCancel(true);
    Button6->SetModalResult(mrCancel);

    inherited::AfterConstruction();
}

int TForm24::Kind() const {
    const Variant& key = cb_type_work->KeyValue();
    return VarIsNull(key) || VarIsEmpty(key) ? 0 : key.AsInteger();
}

void TForm24::SetKind(int Kind) { cb_type_work->SetKeyValue(Kind); }

void TForm24::Button3Click(TObject*) { Form5->ShowPicker(pmAuxCard, PickInto(Edit1, &PersonId)); }

void TForm24::Button4Click(TObject*) { Form26->ShowPicker(PickInto(Edit2, &GroupId, false)); }

void TForm24::Edit6KeyPress(TObject*, Char& Key) {
    if (!DigitKeyAccepted(Key)) Key = Char(0);
}

void TForm24::Edit6Exit(TObject*) {
    // "Сумма" shows the kind's price times the hours entered
    if (!type_work->Active()) return;
    const int hours = StrToIntDef(Trim(Edit6->Text()), 0);
    TParameter* cnt = type_work->Parameters()->ParamByName(QStringLiteral("cnt"));
    if (!VarIsNull(cnt->Value()) && cnt->Value().AsInteger() == hours) return;
    const int kind = Kind();
    type_work->Close();
    cnt->SetValue(hours);
    type_work->Open();
    if (kind != 0) SetKind(kind);
}

void TForm24::Button1Click(TObject*) {
    if (GroupId == 0 || PersonId == 0) {
        ShowError(this, AuxNotFilledMessage);
        return;
    }
    // an empty or unreadable entry counts as no hours
    const int hours = StrToIntDef(Trim(Edit6->Text()), 0);
    if (hours < 1) {
        ShowError(this, AuxNoHoursMessage);
        return;
    }
    // the price of the chosen kind's norm; no kind or no norm price: the card is not filled
    const int kind = Kind();
    TField* price = nullptr;
    if (kind != 0 && type_work->Active() && type_work->Locate(QStringLiteral("id"), kind, {}))
        price = type_work->FieldByName(QStringLiteral("price"));
    if (!price || price->IsNull()) {
        ShowError(this, AuxNotFilledMessage);
        return;
    }
    TDataSet* list = Form25->fatigue;
    int editId = 0;
    if (Tag() != 0) {
        if (!list->Active() || list->IsEmpty()) {
            ShowError(this, AuxNotFilledMessage);
            return;
        }
        editId = list->FieldByName(QStringLiteral("id"))->AsInteger();
    }
    TAuxEntry entry;
    entry.GroupId = GroupId;
    entry.Kind = kind;
    entry.PersonId = PersonId;
    entry.Hours = hours;
    entry.Holiday = Form25->CBox1->Checked();
    entry.Night = CBox1->Checked();
    entry.Price = AuxHourPrice(price->AsFloat(), entry.Holiday, entry.Night);
    entry.Date = Form25->DTPcker1->Date();
    entry.Shift = Form25->ShiftNo;
    try {
        SaveAuxEntry(DataModule6->ADO_DB, entry, editId);
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    ReopenKeepingRecNo(list);
    Close();
}

// ================================================================================================
// TForm25: the day list

void TForm25::AfterConstruction() {
    SetName(QStringLiteral("Form25"));
    SetCaption(QStringLiteral("Хоз. работы (25)"));
    SetUpFixedWindow(this);
    SetClientWidth(760);
    SetClientHeight(420);

    fatigue = New<TADOQuery>(this);
    fatigue->SetName(QStringLiteral("fatigue"));
    if (DataModule6) fatigue->SetConnection(DataModule6->ADO_DB);
    fatigue->SQL()->Add(QStringLiteral(
        "select distinct vo.vid, p.fio, i.s_caption, (f.cnt*f.price) as summ,  f.*, case when f.i_holiday=0 then '' "
        "else '+' end as s_holiday, case when f.i_night=0 then '' else '+' end as s_night"));
    fatigue->SQL()->Add(QStringLiteral("from accounts_dep.fatigue f, cmn_classifier.item i, accounts_dep.person "
                                       "p,accounts_dep.vid_oper vo, accounts_dep.oper o "));
    fatigue->SQL()->Add(QStringLiteral("where f.id_nom =i.id and p.id=f.id_p and vo.id = f.id_o and o.i_id >=7777 "
                                       "and o.vid >=7777 and f.d_date = :d_date"));
    fatigue->SQL()->Add(QStringLiteral("order by p.fio, f.id"));
    fatigue->Parameters()->ParamByName(QStringLiteral("d_date"))->SetDataType(ftDate);
    DataSource1 = New<TDataSource>(this);
    DataSource1->SetName(QStringLiteral("DataSource1"));
    DataSource1->SetDataSet(fatigue);

    DBGrid1 = NewControl<TDBGrid>(this, this, "DBGrid1", 8, 8, 744, 330);
    DBGrid1->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetDataSource(DataSource1);
    struct TColumnLayout {
        const char* Field;
        const char* Title;
        int Width;
        bool Centred;
    } const columns[] = {{"fio", "ФИО", 200, false},         {"s_caption", "Номенклатура", 150, false},
                         {"vid", "Работа", 100, false},      {"price", "Цена", 60, false},
                         {"cnt", "Кол-во", 50, false},       {"summ", "Итого", 60, false},
                         {"s_holiday", "Вых.", 40, true},    {"s_night", "Ноч.", 40, true}};
    for (const auto& c : columns) {
        TColumn* col = DBGrid1->Columns()->Add();
        col->SetFieldName(QString::fromLatin1(c.Field));
        col->Title()->SetCaption(QString::fromUtf8(c.Title));
        col->SetWidth(c.Width);
        if (c.Centred) col->SetAlignment(taCenter);
    }
    DBGrid1->OnDblClick = TNotifyEvent(this, &TForm25::Button6Click);

    DTPcker1 = NewControl<TDateTimePicker>(this, this, "DTPcker1", 8, 346, 120, 24);
    DTPcker1->SetDate(Date());
    DTPcker1->OnChange = TNotifyEvent(this, &TForm25::DTPcker1Change);
    CBox1 = NewControl<TCheckBox>(this, this, "CBox1", 140, 346, 120, 24);
    CBox1->SetCaption(QStringLiteral("Выходной"));
    CBox1->OnClick = TNotifyEvent(this, &TForm25::CBox1Click);

    struct TButtonLayout {
        TButton** Button;
        const char* Name;
        const char* Caption;
        int Left;
        void (TForm25::*Handler)(TObject*);
    } const buttons[] = {{&Button5, "Button5", "Добавить", 8, &TForm25::Button5Click},
                         {&Button6, "Button6", "Изменить", 128, &TForm25::Button6Click},
                         {&Button7, "Button7", "Удалить", 248, &TForm25::Button7Click},
                         {&Button1, "Button1", "Расчитать ср.сд.", 408, &TForm25::Button1Click},
                         {&Button8, "Button8", "Выход", 642, &TForm25::Button4Click}};
    for (const auto& b : buttons) {
        *b.Button = NewControl<TButton>(this, this, b.Name, b.Left, 380, 110, 30);
        (*b.Button)->SetCaption(QString::fromUtf8(b.Caption));
        (*b.Button)->OnClick = TNotifyEvent(this, b.Handler);
    }
    Button1->SetWidth(130);
    Button8->SetCancel(true);

    OnActivate = TNotifyEvent(this, &TForm25::FormActivate);
    inherited::AfterConstruction();
}

void TForm25::OpenDay() {
    fatigue->Close();
    fatigue->Parameters()->ParamByName(QStringLiteral("d_date"))->SetValue(VarFromDateTime(DTPcker1->Date()));
    fatigue->Open();
}

void TForm25::FormActivate(TObject*) {
    fatigue->SetFiltered(false);
    OpenDay();
    ShiftNo = 1;
}

void TForm25::DTPcker1Change(TObject*) {
    CBox1->SetChecked(IsWeekendDay(DTPcker1->Date()));
    OpenDay();
}

void TForm25::CBox1Click(TObject*) {
    const bool on = CBox1->Checked();
    CBox1->SetColor(on ? clRed : clBtnFace);
    CBox1->Font()->SetStyle(on ? TFontStyles{fsBold} : TFontStyles{});
}

void TForm25::Button5Click(TObject*) {
    Form24->SetTag(0);
    Form24->type_work->Open();
    Form24->Edit1->Clear();
    Form24->Edit2->Clear();
    Form24->Edit6->SetText(QStringLiteral("0"));
    Form24->CBox1->SetChecked(false);
    Form24->GroupId = 0;
    Form24->PersonId = 0;
    Form24->SetKind(AuxWorkKind);
    Form24->CBox1->SetEnabled(true);
    Form24->ShowModal();
    Form24->type_work->Close();
}

void TForm25::Button6Click(TObject*) {
    // an empty list gives an empty card, whose save is refused
    auto field = [this](const char* Name) { return fatigue->FieldByName(QString::fromLatin1(Name)); };
    const bool row = fatigue->Active() && !fatigue->IsEmpty();
    Form24->SetTag(1);
    Form24->type_work->Open();
    Form24->Edit1->SetText(row ? field("fio")->AsString() : String());
    Form24->Edit2->SetText(row ? field("s_caption")->AsString() : String());
    Form24->Edit6->SetText(row ? field("cnt")->AsString() : String());
    Form24->GroupId = row ? field("id_nom")->AsInteger() : 0;
    Form24->PersonId = row ? field("id_p")->AsInteger() : 0;
    Form24->SetKind(row ? field("id_o")->AsInteger() : 0);
    Form24->CBox1->SetChecked(row && field("i_night")->AsInteger() != 0);
    Form24->CBox1->SetEnabled(false);
    Form24->ShowModal();
    Form24->type_work->Close();
}

void TForm25::Button7Click(TObject*) {
    if (!fatigue->Active() || fatigue->IsEmpty()) return;
    if (MessageBox(Handle(), QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"),
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    try {
        DeleteAuxEntry(DataModule6->ADO_DB, fatigue->FieldByName(QStringLiteral("id"))->AsInteger());
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    ReopenKeepingRecNo(fatigue);
}

void TForm25::Button1Click(TObject*) {
    const TDateTime day = DTPcker1->Date();
    try {
        RecomputeAveragePieceRate(DataModule6->ADO_DB, MonthOf(day), YearOf(day));
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    ReopenKeepingRecNo(fatigue);
}

void TForm25::Button4Click(TObject*) { Close(); }

// ================================================================================================
// TForm132: the hours dialog of a helper

void TForm132::AfterConstruction() {
    SetName(QStringLiteral("Form132"));
    SetCaption(QStringLiteral("Ввод данных (132)"));
    SetBorderStyle(bsDialog);
    SetPosition(poMainFormCenter);
    SetClientWidth(300);
    SetClientHeight(120);
    Label1 = NewControl<TLabel>(this, this, "Label1", 8, 8, 284, 20);
    Label1->Font()->SetStyle({fsBold});
    Label2 = NewLabel(this, this, "Label2", "Отработано (ч.)", 8, 40, 120);
    Edit1 = NewControl<TEdit>(this, this, "Edit1", 130, 38, 80, 24);
    Edit1->OnKeyPress = TKeyPressEvent(this, &TForm132::Edit1KeyPress);
    Button1 = NewControl<TButton>(this, this, "Button1", 8, 80, 110, 30);
    Button1->SetCaption(QStringLiteral("Запись"));
    Button1->SetDefault(true);
    Button1->SetModalResult(mrOk);
    Button1->OnClick = TNotifyEvent(this, &TForm132::Button1Click);
    Button2 = NewControl<TButton>(this, this, "Button2", 182, 80, 110, 30);
    Button2->SetCaption(QStringLiteral("Отмена"));
    Button2->SetCancel(true);
    Button2->SetModalResult(mrCancel);
    inherited::AfterConstruction();
}

void TForm132::Edit1KeyPress(TObject*, Char& Key) {
    if (!DigitKeyAccepted(Key)) Key = Char(0);
}

int TForm132::Hours() const { return StrToIntDef(Trim(Edit1->Text()), 0); }

void TForm132::Button1Click(TObject*) {
    SetModalResult(mrOk);
    // no hours (also an empty entry): no helper is added
    if (Hours() <= 0) {
        ShowError(this, QStringLiteral("Значение должно быть больше 0!"));
        SetModalResult(mrCancel);
    }
}
