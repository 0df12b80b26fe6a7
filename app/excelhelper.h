// Sends a table to the spreadsheet application through automation: attach to a running
// "Excel.Application" or start one, open a workbook or add a new one, write texts into cells and
// show the application. The workbook is left open for the user; the program never saves it.
#pragma once

#include "platform/office/excel.h"
#include "platform/rtl/system.h"

// The automation object of these routines: empty at start-up, the application after ExcelOpen.
extern TExcelApplicationRef ExcelApp;

// Opens the named workbook, or adds a new one when the name is empty. 1 on success; -1 when no
// workbook could be opened or added (after the messages).
int ExcelOpen(const String& FileName);
// Sets the application's visibility; does nothing before a successful open. Returns 1.
int ExcelShow(bool Visible);
// Writes Text into Cells[Row, Col] of worksheet Sheet (all from 1). An empty text writes nothing.
// 1 when written or skipped, -1 after an error message.
int ExcelWriteCell(int Sheet, int Col, int Row, const String& Text);
