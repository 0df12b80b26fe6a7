// Text printables whose text is computed at print time: a dataset field with an optional display
// mask (TRpDBText), the result of a report expression, optionally aggregated over the records it
// is notified of (TRpExpr), and a system value after a fixed prefix (TRpSysData). Each puts its
// text into the label's print caption and prints through the label's layout.
#pragma once

#include "report/rplabels.h"

class TDataSet;
class TField;
class TRpEvaluator;
struct TRpEvResult;

class TRpDBText : public TRpCustomLabel {
    SDELKA_CLASS(TRpDBText, TRpCustomLabel)
protected:
    explicit TRpDBText(TComponent* AOwner);
    ~TRpDBText() override = default;

public:
    static void Published(TPublished<TRpDBText>& P);

    bool GetCaptionBased() override { return !IsMemo; }
    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void Unprepare() override;
    String GetFieldString() override;
    void GetExpandedHeight(Extended& NewHeight) override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value);
    String DataField() const { return FDataField; }
    void SetDataField(const String& Value);
    String Mask() const { return FMask; }
    void SetMask(const String& Value) { FMask = Value; }
    TField* Field() const { return FField; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    bool MirrorsAlignment() const override;

private:
    // The text of the current record's value; ForPrint also formats SQL time stamps by the mask.
    // A memo field fills the lines instead and answers the print caption unchanged.
    String FieldText(bool ForPrint);

    TField* FField = nullptr;
    int FieldNo = 0;
    bool FieldOK = false;
    String DataSourceName;
    TDataSet* FDataSet = nullptr;
    String FDataField;
    String FMask;
    bool IsMemo = false;
};

class TRpExpr : public TRpCustomLabel {
    SDELKA_CLASS(TRpExpr, TRpCustomLabel)
protected:
    explicit TRpExpr(TComponent* AOwner);
    ~TRpExpr() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpExpr>& P);

    void Prepare() override;
    void Print(int OfsX, int OfsY) override;
    void Unprepare() override;
    void ControllerNotify(int Operation) override;
    // The expression editor (TRpExprEditor).
    TClass GetEditorClass() override;

    String Expression() const { return FExpression; }
    void SetExpression(const String& Value);
    String Mask() const { return FMask; }
    void SetMask(const String& Value);
    TComponent* Master() const { return FMaster; }
    void SetMaster(TComponent* Value);
    bool ResetAfterPrint() const { return FResetAfterPrint; }
    void SetResetAfterPrint(bool Value) { FResetAfterPrint = Value; }
    // The evaluator's value when prepared, otherwise an error result.
    TRpEvResult Value();
    // Clears the aggregates.
    void Reset();
    TRpEvaluator* Evaluator() const { return FEvaluator; }

    // The printed text of a result under a mask.
    static String FormatResult(const TRpEvResult& Result, const String& Mask);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TRpEvaluator* FEvaluator = nullptr;
    String FExpression;
    String FMask;
    TComponent* FMaster = nullptr;
    bool FResetAfterPrint = false;
};

enum TRpSysDataType { rpsTime, rpsDate, rpsDateTime, rpsPageNumber, rpsReportTitle, rpsDetailCount, rpsDetailNo };

// The design-time name of a system value kind.
String RpSysDataName(TRpSysDataType Value);

class TRpSysData : public TRpCustomLabel {
    SDELKA_CLASS(TRpSysData, TRpCustomLabel)
protected:
    explicit TRpSysData(TComponent* AOwner);
    ~TRpSysData() override = default;

public:
    void AfterConstruction() override;
    static void Published(TPublished<TRpSysData>& P);

    void Print(int OfsX, int OfsY) override;

    TRpSysDataType Data() const { return FData; }
    void SetData(TRpSysDataType Value);
    String Text() const { return FText; }
    void SetText(const String& Value);

private:
    void DesignCaption();

    TRpSysDataType FData = rpsTime;
    String FText;
};
