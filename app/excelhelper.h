// Sends a table to the spreadsheet application through automation: attach to a running
// "Excel.Application" or start one, open a workbook or add a new one, write texts into cells and
// show the application. The workbook is left open for the user; the program never saves it.
//
// Every failure is shown in a message box and answered with -1, so callers only test for -1; a
// caller that writes many cells stops at the first -1, so a broken application costs one message.
// The routines work on an application variable: the program-wide ExcelApp (the short routines),
// SheetExcelApp (the per-shift timesheet's sheet) or one the caller holds for one export.
#pragma once

#include "platform/office/excel.h"
#include "platform/rtl/system.h"

// The automation object of the short routines: empty at start-up, the application after ExcelOpen.
extern TExcelApplicationRef ExcelApp;
// The program-wide application of the timesheet sheets, kept from one export to the next.
extern TExcelApplicationRef SheetExcelApp;

// Opens the named workbook, or adds a new one when the name is empty, on the running application
// or a new one (when neither works, App keeps what it held). 1 on success; -1 when no workbook
// could be opened or added (after the messages).
int ExcelOpen(TExcelApplicationRef& App, const String& FileName);
// Sets the application's visibility; does nothing while App is empty. Returns 1. Each workbook that
// becoming visible shows, the user is told the file of, or, when nothing could open it, asked where
// to save it (a cancel leaves it in its temporary file, which the user is told too).
int ExcelShow(TExcelApplicationRef& App, bool Visible);
// Writes Text into Cells[Row, Col] of worksheet Sheet (all from 1): with AsText the cell gets the
// text format first, with AutoFit its column is fitted afterwards, and its type is made bold or
// not as Bold says. An empty text writes nothing and returns 1. 1 when written, -1 after the
// error message.
int ExcelWriteCellFormatted(TExcelApplicationRef& App, int Sheet, int Col, int Row, const String& Text, bool AsText,
                            bool AutoFit, bool Bold);

// The short routines on ExcelApp.
int ExcelOpen(const String& FileName);
int ExcelShow(bool Visible);
// Writes Text into Cells[Row, Col] of worksheet Sheet, without touching its format.
int ExcelWriteCell(int Sheet, int Col, int Row, const String& Text);
