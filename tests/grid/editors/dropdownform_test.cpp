// The drop-down form protocol: placement within the work area, and an edit button's form opened over
// an in-memory dataset: which values go in, which come back, cancelling, the closing press that must
// not reopen the form, and a failing write that leaves the record as it was.
#include "grid/base/buttonsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/editors/dropdownformvz.h"
#include "grid/editors/editbuttondropdownvz.h"
#include "grid/editors/fielddatalinkvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A drop-down form that remembers what it was given and returns what the test sets.
class TTestDropDownFormVz : public TCustomDropDownFormVz {
    SDELKA_CLASS(TTestDropDownFormVz, TCustomDropDownFormVz)
protected:
    explicit TTestDropDownFormVz(TComponent* AOwner) : TCustomDropDownFormVz(AOwner) { Last = this; }
    ~TTestDropDownFormVz() override {
        if (Last == this) Last = nullptr;
    }

public:
    static inline TTestDropDownFormVz* Last = nullptr;
    std::map<String, Variant> Given;
    std::vector<String> GivenNames;
    std::map<String, Variant> Result;

    void InitForm(TComponent* Host, TDynVarsVz* DynParams) override {
        Given.clear();
        GivenNames.clear();
        for (int i = 0; i < DynParams->Count(); ++i) {
            GivenNames.push_back(DynParams->GetItem(i)->Name());
            Given[DynParams->GetItem(i)->Name()] = DynParams->GetItem(i)->Value();
        }
        TCustomDropDownFormVz::InitForm(Host, DynParams);
    }
    void ReturnParams(TComponent* Host, TDynVarsVz* DynParams) override {
        for (auto& [name, value] : Result) DynParams->GetDynVar(name)->SetValue(value);
        TCustomDropDownFormVz::ReturnParams(Host, DynParams);
    }
};

TEST(DropDownPlacement, WithinTheWorkArea) {
    Screen->SetWorkAreaRect(TRect(0, 0, 800, 600));
    TCustomDropDownFormVz* f = New<TCustomDropDownFormVz>(nullptr);
    struct Case {
        const char* what;
        TRect control;
        int width, height;
        TDropDownAlign align;
        TDropLayoutVz layout;
        TRect bounds;
    };
    const Case cases[] = {
        {"room below", {100, 100, 200, 120}, 150, 200, daLeft, dlUnderControlVz, {100, 121, 250, 321}},
        {"aligned right", {100, 100, 200, 120}, 150, 200, daRight, dlUnderControlVz, {50, 121, 200, 321}},
        {"centred, 3 wider", {100, 100, 200, 120}, 103, 50, daCenter, dlUnderControlVz, {99, 121, 202, 171}},
        {"more room above", {100, 500, 200, 520}, 150, 200, daLeft, dlAboveControlVz, {100, 300, 250, 500}},
        {"equal room stays below, cut", {100, 290, 200, 309}, 150, 400, daLeft, dlUnderControlVz, {100, 310, 250, 600}},
        {"above, taller than the room", {100, 500, 200, 520}, 150, 700, daLeft, dlAboveControlVz, {100, 0, 250, 500}},
        {"wider than the work area", {700, 100, 780, 120}, 900, 50, daLeft, dlUnderControlVz, {0, 121, 800, 171}},
        {"past the right edge", {700, 100, 780, 120}, 200, 50, daLeft, dlUnderControlVz, {600, 121, 800, 171}},
    };
    for (const Case& c : cases) {
        f->SetBounds(0, 0, c.width, c.height);
        EXPECT_EQ(f->PlaceForRect(c.control, c.align), c.layout) << c.what;
        EXPECT_EQ(f->BoundsRect(), c.bounds) << c.what;
    }
    f->Free();
    Screen->ResetWorkAreaRect();
}

class EditButtonDropDown : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClass(TTestDropDownFormVz::StaticClass());
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 300, 200);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"ID"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
        T->CreateDataSet();
        T->AppendRecord({Variant(1), Variant(u"Болт"_S)});
        T->AppendRecord({Variant(2), Variant(u"Гайка"_S)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Edit = New<TEdit>(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(10, 10, 120, 22);
        Link = NewOwned<TFieldDataLinkVz>();
        Link->SetControl(Edit);
        Link->SetDataSource(Src);
        Link->SetFieldName(u"Name"_S);
        Button = TEditButtonVz::CreateFor(Edit);
        Button->DropDownFormParams()->SetDropDownFormClassName(u"TTestDropDownFormVz"_S);
        ButtonControl = Button->CreateEditButtonControl();
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        Button->Free();
        Link.reset();
        FreeAndNil(Form);
        Application->ProcessMessages();
        SetResponder(nullptr);
        UnRegisterClass(TTestDropDownFormVz::StaticClass());
    }

    // Opens the button's form the way an editor does; the close callback writes through the link.
    bool Open() {
        bool handled = false;
        ShowEditButtonDropDownFormVz(
            Edit, Link.get(), Link->Field(), Link->Field()->AsVariant(), Button, ButtonControl, {},
            [this](TCustomForm* F, bool Accept, TDynVarsVz* D, TDropDownFormSysParams* S) {
                ButtonControl->SetAlwaysDown(false);
                ++Closes;
                CloseEditButtonDropDownFormVz(
                    Edit, Link.get(), F, {},
                    [this](const Variant& V) {
                        Link->Edit();
                        Link->SetValue(V);
                    },
                    static_cast<TEditControlDropDownFormSysParams*>(S), D, Accept);
            },
            handled);
        return handled;
    }
    void CloseWith(int Result) {
        ASSERT_NE(TTestDropDownFormVz::Last, nullptr);
        TTestDropDownFormVz::Last->SetModalResult(Result);
        TTestDropDownFormVz::Last->Close();
    }

    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TEdit* Edit = nullptr;
    TOwned<TFieldDataLinkVz> Link;
    TEditButtonVz* Button = nullptr;
    TEditButtonControlVz* ButtonControl = nullptr;
    int Closes = 0;
};

TEST_F(EditButtonDropDown, TheFieldValueGoesInAndTheAcceptedValueIsPosted) {
    ASSERT_TRUE(Open());
    TTestDropDownFormVz* f = TTestDropDownFormVz::Last;
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Visible());
    EXPECT_TRUE(ButtonControl->AlwaysDown());
    EXPECT_EQ(f->Owner(), Edit);  // made for this opening
    EXPECT_EQ(f->GivenNames, std::vector<String>{u"Name"_S});
    EXPECT_EQ(f->Given[u"Name"_S].AsString(), u"Болт"_S);
    EXPECT_GT(f->Top(), Edit->ClientOrigin().Y);  // under the edit

    f->Result[u"Name"_S] = Variant(u"Винт"_S);
    CloseWith(mrOk);
    EXPECT_EQ(Closes, 1);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Винт"_S);
    Application->ProcessMessages();
    EXPECT_EQ(TTestDropDownFormVz::Last, nullptr);  // freed after closing
}

TEST_F(EditButtonDropDown, CancellingWritesNothing) {
    ASSERT_TRUE(Open());
    TTestDropDownFormVz::Last->Result[u"Name"_S] = Variant(u"Винт"_S);
    CloseWith(mrCancel);
    EXPECT_EQ(Closes, 1);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Болт"_S);
}

TEST_F(EditButtonDropDown, ThePressThatClosedTheFormDoesNotReopenIt) {
    ASSERT_TRUE(Open());
    CloseWith(mrCancel);
    Application->ProcessMessages();  // the form is freed; the mark is still queued? (posted to the edit)
    ASSERT_EQ(TTestDropDownFormVz::Last, nullptr);
    // The mark was consumed by the loop above: a new press opens again.
    ASSERT_TRUE(Open());
    CloseWith(mrCancel);
    // Before the queue runs, the same press is swallowed.
    EXPECT_TRUE(Open());
    EXPECT_EQ(TTestDropDownFormVz::Last->Visible(), false);
    Application->ProcessMessages();
}

TEST_F(EditButtonDropDown, LosingTheActivationClosesTheFormUnlessKeptVisible) {
    ASSERT_TRUE(Open());
    TTestDropDownFormVz* f = TTestDropDownFormVz::Last;
    Application->ProcessMessages();
    ASSERT_TRUE(f->Active());
    f->SetKeepFormVisible(true);
    Edit->SetFocus();  // the editor's form takes the activation back
    Application->ProcessMessages();
    EXPECT_TRUE(f->Visible());
    EXPECT_EQ(Closes, 0);
    f->SetKeepFormVisible(false);
    f->SetFocus();
    Application->ProcessMessages();
    Edit->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Closes, 1);  // closed as cancelled
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Болт"_S);
}

TEST_F(EditButtonDropDown, PassedFieldsAreTheOnesNamedToPass) {
    TDropDownFormCallParamsVz* p = Button->DropDownFormParams();
    p->SetPassFieldNames(u"ID;Name"_S);
    p->SetAssignBackFieldNames(u"Name"_S);
    ASSERT_TRUE(Open());
    TTestDropDownFormVz* f = TTestDropDownFormVz::Last;
    EXPECT_EQ(f->GivenNames, (std::vector<String>{u"ID"_S, u"Name"_S}));
    EXPECT_EQ(f->Given[u"ID"_S].AsInteger(), 1);
    f->Result[u"ID"_S] = Variant(77);
    f->Result[u"Name"_S] = Variant(u"Шайба"_S);
    CloseWith(mrOk);
    // Only the fields named to come back are written.
    EXPECT_EQ(T->FieldByName(u"ID"_S)->AsInteger(), 1);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Шайба"_S);
}

TEST_F(EditButtonDropDown, AFailingWriteLeavesTheRecordAsItWas) {
    TDropDownFormCallParamsVz* p = Button->DropDownFormParams();
    p->SetPassParams(pspRecordValuesVz);
    p->SetAssignBackFieldNames(u"Name;ID"_S);
    ASSERT_TRUE(Open());
    TTestDropDownFormVz* f = TTestDropDownFormVz::Last;
    f->Result[u"Name"_S] = Variant(u"Шайба"_S);
    f->Result[u"ID"_S] = Variant(u"не число"_S);
    CloseWith(mrOk);
    EXPECT_EQ(Resp.MessageCount(), 1);  // the failure is shown
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Болт"_S);
    EXPECT_EQ(T->FieldByName(u"ID"_S)->AsInteger(), 1);
}

TEST_F(EditButtonDropDown, AnUnregisteredClassRaisesAndShowsNothing) {
    Button->DropDownFormParams()->SetDropDownFormClassName(u"TNoSuchFormVz"_S);
    try {
        Open();
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"Class 'TNoSuchFormVz' is not registered"_S);
    }
    EXPECT_FALSE(ButtonControl->AlwaysDown());
}

}  // namespace
