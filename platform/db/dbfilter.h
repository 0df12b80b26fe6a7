// Filter expressions of datasets: the text of Filter parsed into a tree that a dataset
// evaluates against its current record (or whatever record its field reads show).
//
// Syntax (case-insensitive keywords):
//   expr     := term { OR term }          term := factor { AND factor }
//   factor   := NOT factor | compare
//   compare  := sum [ ( = | <> | < | > | <= | >= ) sum
//                   | IS [NOT] NULL | [NOT] LIKE sum | [NOT] IN ( sum {, sum} ) ]
//   sum      := product { ( + | - ) product }      product := unary { ( * | / ) unary }
//   unary    := - unary | primary
//   primary  := number | 'text' | NULL | TRUE | FALSE | name | [name with blanks]
//             | function ( [ expr {, expr} ] ) | ( expr )
// Functions: UPPER LOWER SUBSTRING(s, from[, len]) TRIM TRIMLEFT TRIMRIGHT YEAR MONTH DAY HOUR
// MINUTE SECOND GETDATE DATE TIME.
//
// Evaluation: a text constant compared with a date, number or Boolean field is read as that
// type (dates in the settings' short format); "= NULL" and "<> NULL" mean IS NULL and IS NOT
// NULL; any other comparison with Null is false. Texts compare case-insensitively with
// foCaseInsensitive; unless foNoPartialCompare, a text constant ending in '*' compared with
// = or <> matches texts that start with what comes before the '*'. LIKE takes % (any run) and
// _ (one character); "\%", "\_" and "\\" stand for themselves.
#pragma once

#include "platform/db/db.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

// The framework's operator codes of a filter tree.
enum TCANOperator {
    coNOTDEFINED, coISBLANK, coNOTBLANK, coEQ, coNE, coGT, coLT, coGE, coLE, coNOT, coAND, coOR,
    coTUPLE2, coFIELD2, coCONST2, coMINUS, coADD, coSUB, coMUL, coDIV, coMOD, coREM, coSUM,
    coCOUNT, coMIN, coMAX, coAVG, coCONT, coUDF2, coCONTINUE2, coLIKE, coIN, coLIST2, coUPPER,
    coLOWER, coFUNC2, coLISTELEM2, coASSIGN
};

enum TExprNodeKind { enField, enConst, enOperator, enFunc, enList };

struct TExprNode {
    TExprNodeKind Kind = enConst;
    TCANOperator Operator = coNOTDEFINED;
    String Name;               // field or function name (upper case for functions)
    Variant Value;             // constants
    bool TextConst = false;    // a constant written as quoted text
    std::vector<std::unique_ptr<TExprNode>> Args;
};

class TFilterExpr {
public:
    // Parses Text; a syntax error raises EDatabaseError with the position ("... at %d"). An
    // empty text gives an expression that accepts everything.
    TFilterExpr(TDataSet* DataSet, const String& Text, TFilterOptions Options = {});
    ~TFilterExpr();

    bool IsEmpty() const { return !FRoot; }
    const TExprNode* Root() const { return FRoot.get(); }
    const String& Text() const { return FText; }
    TFilterOptions Options() const { return FOptions; }
    // Field names the expression reads.
    const std::vector<String>& FieldNames() const { return FFieldNames; }
    // Reads a field's value; the default asks the dataset (FieldByName(Name)->AsVariant()).
    std::function<Variant(const String& Name)> GetFieldValue;
    // The value of the expression for the record the dataset's fields show.
    Variant Evaluate() const;
    // True when the expression is True (Null counts as False); an empty expression accepts.
    bool Accept() const;

private:
    Variant Eval(const TExprNode* Node) const;
    Variant FieldValue(const String& Name) const;
    TFieldType FieldTypeOf(const TExprNode* Node) const;
    bool Compare(TCANOperator Op, const TExprNode* L, const TExprNode* R) const;

    TDataSet* FDataSet;
    String FText;
    TFilterOptions FOptions;
    std::unique_ptr<TExprNode> FRoot;
    std::vector<String> FFieldNames;
};

// LIKE matching: % any run, _ one character, a backslash makes the next character stand for itself
// (as SQL's LIKE with its default escape does).
bool MatchLike(const String& Text, const String& Pattern, bool CaseInsensitive);

// ---- parsed-expression bytes ---------------------------------------------------------------------
// TExprParser writes a filter or aggregate text as the framework's parsed-expression data, which
// evaluators outside the dataset core walk by offsets. Layout (little-endian):
//   0..7   header words (0); 8..9 the offset of the literal area from the start of the data;
//   10..   nodes; a node reference is an offset relative to byte 10 (the root is at 0).
// A node is a 32-bit node class, a 32-bit operator (TCANOperator) and 16-bit operands:
//   nodeUNARY     0 operand
//   nodeBINARY    0 left, 1 right (coIN: the first list element)
//   nodeCOMPARE   0 case-insensitive (1), 1 leading characters compared (0 = all), 2 left, 3 right
//                 (a text constant ending in '*' compared with = or <>, unless foNoPartialCompare)
//   nodeFIELD     0 field number (FieldNo, 0 when the dataset has no such field), 1 name literal
//   nodeCONST     0 type code, 1 size in bytes, 2 value literal
//   nodeFUNC      0 name literal (upper case), 1 first argument list element (0 = none)
//   nodeLISTELEM  0 expression, 1 next element (0 = end)
// Literal offsets count from the literal area; names are zero-terminated UTF-8. Constants carry
// the code the field map gives for their type: ftInteger 32-bit, ftLargeint 64-bit, ftFloat
// 64-bit float, ftBoolean 16-bit (not 0 = True), ftDate a 32-bit day count from 1 January of
// year 1 (day 1), ftTime 32-bit milliseconds since midnight, ftDateTime a 64-bit float count of
// milliseconds from year 1; texts have the code ExprUnicodeTextCode (a 16-bit byte count, then
// UTF-16), Null the code ExprNullCode and no bytes. A text constant compared with a field is
// written as a value of the field's type, as the evaluation of TFilterExpr reads it. Unary minus
// becomes 0 - operand.
enum TExprNodeClass { nodeNULL, nodeUNARY, nodeBINARY, nodeCOMPARE, nodeFIELD, nodeCONST, nodeTUPLE, nodeCONTINUE,
                      nodeUDF, nodeLIST, nodeFUNC, nodeLISTELEM };
enum TParserOption { poExtSyntax, poAggregate, poDefaultExpr, poUseOrigNames, poFieldNameGiven, poFieldDepend };
using TParserOptions = TSet<TParserOption>;
using TExprData = std::vector<unsigned char>;
// The constant type code of each field type.
using TFieldMap = std::array<int, FieldTypeCount>;
inline constexpr int ExprUnicodeTextCode = 4103;
inline constexpr int ExprNullCode = 4104;
inline constexpr int ExprHeaderSize = 10;

class TExprParser {
public:
    // Parses Text (aggregate functions SUM, MIN, MAX, AVG, COUNT and COUNT(*) with poAggregate);
    // syntax errors raise as TFilterExpr's do. FieldName and DepFields are kept for callers that
    // name the field an expression belongs to; nothing here reads them.
    TExprParser(TDataSet* DataSet, const String& Text, TFilterOptions Options, TParserOptions ParserOptions,
                const String& FieldName, void* DepFields, const TFieldMap& FieldMap);
    const TExprData& FilterData() const { return FData; }
    int DataSize() const { return static_cast<int>(FData.size()); }

private:
    TExprData FData;
};
