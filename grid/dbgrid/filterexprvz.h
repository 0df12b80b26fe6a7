// The filter-text language of the data grid's filter row: a column's condition («=5», «<>Null»,
// «in ('a','b')», «>=10 AND <20», a bare value) parsed into a TSTFilterExpressionVz, and the
// builder that turns the expressions of a grid's columns into one dataset filter string (the
// in-memory dataset's filter language, never SQL).
//
// Numbers are written and read invariantly ("." decimal) in both the filter texts and the
// dataset filter strings, so a text typed on one machine means the same on another; a number
// that does not read invariantly is tried once more with the format settings' decimal.
#pragma once

#include "platform/db/fields.h"
#include "platform/rtl/variant.h"

#include <array>
#include <functional>

class TDataSet;
class ISTFilterGridVz;

enum TSTOperandTypeVz { botNon, botString, botNumber, botDateTime, botBoolean };

enum TSTFilterOperatorVz {
    foNon, foEqual, foNotEqual, foGreaterThan, foLessThan, foGreaterOrEqual, foLessOrEqual, foLike,
    foNotLike, foIn, foNotIn, foNull, foNotNull, foAND, foOR, foValue, foEqualToNull, foNotEqualToNull
};
inline constexpr int FilterOperatorCount = foNotEqualToNull + 1;

enum TSTFilterDefaultOperatorVz {
    fdoAuto, fdoEqual, fdoNotEqual, fdoGreaterThan, fdoLessThan, fdoGreaterOrEqual, fdoLessOrEqual,
    fdoLike, fdoNotLike, fdoIn, fdoNotIn, fdoBeginsWith, fdoDoesntBeginWith, fdoEndsWith,
    fdoDoesntEndWith, fdoContains, fdoDoesntContain
};

// One column's condition: one operation, or two joined by AND / OR. Operands are Null, a single
// value or a zero-based Variant array (IN lists).
struct TSTFilterExpressionVz {
    TSTOperandTypeVz ExpressionType = botNon;
    TSTFilterOperatorVz Operator1 = foNon;
    Variant Operand1 = Null();
    TSTFilterOperatorVz Relation = foNon;
    TSTFilterOperatorVz Operator2 = foNon;
    Variant Operand2 = Null();
};

// Symbols of the text form, dataset-filter texts of the operators, field-name brackets.
extern const std::array<const char16_t*, FilterOperatorCount> FilterOperatorSymbols;
extern const std::array<const char16_t*, FilterOperatorCount> FilterOperatorSQLTexts;
extern String FilterFieldNameOpen;
extern String FilterFieldNameClose;
// The operand kind of each field type.
TSTOperandTypeVz FieldTypeOperandType(TFieldType Type);

void ClearFilterExpression(TSTFilterExpressionVz& Expression);

// Parses Text into Expression. A text error raises Exception with the language text followed by
// the whole text; conversion errors of numbers and dates pass through. The expression is
// written only when the parse succeeds, so a failed parse leaves the previous one in force.
// ExpressionType is the caller's and is kept.
void ParseColumnFilterText(const String& Text, TSTFilterExpressionVz& Expression,
                           TSTFilterDefaultOperatorVz DefaultOperator);

// The text form of an expression («= 5», «~ 'ab%'», «In (1,2)», «>= 10 AND <= 20»), which reads
// back to the same expression. Dates keep their time when it is not midnight.
String FilterExpressionAsText(const TSTFilterExpressionVz& Expression);
// One operand of the text form: a number invariantly, a date (with its time when not midnight),
// anything else quoted with its quotes doubled.
String FilterOperandText(const Variant& Value);

using DateValueToTextProc = std::function<String(TDataSet* DataSet, const Variant& Value)>;
using TBuildFilterOperationTextProc =
    std::function<String(TSTFilterOperatorVz Operator, const Variant& Operand, const String& FieldName,
                         TDataSet* DataSet, const DateValueToTextProc& DateValueToText, bool SupportsLike,
                         bool NullAsEqualsNull, bool UseInSyntax)>;

// The literal of an operand in a dataset filter string.
String FilterOperandLiteral(const Variant& Value, TDataSet* DataSet, const DateValueToTextProc& DateValueToText);
// One operation of a dataset filter string; the result starts with a blank or "(".
String BuildFilterOperationText(TSTFilterOperatorVz Operator, const Variant& Operand, const String& FieldName,
                                TDataSet* DataSet, const DateValueToTextProc& DateValueToText, bool SupportsLike,
                                bool NullAsEqualsNull, bool UseInSyntax);
// An operation over several fields ("A;B"): one condition per field joined by AND.
String BuildMultiFieldFilterText(TSTFilterOperatorVz Operator, const Variant& Operand, const String& FieldNames,
                                 TDataSet* DataSet, const DateValueToTextProc& DateValueToText);
// The dataset filter string of all filtered columns of a grid ("" when none).
String BuildGridFilterText(ISTFilterGridVz* Grid, const TBuildFilterOperationTextProc& Builder,
                           const DateValueToTextProc& DateValueToText, bool UseFieldOrigin, bool SupportsLike,
                           bool NullAsEqualsNull, bool UseInSyntax);
