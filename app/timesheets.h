// The timesheet, wage-summary and period-report windows, and the windows that carry report
// layouts. The main work window and the login window reach the fields declared here.
#pragma once

#include "app/form19.h"
#include "app/form27.h"
#include "app/thinform.h"
#include "app/wagesummary.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"

class TRpReport;
class TRpLabel;
class TDBGrid;
class TGroupBox;

// "Отчет по рабочим" and "Отчет по видам продукции": on-screen report grids of an earlier design
// that no window opens. Their grids' data source names a dataset nothing provides.
class TForm12 : public TForm {
    SDELKA_APP_FORM(TForm12)
    TDBGrid* DBGrid1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TDateTimePicker* DTPicker1 = nullptr;
    TDateTimePicker* DTPicker2 = nullptr;
    TButton* Button1 = nullptr;  // "Отбор"
    TButton* Button2 = nullptr;  // "Детальный отчет"
    TButton* Button3 = nullptr;  // "Выход"
    TButton* Button4 = nullptr;  // "Отчет"
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender) {}
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender) {}
};
class TForm13 : public TForm {
    SDELKA_APP_FORM(TForm13)
    TDBGrid* DBGrid1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TDateTimePicker* DTPicker1 = nullptr;
    TDateTimePicker* DTPicker2 = nullptr;
    TButton* Button1 = nullptr;  // "Отбор"
    TButton* Button2 = nullptr;  // "Печать"
    TButton* Button3 = nullptr;  // "Выход"
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender) {}
    void Button3Click(TObject* Sender);
};
// Holds a query definition nothing runs.
class TForm14 : public TForm {
    SDELKA_APP_FORM(TForm14)
    TADOQuery* w_Report = nullptr;
};
// The printed monthly hours (never shown itself); its query also feeds the all-shift sheet.
class TForm15 : public TForm {
    SDELKA_APP_FORM(TForm15)
    TADOQuery* H_Dizuv = nullptr;  // AllShiftHoursSql: mnth, yea
    TRpReport* RpReport1 = nullptr;
    TRpLabel* RpLabel33 = nullptr;  // the period title
};
// The period report layouts (never shown themselves): a query, the title label and the report.
class TForm16 : public TForm {  // report by workers
    SDELKA_APP_FORM(TForm16)
    TADOQuery* t_Report = nullptr;
    TRpLabel* RpLabel1 = nullptr;
    TRpReport* RpReport1 = nullptr;
};
class TForm17 : public TForm {  // report by products
    SDELKA_APP_FORM(TForm17)
    TADOQuery* t_Report = nullptr;
    TRpLabel* RpLabel1 = nullptr;
    TRpReport* RpReport1 = nullptr;
};
class TForm20 : public TForm {  // detailed report by workers
    SDELKA_APP_FORM(TForm20)
    TADOQuery* w_Report = nullptr;
    TRpLabel* RpLabel1 = nullptr;
    TRpReport* RpReport1 = nullptr;
};
class TForm21 : public TForm {  // detailed report by products
    SDELKA_APP_FORM(TForm21)
    TADOQuery* i_Report = nullptr;
    TRpLabel* RpLabel1 = nullptr;
    TRpReport* RpReport1 = nullptr;
};
// "Табель хоз. работы (28)": a read-only auxiliary-work timesheet that no window opens.
class TForm28 : public TForm {
    SDELKA_APP_FORM(TForm28)
    TDBGrid* DBGrid = nullptr;
    TComboBox* ComboBox1 = nullptr;
    TDBLookupComboBox* cb_year = nullptr;
    TADOQuery* q_year = nullptr;
    TADOQuery* H_Dizuv = nullptr;
    TButton* Button8 = nullptr;  // "Выход"
    void Button8Click(TObject* Sender);
};

// "Отчеты (8)": the period reports window.
class TForm18 : public TForm {
    SDELKA_APP_FORM(TForm18)
    TRadioGroup* RadioGroup1 = nullptr;    // "Вид продукции": "Все", "Готовая продукция", "Заготовки"
    TGroupBox* GroupBox1 = nullptr;        // "Период отбора"
    TDateTimePicker* DTPicker1 = nullptr;  // period start (inclusive)
    TDateTimePicker* DTPicker2 = nullptr;  // period end (exclusive)
    TButton* Button4 = nullptr;            // "Отчет по рабочим"
    TButton* Button2 = nullptr;            // "Отчет по продукции"
    TButton* Button1 = nullptr;            // "Детальный отчет по рабочим"
    TButton* Button3 = nullptr;            // "Детальный отчет по продукции"
    TButton* Button6 = nullptr;            // "Excel (0 из 0)"
    TButton* Button5 = nullptr;            // "Выход"
    TADOQuery* XLS_Rep = nullptr;          // the period's output for the spreadsheet

    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    void Button5Click(TObject* Sender);
    void Button6Click(TObject* Sender);
    // The title of a report: the prefix, then the period's dates.
    String PeriodTitle(const String& Prefix) const;

private:
    // Fills a layout's query for the period and product kind, prepares and previews its report,
    // and closes the query again, also when the generation fails.
    void RunReport(TADOQuery* Query, TRpLabel* Title, TRpReport* Report, const String& Prefix);
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

// The month names of the month choices, January first.
const std::vector<String>& MonthNames();
