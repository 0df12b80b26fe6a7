// The month's pay by nomenclature group: the wage summary (TForm30, per group and worker the
// earnings with and without the regional coefficient) and the timesheet by nomenclature group
// (TForm31, auxiliary works or average piece rate: per group, worker and day/night the hours of
// every day and the month's hours and earnings). Each copies its month query into an in-memory
// table through a data driver and shows it in a data grid grouped by nomenclature group, with a
// total line under every group; "Excel" writes the same into a new workbook. The main work window
// presets the month, the year (and TForm31's mode) and shows them modally.
//
// Groups are told apart by their ids and shown by their captions, in the query's order (caption,
// then id). While an export runs the window takes no command and does not close.
#pragma once

#include "platform/gui/forms.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/variant.h"

#include <functional>
#include <initializer_list>
#include <map>

class TADOQuery;
class TADODataDriverVz;
class TButton;
class TColumnVz;
class TComboBox;
class TCustomDBGridVz;
class TDataSet;
class TDataSource;
class TDBGridVz;
class TDBGridVzDataGroupLevelVz;
class TDBLookupComboBox;
class TMemTableVz;
class TPanel;
class TSQLDataDriverVz;

// What the two windows share: the grid over the in-memory table, the bottom panel with "Excel",
// "Обновить", the month and year boxes and "Выход", the year list and the grouping by the group id.
class TNomGroupForm : public TForm {
    SDELKA_CLASS(TNomGroupForm, TForm)
protected:
    explicit TNomGroupForm(TComponent* AOwner) : TForm(AOwner) {}
    ~TNomGroupForm() override = default;

public:
    TDBGridVz* DBGridVz1 = nullptr;
    TDataSource* DataSource1 = nullptr;    // the grid's: the in-memory table
    TPanel* Panel1 = nullptr;              // the button row
    TButton* Button2 = nullptr;            // "Excel"
    TButton* Button5 = nullptr;            // "Обновить"
    TComboBox* ComboBox1 = nullptr;        // the month, index 0 = January
    TDBLookupComboBox* cb_year = nullptr;  // the year (key and list field year of q_year)
    TButton* Button1 = nullptr;            // "Выход" (also Escape)
    TADOQuery* q_year = nullptr;
    TDataSource* DS_year = nullptr;

    // The month and year chosen (the year box's key value; 0 when none is chosen).
    int ShownMonth() const;
    int ShownYear() const;
    // An export runs.
    bool Busy() const { return FBusy; }

    void FormCreate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    // The month refresh (also the year box's close-up and "Обновить"): the query reopened for the
    // month and copied into the table. A cancelled query leaves both closed.
    void ComboBox1Change(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);

    // Closes the table, then its query.
    void CloseMonth();
    void SetColumnWidth(int Column, int Width);

    // The query the table is filled from, and the table.
    virtual TADOQuery* MonthQuery() const = 0;
    virtual TMemTableVz* MonthTable() const = 0;

protected:
    // Builds the panel and the grid (columns through AddColumn), binds the handlers.
    void BuildFrame(int Width, int Height);
    TColumnVz* AddColumn(const String& Field, const String& Title, int Width);
    // One group level on the column Group, one footer: "ИТОГО:" under Label and sums under Sums.
    void SetUpGrouping(int Group, int Label, std::initializer_list<int> Sums);
    virtual void MonthShown(int /*Month*/, int /*Year*/) {}
    // Writes the sheet; Progress gives the rows written.
    virtual void WriteSheet(const String& Title, const std::function<void(int Done, int Total)>& Progress) = 0;

private:
    void GroupKey(TCustomDBGridVz* Sender, TDBGridVzDataGroupLevelVz* Level, Variant& Key);
    void SetBusy(bool Value);
    // Group id -> its place in the query's order.
    std::map<String, int> FGroupOrder;
    bool FBusy = false;
};

// "Общий табель ЗП (30)": the wage summary of a month.
class TForm30 : public TNomGroupForm {
    SDELKA_CLASS(TForm30, TNomGroupForm)
protected:
    explicit TForm30(TComponent* AOwner) : TNomGroupForm(AOwner) {}
    ~TForm30() override = default;

public:
    void AfterConstruction() override;

    TADOQuery* H_Dizuv = nullptr;            // WageSummarySql
    TMemTableVz* H_Dizuv_Mem = nullptr;      // the grid's table
    TADODataDriverVz* H_Dizuv_Vz = nullptr;  // copies H_Dizuv into H_Dizuv_Mem

    TADOQuery* MonthQuery() const override { return H_Dizuv; }
    TMemTableVz* MonthTable() const override { return H_Dizuv_Mem; }

protected:
    void WriteSheet(const String& Title, const std::function<void(int Done, int Total)>& Progress) override;
};

// "Табель по ном. гр. ... (31)": the timesheet by nomenclature group, mode 7777 (auxiliary
// works) or 7778 (average piece rate) in its Tag; ShownQuery is the mode's query.
class TForm31 : public TNomGroupForm {
    SDELKA_CLASS(TForm31, TNomGroupForm)
protected:
    explicit TForm31(TComponent* AOwner) : TNomGroupForm(AOwner) {}
    ~TForm31() override = default;

public:
    void AfterConstruction() override;

    TADOQuery* H_Dizuv_7777 = nullptr;
    TADOQuery* H_Dizuv_7778 = nullptr;
    TADOQuery* ShownQuery = nullptr;               // the mode's query, set by the opener
    TMemTableVz* H_Dizuv_Vz = nullptr;             // the grid's table
    TSQLDataDriverVz* SQLDataDriverVz1 = nullptr;  // copies ShownQuery into H_Dizuv_Vz

    // Makes Query the shown one and the driver's provider.
    void SetShownQuery(TADOQuery* Query);
    TADOQuery* MonthQuery() const override { return ShownQuery; }
    TMemTableVz* MonthTable() const override { return H_Dizuv_Vz; }

protected:
    // Weekends red; the days past the month's end keep their place with blank values.
    void MonthShown(int Month, int Year) override;
    void WriteSheet(const String& Title, const std::function<void(int Done, int Total)>& Progress) override;
};

extern TForm30* Form30;
extern TForm31* Form31;
