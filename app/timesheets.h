// The timesheet, wage-summary and period-report windows, and the windows that carry report
// layouts. The main work window and the login window reach the fields declared here.
#pragma once

#include "app/form19.h"
#include "app/form27.h"
#include "app/thinform.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"

class TForm12 : public TForm { SDELKA_APP_FORM(TForm12) };  // "Отчет по рабочим", never opened
class TForm13 : public TForm { SDELKA_APP_FORM(TForm13) };  // "Отчет по видам продукции", never opened
class TForm14 : public TForm { SDELKA_APP_FORM(TForm14) };  // holds a query nothing runs
// The printed monthly hours (never shown itself); its query also feeds the all-shift sheet.
class TForm15 : public TForm {
    SDELKA_APP_FORM(TForm15)
    TADOQuery* H_Dizuv = nullptr;  // AllShiftHoursSql: mnth, yea
};
class TForm16 : public TForm { SDELKA_APP_FORM(TForm16) };  // report by workers layout
class TForm17 : public TForm { SDELKA_APP_FORM(TForm17) };  // report by products layout
class TForm20 : public TForm { SDELKA_APP_FORM(TForm20) };  // detailed report by workers layout
class TForm21 : public TForm { SDELKA_APP_FORM(TForm21) };  // detailed report by products layout
class TForm28 : public TForm { SDELKA_APP_FORM(TForm28) };  // "Табель хоз. работы (28)", never opened

// "Отчеты (8)": the period reports window.
class TForm18 : public TForm {
    SDELKA_APP_FORM(TForm18)
    TDateTimePicker* DTPicker1 = nullptr;  // period start (inclusive)
    TDateTimePicker* DTPicker2 = nullptr;  // period end (exclusive)
    TButton* Button1 = nullptr;            // "Детальный отчет по рабочим"
    TButton* Button2 = nullptr;            // "Отчет по продукции"
    TButton* Button4 = nullptr;            // "Отчет по рабочим"
    TButton* Button6 = nullptr;            // "Excel (0 из 0)"
    TRadioGroup* RadioGroup1 = nullptr;    // "Вид продукции": "Все", "Готовая продукция", "Заготовки"
};

// "Общий табель ЗП (30)": the monthly wage summary.
class TForm30 : public TForm {
    SDELKA_APP_FORM(TForm30)
    TComboBox* ComboBox1 = nullptr;
    TDBLookupComboBox* cb_year = nullptr;
    TADOQuery* q_year = nullptr;
    TADOQuery* H_Dizuv = nullptr;
};

// "Табель по номенклатурным группам (31)".
class TForm31 : public TForm {
    SDELKA_APP_FORM(TForm31)
    TComboBox* ComboBox1 = nullptr;
    TDBLookupComboBox* cb_year = nullptr;
    TADOQuery* q_year = nullptr;
    TADOQuery* H_Dizuv_7777 = nullptr;
    TADOQuery* H_Dizuv_7778 = nullptr;
    TADOQuery* ShownQuery = nullptr;
};

extern TForm12* Form12;
extern TForm13* Form13;
extern TForm14* Form14;
extern TForm15* Form15;
extern TForm16* Form16;
extern TForm17* Form17;
extern TForm18* Form18;
extern TForm20* Form20;
extern TForm21* Form21;
extern TForm28* Form28;
extern TForm30* Form30;
extern TForm31* Form31;

// The month names of the month choices, January first.
const std::vector<String>& MonthNames();
