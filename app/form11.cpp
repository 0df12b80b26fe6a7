#include "app/form11.h"

#include "app/datamodule.h"
#include "app/form1.h"
#include "app/helperpay.h"
#include "app/lists.h"
#include "app/recordcard.h"
#include "app/recordsave.h"
#include "app/sqlrun.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/sysutils.h"

TForm11* Form11 = nullptr;

void TForm11::AfterConstruction() {
    SetName(QStringLiteral("Form11"));
    SetBorderStyle(bsDialog);
    SetPosition(poMainFormCenter);
    SetClientWidth(720);
    SetClientHeight(300);

    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 370, 240);
    GroupBox1->SetCaption(QStringLiteral("Закрыто мастером"));
    struct TLabelLayout {
        const char* Name;
        const char* Caption;
        int Left, Top;
    } const labels[] = {{"Label1", "ФИО", 8, 22},        {"Label2", "Операция", 8, 52},  {"Label3", "Кол-во", 8, 82},
                        {"Label4", "Время", 190, 82},    {"Label6", "Цвет", 8, 112},     {"Label5", "Дата", 190, 112},
                        {"Label7", "Брак", 8, 142},      {"Label8", "Цена база", 8, 172}, {"Label9", "Цена итог", 190, 172},
                        {"Label10", "Сумма", 8, 202}};
    for (const auto& l : labels) {
        TLabel* label = NewControl<TLabel>(this, GroupBox1, l.Name, l.Left, l.Top, 70, 20);
        label->SetCaption(QString::fromUtf8(l.Caption));
        if (std::string(l.Name) == "Label6") Label6 = label;
    }
    Edit1 = NewControl<TEdit>(this, GroupBox1, "Edit1", 80, 20, 244, 24);
    Edit1->SetReadOnly(true);
    Edit1->SetTabStop(false);
    Edit1->OnClick = TNotifyEvent(this, &TForm11::Button3Click);
    Button3 = NewControl<TButton>(this, GroupBox1, "Button3", 330, 20, 30, 24);
    Button3->SetCaption(QStringLiteral("..."));
    Button3->OnClick = TNotifyEvent(this, &TForm11::Button3Click);
    Edit2 = NewControl<TEdit>(this, GroupBox1, "Edit2", 80, 50, 244, 24);
    Edit2->SetReadOnly(true);
    Edit2->SetTabStop(false);
    Edit2->OnClick = TNotifyEvent(this, &TForm11::Button4Click);
    Button4 = NewControl<TButton>(this, GroupBox1, "Button4", 330, 50, 30, 24);
    Button4->SetCaption(QStringLiteral("..."));
    Button4->OnClick = TNotifyEvent(this, &TForm11::Button4Click);
    Edit3 = NewControl<TEdit>(this, GroupBox1, "Edit3", 80, 80, 100, 24);
    Edit3->OnKeyPress = TKeyPressEvent(this, &TForm11::Edit3KeyPress);
    Edit3->OnExit = TNotifyEvent(this, &TForm11::Edit6Exit);
    Edit6 = NewControl<TEdit>(this, GroupBox1, "Edit6", 260, 80, 100, 24);
    Edit6->SetText(QStringLiteral("0"));
    Edit6->OnKeyPress = TKeyPressEvent(this, &TForm11::Edit4KeyPress);
    Edit6->OnExit = TNotifyEvent(this, &TForm11::Edit6Exit);
    Edit5 = NewControl<TEdit>(this, GroupBox1, "Edit5", 80, 110, 100, 24);
    Edit5->OnKeyPress = TKeyPressEvent(this, &TForm11::Edit3KeyPress);
    DTimeP = NewControl<TDateTimePicker>(this, GroupBox1, "DTimeP", 260, 110, 100, 24);
    Edit4 = NewControl<TEdit>(this, GroupBox1, "Edit4", 80, 140, 100, 24);
    Edit4->SetText(QStringLiteral("0"));
    Edit4->OnKeyPress = TKeyPressEvent(this, &TForm11::Edit4KeyPress);
    Edit8 = NewControl<TEdit>(this, GroupBox1, "Edit8", 80, 170, 100, 24);
    Edit8->SetReadOnly(true);
    Edit7 = NewControl<TEdit>(this, GroupBox1, "Edit7", 260, 170, 100, 24);
    Edit7->SetReadOnly(true);
    Edit9 = NewControl<TEdit>(this, GroupBox1, "Edit9", 80, 200, 100, 24);
    Edit9->SetReadOnly(true);

    Button1 = NewControl<TButton>(this, this, "Button1", 8, 260, 110, 30);
    Button1->SetCaption(QStringLiteral("Запись"));
    Button1->SetDefault(true);
    Button1->OnClick = TNotifyEvent(this, &TForm11::Button1Click);
    Button8 = NewControl<TButton>(this, this, "Button8", 128, 260, 110, 30);
    Button8->SetCaption(QStringLiteral("Новый"));
    Button8->OnClick = TNotifyEvent(this, &TForm11::Button8Click);
    Button2 = NewControl<TButton>(this, this, "Button2", 268, 260, 110, 30);
    Button2->SetCaption(QStringLiteral("Выход"));
    Button2->SetCancel(true);
    Button2->SetModalResult(mrCancel);

    // the helper section (additional pay of helper workers)
    CheckBox1 = NewControl<TCheckBox>(this, this, "CheckBox1", 390, 8, 150, 24);
    CheckBox1->SetCaption(QStringLiteral("Доп. оплата"));
    RadioGroup1 = NewControl<TRadioGroup>(this, this, "RadioGroup1", 390, 36, 322, 50);
    RadioGroup1->Items()->Add(QStringLiteral("Подсобный рабочий"));
    RadioGroup1->Items()->Add(QStringLiteral("Оператор покраски"));
    person = New<TADOQuery>(this);
    person->SetName(QStringLiteral("person"));
    if (DataModule6) person->SetConnection(DataModule6->ADO_DB);
    person->SQL()->SetText(QStringLiteral(
        "select pt.id as pt_id, pt.f_time, pt.f_time*pt.f_count as f_count,  p.* from accounts_dep.person p, "
        "accounts_dep.person_temp pt where p.id=pt.id_person and pt.id_smena =:s_id"));
    person->Parameters()->ParamByName(QStringLiteral("s_id"))->SetDataType(ftInteger);
    DataSource1 = New<TDataSource>(this);
    DataSource1->SetName(QStringLiteral("DataSource1"));
    DataSource1->SetDataSet(person);
    DBGrid1 = NewControl<TDBGrid>(this, this, "DBGrid1", 390, 92, 322, 160);
    DBGrid1->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid1->SetDataSource(DataSource1);
    struct TColumnLayout {
        const char* Field;
        const char* Title;
        bool ReadOnly;
        int Width;  // all four fit the grid, hours and sum in sight
    } const columns[] = {{"fio", "ФИО", true, 100}, {"s_staffpos_hl", "Должность", true, 64},
                         {"f_time", "Время (ч.)", false, 56}, {"f_count", "Сумма (р.)", false, 60}};
    for (const auto& c : columns) {
        TColumn* col = DBGrid1->Columns()->Add();
        col->SetFieldName(QString::fromLatin1(c.Field));
        col->Title()->SetCaption(QString::fromUtf8(c.Title));
        col->SetReadOnly(c.ReadOnly);
        col->SetWidth(c.Width);
    }
    Button5 = NewControl<TButton>(this, this, "Button5", 390, 260, 100, 30);
    Button5->SetCaption(QStringLiteral("Добавить"));
    Button7 = NewControl<TButton>(this, this, "Button7", 500, 260, 100, 30);
    Button7->SetCaption(QStringLiteral("Удалить"));
    Button6 = NewControl<TButton>(this, this, "Button6", 610, 260, 100, 30);
    Button6->SetCaption(QStringLiteral("Сохранить"));

    GdsUseText = QtyUseText = ConsUseText = OkText = QStringLiteral("0");
    OnActivate = TNotifyEvent(this, &TForm11::FormActivate);
    WireHelperSection(this);
    inherited::AfterConstruction();
}

void TForm11::EnterEntryStage() {
    for (TControl* c : std::initializer_list<TControl*>{Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9,
                                                        DTimeP, Button1, Button3, Button4, Label6})
        c->SetEnabled(true);
    for (TControl* c : std::initializer_list<TControl*>{DBGrid1, CheckBox1, RadioGroup1, Button5, Button6, Button7})
        c->SetEnabled(false);
    CheckBox1->SetChecked(false);
    RadioGroup1->SetItemIndex(0);
    if (Button3->CanFocus()) SetActiveControl(Button3);
}

void TForm11::EnterHelperStage() {
    for (TControl* c : std::initializer_list<TControl*>{Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9,
                                                        DTimeP, Button1, Button3, Button4})
        c->SetEnabled(false);
    person->Close();
    person->Parameters()->ParamByName(QStringLiteral("s_id"))->SetValue(RecordKey);
    person->Open();
    DBGrid1->SetEnabled(true);
    CheckBox1->SetEnabled(true);
}

void TForm11::FormActivate(TObject*) { EnterEntryStage(); }

void TForm11::Button3Click(TObject*) {
    if (!Button3->Enabled()) return;
    Form5->ShowPicker(pmRecordCard, PickInto(Edit1, &WorkerId));
}

void TForm11::Button4Click(TObject*) {
    if (!Button4->Enabled()) return;
    int located = 0;
    if (Tag() != 1 && Form1->CurrentShiftQuery && Form1->CurrentShiftQuery->Active() &&
        !Form1->CurrentShiftQuery->IsEmpty())
        located = Form1->CurrentShiftQuery->FieldByName(QStringLiteral("o_id"))->AsInteger();
    Form4->ShowPicker(located, [this](int Id, const String& Kind, TDataSet* Oper) {
        const int naimen = Oper->FieldByName(QStringLiteral("naimen"))->AsInteger();
        ProductId = Oper->FieldByName(QStringLiteral("i_id"))->AsInteger();
        OperationId = Id;
        ProductKind = naimen;
        Price = PickedPrice(Oper->FieldByName(QStringLiteral("cena"))->AsFloat(), Form1->CBox1->Checked(),
                            Form1->CurrentShift);
        const Variant mark = SqlSelectValue(DataModule6->ADO_DB,
                                            QStringLiteral("select marka from accounts_dep.izdel where id=:id"),
                                            {{QStringLiteral("id"), ProductId}});
        Edit2->SetText(OperationText(VarIsNull(mark) ? String() : mark.AsString(), Kind, naimen));
        return true;
    });
    ApplyColourRule();
    Edit6Exit(Edit6);
}

void TForm11::ApplyColourRule() {
    const bool paint = IsPaintOperation(Edit2->Text());
    if (!paint) Edit5->Clear();
    Edit5->SetEnabled(paint);
    Label6->SetEnabled(paint);
}

void TForm11::Edit3KeyPress(TObject*, Char& Key) {
    if (!DigitKeyAccepted(Key)) Key = Char(0);
}

void TForm11::Edit4KeyPress(TObject*, Char& Key) {
    if (!DigitKeyAccepted(Key)) Key = Char(0);
}

void TForm11::Edit6Exit(TObject*) {
    if (Edit6->Text().isEmpty()) Edit6->SetText(QStringLiteral("0"));
    if (Edit3->Text().isEmpty()) Edit3->SetText(QStringLiteral("0"));
    Edit7->SetText(CardNumberText(Price));
    TDataSet* oper = DataModule6->Oper;
    if (oper->Active() && !oper->IsEmpty())
        Edit8->SetText(CardNumberText(oper->FieldByName(QStringLiteral("cena"))->AsFloat()));
    Edit9->SetText(CardNumberText(StrToFloatDef(Trim(Edit3->Text()), 0) * Price));
}

void TForm11::Button1Click(TObject*) {
    DocId = 0;
    DocItemId = 0;
    Colour = 0;
    GdsUseText = QtyUseText = ConsUseText = QStringLiteral("0");
    OkText = QStringLiteral("ok");
    if (!RecordCardFilled(Edit1->Text(), Edit2->Text(), Edit3->Text(), Edit4->Text(), Edit5->Text(), Edit6->Text())) {
        MessageBox(Handle(), CardNotFilledMessage, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    const String numberError = RecordCardNumberError(Edit2->Text(), Edit3->Text(), Edit4->Text(), Edit5->Text(), Edit6->Text());
    if (!numberError.isEmpty()) {
        MessageBox(Handle(), numberError, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    OkText = QStringLiteral("no");
    const int shift = Form1->CurrentShift;
    TADOQuery* shiftQuery = DataModule6->ShiftQuery(shift);
    const String colour = Trim(Edit5->Text());
    Colour = colour.isEmpty() ? 0 : StrToInt(colour);

    TProductionRecord rec;
    rec.WorkerId = WorkerId;
    rec.ProductId = ProductId;
    rec.OperationId = OperationId;
    rec.Price = Price;
    rec.Quantity = StrToInt(Trim(Edit3->Text()));
    rec.Defects = StrToInt(Trim(Edit4->Text()));
    rec.Hours = StrToInt(Trim(Edit6->Text()));
    rec.Date = DTimeP->Date();
    rec.Shift = shift;
    rec.Colour = Colour;

    const bool insert = Tag() == 1 || Tag() == 3;
    const int editId = insert ? 0 : shiftQuery->FieldByName(QStringLiteral("id"))->AsInteger();
    const TRecordSaveResult saved = SaveProductionRecord(DataModule6->ADO_DB, rec, editId);
    if (!saved.Saved) {
        MessageBox(Handle(), saved.Refusal, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    // the helper rows of this card belong to the record just saved, new or edited
    RecordKey = saved.Id;

    // the main window's list of the shift shows the saved row on the row number it had
    ReopenKeepingRecNo(shiftQuery);
    for (TADOQuery* q : {DataModule6->H_Dizuv_1, DataModule6->H_Dizuv_2, DataModule6->H_Dizuv_3}) q->Close();
    EnterHelperStage();
}

void TForm11::Button8Click(TObject*) {
    Edit1->Clear();
    Edit2->Clear();
    Edit3->Clear();
    Edit5->Clear();
    Edit4->SetText(QStringLiteral("0"));
    Edit6->SetText(QStringLiteral("0"));
    person->Close();
    // helpers entered for the previous record and not saved go with it
    if (RecordKey) DropHelpers(DataModule6->ADO_DB, RecordKey);
    SetCaption(QStringLiteral("Заведение новой позиции (11)"));
    SetTag(1);
    WorkerId = OperationId = ProductId = ProductKind = HelperId = RecordKey = Colour = DocId = DocItemId = 0;
    Price = HelperRate = HelperHours = 0;
    GdsUseText = QtyUseText = ConsUseText = OkText = QStringLiteral("0");
    EnterEntryStage();
}
