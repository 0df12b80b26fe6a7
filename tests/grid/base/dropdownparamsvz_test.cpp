// One opening of a drop-down form through the call parameters of an edit button: the form, its
// size before and after, the values handed in and written back, the held-down button, the
// close-up marker posted to the editor, and failures that leave no edit open.
#include "grid/base/buttonsvz.h"
#include "grid/base/dropdownparamsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/base/popupformvz.h"

#include "platform/db/datasource.h"
#include "platform/testing/memdata.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

namespace {

// A drop-down form that records what it was given and closes when the test says so.
class TProbeDropDownForm : public TForm, public IDropDownFormVz {
    SDELKA_CLASS(TProbeDropDownForm, TForm)
protected:
    explicit TProbeDropDownForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(0, 0, 120, 80); }
    ~TProbeDropDownForm() override = default;

public:
    bool GetReadOnly() override { return ReadOnly; }
    void ExecuteNomodal(const TRect& R, TControl*, TDropDownAlign A, TDynVarsVz* D, TDropDownFormSysParams* S,
                        TDropDownFormCallbackProcVz C) override {
        PosRect = R;
        Align = A;
        Params = D;
        Sys = S;
        Callback = std::move(C);
        ++Opened;
    }
    void Close() override { Finish(true); }
    void SetReadOnly(bool Value) override { ReadOnly = Value; }
    void SetKeepFormVisible(bool Value) override { KeepVisibleSeen = KeepVisibleSeen || Value; }
    // The user leaves the form: the callback runs once and the parameters are gone.
    void Finish(bool Accept) {
        auto c = std::move(Callback);
        Callback = nullptr;
        Params = nullptr;
        Sys = nullptr;
        if (c) c(this, Accept, ParamsForCallback ? ParamsForCallback : LastParams(), SysForCallback());
    }
    TDynVarsVz* LastParams() { return Params; }
    TDropDownFormSysParams* SysForCallback() { return SysKept; }

    bool ReadOnly = false;
    bool KeepVisibleSeen = false;
    TRect PosRect;
    TDropDownAlign Align = daLeft;
    TDynVarsVz* Params = nullptr;
    TDynVarsVz* ParamsForCallback = nullptr;
    TDropDownFormSysParams* Sys = nullptr;
    TDropDownFormSysParams* SysKept = nullptr;
    TDropDownFormCallbackProcVz Callback;
    int Opened = 0;
};

class DropDownParamsVz : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBounds(50, 60, 300, 200);
        Edit = New<TEdit>(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(10, 20, 100, 22);
        DropDown = New<TProbeDropDownForm>(nullptr);
        Button = NewEditButtonVz(Edit);
        Control = New<TEditButtonControlVz>(Form);
        Ds = New<TTestTableDataSet>(nullptr);
        Ds->FieldDefs()->Add(u"ID"_S, ftInteger);
        Ds->FieldDefs()->Add(u"NAME"_S, ftString, 20);
        Ds->FieldDefs()->Add(u"CITY"_S, ftString, 20);
        Ds->CreateDataSet();
        Ds->AppendRecord({1, u"Иванов"_S, u"Омск"_S});
        Src = New<TDataSource>(nullptr);
        Src->SetDataSet(Ds);
        Link.SetDataSource(Src);
        P = Button->DropDownFormParams();
        P->SetDropDownForm(DropDown);
        P->FEditControl = Edit;
        P->FEditButton = Button;
        P->FEditButtonControl = Control;
        P->FDataLink = &Link;
        P->FField = Ds->FieldByName(u"NAME"_S);
    }
    void TearDown() override {
        Link.SetDataSource(nullptr);
        Button->Free();
        DropDown->Free();
        Src->Free();
        Ds->Free();
        FreeAndNil(Form);
        PurgeMessages(WM_USER);
        SetResponder(nullptr);
    }
    // Opens the form; keeps the parameter objects so the probe can hand them back.
    bool Open() {
        bool handled = false;
        P->CheckShowDropDownForm(handled);
        DropDown->ParamsForCallback = DropDown->Params;
        DropDown->SysKept = DropDown->Sys;
        return handled;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TEdit* Edit = nullptr;
    TProbeDropDownForm* DropDown = nullptr;
    TEditButtonVz* Button = nullptr;
    TEditButtonControlVz* Control = nullptr;
    TTestTableDataSet* Ds = nullptr;
    TDataSource* Src = nullptr;
    TDataLink Link;
    TDropDownFormCallParamsVz* P = nullptr;
};

}  // namespace

TEST_F(DropDownParamsVz, AcceptingHandsTheFirstValueBackInsideOneEdit) {
    Variant written;
    P->FOnGetVarValueProc = [](Variant& V) { V = u"Иванов"_S; };
    P->FOnSetVarValueProc = [&](const Variant& V) {
        EXPECT_EQ(Ds->State(), dsEdit);
        written = V;
        Ds->FieldByName(u"NAME"_S)->SetAsVariant(V);
    };
    ASSERT_TRUE(Open());
    EXPECT_EQ(DropDown->Opened, 1);
    EXPECT_TRUE(Control->AlwaysDown());  // the button is held down while the form is open
    EXPECT_EQ(DropDown->Align, daCenter);
    ASSERT_EQ(DropDown->Params->Count(), 1);
    EXPECT_EQ(DropDown->Params->GetItem(0)->Name(), u"NAME"_S);
    EXPECT_EQ(DropDown->Params->GetItem(0)->Value(), Variant(u"Иванов"_S));
    DropDown->Params->GetItem(0)->SetValue(u"Петров"_S);
    DropDown->Finish(true);
    EXPECT_EQ(written, Variant(u"Петров"_S));
    EXPECT_EQ(Ds->State(), dsBrowse);  // posted
    EXPECT_EQ(Ds->FieldByName(u"NAME"_S)->AsString(), u"Петров"_S);
    // The editor learns that the drop-down of this button has just closed.
    TMsg m;
    ASSERT_TRUE(PeekMessage(m, Edit->Handle(), WM_USER, WM_USER, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, reinterpret_cast<WPARAM>(Edit->Handle()));
    EXPECT_EQ(m.lParam, reinterpret_cast<LPARAM>(Button));
}

TEST_F(DropDownParamsVz, AFormKeepsItsOwnSizeAndTheUsersSizeIsRemembered) {
    P->SetFormWidth(300);
    ASSERT_TRUE(Open());
    EXPECT_EQ(DropDown->Width(), 300);
    EXPECT_EQ(DropDown->Height(), 80);  // FormHeight -1: the form's own
    DropDown->SetWidth(340);            // the user widened it
    DropDown->Finish(false);
    EXPECT_EQ(DropDown->Width(), 120);
    EXPECT_EQ(P->FormWidth(), 340);
    EXPECT_EQ(Ds->State(), dsBrowse);  // not accepted: nothing written, no edit
}

TEST_F(DropDownParamsVz, NamedFieldsGoInAndComeBackSkippingWhatTheFormDidNotReturn) {
    P->SetPassFieldNames(u"ID;CITY"_S);
    P->SetAssignBackFieldNames(u"NAME;CITY"_S);
    ASSERT_TRUE(Open());
    ASSERT_EQ(DropDown->Params->Count(), 2);
    EXPECT_EQ(DropDown->Params->GetItem(1)->Value(), Variant(u"Омск"_S));
    DropDown->Params->GetItem(1)->SetValue(u"Томск"_S);
    DropDown->Finish(true);
    EXPECT_EQ(Ds->FieldByName(u"CITY"_S)->AsString(), u"Томск"_S);
    EXPECT_EQ(Ds->FieldByName(u"NAME"_S)->AsString(), u"Иванов"_S);  // no NAME came back: kept
    EXPECT_EQ(Ds->State(), dsBrowse);
}

TEST_F(DropDownParamsVz, AFailedWriteCancelsTheEditAndIsReportedOnce) {
    P->FOnSetVarValueProc = [&](const Variant& V) {
        Ds->FieldByName(u"NAME"_S)->SetAsVariant(V);
        throw Exception(u"запись отклонена"_S);
    };
    ASSERT_TRUE(Open());
    DropDown->Params->GetItem(0)->SetValue(u"Сидоров"_S);
    DropDown->Finish(true);
    EXPECT_EQ(Ds->State(), dsBrowse);
    EXPECT_EQ(Ds->FieldByName(u"NAME"_S)->AsString(), u"Иванов"_S);
    EXPECT_EQ(Resp.MessageCount(), 1);
    EXPECT_TRUE(DropDown->KeepVisibleSeen);
}

TEST_F(DropDownParamsVz, FormsThatCannotDropDownAndUnknownClasses) {
    auto* plain = New<TForm>(nullptr);
    P->SetDropDownForm(plain);
    EXPECT_FALSE(Open());
    EXPECT_FALSE(Control->AlwaysDown());
    plain->Free();

    P->SetDropDownForm(nullptr);
    P->SetDropDownFormClassName(u"TNoSuchDropDownForm"_S);
    bool handled = false;
    try {
        P->CheckShowDropDownForm(handled);
        ADD_FAILURE() << "no error";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"Class 'TNoSuchDropDownForm' is not registered"_S);
    }
    EXPECT_FALSE(handled);

    // A registered class without a shared instance: a new form owned by the edit control, freed
    // when it closes.
    RegisterClass(TProbeDropDownForm::StaticClass());
    P->SetDropDownFormClassName(u"TProbeDropDownForm"_S);
    bool freeOnClose = false;
    TCustomForm* made = P->GetActualDropDownForm(freeOnClose);
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->Is<TProbeDropDownForm>());
    EXPECT_EQ(made->Owner(), Edit);
    EXPECT_TRUE(freeOnClose);
    UnRegisterClass(TProbeDropDownForm::StaticClass());
}

TEST_F(DropDownParamsVz, ReadOnlyDataMakesAReadOnlyForm) {
    P->FField->SetReadOnly(true);
    ASSERT_TRUE(Open());
    EXPECT_TRUE(DropDown->ReadOnly);
    DropDown->Finish(false);
    P->FField->SetReadOnly(false);
    P->OnCheckDataIsReadOnly = [](bool& R) { R = true; };
    ASSERT_TRUE(Open());
    EXPECT_TRUE(DropDown->ReadOnly);
    DropDown->Finish(false);
    // One call-parameters object cannot be assigned to another.
    auto other = NewOwned<TDropDownFormCallParamsVz>();
    EXPECT_THROW(Button->SetDropDownFormParams(other.get()), Exception);
}
