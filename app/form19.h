// TForm19 "Табель по времени": the month's timesheet of each of the three shifts on a tab of its
// own (the data module's H_Dizuv_1..H_Dizuv_3), one row per worker and one column per day with the
// hours worked in that shift, weekends in red, full days bold and longer ones on green. From here
// the month's shift rows are rebuilt from the production records, the hours of all shifts are
// written to a spreadsheet, and the month is printed; while a rebuild or an export runs the
// window's controls are off and it cannot be closed.
#pragma once

#include "platform/gui/forms.h"
#include "platform/gui/graphics.h"
#include "platform/gui/gridtypes.h"

class TButton;
class TColumn;
class TComboBox;
class TDataSource;
class TDBGrid;
class TPageControl;
class TProgressBar;
class TTabSheet;

// Cells of more than a full day's hours.
inline constexpr TColor LongDayColor = 12639424;  // red 192, green 220, blue 192

class TForm19 : public TForm {
    SDELKA_CLASS(TForm19, TForm)
protected:
    explicit TForm19(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm19() override = default;

public:
    void AfterConstruction() override;

    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;  // "Смена №1"
    TTabSheet* TabSheet2 = nullptr;  // "Смена №2"
    TTabSheet* TabSheet3 = nullptr;  // "Смена №3"
    TDBGrid* DBGrid1 = nullptr;      // 0 fio, 1..31 d1..d31, 32 summ
    TDBGrid* DBGrid2 = nullptr;
    TDBGrid* DBGrid3 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TDataSource* DataSource2 = nullptr;
    TDataSource* DataSource3 = nullptr;
    TButton* Button2 = nullptr;      // "Excel", first tab
    TButton* Button1 = nullptr;      // "Перестроить", first tab
    TProgressBar* PB = nullptr;      // the rebuild's days, first tab
    TButton* Button6 = nullptr;      // "Печать"
    TComboBox* ComboBox1 = nullptr;  // month, index 0 = January
    TComboBox* ComboBox2 = nullptr;  // year texts from "2007" to the year after the current one
    TButton* Button5 = nullptr;      // "Обновить"
    TButton* Button4 = nullptr;      // "Выход" (also Escape)

    // The month and year chosen (0 when none is).
    int ShownMonth() const;
    int ShownYear() const;
    TDBGrid* ShiftGrid(int Shift) const;
    bool Busy() const { return FBusy; }

    void FormActivate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void ComboBox1Change(TObject* Sender);  // the month refresh (month box and year list)
    void Button5Click(TObject* Sender);     // "Обновить"
    void Button1Click(TObject* Sender);     // "Перестроить": the shift rows of the month
    void Button2Click(TObject* Sender);     // "Excel": the hours of all shifts
    void Button4Click(TObject* Sender);     // "Выход"
    void Button6Click(TObject* Sender);     // "Печать": the month's hours of all shifts, printed
    void DBGrid1DrawColumnCell(TObject* Sender, const TRect& Rect, int DataCol, TColumn* Column, TGridDrawState State);

private:
    void SetBusy(bool Value);
    bool FBusy = false;
};

extern TForm19* Form19;
