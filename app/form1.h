// TForm1 ("Табель"): the main work window. Its creation makes the data module, connects and
// makes the login window; it shows one date and one shift of production records, the weekend
// flag and the acceptance toggle, and checks the build stamp every 30 seconds.
#pragma once

#include "app/buildstamp.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"

class TNomGroupForm;

// Colours of the window's marks.
inline constexpr TColor ShiftColor = RGB(0, 128, 0);      // the chosen shift button
inline constexpr TColor WeekendColor = RGB(255, 0, 0);    // "Выходной" checked
inline constexpr TColor AcceptedColor = RGB(0, 128, 0);   // acceptance "ok" or "да"
inline constexpr TColor RefusedColor = RGB(255, 0, 0);    // any other acceptance text

// Saturday and Sunday.
bool IsWeekendDay(TDateTime Day);
// A record's acceptance text counts as accepted when it is "ok" or "да".
bool IsAcceptedText(const String& Ok);
// The text a toggle writes: "no" for an accepted record, "ok" for any other.
String ToggledAcceptance(const String& Ok);
// The font colour of the acceptance column for a record's text.
inline TColor AcceptanceColor(const String& Ok) { return IsAcceptedText(Ok) ? AcceptedColor : RefusedColor; }

// Closes and reopens a dataset and goes back to the record number it had (the last one when the
// list became shorter).
void ReopenKeepingRecNo(TDataSet* DataSet);

// The period the reports window proposes on a day: the whole previous calendar month, from its
// first day (inclusive) to the first day of the day's month (exclusive).
struct TReportPeriod {
    TDateTime From = 0;
    TDateTime To = 0;
};
TReportPeriod PreviousMonthPeriod(TDateTime Today);

class TForm1 : public TForm {
    SDELKA_CLASS(TForm1, TForm)
protected:
    explicit TForm1(TComponent* AOwner);
    ~TForm1() override = default;

public:
    void AfterConstruction() override;

    // ---- the layout
    TRadioButton* RadioButton1 = nullptr;  // "Смена №1"
    TRadioButton* RadioButton2 = nullptr;  // "Смена №2"
    TRadioButton* RadioButton3 = nullptr;  // "Смена №3"
    TRadioButton* RadioButton4 = nullptr;  // "Переработка"
    TDateTimePicker* DateT = nullptr;      // the working date
    TCheckBox* CBox1 = nullptr;            // "Выходной"
    TDBGrid* DBGrid2 = nullptr;            // the records of the shown shift
    TButton* Button1 = nullptr;            // "Добавить"
    TButton* Button2 = nullptr;            // "Изменить"
    TButton* Button3 = nullptr;            // "Удалить"
    TButton* Button8 = nullptr;            // "Обновить"
    TButton* Button5 = nullptr;            // "Ср.сд./хоз. работы"
    TButton* Button4 = nullptr;            // "Выход"
    TLabel* Label1 = nullptr;              // progress of the legacy import, hidden
    TTimer* Timer1 = nullptr;              // build-stamp check, 30 s
    TDataSource* DataSource1 = nullptr;
    TDataSource* DataSource2 = nullptr;
    TDataSource* DataSource3 = nullptr;
    TDataSource* DataSource4 = nullptr;
    TADOCommand* updtOK = nullptr;         // update accounts_dep.smena set ok=:ok where id=:id
    TADOTable* ver = nullptr;              // the build-stamp row
    TADOConnection* PGSQL = nullptr;       // the hidden import's target: the client's database
    TADOConnection* MSA = nullptr;         // the hidden import's source: the older database

    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* N2 = nullptr;   // "Справочники"
    TMenuItem* N1 = nullptr;   //   "Рабочие"
    TMenuItem* N3 = nullptr;   //   "Изделия"
    TMenuItem* N4 = nullptr;   //   "Цены"
    TMenuItem* N6 = nullptr;   //   "Операции"
    TMenuItem* N8 = nullptr;   //   "Ном. группы"
    TMenuItem* N11 = nullptr;  // "Табель"
    TMenuItem* N9 = nullptr;   //   "Табель сделка"
    TMenuItem* N13 = nullptr;  //   "Табель по сменам"
    TMenuItem* N14 = nullptr;  //   "Табель хоз. работ"
    TMenuItem* N20 = nullptr;  //     "По людям"
    TMenuItem* N22 = nullptr;  //     "По номенклатуре"
    TMenuItem* N15 = nullptr;  //   "Табель ср. сдельная"
    TMenuItem* N18 = nullptr;  //     "По людям"
    TMenuItem* N19 = nullptr;  //     "По номенклатуре"
    TMenuItem* N17 = nullptr;  //   "Общий табель"
    TMenuItem* N23 = nullptr;  //   "Общий табель ЗП"
    TMenuItem* N7 = nullptr;   // "Отчеты"
    TMenuItem* N10 = nullptr;  //   "Сводные отчеты"
    TMenuItem* N5 = nullptr;   // "Выход"
    TMenuItem* N12 = nullptr;  // "Импорт", hidden
    TMenuItem* N16 = nullptr;  // "Структура БД", hidden
    TCustomPopupMenu* PopupMenu1 = nullptr;  // popup of "Добавить"
    TMenuItem* N21 = nullptr;                //   "Копия"

    // ---- state other windows read
    int CurrentShift = 1;
    TADOQuery* CurrentShiftQuery = nullptr;
    String LoginWord;
    Integer BuildDate = 0;
    Integer BuildSeconds = 0;

    // The data source the records grid shows (that of the current shift).
    TDataSource* ShownDataSource() const { return DBGrid2->DataSource(); }
    TDataSource* ShiftDataSource(int Shift) const;

    // ---- handlers
    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender);
    void DateTChange(TObject* Sender);
    void DateTKeyPress(TObject* Sender, Char& Key);
    void RadioButton1Click(TObject* Sender);
    void RadioButton2Click(TObject* Sender);
    void RadioButton3Click(TObject* Sender);
    void RadioButton4Click(TObject* Sender);
    void CBox1Click(TObject* Sender);
    void Button8Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    // A double-click toggles the acceptance mark of the row it lands on, never from the empty
    // space below the rows (the press before it says where it landed).
    void DBGrid2DblClick(TObject* Sender);
    void DBGrid2MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DBGrid2DrawColumnCell(TObject* Sender, const TRect& Rect, int DataCol, TColumn* Column, TGridDrawState State);
    void Timer1Timer(TObject* Sender);
    void N5Click(TObject* Sender);

    // Record commands on the shown date and shift. A command whose control the role switched off
    // does nothing (the copy opens the card in copy mode whether "Изменить" is on or not).
    void Button1Click(TObject* Sender);   // "Добавить": the record card for a new record
    void Button2Click(TObject* Sender);   // "Изменить": the record card on the selected record
    void N21Click(TObject* Sender);       // "Копия": the selected record as a new one
    void Button3Click(TObject* Sender);   // "Удалить", with the worker's day cell, in one transaction
    void Button5Click(TObject* Sender);   // "Ср.сд./хоз. работы": the auxiliary-work day list

    // Main menu: the directories, the timesheets, the wage summary and the reports.
    void N1Click(TObject* Sender);    // "Рабочие"
    void N3Click(TObject* Sender);    // "Изделия"
    void N4Click(TObject* Sender);    // "Цены"
    void N6Click(TObject* Sender);    // "Операции"
    void N8Click(TObject* Sender);    // "Ном. группы"
    void N9Click(TObject* Sender);    // "Табель сделка"
    void N13Click(TObject* Sender);   // "Табель по сменам"
    void N20Click(TObject* Sender);   // "Табель хоз. работ" / "По людям"
    void N22Click(TObject* Sender);   // "Табель хоз. работ" / "По номенклатуре"
    void N18Click(TObject* Sender);   // "Табель ср. сдельная" / "По людям"
    void N19Click(TObject* Sender);   // "Табель ср. сдельная" / "По номенклатуре"
    void N17Click(TObject* Sender);   // "Общий табель"
    void N23Click(TObject* Sender);   // "Общий табель ЗП"
    void N10Click(TObject* Sender);   // "Сводные отчеты"
    // Hidden maintenance items.
    void N12Click(TObject* Sender);   // "Импорт": the older database's tables copied in
    void N16Click(TObject* Sender);   // "Структура БД": without effect

private:
    void BuildLayout();
    void BuildMenus();
    void WireCommands();
    // Fills the record card from the selected record of the shown shift and shows it (edit and copy).
    void EditCurrentRecord();
    // Opens the monthly timesheet window in a mode on today's month.
    void ShowTimesheet(int Mode, const String& Caption, TADOQuery* Shown);
    void ShowGroupTimesheet(int Mode, const String& Caption, TADOQuery* Shown);
    void ShowMonthByGroup(TNomGroupForm* Form, TDateTime Today);
    void ShiftChosen(TRadioButton* Button, int Shift);
    void OpenShiftQueries();
    TRadioButton* ShiftButton(int Shift) const;

    bool FPressOnRow = false;  // the last press on the grid landed on a row
};

extern TForm1* Form1;

// Compares this build's stamp with the database's stamp row: an older row takes the build's
// stamp, an older build is refused (message, then the program ends within 5 seconds). Reads the
// database's decimal separator. Not re-entered while its own message box is open.
void CheckBuildStamp();
// The same check for a build with the given compiler texts.
void CheckBuildStamp(const char* DateText, const char* TimeText);
