#include "app/timesheetexcel.h"

#include "app/timesheetdata.h"
#include "platform/db/db.h"
#include "platform/rtl/currency.h"

#include <algorithm>

namespace {

// Cell writes on sheet 1 that stop at the first failure.
class TSheetWriter {
public:
    explicit TSheetWriter(TExcelApplicationRef& App) : FApp(App) {}
    // Flags: T the text format, F auto-fit, B bold.
    void Write(int Col, int Row, const String& Text, const char* Flags) {
        if (!FOk) return;
        const String f = QString::fromLatin1(Flags);
        FOk = ExcelWriteCellFormatted(FApp, 1, Col, Row, Text, f.contains(u'T'), f.contains(u'F'), f.contains(u'B')) == 1;
    }
    bool Ok() const { return FOk; }

private:
    TExcelApplicationRef& FApp;
    bool FOk = true;
};

String Text(TDataSet* Data, const String& Field) {
    TField* f = Data->FindField(Field);
    return f ? f->DisplayText() : String();
}

// Opens the workbook and hides the application; false when it cannot be opened.
bool Begin(TExcelApplicationRef& App) {
    if (ExcelOpen(App, String()) == -1) return false;
    ExcelShow(App, false);
    return true;
}

// After a cell that could not be written (its message said once, no further cell tried): the
// cells written so far are shown, when the application is still there to show them.
bool ShowWhatWasWritten(TExcelApplicationRef& App) {
    try {
        ExcelShow(App, true);
    } catch (const Exception&) {
        // the application is gone with its workbook: the cell's message has said so
    }
    return false;
}

// Puts the dataset back on its record and lets its controls follow it again, however the export ends.
class TKeepPlace {
public:
    explicit TKeepPlace(TDataSet* Data) : FData(Data), FRecNo(Data->RecNo()) { Data->DisableControls(); }
    ~TKeepPlace() {
        try {
            if (FData->Active() && FRecNo > 0 && !FData->IsEmpty()) FData->SetRecNo(std::min(FRecNo, FData->RecordCount()));
        } catch (const Exception&) {
            // the dataset was closed meanwhile: nothing to go back to
        }
        FData->EnableControls();
    }
    TKeepPlace(const TKeepPlace&) = delete;
    TKeepPlace& operator=(const TKeepPlace&) = delete;

private:
    TDataSet* FData;
    int FRecNo;
};

Currency Money(TDataSet* Data, const String& Field) {
    TField* f = Data->FindField(Field);
    return f && !f->IsNull() ? f->AsCurrency() : Currency();
}

// The walk of the group sheets (timesheetexcel.h). Line writes a record's row; GroupTotal writes
// the total of the group that ends at a row, and Grand the grand total.
struct TGroupSheet {
    std::function<void(TSheetWriter&)> Header;  // row 2 past "Фамилия И.О."
    std::function<void(TSheetWriter&, int Row)> Line;
    std::function<void(TSheetWriter&, int Row)> GroupTotal;
    std::function<void(TSheetWriter&, int Row)> Grand;
};

bool WriteGroupSheet(TExcelApplicationRef& App, TDataSet* Data, const String& Title, const TGroupSheet& Sheet,
                     const TSheetProgress& Progress) {
    TKeepPlace place(Data);
    if (!Begin(App)) return false;
    const int total = Data->RecordCount();
    if (Progress) Progress(0, total);
    TSheetWriter W(App);
    Data->First();
    W.Write(1, 1, Title, "TFB");
    W.Write(2, 2, QStringLiteral("Фамилия И.О."), "TFB");
    Sheet.Header(W);
    const String caption = QStringLiteral("s_nom"), id = QStringLiteral("id_nom");
    W.Write(1, 3, Text(Data, caption).trimmed(), "TFB");
    Variant group = Data->Eof() ? Variant() : Data->FieldByName(id)->AsVariant();
    int row = 4;
    while (W.Ok() && !Data->Eof()) {
        const Variant key = Data->FieldByName(id)->AsVariant();
        if (VarCompareValue(key, group) != vrEqual) {
            W.Write(2, row, QStringLiteral("ИТОГО:"), "TFB");
            Sheet.GroupTotal(W, row);
            ++row;
            W.Write(1, row, Text(Data, caption).trimmed(), "TFB");
            group = key;
            ++row;
        }
        Sheet.Line(W, row);
        Data->Next();
        ++row;
        if (Progress && W.Ok()) Progress(row - 3, total);
    }
    W.Write(2, row, QStringLiteral("ИТОГО:"), "TFB");
    Sheet.GroupTotal(W, row);
    W.Write(1, row + 1, QStringLiteral("ИТОГО:"), "TFB");
    Sheet.Grand(W, row + 1);
    if (!W.Ok()) return ShowWhatWasWritten(App);
    ExcelShow(App, true);
    return true;
}

}  // namespace

bool WriteWageSummarySheet(TExcelApplicationRef& App, TDataSet* Data, const String& Title, const TSheetProgress& Progress) {
    Currency group, group12, grand, grand12;
    const String all = QStringLiteral("sum_all"), all12 = QStringLiteral("sum_all_12");
    TGroupSheet sheet;
    sheet.Header = [](TSheetWriter& W) {
        W.Write(1, 2, QStringLiteral("Общая ЗП"), "TFB");
        W.Write(3, 2, QStringLiteral("Сумма (р.)"), "TFB");
        W.Write(4, 2, QStringLiteral("Сумма без РК (р.)"), "TFB");
    };
    sheet.Line = [&](TSheetWriter& W, int Row) {
        W.Write(2, Row, Text(Data, QStringLiteral("fio")).trimmed(), "TF");
        W.Write(3, Row, Text(Data, all), "F");
        W.Write(4, Row, Text(Data, all12), "F");
        group += Money(Data, all);
        group12 += Money(Data, all12);
    };
    sheet.GroupTotal = [&](TSheetWriter& W, int Row) {
        W.Write(3, Row, CurrToStr(group), "FB");
        W.Write(4, Row, CurrToStr(group12), "FB");
        grand += group;
        grand12 += group12;
        group = group12 = Currency();
    };
    sheet.Grand = [&](TSheetWriter& W, int Row) {
        W.Write(3, Row, CurrToStr(grand), "FB");
        W.Write(4, Row, CurrToStr(grand12), "FB");
    };
    return WriteGroupSheet(App, Data, Title, sheet, Progress);
}

bool WriteGroupTimesheetSheet(TExcelApplicationRef& App, TDataSet* Data, const String& Title, const String& SheetTitle,
                              const TSheetProgress& Progress) {
    Currency groupPay, grand;
    TGroupSheet sheet;
    sheet.Header = [&SheetTitle](TSheetWriter& W) {
        W.Write(1, 2, SheetTitle, "TFB");
        for (int d = 1; d <= 31; ++d) W.Write(d + 3, 2, QString::number(d), "FB");
        W.Write(35, 2, QStringLiteral("Итого (ч.)"), "TFB");
        W.Write(36, 2, QStringLiteral("Итого (р.)"), "TFB");
        W.Write(37, 2, QStringLiteral("Час (р.)"), "TFB");
    };
    sheet.Line = [&](TSheetWriter& W, int Row) {
        W.Write(2, Row, Text(Data, QStringLiteral("fio")).trimmed(), "TF");
        W.Write(3, Row, Text(Data, QStringLiteral("s_night")), "TF");
        for (int d = 1; d <= 31; ++d) W.Write(d + 3, Row, Text(Data, QStringLiteral("d%1").arg(d)), "F");
        W.Write(35, Row, Text(Data, QStringLiteral("i_time")), "F");
        W.Write(36, Row, Text(Data, QStringLiteral("f_price")), "F");
        W.Write(37, Row, Text(Data, QStringLiteral("average_price")), "F");
        groupPay = Money(Data, QStringLiteral("f_price_nom"));
    };
    sheet.GroupTotal = [&](TSheetWriter& W, int Row) {
        W.Write(36, Row, CurrToStr(groupPay), "FB");
        grand += groupPay;
        groupPay = Currency();
    };
    sheet.Grand = [&](TSheetWriter& W, int Row) { W.Write(36, Row, CurrToStr(grand), "FB"); };
    return WriteGroupSheet(App, Data, Title, sheet, Progress);
}

bool WriteMonthlySheet(TExcelApplicationRef& App, TDataSet* Data, int Mode, const String& Title,
                       const TSheetProgress& Progress) {
    TKeepPlace place(Data);
    if (!Begin(App)) return false;
    const bool night = Mode == tmAuxiliary || Mode == tmAverageRate;
    const bool rate = Mode != tmTotal;
    const int total = Data->RecordCount();
    if (Progress) Progress(0, total);
    TSheetWriter w(App);
    Data->First();
    w.Write(1, 1, Title, "TFB");
    w.Write(1, 2, QStringLiteral("Фамилия И.О."), "TFB");
    for (int d = 1; d <= 31; ++d) w.Write(d + 2, 2, QString::number(d), "FB");
    w.Write(35, 2, QStringLiteral("Итого (р.)"), "TFB");
    w.Write(34, 2, QStringLiteral("Итого (ч.)"), "TFB");
    if (rate) w.Write(36, 2, QStringLiteral("Час (р.)"), "TFB");
    int row = 3;
    while (w.Ok() && !Data->Eof()) {
        w.Write(1, row, Text(Data, QStringLiteral("fio")), "TF");
        if (night) w.Write(2, row, Text(Data, QStringLiteral("s_night")), "TF");
        for (int d = 1; d <= 31; ++d) w.Write(d + 2, row, Text(Data, QStringLiteral("d%1").arg(d)), "F");
        w.Write(34, row, Text(Data, QStringLiteral("i_time")), "F");
        w.Write(35, row, Text(Data, QStringLiteral("f_price")), "F");
        if (rate) w.Write(36, row, Text(Data, QStringLiteral("average_price")), "F");
        Data->Next();
        ++row;
        if (Progress && w.Ok()) Progress(row - 3, total);
    }
    if (!w.Ok()) return ShowWhatWasWritten(App);
    ExcelShow(App, true);
    return true;
}

bool WriteAllShiftSheet(TExcelApplicationRef& App, TDataSet* Data, const String& Title, const TSheetProgress& Progress) {
    if (!Begin(App)) return false;
    const int total = Data->RecordCount();
    if (Progress) Progress(0, total);
    TSheetWriter w(App);
    Data->First();
    w.Write(1, 1, Title, "TFB");
    w.Write(1, 2, QStringLiteral("Фамилия И.О."), "TFB");
    for (int d = 1; d <= 31; ++d) w.Write(d + 1, 2, QString::number(d), "FB");
    w.Write(33, 2, QStringLiteral("Итого"), "TFB");
    int row = 3;
    while (w.Ok() && !Data->Eof()) {
        w.Write(1, row, Text(Data, QStringLiteral("fio")), "TF");
        long long sum = 0;
        for (int d = 1; d <= 31; ++d) {
            TField* f = Data->FindField(QStringLiteral("sd%1").arg(d));
            if (!f) continue;
            w.Write(d + 1, row, f->DisplayText(), "F");
            if (!f->IsNull()) sum += f->AsLargeInt();
        }
        w.Write(33, row, QString::number(sum), "F");
        Data->Next();
        ++row;
        if (Progress && w.Ok()) Progress(row - 3, total);
    }
    if (!w.Ok()) return ShowWhatWasWritten(App);
    ExcelShow(App, true);
    return true;
}
