#include "app/timesheetexcel.h"

#include "app/timesheetdata.h"
#include "platform/db/db.h"

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

}  // namespace

bool WriteMonthlySheet(TExcelApplicationRef& App, TDataSet* Data, int Mode, const String& Title,
                       const TSheetProgress& Progress) {
    const int recNo = Data->RecNo();
    Data->DisableControls();
    struct TRestore {
        TDataSet* Data;
        int RecNo;
        ~TRestore() {
            try {
                if (Data->Active() && RecNo > 0 && !Data->IsEmpty()) Data->SetRecNo(std::min(RecNo, Data->RecordCount()));
            } catch (const Exception&) {
                // the dataset was closed meanwhile: nothing to go back to
            }
            Data->EnableControls();
        }
    } restore{Data, recNo};

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
