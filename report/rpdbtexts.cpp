#include "report/rpdbtexts.h"

#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"
#include "report/rpevaluator.h"
#include "report/rpevenvironment.h"

// ---- TRpDBText -----------------------------------------------------------------------------------

TRpDBText::TRpDBText(TComponent* AOwner) : TRpCustomLabel(AOwner) {}

void TRpDBText::Published(TPublished<TRpDBText>& P) {
    P.Component("DataSet", &TRpDBText::DataSet, &TRpDBText::SetDataSet);
    P.String("DataField", &TRpDBText::DataField, &TRpDBText::SetDataField);
    P.String("Mask", &TRpDBText::Mask, &TRpDBText::SetMask);
    PublishLabelCommon(P);
    P.Boolean("AutoStretch", &TRpDBText::AutoStretch, &TRpDBText::SetAutoStretch).Default(0);
    P.Boolean("WordWrap", &TRpDBText::WordWrap, &TRpDBText::SetWordWrap).Default(1);
    P.Enum("ExportAs", &TRpDBText::ExportAs, &TRpDBText::SetExportAs, {"exptText", "exptNumeric", "exptFormula"})
        .Default(exptText);
    P.Enum("WrapStyle", &TRpDBText::WrapStyle, &TRpDBText::SetWrapStyle, {"BreakOnSpaces", "BreakAnywhere"})
        .Default(BreakOnSpaces);
    P.Boolean("FullJustify", &TRpDBText::FullJustify, &TRpDBText::SetFullJustify).Default(0);
    P.Integer("MaxBreakChars", &TRpDBText::MaxBreakChars, &TRpDBText::SetMaxBreakChars).Default(5);
    P.Integer("XLColumn", &TRpDBText::XLColumn, &TRpDBText::SetXLColumn).Default(0);
    P.Enum("VerticalAlignment", &TRpDBText::VerticalAlignment, &TRpDBText::SetVerticalAlignment,
           {"tlTop", "tlCenter", "tlBottom"})
        .Default(tlTop);
}

void TRpDBText::SetDataSet(TDataSet* Value) {
    if (Value == FDataSet) return;
    if (FDataSet) FDataSet->RemoveFreeNotification(this);
    FDataSet = Value;
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TRpDBText::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDataSet) {
        FDataSet = nullptr;
        FField = nullptr;
        FieldOK = false;
    }
}

void TRpDBText::SetDataField(const String& Value) {
    FDataField = Value;
    SetCaption(Value);
}

void TRpDBText::Prepare() {
    inherited::Prepare();
    FField = nullptr;
    FieldOK = false;
    IsMemo = false;
    if (!FDataSet) return;
    FField = FDataSet->FindField(FDataField);
    if (!FField) return;
    FieldNo = FField->Index();
    FieldOK = true;
    if (FField->Is<TBlobField>()) {
        FPrintCaption.clear();
        IsMemo = true;
    }
}

String TRpDBText::FieldText(bool ForPrint) {
    if (FieldOK && FDataSet && FDataSet->DefaultFields()) {
        // The dataset may have rebuilt its field objects.
        FField = FieldNo < FDataSet->Fields()->Count() ? FDataSet->Fields()->Fields(FieldNo) : nullptr;
    } else if (!FieldOK) {
        FField = nullptr;
    }
    TField* F = FField;
    if (!F) return String();
    try {
        if (F->Is<TBlobField>()) {
            FLines->SetText(F->AsString());
            DoneFormat = false;
            return FPrintCaption;
        }
        if (FMask.isEmpty() || F->Is<TStringField>() || F->IsNull()) return F->DisplayText();
        if (F->Is<TIntegerField>()) return FormatFloat(FMask, Extended(F->AsLargeInt()));
        if (F->Is<TBCDField>() || F->Is<TFMTBCDField>() || F->Is<TFloatField>())
            return FormatFloat(FMask, Extended(F->AsFloat()));
        if (F->Is<TDateTimeField>()) return FormatDateTime(FMask, F->AsDateTime());
        if (F->Is<TSQLTimeStampField>()) return ForPrint ? FormatDateTime(FMask, F->AsDateTime()) : F->DisplayText();
        // Booleans and every other kind show their display text (a mask would not fit them).
        return F->DisplayText();
    } catch (const Exception&) {
        return String();
    }
}

void TRpDBText::Print(int OfsX, int OfsY) {
    if (!IsPrintEnabled()) return;
    FPrintCaption = FieldText(true);
    DoneFormat = false;
    inherited::Print(OfsX, OfsY);
}

String TRpDBText::GetFieldString() {
    if (!IsPrintEnabled()) return String();
    return FieldText(false);
}

void TRpDBText::GetExpandedHeight(Extended& NewHeight) {
    FPrintCaption = GetFieldString();
    DoneFormat = false;
    inherited::GetExpandedHeight(NewHeight);
}

void TRpDBText::Unprepare() {
    FField = nullptr;
    inherited::Unprepare();
    SetCaption(FDataField.isEmpty() ? Name() : FDataField);
}

bool TRpDBText::MirrorsAlignment() const {
    if (BiDiMode() != bdRightToLeft) return false;
    if (!FField) return true;
    const TFieldType T = FField->DataType();
    return T == ftUnknown || T == ftString || T == ftBoolean || (T > ftDateTime && T != ftAutoInc);
}

// ---- TRpExpr -------------------------------------------------------------------------------------

TRpExpr::TRpExpr(TComponent* AOwner) : TRpCustomLabel(AOwner) {}

TRpExpr::~TRpExpr() = default;

void TRpExpr::AfterConstruction() {
    FEvaluator = New<TRpEvaluator>();
    inherited::AfterConstruction();
    SetExpression(String());
}

void TRpExpr::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FEvaluator);
}

void TRpExpr::Published(TPublished<TRpExpr>& P) {
    P.String("Expression", &TRpExpr::Expression, &TRpExpr::SetExpression);
    P.String("Mask", &TRpExpr::Mask, &TRpExpr::SetMask);
    P.Component("Master", &TRpExpr::Master, &TRpExpr::SetMaster);
    P.Boolean("ResetAfterPrint", &TRpExpr::ResetAfterPrint, &TRpExpr::SetResetAfterPrint).Default(0);
    PublishLabelCommon(P);
    P.Boolean("AutoStretch", &TRpExpr::AutoStretch, &TRpExpr::SetAutoStretch).Default(0);
    P.Boolean("WordWrap", &TRpExpr::WordWrap, &TRpExpr::SetWordWrap).Default(1);
    P.Enum("ExportAs", &TRpExpr::ExportAs, &TRpExpr::SetExportAs, {"exptText", "exptNumeric", "exptFormula"})
        .Default(exptText);
    P.Enum("WrapStyle", &TRpExpr::WrapStyle, &TRpExpr::SetWrapStyle, {"BreakOnSpaces", "BreakAnywhere"})
        .Default(BreakOnSpaces);
    P.Integer("XLColumn", &TRpExpr::XLColumn, &TRpExpr::SetXLColumn).Default(0);
}

void TRpExpr::SetExpression(const String& Value) {
    FExpression = Value;
    SetCaption(Value.isEmpty() ? QStringLiteral("(none)") : Value);
    Invalidate();
}

void TRpExpr::SetMask(const String& Value) {
    FMask = Value;
    SetExpression(FExpression);
}

void TRpExpr::SetMaster(TComponent* Value) {
    if (Value == FMaster) return;
    if (FMaster) FMaster->RemoveFreeNotification(this);
    FMaster = Value;
    if (FMaster) FMaster->FreeNotification(this);
}

void TRpExpr::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMaster) FMaster = nullptr;
}

TRpEvResult TRpExpr::Value() {
    TRpEvResult R;
    if (FEvaluator->Prepared())
        FEvaluator->Value(R);
    else
        R.Kind = resError;
    return R;
}

void TRpExpr::Reset() { FEvaluator->Reset(); }

void TRpExpr::ControllerNotify(int Operation) {
    inherited::ControllerNotify(Operation);
    if (Operation == 0 && FEvaluator->Prepared()) FEvaluator->DoAggregate();
}

void TRpExpr::Prepare() {
    inherited::Prepare();
    if (FParentReport) {
        FEvaluator->SetDataSets(FParentReport->AllDataSets());
        FEvaluator->SetEnvironment(FParentReport->Functions());
        // the shared environment, library and separator of the report (the process-wide ones
        // unless the report was given its own)
        if (TRpEvEnvironment* f = FParentReport->Functions()) FEvaluator->SetContext(f->Context());
    }
    FEvaluator->Prepare(FExpression);
    if (FMaster) {
        if (auto M = dynamic_cast<IRpNotifyMaster*>(FMaster)) M->AddNotifyClient(this);
    } else if (FParentReport && FEvaluator->IsAggreg()) {
        FParentReport->AddNotifyClient(this);
    }
    Reset();
}

String TRpExpr::FormatResult(const TRpEvResult& R, const String& Mask) {
    switch (R.Kind) {
        case resInt: return FormatFloat(Mask, Extended(R.intResult));
        case resDouble:
            if (Mask.contains(QStringLiteral("%m"))) return Format(Mask, {Extended(R.dblResult)});
            return FormatFloat(Mask, Extended(R.dblResult));
        case resBool: return R.booResult ? QStringLiteral("True") : QStringLiteral("False");
        case resString:
        case resError: break;
    }
    return R.StringVal;
}

void TRpExpr::Print(int OfsX, int OfsY) {
    if (!IsPrintEnabled()) return;
    FPrintCaption = FormatResult(Value(), FMask);
    DoneFormat = false;
    inherited::Print(OfsX, OfsY);
    if (FResetAfterPrint) Reset();
}

void TRpExpr::Unprepare() {
    FEvaluator->SetDataSets(nullptr);
    FEvaluator->UnPrepare();
    inherited::Unprepare();
    SetExpression(FExpression);
}

// ---- TRpSysData ----------------------------------------------------------------------------------

String RpSysDataName(TRpSysDataType Value) {
    switch (Value) {
        case rpsTime: return QStringLiteral("Time");
        case rpsDate: return QStringLiteral("Date");
        case rpsDateTime: return QStringLiteral("Date/Time");
        case rpsPageNumber: return QStringLiteral("Page#");
        case rpsReportTitle: return QStringLiteral("Report title");
        case rpsDetailCount: return QStringLiteral("Detail count");
        case rpsDetailNo: return QStringLiteral("Detail no");
    }
    return String();
}

TRpSysData::TRpSysData(TComponent* AOwner) : TRpCustomLabel(AOwner) {}

void TRpSysData::AfterConstruction() {
    inherited::AfterConstruction();
    FText.clear();
    DesignCaption();
}

void TRpSysData::Published(TPublished<TRpSysData>& P) {
    P.Enum("Data", &TRpSysData::Data, &TRpSysData::SetData,
           {"rpsTime", "rpsDate", "rpsDateTime", "rpsPageNumber", "rpsReportTitle", "rpsDetailCount", "rpsDetailNo"})
        .Default(rpsTime);
    P.String("Text", &TRpSysData::Text, &TRpSysData::SetText);
    PublishLabelCommon(P);
    P.Enum("ExportAs", &TRpSysData::ExportAs, &TRpSysData::SetExportAs, {"exptText", "exptNumeric", "exptFormula"})
        .Default(exptText);
    P.Integer("XLColumn", &TRpSysData::XLColumn, &TRpSysData::SetXLColumn).Default(0);
    P.Enum("VerticalAlignment", &TRpSysData::VerticalAlignment, &TRpSysData::SetVerticalAlignment,
           {"tlTop", "tlCenter", "tlBottom"})
        .Default(tlTop);
}

void TRpSysData::DesignCaption() {
    SetCaption(FText + QStringLiteral("(") + RpSysDataName(FData) + QStringLiteral(")"));
    Invalidate();
}

void TRpSysData::SetData(TRpSysDataType Value) {
    FData = Value;
    DesignCaption();
}

void TRpSysData::SetText(const String& Value) {
    FText = Value;
    DesignCaption();
}

void TRpSysData::Print(int OfsX, int OfsY) {
    IRpReport* R = FParentReport;
    switch (FData) {
        case rpsTime: SetCaption(FText + FormatDateTime(QStringLiteral("t"), Time())); break;
        case rpsDate: SetCaption(FText + FormatDateTime(QStringLiteral("c"), Date())); break;
        case rpsDateTime: SetCaption(FText + FormatDateTime(QStringLiteral("c"), Now())); break;
        case rpsPageNumber: SetCaption(FText + QString::number(R ? R->PageNumber() : 0)); break;
        case rpsReportTitle: SetCaption(FText + (R ? R->ReportTitle() : String())); break;
        case rpsDetailCount:
            if (R && R->IsDataReport()) SetCaption(FText + QString::number(R->RecordCount()));
            break;
        case rpsDetailNo:
            if (R && R->IsDataReport()) SetCaption(FText + QString::number(R->RecordNumber()));
            break;
    }
    inherited::Print(OfsX, OfsY);
}
