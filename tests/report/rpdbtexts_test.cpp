#include "report/rpdbtexts.h"
#include "report/rpevenvironment.h"
#include "report/rpevfunctions.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#include "report/rpevaluator.h"
#include "rpprintables_support.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// Puts the process-wide format settings back after a test changed them.
struct KeepFormatSettings {
    TFormatSettings Saved = FormatSettings;
    ~KeepFormatSettings() { FormatSettings = Saved; }
};

// A report with one record of every field kind the masks care about.
struct DataFixture : TPrintableFixture {
    TTestTableDataSet* Data = nullptr;
    DataFixture() {
        Data = New<TTestTableDataSet>(Report);
        Data->FieldDefs()->Add(u"I"_s, ftInteger);
        Data->FieldDefs()->Add(u"BIG"_s, ftLargeint);
        Data->FieldDefs()->Add(u"F"_s, ftFloat);
        Data->FieldDefs()->Add(u"B"_s, ftBCD, 4);
        Data->FieldDefs()->Add(u"D"_s, ftDate);
        Data->FieldDefs()->Add(u"OK"_s, ftBoolean);
        Data->FieldDefs()->Add(u"S"_s, ftString, 30);
        Data->FieldDefs()->Add(u"M"_s, ftMemo);
        Data->CreateDataSet();
        Data->AppendRecord({1234, Variant(Int64(7000000000LL)), 1234.5, 17.25, EncodeDate(2024, 3, 8), true,
                            u"Готовая продукция"_s, u"Строка 1\r\nСтрока 2"_s});
        Data->AppendRecord({Null(), Null(), Null(), Null(), Null(), false, Null(), Null()});
        Data->First();
        F.push_back(Data);
        Report->AllDataSets()->Add(Data);
    }
    std::vector<TDataSet*> F;
};

// The text a data text prints for the current record.
String PrintedText(DataFixture& Fx, TRpDBText* T) {
    Fx.Report->Pages.clear();
    Fx.Report->BeginDocument();
    T->Prepare();
    T->Print(0, 0);
    Fx.Report->EndDocument();
    auto S = Fx.Report->PageStrings(0);
    String R;
    for (auto& s : S) R += (R.isEmpty() ? u""_s : u"|"_s) + s;
    return R;
}

TEST(RpDBText, MasksByFieldKind) {
    KeepFormatSettings Keep;
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ThousandSeparator = u' ';
    FormatSettings.ShortDateFormat = u"dd.mm.yyyy"_s;
    FormatSettings.DateSeparator = u'.';
    struct Case {
        const char* Field;
        const char* Mask;
        const char* First;   // first record
        const char* Second;  // second record (nulls, false)
    } Cases[] = {
        {"I", "#0.00", "1234,00", ""},
        {"I", "", "1234", ""},
        {"BIG", "#,##0", "7 000 000 000", ""},
        {"F", "#0.00", "1234,50", ""},
        {"F", "", "1234,5", ""},
        {"B", "0.0", "17,3", ""},
        {"D", "dd mmmm yyyy", "08 Март 2024", ""},
        {"OK", "#0", "True", "False"},
        {"S", "#0.00", "Готовая продукция", ""},
    };
    DataFixture Fx;
    auto* T = Fx.Add<TRpDBText>("DBText1");
    T->SetAutoSize(true);
    T->SetDataSet(Fx.Data);
    for (const auto& C : Cases) {
        T->SetDataField(QString::fromLatin1(C.Field));
        T->SetMask(QString::fromUtf8(C.Mask));
        Fx.Data->First();
        EXPECT_EQ(PrintedText(Fx, T), QString::fromUtf8(C.First)) << C.Field << " " << C.Mask;
        Fx.Data->Next();
        EXPECT_EQ(PrintedText(Fx, T), QString::fromUtf8(C.Second)) << C.Field << " " << C.Mask;
        T->Unprepare();
        EXPECT_EQ(T->Caption(), QString::fromLatin1(C.Field));
    }
}

TEST(RpDBText, MemoFieldPrintsItsLinesAndStretches) {
    DataFixture Fx;
    auto* T = Fx.Add<TRpDBText>("DBText1");
    T->SetDataSet(Fx.Data);
    T->SetDataField(u"M"_s);
    T->SetAutoStretch(true);
    Fx.Band->MaxExpansion = 1000;
    EXPECT_EQ(PrintedText(Fx, T), u"Строка 1|Строка 2"_s);
    EXPECT_GT(Fx.Band->Expansion, 0);
    T->Unprepare();
}

TEST(RpDBText, MissingDataSetOrFieldPrintsNothing) {
    DataFixture Fx;
    auto* T = Fx.Add<TRpDBText>("DBText1");
    T->SetDataField(u"I"_s);
    EXPECT_EQ(PrintedText(Fx, T), u""_s);
    T->SetDataSet(Fx.Data);
    T->SetDataField(u"NOSUCH"_s);
    EXPECT_EQ(PrintedText(Fx, T), u""_s);
    T->Unprepare();
    // A removed dataset is forgotten.
    Fx.Data->Free();
    Fx.Report->AllDataSets()->Clear();
    EXPECT_EQ(T->DataSet(), nullptr);
}

TEST(RpExpr, ResultsByKindAndMask) {
    KeepFormatSettings Keep;
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.CurrencyString = u"р."_s;
    FormatSettings.CurrencyFormat = 3;
    FormatSettings.CurrencyDecimals = 2;
    struct Case {
        const char* Expression;
        const char* Mask;
        const char* Text;
    } Cases[] = {
        {"2+3", "#0.00", "5,00"},
        {"10/4", "#0.0", "2,5"},
        {"10/4", "Итого %m", "Итого 2,50 р."},
        {"1=1", "#0.00", "True"},
        {"'Готовая'+' продукция'", "", "Готовая продукция"},
        {"IF(1=0,'Готовая продукция','Заготовки')", "", "Заготовки"},
    };
    TPrintableFixture Fx;
    auto* E = Fx.Add<TRpExpr>("Expr1");
    for (const auto& C : Cases) {
        E->SetExpression(QString::fromUtf8(C.Expression));
        E->SetMask(QString::fromUtf8(C.Mask));
        Fx.Report->Pages.clear();
        Fx.Report->BeginDocument();
        E->Prepare();
        E->Print(0, 0);
        E->Unprepare();
        Fx.Report->EndDocument();
        EXPECT_EQ(Fx.Report->PageStrings(0), std::vector<String>{QString::fromUtf8(C.Text)}) << C.Expression;
        EXPECT_EQ(E->Caption(), QString::fromUtf8(C.Expression));
    }
    E->SetExpression(String());
    EXPECT_EQ(E->Caption(), u"(none)"_s);
    EXPECT_EQ(E->Value().Kind, resError);
}

// TRIPLE(X): known only to the report of the next test.
class TRpEvTripleFunction : public TRpEvElementFunction {
    SDELKA_CLASS(TRpEvTripleFunction, TRpEvElementFunction)
public:
    TRpEvTripleFunction() = default;
    void Calculate(TRpEvResult& Result) override {
        Result.Kind = resInt;
        Result.intResult = ArgCount() == 1 && Arg(0).Kind == resInt ? 3 * Arg(0).intResult : 0;
    }
};

TEST(RpExpr, CompilesAgainstTheLibraryAndSharedEnvironmentOfItsReport) {
    TPrintableFixture Fx;
    TOwned<TRpFunctionLibrary> library = NewOwned<TRpFunctionLibrary>();
    library->Add(TRpEvTripleFunction::StaticClass(), u"TRIPLE"_s, u"TRIPLE(X)|"_s, u"tests"_s, u"1N"_s);
    TOwned<TRpEvEnvironment> shared = NewOwned<TRpEvEnvironment>();
    TRpEvContext context;
    context.SharedEnvironment = shared.get();
    context.FunctionLibrary = library.get();
    context.ArgumentSeparator = u';';
    shared->SetContext(context);
    shared->AddFunction(u"FACTORY"_s, u"'Завод'"_s);
    Fx.Report->Functions()->SetContext(context);
    auto* E = Fx.Add<TRpExpr>("Expr1");
    E->SetExpression(u"FACTORY+' '+'x'"_s);
    Fx.Report->BeginDocument();
    E->Prepare();
    E->Print(0, 0);
    E->Unprepare();
    Fx.Report->EndDocument();
    EXPECT_EQ(Fx.Report->PageStrings(0), std::vector<String>{u"Завод x"_s});
    E->SetExpression(u"TRIPLE(14)"_s);
    E->Prepare();
    EXPECT_EQ(E->Value().intResult, 42);
    E->Unprepare();
    Fx.Report->Functions()->SetContext({});
}

TEST(RpExpr, AggregatesOverNotifiedRecords) {
    DataFixture Fx;
    auto* Sum = Fx.Add<TRpExpr>("Sum1");
    Sum->SetExpression(u"SUM(I)"_s);
    Sum->SetResetAfterPrint(true);
    auto* Plain = Fx.Add<TRpExpr>("Plain1");
    Plain->SetExpression(u"I"_s);
    Fx.Report->BeginDocument();
    Sum->Prepare();
    Plain->Prepare();
    // Only the aggregate registers with its report (no master given).
    ASSERT_EQ(Fx.Report->NotifyClients.size(), 1u);
    EXPECT_EQ(Fx.Report->NotifyClients[0], Sum);
    Fx.Data->First();
    Sum->ControllerNotify(0);
    Sum->ControllerNotify(0);
    Sum->Print(0, 0);
    // Reset after print: a new total starts.
    Sum->ControllerNotify(0);
    Sum->Print(0, 500);
    Sum->Unprepare();
    Plain->Unprepare();
    Fx.Report->EndDocument();
    EXPECT_EQ(Fx.Report->PageStrings(0), (std::vector<String>{u"2468"_s, u"1234"_s}));
}

TEST(RpSysData, PrefixAndValue) {
    TPrintableFixture Fx;
    auto* S = Fx.Add<TRpSysData>("Sys1");
    S->SetData(rpsPageNumber);
    S->SetText(u"Стр. "_s);
    EXPECT_EQ(S->Caption(), u"Стр. (Page#)"_s);
    Fx.Report->Title = u"Табель"_s;
    Fx.Report->Records = 12;
    Fx.Report->RecordNo = 3;
    auto* T = Fx.Add<TRpSysData>("Sys2");
    T->SetData(rpsReportTitle);
    auto* C = Fx.Add<TRpSysData>("Sys3");
    C->SetData(rpsDetailCount);
    Fx.Report->BeginDocument();
    Fx.Report->NewPage();
    S->Prepare();
    S->Print(0, 0);
    T->Prepare();
    T->Print(0, 500);
    C->Prepare();
    C->Print(0, 1000);
    Fx.Report->DataReport = false;
    C->SetData(rpsDetailNo);
    const String Before = C->Caption();
    C->Print(0, 1500);
    EXPECT_EQ(C->Caption(), Before);  // not a data report: left as it was
    Fx.Report->EndDocument();
    EXPECT_EQ(Fx.Report->PageStrings(1), (std::vector<String>{u"Стр. 2"_s, u"Табель"_s, u"12"_s, u"(Detail no)"_s}));
    EXPECT_EQ(S->Caption(), u"Стр. 2"_s);
}

}  // namespace

namespace {

// A sub-detail stand-in: a master that collects notify clients.
class TFakeMaster : public TComponent, public IRpNotifyMaster {
    SDELKA_CLASS(TFakeMaster, TComponent)
protected:
    explicit TFakeMaster(TComponent* AOwner) : TComponent(AOwner) {}
    ~TFakeMaster() override = default;

public:
    void AddNotifyClient(TRpPrintable* P) override { Clients.push_back(P); }
    std::vector<TRpPrintable*> Clients;
};

TEST(RpExpr, MasterTakesTheRegistrationAndItsRemovalIsNoticed) {
    TPrintableFixture Fx;
    auto* M = New<TFakeMaster>(nullptr);
    auto* E = Fx.Add<TRpExpr>("Expr1");
    E->SetExpression(u"1+1"_s);  // no aggregate: registered only because a master is given
    E->SetMaster(M);
    Fx.Report->BeginDocument();
    E->Prepare();
    EXPECT_EQ(M->Clients, std::vector<TRpPrintable*>{E});
    EXPECT_TRUE(Fx.Report->NotifyClients.empty());
    E->Unprepare();
    Fx.Report->EndDocument();
    M->Free();
    EXPECT_EQ(E->Master(), nullptr);
}

TEST(RpDBText, ExpandedHeightFollowsTheRecord) {
    DataFixture Fx;
    Fx.Report->CharWidth = 10;
    auto* T = Fx.Add<TRpDBText>("DBText1");
    T->SetAutoSize(false);
    T->SetBounds(0, 0, 100, 12);
    T->SetDataSet(Fx.Data);
    T->SetDataField(u"S"_s);
    T->Prepare();
    Extended H = 0;
    T->GetExpandedHeight(H);  // "Готовая продукция" in 10 characters per line: two lines
    EXPECT_EQ(H, 2 * 12);
    Fx.Data->Next();
    T->GetExpandedHeight(H);  // null: one empty line
    EXPECT_EQ(H, 12);
    T->Unprepare();
}

}  // namespace
