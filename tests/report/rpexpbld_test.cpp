#include "platform/testing/scriptedresponder.h"
#include "report/rpexpbld.h"

#include "platform/testing/memdata.h"
#include "platform/gui/buttons.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/grids.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/metafile.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/sysutils.h"
#include "report/rpdbtexts.h"
#include "report/rpeditorforms.h"
#include "report/rpeditors.h"
#include "report/rpenved.h"
#include "report/rpevenvironment.h"
#include "report/rpevfunctions.h"
#include "report/rplabels.h"
#include "report/rppages.h"
#include "report/rpreport.h"
#include "tests/support/input.h"

#include <gtest/gtest.h>
#include <QMouseEvent>
#include <QTimer>

using namespace Qt::StringLiterals;
using sdelka::test::Click;

namespace {

// Runs Fn once the current nested message loop (a panel's wait) is running.
void Later(std::function<void()> Fn) { QTimer::singleShot(0, std::move(Fn)); }

// A click on a control without a window of its own (a speed button), on its parent's window.
void ClickGraphic(TControl* C) {
    QWidget* W = C->Parent()->Handle();
    QPointF P(C->Left() + C->Width() / 2.0, C->Top() + C->Height() / 2.0);
    sdelka::test::Click(W, P);
}

int IndexOf(TListBox* L, const String& S) { return L->Items()->IndexOf(S); }

// A form with a dataset, as the builder's dataset form.
struct BuilderFixture {
    TScriptedResponder Responder;
    TResponderScope Scope{&Responder};
    TOwned<TForm> DataForm = NewOwned<TForm>(nullptr);
    TTestTableDataSet* Data = nullptr;
    TOwned<TRpEvEnvironment> Local = NewOwned<TRpEvEnvironment>();
    BuilderFixture() {
        Data = New<TTestTableDataSet>(DataForm.get());
        Data->SetName(u"Orders"_s);
        Data->FieldDefs()->Add(u"QTY"_s, ftInteger);
        Data->FieldDefs()->Add(u"NAME"_s, ftString, 20);
        Data->CreateDataSet();
        Local->AddFunction(u"RATE"_s, u"12"_s);
    }
    // Runs the builder modally with Action while it is shown; answers the builder's result.
    bool Run(String& Expression, std::function<void(TRpExpressionBuilder*)> Action) {
        Responder.AnswerModal([Action](TCustomForm* F) { Action(static_cast<TRpExpressionBuilder*>(F)); });
        return RunExpressionBuilder(String(), Expression, DataForm.get(), Local.get(), nullptr);
    }
};

// ---- the builder ---------------------------------------------------------------------------------

TEST(RpExpressionBuilder, ListsTheFunctionLibraryByCategoryTheDatasetsAndTheVariables) {
    BuilderFixture F;
    GlobalEnvironment()->AddFunction(u"SHAREDVALUE"_s, u"1"_s);
    String Expr;
    F.Run(Expr, [&](TRpExpressionBuilder* B) {
        const int All = GlobalFunctionLibrary()->EntryList()->Count();
        EXPECT_EQ(B->AvailableFunc->Items()->Count(), All);
        EXPECT_GE(IndexOf(B->AvailableFunc, u"IF"_s), 0);
        // the first function's details: the text before "|" and the one after it
        EXPECT_FALSE(B->FuncName->Caption().isEmpty());
        B->Categories->SetItemIndex(5);  // "Logical"
        B->Categories->OnChange(B->Categories);
        EXPECT_GE(IndexOf(B->AvailableFunc, u"IF"_s), 0);
        EXPECT_LT(IndexOf(B->AvailableFunc, u"STR"_s), 0);
        EXPECT_LT(B->AvailableFunc->Items()->Count(), All);
        // the form's dataset and its fields
        ASSERT_GE(IndexOf(B->AvailableDatasets, u"Orders"_s), 0);
        EXPECT_EQ(B->AvailableFields->Items()->Count(), 2);
        // the local names first, then the global ones
        EXPECT_EQ(B->AvailableVariables->Items()->Strings(0), u"RATE"_s);
        EXPECT_GE(IndexOf(B->AvailableVariables, u"SHAREDVALUE"_s), 1);
        EXPECT_EQ(B->VariableValue->Caption(), u"12"_s);
    });
    GlobalEnvironment()->DeleteFunction(u"SHAREDVALUE"_s);
}

TEST(RpExpressionBuilder, InsertsFunctionsWithTheirArgumentsFieldsVariablesAndOperators) {
    BuilderFixture F;
    String Expr;
    const bool Ok = F.Run(Expr, [&](TRpExpressionBuilder* B) {
        B->Expr->SetText(String());
        // COPY takes three arguments: they go in after the name, joined by "," without a blank
        Later([B] {
            B->AvailableFunc->SetItemIndex(IndexOf(B->AvailableFunc, u"COPY"_s));
            Later([B] {
                ASSERT_EQ(B->ArgumentEdits.size(), 3u);
                B->ArgumentEdits[0]->SetText(u"'abc'"_s);
                B->ArgumentEdits[1]->SetText(u"1"_s);
                B->ArgumentEdits[2]->SetText(u"2"_s);
                Click(B->FuncParamOkBtn);
            });
            Click(B->FunctionOKBtn);
        });
        Click(B->InsertFunctionBtn);
        EXPECT_EQ(B->Expr->Text(), u"COPY('abc',1,2)"_s);
        EXPECT_TRUE(B->MainPage->Visible());
        // an operator with blanks around it, a function without arguments by its bare name
        Click(B->OperatorButtons[0]);
        Later([B] {
            B->AvailableFunc->SetItemIndex(IndexOf(B->AvailableFunc, u"TIME"_s));
            Click(B->FunctionOKBtn);
        });
        Click(B->InsertFunctionBtn);
        // a field of the chosen dataset, and a variable
        Click(B->OperatorButtons[0]);
        Later([B] {
            B->AvailableFields->SetItemIndex(1);
            Click(B->DataFieldOKBtn);
        });
        Click(B->InsertDataFieldBtn);
        Click(B->OperatorButtons[0]);
        Later([B] { Click(B->VariableOKBtn); });
        Click(B->InsertVariableBtn);
        // a cancelled panel inserts nothing
        Later([B] { Click(B->FunctionCancelBtn); });
        Click(B->InsertFunctionBtn);
        Click(B->OK);
    });
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Expr, u"COPY('abc',1,2) + TIME + Orders.NAME + RATE"_s);
}

TEST(RpExpressionBuilder, AnArgumentsOwnBuilderRunsInPlaceAndItsResultFillsTheArgument) {
    BuilderFixture F;
    String Expr;
    F.Run(Expr, [&](TRpExpressionBuilder* B) {
        B->Expr->SetText(String());
        Later([B] {
            B->AvailableFunc->SetItemIndex(IndexOf(B->AvailableFunc, u"UPPER"_s));
            Later([B] {
                ASSERT_EQ(B->ArgumentButtons.size(), 1u);
                Later([B] {
                    // the inner builder: the other builder form on the screen
                    TRpExpressionBuilder* Inner = nullptr;
                    for (int i = 0; i < Screen->FormCount(); ++i)
                        if (auto X = dynamic_cast<TRpExpressionBuilder*>(Screen->Forms(i)); X && X != B && X->Visible())
                            Inner = X;
                    if (!Inner) {
                        ADD_FAILURE() << "no inner builder";
                        Click(B->Cancel);
                        return;
                    }
                    EXPECT_EQ(Inner->Heading->Caption(), u"Enter 1. parameter for UPPER"_s);
                    Inner->Expr->SetText(u"'a'\r\n+'b'"_s);
                    Click(Inner->OK);
                });
                ClickGraphic(B->ArgumentButtons[0]);
                EXPECT_EQ(B->ArgumentEdits[0]->Text(), u"'a'+'b'"_s);
                Click(B->FuncParamOkBtn);
            });
            Click(B->FunctionOKBtn);
        });
        Click(B->InsertFunctionBtn);
        Click(B->OK);
    });
    EXPECT_EQ(Expr, u"UPPER('a'+'b')"_s);
}

TEST(RpExpressionBuilder, EscapeOnTheWindowEndsAPanelsWaitWithNothingInserted) {
    BuilderFixture F;
    String Expr = u"1"_s;
    EXPECT_TRUE(F.Run(Expr, [](TRpExpressionBuilder* B) {
        Later([B] { sdelka::test::SendKey(B->Handle(), Qt::Key_Escape); });
        Click(B->InsertVariableBtn);
        EXPECT_TRUE(B->Cancelled);
        EXPECT_TRUE(B->MainPage->Visible());
        Click(B->OK);
    }));
    EXPECT_EQ(Expr, u"1"_s);
}

TEST(RpExpressionBuilder, ValidationShowsTheResultOrTheError) {
    struct Case {
        String Expr;
        String Message;
    } Cases[] = {
        {u"1+2"_s, u"There are no errors. The result is : 3"_s},
        {u"'ab'+'c'"_s, u"There are no errors. The result is : abc"_s},
        {u"2>1"_s, u"There are no errors. The result is : True"_s},
        // an empty text is a result like any other
        {u"''"_s, u"There are no errors. The result is : "_s},
        {u"RATE*2"_s, u"There are no errors. The result is : 24"_s},
    };
    for (const Case& C : Cases) {
        BuilderFixture F;
        String Expr = C.Expr;
        F.Run(Expr, [&](TRpExpressionBuilder* B) { Click(B->ValidateBtn); });
        ASSERT_EQ(F.Responder.MessageCount(), 1) << C.Expr.toStdString();
        EXPECT_EQ(F.Responder.LastCall().Text, C.Message) << C.Expr.toStdString();
    }
    BuilderFixture F;
    const bool WasPrepared = GlobalEnvironment()->Prepared();
    String Expr = u"1+"_s;
    F.Run(Expr, [&](TRpExpressionBuilder* B) { Click(B->ValidateBtn); });
    EXPECT_TRUE(F.Responder.LastCall().Text.startsWith(u"ERROR: "_s));
    EXPECT_GT(F.Responder.LastCall().Text.size(), 7);
    EXPECT_EQ(GlobalEnvironment()->Prepared(), WasPrepared);
    EXPECT_FALSE(F.Local->Prepared());
}

TEST(RpExpressionBuilder, OkReturnsTheExpressionOnOneLineAndCancelEmptiesIt) {
    EXPECT_EQ(StripLineBreaks(u"1+\r\n2"_s), u"1+2"_s);
    EXPECT_EQ(StripLineBreaks(u"A\rB\nC\r\n"_s), u"ABC"_s);
    BuilderFixture F;
    String Expr = u"old"_s;
    EXPECT_TRUE(F.Run(Expr, [](TRpExpressionBuilder* B) {
        B->Expr->SetText(u"1 +\r\n2"_s);
        Click(B->OK);
    }));
    EXPECT_EQ(Expr, u"1 +2"_s);
    EXPECT_FALSE(F.Run(Expr, [](TRpExpressionBuilder* B) { Click(B->Cancel); }));
    EXPECT_TRUE(Expr.isEmpty());
}

// ---- the environment editor ----------------------------------------------------------------------

TEST(RpEnvironmentEditor, AddsRenamesAndDeletesNamedExpressionsThatAReportThenEvaluates) {
    TScriptedResponder Responder;
    TResponderScope Scope(&Responder);
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto Report = New<TRpReport>(Root.get());
    Report->SetUnits(Native);
    TRpEvEnvironment* Env = Report->Functions();
    Env->AddFunction(u"OLDONE"_s, u"7"_s);
    Responder.AnswerModal([&](TCustomForm* Form) {
        auto E = static_cast<TRpEnvironmentEditor*>(Form);
        EXPECT_EQ(E->Caption(), u"User Defined Functions Edtor"_s);
        EXPECT_EQ(E->UDFGrid->Cells(0, 0), u"Name"_s);
        const int Before = Env->Count();
        // a new entry through the panel
        Later([E] {
            EXPECT_TRUE(E->NewEntryGB->Visible());
            EXPECT_FALSE(E->AddBtn->Visible());
            E->Name->SetText(u"total"_s);
            E->Expression->SetText(u"40+2"_s);
            Click(E->NewOKBtn);
        });
        Click(E->AddBtn);
        EXPECT_TRUE(E->AddBtn->Visible());
        ASSERT_EQ(Env->Count(), Before + 1);
        const int Row = Env->IndexOf(u"TOTAL"_s) + 1;
        ASSERT_GT(Row, 0);
        EXPECT_EQ(E->UDFGrid->Cells(1, Row), u"40+2"_s);
        // renamed in the grid: stored upper-cased
        E->UDFGrid->OnSetEditText(E->UDFGrid, 0, Row, u"Answer"_s);
        EXPECT_EQ(Env->Strings(Row - 1), u"ANSWER"_s);
        // the expression edited in the builder, shown in the editor's place
        E->UDFGrid->SetRow(Row);
        Later([E] {
            TRpExpressionBuilder* Inner = nullptr;
            for (int i = 0; i < Screen->FormCount(); ++i)
                if (auto X = dynamic_cast<TRpExpressionBuilder*>(Screen->Forms(i)); X && X->Visible()) Inner = X;
            if (!Inner) {
                ADD_FAILURE() << "no builder";
                return;
            }
            EXPECT_EQ(Inner->Heading->Caption(), u"ANSWER"_s);
            EXPECT_EQ(Inner->Expr->Text(), u"40+2"_s);
            Inner->Expr->SetText(u"40+\r\n2"_s);
            Click(Inner->OK);
        });
        Click(E->EditBtn);
        EXPECT_EQ(E->UDFGrid->Cells(1, Row), u"40+2"_s);
        // the old entry goes
        E->UDFGrid->SetRow(Env->IndexOf(u"OLDONE"_s) + 1);
        Click(E->DeleteBtn);
        EXPECT_LT(Env->IndexOf(u"OLDONE"_s), 0);
        Click(E->VariableOKBtn);
        EXPECT_TRUE(E->CloseDialog);
    });
    EditEnvironment(Env, true);
    EXPECT_EQ(Responder.CallCount(), 1);

    // a report evaluates the entry by its new name
    auto Data = New<TTestTableDataSet>(Root.get());
    Data->FieldDefs()->Add(u"N"_s, ftInteger);
    Data->CreateDataSet();
    Data->AppendRecord({1});
    Data->First();
    Report->SetDataSet(Data);
    TRpBand* Detail = Report->CreateBand(rbDetail);
    Detail->SetNativeHeight(100);
    auto X = New<TRpExpr>(Root.get());
    X->SetParent(Detail);
    X->SetExpression(u"ANSWER"_s);
    Report->Prepare();
    TOwned<TMetafile> Page(Report->RpPrinter()->GetPage(1));
    QStringList Texts;
    EnumEnhMetaFile(Page->Data(), [&Texts](const TEnhMetaRecord& R) {
        TEnhMetaText T;
        if (DecodeExtTextOutW(R, T)) Texts << T.Text;
        return true;
    });
    EXPECT_TRUE(Texts.contains(u"42"_s)) << Texts.join(u',').toStdString();
}

TEST(RpEnvironmentEditor, WithoutAnEnvironmentOnlyTheGlobalEntriesShow) {
    TScriptedResponder Responder;
    TResponderScope Scope(&Responder);
    GlobalEnvironment()->AddFunction(u"GLOBALONE"_s, u"1"_s);
    Responder.AnswerModal([&](TCustomForm* Form) {
        auto E = static_cast<TRpEnvironmentEditor*>(Form);
        EXPECT_FALSE(E->LocalCB->Enabled());
        EXPECT_TRUE(E->GlobalCB->Checked());
        EXPECT_EQ(E->CurrentEnvironment(), GlobalEnvironment());
        EXPECT_EQ(E->UDFGrid->RowCount(), GlobalEnvironment()->Count() + 1);
        // an expression typed while the environment is prepared is refused
        const int Row = GlobalEnvironment()->IndexOf(u"GLOBALONE"_s) + 1;
        GlobalEnvironment()->Prepare();
        E->UDFGrid->OnSetEditText(E->UDFGrid, 1, Row, u"2"_s);
        GlobalEnvironment()->Unprepare();
        EXPECT_EQ(E->UDFGrid->Cells(1, Row), u"1"_s);
        EXPECT_EQ(GlobalEnvironment()->EmbeddedFunction(Row - 1)->Expression(), u"1"_s);
    });
    EditEnvironment(nullptr, true);
    GlobalEnvironment()->DeleteFunction(u"GLOBALONE"_s);
}

// ---- the editors of the text printables ----------------------------------------------------------

struct EditorFixture {
    TScriptedResponder Responder;
    TResponderScope Scope{&Responder};
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TRpBand* Band = nullptr;
    EditorFixture() {
        Report = New<TRpReport>(Root.get());
        Report->SetUnits(MM);
        Band = Report->CreateBand(rbDetail);
    }
    template <class T>
    T* Add() {
        T* C = New<T>(Root.get());
        C->SetParent(Band);
        return C;
    }
};

TEST(RpLabelEditor, OkWritesTheSettingsCancelKeepsThem) {
    EditorFixture F;
    auto L = F.Add<TRpLabel>();
    L->SetCaption(u"Before"_s);
    TOwned<TRpLabelEditor> Ed = NewOwned<TRpLabelEditor>(L);
    EXPECT_EQ(L->EditorClass(), TRpLabelEditor::StaticClass());
    EXPECT_EQ(Ed->ControlName(), u"Text Control"_s);
    const Extended W0 = L->Size()->Width();

    F.Responder.AnswerModal([](TCustomForm* Form) {
        auto D = static_cast<TRpLabelEditorForm*>(Form);
        EXPECT_EQ(D->Caption(), u"Text Settings"_s);
        EXPECT_EQ(D->Value->Text(), u"Before"_s);
        D->Value->SetText(u"Changed"_s);
        Click(D->Button4);
    });
    EXPECT_FALSE(Ed->ShowEditor());
    EXPECT_EQ(L->Caption(), u"Before"_s);

    F.Responder.AnswerModal([&](TCustomForm* Form) {
        auto D = static_cast<TRpLabelEditorForm*>(Form);
        EXPECT_EQ(StrToFloat(D->Width->Text()), W0);
        D->Value->SetText(u"After"_s);
        D->Width->SetText(u"25,5"_s);  // millimetres with a decimal
        D->Stretch->SetChecked(true);
        Click(D->OKBtn);
    });
    EXPECT_TRUE(Ed->ShowEditor());
    EXPECT_EQ(L->Caption(), u"After"_s);
    EXPECT_NEAR(double(L->Size()->Width()), 25.5, 1e-6);
    EXPECT_TRUE(L->AutoStretch());

    // a height that is no number writes nothing at all
    F.Responder.AnswerModal([](TCustomForm* Form) {
        auto D = static_cast<TRpLabelEditorForm*>(Form);
        D->Value->SetText(u"Never"_s);
        D->Height->SetText(u"x"_s);
        Click(D->OKBtn);
    });
    EXPECT_THROW(Ed->ShowEditor(), Exception);
    EXPECT_EQ(L->Caption(), u"After"_s);
}

TEST(RpExprEditor, TheBuilderFillsTheExpressionAndACancelledBuilderKeepsIt) {
    EditorFixture F;
    auto X = F.Add<TRpExpr>();
    X->SetExpression(u"1"_s);
    TOwned<TRpExprEditor> Ed = NewOwned<TRpExprEditor>(X);
    EXPECT_EQ(X->EditorClass(), TRpExprEditor::StaticClass());
    F.Responder.AnswerModal([&](TCustomForm* Form) {
        auto D = static_cast<TRpExprEditorForm*>(Form);
        EXPECT_EQ(D->Caption(), u"Expression settings"_s);
        EXPECT_EQ(D->DSForm, nullptr);  // the report sits on no form
        // the builder cancelled: the text stays
        F.Responder.AnswerModal([](TCustomForm*) {}, mrCancel);
        ClickGraphic(D->ShowExprBuilder);
        EXPECT_EQ(D->Value->Text(), u"1"_s);
        F.Responder.AnswerModal([](TCustomForm* B) {
            auto Builder = static_cast<TRpExpressionBuilder*>(B);
            EXPECT_EQ(Builder->Expr->Text(), u"1"_s);
            Builder->Expr->SetText(u"2*3"_s);
            Click(Builder->OK);
        });
        ClickGraphic(D->ShowExprBuilder);
        EXPECT_EQ(D->Value->Text(), u"2*3"_s);
        D->Mask->SetText(u"#,0.00"_s);
        Click(D->OKBtn);
    });
    EXPECT_TRUE(Ed->ShowEditor());
    EXPECT_EQ(X->Expression(), u"2*3"_s);
    EXPECT_EQ(X->Mask(), u"#,0.00"_s);
}

}  // namespace
