// The additional expression functions: report counters, the locale's currency and names,
// conversions, date and time arithmetic on texts, INI files and the registry, and lookups of
// components, datasets and fields on the open forms. Each starts from an error result without a
// message and replaces it only when it succeeds; nothing raises out of them.
//
// Also here: the searches of named components and of the first report, the day-number
// arithmetic of CALCDATE, and the lookups of published properties by name.
#pragma once

#include "report/rpevfunctions.h"

#include <functional>

class TComponent;

// Registers the 28 functions (called once by the start of the expression unit).
void RegisterAdditionalFunctions();
// Registers Item under Name unless the library has an entry of that name (not case-sensitive).
void RegisterAdditionalFunction(TRpLibraryItemClass Item, const String& Name, const String& Description,
                                const String& Vendor, const String& Data);

// What the report functions read from the report component. The report engine fills this in
// when it starts; until then PAGECOUNT, DETAILCOUNT, DETAILNO and COLUMNNO find no report and
// give their error, and GETCAPTION knows no expression printables.
struct TRpEvReportAccess {
    TClass ReportClass = nullptr;             // the report component (FindFirstReport)
    TClass PageCountReportClass = nullptr;    // what PAGECOUNT looks for under the name "RpReport"
    std::function<Integer(TComponent*)> PageCount;
    std::function<Integer(TComponent*)> RecordCount;
    std::function<Integer(TComponent*)> RecordNumber;
    std::function<Integer(TComponent*)> CurrentColumn;
    TClass ExprClass = nullptr;               // the expression printable
    std::function<String(TComponent*)> ExprCaption;
};
TRpEvReportAccess& RpEvReportAccess();

// The open forms in the screen's order, then (with DataModules) the data modules: the first
// component they own named Name that is of AClass and, when FieldName is not empty, is a dataset
// with that field.
TComponent* FindNamedComponent(const String& Name, TClass AClass, const String& FieldName,
                               bool DataModules = true);
// The first report component owned by an open form, or nullptr.
TComponent* FindFirstReport();

// Day numbers: 1 January 1900 is day 0 (1900 has no 29 February), up to 6 June 2079 (65535).
Word DateToDayNumber(Integer Day, Integer Month, Integer Year);
void DayNumberToDate(Word N, Integer& Day, Integer& Month, Integer& Year);
// Moves the date by Years and Months (the day of the month runs on past a shorter month's end),
// then by Days.
Word ShiftDayNumber(Word N, Integer Days, Integer Months, Integer Years);

bool HasPublishedProperty(TObject* Obj, const String& PropName);
// True when the property exists and its ordinal value is 1 (a true boolean).
bool PublishedPropertyIsTrue(TObject* Obj, const String& PropName);
// The property's value as text; empty when there is no such property.
String PublishedStringProperty(TObject* Obj, const String& PropName);

RP_EV_FUNCTION(TRpEvPageCountFunction)
RP_EV_FUNCTION(TRpEvDetailCountFunction)
RP_EV_FUNCTION(TRpEvDetailNoFunction)
RP_EV_FUNCTION(TRpEvColumnNoFunction)
RP_EV_FUNCTION(TRpEvCurrencyFunction)
RP_EV_FUNCTION(TRpEvQueryParamFunction)
RP_EV_FUNCTION(TRpEvStrToIntFunction)
RP_EV_FUNCTION(TRpEvStrToNumFunction)
RP_EV_FUNCTION(TRpEvGetCaptionFunction)
RP_EV_FUNCTION(TRpEvRecordCountFunction)
RP_EV_FUNCTION(TRpEvReadINIFunction)
RP_EV_FUNCTION(TRpEvReadRegistryFunction)
RP_EV_FUNCTION(TRpEvReformatDateFunction)
RP_EV_FUNCTION(TRpEvCalcDateFunction)
RP_EV_FUNCTION(TRpEvExtractDayFunction)
RP_EV_FUNCTION(TRpEvExtractMonthFunction)
RP_EV_FUNCTION(TRpEvExtractYearFunction)
RP_EV_FUNCTION(TRpEvDayOfWeekFunction)
RP_EV_FUNCTION(TRpEvDayStringFunction)
RP_EV_FUNCTION(TRpEvMonthStringFunction)
RP_EV_FUNCTION(TRpEvCalcTimeFunction)
RP_EV_FUNCTION(TRpEvTrimFunction)
RP_EV_FUNCTION(TRpEvChrFunction)
RP_EV_FUNCTION(TRpEvIsNullFunction)
RP_EV_FUNCTION(TRpEvAbsFunction)
RP_EV_FUNCTION(TRpEvFieldLenFunction)
RP_EV_FUNCTION(TRpEvPadLeftFunction)
RP_EV_FUNCTION(TRpEvPadRightFunction)
