// TForm27: the monthly timesheet in four modes (its Tag, TTimesheetMode): one row per worker (per
// worker and day/night in modes 14 and 15), one column per day of the month with that day's
// hours, the month's hours, earnings and hourly rate, and under the grid the month's sums of the
// whole floor. The main work window presets the mode, the month and the year and shows it
// modally. From here the auxiliary rows of the month are rebuilt and the timesheet is written to
// a spreadsheet; while either runs the window's controls are off and it cannot be closed.
#pragma once

#include "platform/gui/forms.h"
#include "platform/gui/graphics.h"

#include <memory>

class TADOQuery;
class TButton;
class TComboBox;
class TDataSource;
class TDBGrid;
class TDBLookupComboBox;
class TDBText;
class TExcelApplication;
class TLabel;
class TPanel;
class TProgressBar;
using TExcelApplicationRef = std::shared_ptr<TExcelApplication>;

// The background of the totals columns.
inline constexpr TColor TotalsColumnColor = 16770273;  // red 225, green 228, blue 255

class TForm27 : public TForm {
    SDELKA_CLASS(TForm27, TForm)
protected:
    explicit TForm27(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm27() override = default;

public:
    void AfterConstruction() override;

    // ---- the layout
    TDBGrid* DBGrid = nullptr;           // 0 fio, 1 s_night, 2..32 d1..d31, 33 f_price, 34 i_time, 35 average_price
    TDataSource* DataSource1 = nullptr;  // the grid's: ModeQuery
    TPanel* Panel1 = nullptr;            // the totals line
    TComboBox* ComboBox1 = nullptr;      // the month, index 0 = January
    TDBLookupComboBox* cb_year = nullptr;  // the year (key and list field year of q_year)
    TLabel* Label1 = nullptr;            // "Ср. сдел.:"
    TLabel* Label2 = nullptr;            // "Хоз. работы:"
    TLabel* Label3 = nullptr;            // "Сделка:"
    TLabel* Label4 = nullptr;            // "Итого:"
    TDBText* DBText1 = nullptr;          // price8
    TDBText* DBText2 = nullptr;          // price7
    TDBText* DBText3 = nullptr;          // price
    TDBText* DBText4 = nullptr;          // all_price
    TPanel* Panel2 = nullptr;            // the button row
    TButton* Button2 = nullptr;          // "Excel"
    TButton* Button5 = nullptr;          // "Обновить"
    TButton* Button3 = nullptr;          // "Перестроить"
    TProgressBar* PB = nullptr;          // the rebuild's days
    TButton* Button1 = nullptr;          // "Выход" (also Escape)

    // ---- queries
    TADOQuery* q_year = nullptr;
    TDataSource* DataSource2 = nullptr;  // the year list's
    TADOQuery* H_Dizuv0 = nullptr;       // mode 9
    TADOQuery* H_Dizuv7777 = nullptr;    // mode 14
    TADOQuery* H_Dizuv7778 = nullptr;    // mode 15
    TADOQuery* H_Dizuv_all = nullptr;    // mode 17
    TADOQuery* price = nullptr;          // "Сделка:"
    TADOQuery* price7 = nullptr;         // "Хоз. работы:"
    TADOQuery* price8 = nullptr;         // "Ср. сдел.:"
    TADOQuery* all_price = nullptr;      // "Итого:"
    TDataSource* DS_price = nullptr;
    TDataSource* DS_price7 = nullptr;
    TDataSource* DS_price8 = nullptr;
    TDataSource* DS_all_price = nullptr;
    // The mode's query, set by the opener.
    TADOQuery* ModeQuery = nullptr;

    // The name column's width for a month of 31 days; a shorter month adds the hidden days' width.
    void SetNameColumnWidth(int Width);
    int NameColumnWidth() const { return FNameWidth; }
    // The month and year shown (the year box's key value; 0 when none is chosen).
    int ShownMonth() const;
    int ShownYear() const;
    // A rebuild or an export runs.
    bool Busy() const { return FBusy; }

    // ---- handlers
    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void ComboBox1Change(TObject* Sender);  // the month refresh (also the year box's close-up)
    void Button5Click(TObject* Sender);     // "Обновить"
    void Button3Click(TObject* Sender);     // "Перестроить": the auxiliary rows of the month
    void Button2Click(TObject* Sender);     // "Excel"
    void Button1Click(TObject* Sender);     // "Выход"

    // The Excel helper on a caller's application variable (the wage summaries use it too).
    int ExcelOpen(TObject* Sender, const String& FileName, TExcelApplicationRef& App);
    int ExcelShow(TObject* Sender, bool Visible, TExcelApplicationRef& App);
    int ExcelWriteCellFormatted(TObject* Sender, int Sheet, int Col, int Row, const String& Text, bool AsText,
                                bool AutoFit, bool Bold, TExcelApplicationRef& App);

private:
    void BuildLayout();
    void SetBusy(bool Value);
    int FNameWidth = 208;
    bool FBusy = false;
};

extern TForm27* Form27;
