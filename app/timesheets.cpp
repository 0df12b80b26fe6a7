#include "app/timesheets.h"

#include "app/datamodule.h"
#include "app/timesheetdata.h"
#include "platform/rtl/dateutils.h"

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
TForm30* Form30 = nullptr;
TForm31* Form31 = nullptr;

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

}  // namespace

void TForm12::AfterConstruction() {
    SetUpAppForm(this, "Form12", QStringLiteral("Отчет по рабочим"));
    inherited::AfterConstruction();
}

void TForm13::AfterConstruction() {
    SetUpAppForm(this, "Form13", QStringLiteral("Отчет по видам продукции"));
    inherited::AfterConstruction();
}

void TForm14::AfterConstruction() {
    SetUpAppForm(this, "Form14", String());
    inherited::AfterConstruction();
}

void TForm15::AfterConstruction() {
    SetUpAppForm(this, "Form15", String());
    H_Dizuv = Query(this, "H_Dizuv");
    H_Dizuv->SetCursorLocation(clUseClient);
    H_Dizuv->SetCursorType(ctStatic);
    H_Dizuv->SQL()->SetText(AllShiftHoursSql());
    inherited::AfterConstruction();
}

void TForm16::AfterConstruction() {
    SetUpAppForm(this, "Form16", String());
    inherited::AfterConstruction();
}

void TForm17::AfterConstruction() {
    SetUpAppForm(this, "Form17", String());
    inherited::AfterConstruction();
}

void TForm20::AfterConstruction() {
    SetUpAppForm(this, "Form20", String());
    inherited::AfterConstruction();
}

void TForm21::AfterConstruction() {
    SetUpAppForm(this, "Form21", String());
    inherited::AfterConstruction();
}

void TForm28::AfterConstruction() {
    SetUpAppForm(this, "Form28", QStringLiteral("Табель хоз. работы (28)"));
    inherited::AfterConstruction();
}

void TForm18::AfterConstruction() {
    SetUpAppForm(this, "Form18", QStringLiteral("Отчеты (8)"), 420, 260);
    DTPicker1 = Control<TDateTimePicker>(this, "DTPicker1", 8, 8, 120, 24);
    DTPicker2 = Control<TDateTimePicker>(this, "DTPicker2", 136, 8, 120, 24);
    Button1 = Button(this, "Button1", QStringLiteral("Детальный отчет по рабочим"), 8, 48, 200);
    Button2 = Button(this, "Button2", QStringLiteral("Отчет по продукции"), 8, 84, 200);
    Button4 = Button(this, "Button4", QStringLiteral("Отчет по рабочим"), 8, 120, 200);
    Button6 = Button(this, "Button6", QStringLiteral("Excel (0 из 0)"), 8, 156, 200);
    RadioGroup1 = Control<TRadioGroup>(this, "RadioGroup1", 224, 48, 188, 100);
    RadioGroup1->SetCaption(QStringLiteral("Вид продукции"));
    RadioGroup1->SetParentFont(false);
    RadioGroup1->Font()->SetStyle({fsBold});
    for (const char* kind : {"Все", "Готовая продукция", "Заготовки"}) RadioGroup1->Items()->Add(QString::fromUtf8(kind));
    RadioGroup1->SetItemIndex(0);
    inherited::AfterConstruction();
}

void TForm30::AfterConstruction() {
    SetUpAppForm(this, "Form30", QStringLiteral("Общий табель ЗП (30)"), 1000, 560);
    ComboBox1 = MonthChoice(this);
    q_year = Query(this, "q_year");
    cb_year = YearChoice(this, q_year);
    H_Dizuv = Query(this, "H_Dizuv");
    inherited::AfterConstruction();
}

void TForm31::AfterConstruction() {
    SetUpAppForm(this, "Form31", QStringLiteral("Табель по номенклатурным группам (31)"), 1000, 560);
    ComboBox1 = MonthChoice(this);
    q_year = Query(this, "q_year");
    cb_year = YearChoice(this, q_year);
    H_Dizuv_7777 = Query(this, "H_Dizuv_7777");
    H_Dizuv_7778 = Query(this, "H_Dizuv_7778");
    ShownQuery = H_Dizuv_7777;
    inherited::AfterConstruction();
}
