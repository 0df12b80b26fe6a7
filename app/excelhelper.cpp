#include "app/excelhelper.h"

#include "platform/gui/dialogs.h"
#include "platform/rtl/fileutils.h"

TExcelApplicationRef ExcelApp;
TExcelApplicationRef SheetExcelApp;

namespace {

const String ExcelClass = QStringLiteral("Excel.Application");
const String ErrorCaption = QStringLiteral("Ошибка");

struct TCellFormat {
    bool Apply = false;  // the short routine leaves the format alone
    bool AsText = false;
    bool AutoFit = false;
    bool Bold = false;
};

int WriteCell(TExcelApplicationRef& App, int Sheet, int Col, int Row, const String& Text, const TCellFormat& Format) {
    if (Text.isEmpty()) return 1;
    const String Error = QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3").arg(Sheet).arg(Col).arg(Row);
    TExcelWorksheet* WorkSheet = nullptr;
    try {
        if (!App) throw EOleError(QStringLiteral("Variant is not an automation object"));
        WorkSheet = App->Worksheets(Sheet);
    } catch (const Exception&) {
        MessageBox(nullptr, Error, QStringLiteral("Ошибочный номер листа Microsoft Excel"), MB_OK | MB_ICONERROR);
        return -1;
    }
    try {
        TExcelRange Cell = WorkSheet->Cells(Row, Col);
        if (Format.Apply && Format.AsText) Cell.SetNumberFormat(QStringLiteral("@"));
        Cell.SetValue(Text);
        if (Format.Apply) {
            if (Format.AutoFit) WorkSheet->Columns(Col).AutoFit();
            Cell.Font().SetBold(Format.Bold);
        }
    } catch (const Exception&) {
        MessageBox(nullptr, Error, QStringLiteral("Ошибка Microsoft Excel"), MB_OK | MB_ICONERROR);
        return -1;
    }
    return 1;
}

// Tells the user where each workbook just shown lies; one that nothing on this computer could
// open is offered for saving where the user wants it.
void TellWhereShown(TExcelApplication* App) {
    const String caption = QStringLiteral("Microsoft Excel");
    for (TExcelWorkbook* Book : App->LastShown()) {
        const String file = Book->ShownFileName();
        if (Book->ShownFileOpened()) {
            MessageBox(nullptr, QStringLiteral("Книга открыта в Microsoft Excel. Она записана в файл:\n%1").arg(file), caption,
                       MB_OK | MB_ICONINFORMATION);
            continue;
        }
        TOwned<TSaveDialog> dialog = NewOwned<TSaveDialog>(nullptr);
        dialog->SetTitle(QStringLiteral("Книгу нечем открыть. Сохранить книгу как"));
        dialog->SetFilter(QStringLiteral("Книга Excel (*.xlsx)|*.xlsx"));
        dialog->SetDefaultExt(QStringLiteral("xlsx"));
        dialog->SetFileName(ExtractFileName(file));
        dialog->SetOptions({ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing});
        if (!dialog->Execute()) {
            MessageBox(nullptr, QStringLiteral("Книгу нечем открыть. Она осталась в файле:\n%1").arg(file), caption,
                       MB_OK | MB_ICONWARNING);
            continue;
        }
        const String target = dialog->FileName();
        try {
            Book->SaveAs(target);
            MessageBox(nullptr, QStringLiteral("Книга сохранена в файл:\n%1").arg(target), caption, MB_OK | MB_ICONINFORMATION);
        } catch (const Exception& E) {
            MessageBox(nullptr,
                       QStringLiteral("Книгу не удалось сохранить в файл %1: %2\nОна осталась в файле:\n%3").arg(target, E.Message(), file),
                       ErrorCaption, MB_OK | MB_ICONERROR);
        }
    }
}

}  // namespace

int ExcelOpen(TExcelApplicationRef& App, const String& FileName) {
    try {
        App = GetActiveOleObject(ExcelClass);
    } catch (const Exception&) {
        try {
            App = CreateOleObject(ExcelClass);
        } catch (const Exception&) {
            // The previous object, if any, stays: the workbook step below runs against it.
            MessageBox(nullptr, QStringLiteral("Невозможно открыть Microsoft Excel."), ErrorCaption, MB_OK | MB_ICONERROR);
        }
    }
    try {
        if (!App) throw EOleError(QStringLiteral("Variant is not an automation object"));
        TExcelWorkbooks* Books = App->Workbooks();
        if (!FileName.isEmpty())
            Books->Open(FileName);
        else
            Books->Add();
    } catch (const Exception&) {
        MessageBox(nullptr, QStringLiteral("Ошибка открытия файла Microsoft Excel."), ErrorCaption, MB_OK | MB_ICONERROR);
        return -1;
    }
    return 1;
}

int ExcelShow(TExcelApplicationRef& App, bool Visible) {
    if (!App) return 1;
    App->SetVisible(Visible);
    if (Visible) TellWhereShown(App.get());
    return 1;
}

int ExcelWriteCellFormatted(TExcelApplicationRef& App, int Sheet, int Col, int Row, const String& Text, bool AsText,
                            bool AutoFit, bool Bold) {
    return WriteCell(App, Sheet, Col, Row, Text, TCellFormat{true, AsText, AutoFit, Bold});
}

int ExcelOpen(const String& FileName) { return ExcelOpen(ExcelApp, FileName); }

int ExcelShow(bool Visible) { return ExcelShow(ExcelApp, Visible); }

int ExcelWriteCell(int Sheet, int Col, int Row, const String& Text) {
    return WriteCell(ExcelApp, Sheet, Col, Row, Text, TCellFormat{});
}
