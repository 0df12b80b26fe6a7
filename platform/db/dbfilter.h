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
// _ (one character).
#pragma once

#include "platform/db/db.h"

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

// LIKE matching: % any run, _ one character.
bool MatchLike(const String& Text, const String& Pattern, bool CaseInsensitive);
