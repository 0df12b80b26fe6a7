// Value routines of the grid library: Variant equality and ordering with Null first, display and
// culture-independent texts, date-time helpers, text search with whole-word matching, range
// insertion and deletion in Variant arrays, field-list helpers for data sets, and a few small
// geometry routines.
#pragma once

#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/variant.h"

#include <vector>


class TComponent;
class TField;
class TFieldListVz;

using TVariantArrayVz = std::vector<Variant>;
using TFieldsArrVz = std::vector<TField*>;

enum TCalendarDateTimeUnitVz {
    cdtuYearVz, cdtuMonthVz, cdtuDayVz, cdtuHourVz, cdtuMinuteVz, cdtuSecondVz, cdtuAmPmVz
};
using TCalendarDateTimeUnitsVz = TSet<TCalendarDateTimeUnitVz, 7>;

// The characters that separate whole words in text searches.
const String& WholeWordDelimitersVz();

// ---- Variants ----------------------------------------------------------------------------------------
// Equality that never raises: an array never equals a non-array, arrays of the same shape compare
// element by element (empty arrays are unequal), Empty equals only Empty.
bool VarEqualsVz(const Variant& V1, const Variant& V2);
// Ordering with Null before every value; arrays of the same shape compare element by element.
TVariantRelationship CompareVarValuesVz(const Variant& V1, const Variant& V2);
// A date through DateTimeToStr, anything else VarToStr.
String VarToDisplayStrVz(const Variant& V);
// An array as "[a, b, [c, d]]", anything else VarToStr.
String VarArrayToStrVz(const Variant& V);
// The value as the field shows it, or by the explicit format (empty: the field's display format).
String FormatFieldValueVz(const Variant& Value, TField* Field, const String& Format);
// Culture-independent text of a value (decimal ".", dates as yyyy-mm-dd) and back.
String VarToInvariantStrVz(const Variant& V);
Variant InvariantStrToVarVz(const String& S, TVarType VarType);
// FloatToStr with "." as the decimal separator.
String FloatToStrDotVz(Extended Value);
bool VarIsNumericVz(const Variant& V);

// ---- dates ------------------------------------------------------------------------------------------
TDateTime ClearMillisecondsVz(TDateTime Value);
// Keeps the day of DateTime and puts the time of Source in (subtracted for days before 1899-12-30).
void ReplaceTimePartVz(TDateTime& DateTime, TDateTime Source);
// The elements a date-time format shows (quoted runs do not count).
TCalendarDateTimeUnitsVz GetDateTimeFormatElementsVz(const String& Format);
// The user's clock: 24-hour, and whether the AM/PM designator comes first.
void GetLocaleTimeFormatVz(bool& Is24Hour, bool& IsAmPmFirst);

// ---- texts ------------------------------------------------------------------------------------------
// 1-based position of SubText in Text at or after StartPos, 0 when absent or SubText is empty.
// With WholeWord the hit's neighbours must be delimiters or the ends of the text.
Integer FindTextPosVz(const String& SubText, const String& Text, bool CaseInsensitive, Integer StartPos,
                      bool WholeWord);
// The library's pluggable text-position routine for case-insensitive hit finding (installed by
// the data grid; nil: FindTextPosVz on upper-cased texts).
using TTextPosFuncVz = Integer (*)(const String& SubText, const String& Text, bool CaseInsensitive, Integer StartPos,
                                   bool WholeWord);
extern TTextPosFuncVz TextPosFuncVz;
// Every hit (0-based) of SubText in Text. With FromBeginning only the first hit is taken and the
// result says whether it starts the text; otherwise whether there is any hit.
bool FindAllTextPosVz(const String& Text, const String& SubText, std::vector<int>& Positions, bool CaseInsensitive,
                      bool WholeWord, bool FromBeginning);
// Index of the first item equal to Text (loPartialKey: starting with it), -1 when none.
int LocateInStringsVz(TStrings* Strings, const String& Text, TLocateOptions Options);

// ---- Variant arrays -------------------------------------------------------------------------------
// Opens Amount slots at StartIndex (new slots at the end are Empty; inside they keep old contents).
void ArrayInsertRange(TVariantArrayVz& Extents, int StartIndex, int Amount);
void ArrayDeleteRange(TVariantArrayVz& Extents, int StartIndex, int Amount);

// ---- data-set fields ------------------------------------------------------------------------------
// The fields named in a ";"-separated list, added to List (may be nil); "Field '%s' not found"
// for a missing one.
void GetFieldsListByNamesVz(TFieldListVz* List, TDataSet* DataSet, TComponent* Component, const String& Names);
TFieldsArrVz GetFieldsArrayByNamesVz(TDataSet* DataSet, TComponent* Component, const String& Names);
// Null clears every named field; anything else goes to FieldValues[Names].
void SetDataSetFieldValuesVz(TDataSet* DataSet, const String& Names, const Variant& Value);
// One field: its value; several: a Variant array of their values.
Variant GetFieldsValuesVz(const TFieldsArrVz& Fields);
bool FieldListCanModifyVz(TFieldListVz* Fields);
bool FieldsArrayCanModifyVz(const TFieldsArrVz& Fields);
bool IsNumericFieldTypeVz(TFieldType FieldType);
bool IsStringFieldTypeVz(TFieldType FieldType);

inline int IfThenIntVz(bool Condition, int TrueValue, int FalseValue) { return Condition ? TrueValue : FalseValue; }
inline void SwapIntegersVz(int& A, int& B) { const int t = A; A = B; B = t; }
