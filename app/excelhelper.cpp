#include "app/excelhelper.h"

#include "platform/gui/dialogs.h"

TExcelApplicationRef ExcelApp;

namespace {
const String ExcelClass = QStringLiteral("Excel.Application");
const String ErrorCaption = QStringLiteral("Ошибка");
}  // namespace

int ExcelOpen(const String& FileName) {
    try {
        ExcelApp = GetActiveOleObject(ExcelClass);
    } catch (const Exception&) {
        try {
            ExcelApp = CreateOleObject(ExcelClass);
        } catch (const Exception&) {
            // The previous object, if any, stays: the workbook step below runs against it.
            MessageBox(nullptr, QStringLiteral("Невозможно открыть Microsoft Excel."), ErrorCaption, MB_OK | MB_ICONERROR);
        }
    }
    try {
        if (!ExcelApp) throw EOleError(QStringLiteral("Variant is not an automation object"));
        TExcelWorkbooks* Books = ExcelApp->Workbooks();
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

int ExcelShow(bool Visible) {
    if (ExcelApp) ExcelApp->SetVisible(Visible);
    return 1;
}

int ExcelWriteCell(int Sheet, int Col, int Row, const String& Text) {
    if (Text.isEmpty()) return 1;
    const String Error = QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3").arg(Sheet).arg(Col).arg(Row);
    TExcelWorksheet* WorkSheet = nullptr;
    try {
        if (!ExcelApp) throw EOleError(QStringLiteral("Variant is not an automation object"));
        WorkSheet = ExcelApp->Worksheets(Sheet);
    } catch (const Exception&) {
        MessageBox(nullptr, Error, QStringLiteral("Ошибочный номер листа Microsoft Excel"), MB_OK | MB_ICONERROR);
        return -1;
    }
    try {
        WorkSheet->Cells(Row, Col).SetValue(Text);
    } catch (const Exception&) {
        MessageBox(nullptr, Error, QStringLiteral("Ошибка Microsoft Excel"), MB_OK | MB_ICONERROR);
        return -1;
    }
    return 1;
}
