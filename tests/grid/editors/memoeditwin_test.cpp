// The memo editor window: as an edit button's shared drop-down over an in-memory dataset, and as
// the dialog of EditMemoTextProcVz; a window that was given nothing starts empty and returns nothing.
#include "grid/base/buttonsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/editors/editbuttondropdownvz.h"
#include "grid/editors/fielddatalinkvz.h"
#include "grid/editors/memoeditwinvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/memo.h"
#include "platform/gui/stdctrls.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoEditWin, SharedDropDownOfAnEditButton) {
    TForm* form = New<TForm>(nullptr);
    auto* t = New<TMemTableVz>(form);
    t->FieldDefs()->Add(u"Note"_S, ftWideMemo);
    t->CreateDataSet();
    t->AppendRecord({Variant(u"старый текст"_S)});
    auto* src = New<TDataSource>(form);
    src->SetDataSet(t);
    auto* edit = New<TEdit>(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 120, 22);
    TOwned<TFieldDataLinkVz> link = NewOwned<TFieldDataLinkVz>();
    link->SetControl(edit);
    link->SetDataSource(src);
    link->SetFieldName(u"Note"_S);
    TEditButtonVz* button = TEditButtonVz::CreateFor(edit);
    button->DropDownFormParams()->SetDropDownFormClassName(u"TMemoEditWinVz"_S);
    TEditButtonControlVz* control = button->CreateEditButtonControl();
    form->Show();

    bool handled = false;
    ShowEditButtonDropDownFormVz(
        edit, link.get(), link->Field(), link->Field()->AsVariant(), button, control, {},
        [&](TCustomForm* F, bool Accept, TDynVarsVz* D, TDropDownFormSysParams* S) {
            control->SetAlwaysDown(false);
            CloseEditButtonDropDownFormVz(
                edit, link.get(), F, {},
                [&](const Variant& V) {
                    link->Edit();
                    link->SetValue(V);
                },
                static_cast<TEditControlDropDownFormSysParams*>(S), D, Accept);
        },
        handled);
    ASSERT_TRUE(handled);
    TMemoEditWinVz* win = TMemoEditWinVz::Shared();
    EXPECT_TRUE(win->Visible());
    EXPECT_EQ(win->Owner(), Application);
    EXPECT_EQ(win->Memo1()->Text(), u"старый текст"_S);
    EXPECT_EQ(win->PassParams(), pspFieldValueVz);
    win->Memo1()->SetText(u"новый\r\nтекст"_S);
    win->sbOk()->Click();
    EXPECT_FALSE(win->Visible());
    EXPECT_EQ(TMemoEditWinVz::Shared(), win);  // kept, not freed
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(t->FieldByName(u"Note"_S)->AsString(), u"новый\r\nтекст"_S);

    button->Free();
    link.reset();
    form->Free();
    Application->ProcessMessages();
}

TEST(MemoEditWin, NothingPassedInStartsEmptyAndReturnsNothing) {
    TMemoEditWinVz* win = TMemoEditWinVz::Shared();
    win->Memo1()->SetText(u"от прошлого редактора"_S);
    TOwned<TDynVarsVz> params = NewOwned<TDynVarsVz>(nullptr);
    win->InitForm(nullptr, params.get());
    EXPECT_EQ(win->Memo1()->Text(), String());
    EXPECT_EQ(win->PassParams(), pspByFieldNamesVz);
    win->Memo1()->SetText(u"что-то"_S);
    win->ReturnParams(nullptr, params.get());
    EXPECT_EQ(params->Count(), 0);
}

TEST(MemoEditWin, TheDialogEditsATextAndARefusalKeepsIt) {
    TScriptedResponder resp;
    SetResponder(&resp);
    resp.AnswerModal([](TCustomForm* F) {
        auto* win = static_cast<TMemoEditWinVz*>(F);
        EXPECT_EQ(win->Memo1()->Text(), u"до"_S);
        win->Memo1()->SetText(u"после"_S);
        win->sbOk()->Click();
    });
    String text = u"до"_S;
    EXPECT_TRUE(EditMemoTextProcVz()(text, TRect(), false));
    EXPECT_EQ(text, u"после"_S);

    // Read-only: OK is disabled, the memo cannot be changed, nothing comes back.
    resp.AnswerModal([](TCustomForm* F) {
        auto* win = static_cast<TMemoEditWinVz*>(F);
        EXPECT_FALSE(win->sbOk()->Enabled());
        EXPECT_TRUE(win->Memo1()->ReadOnly());
    });
    EXPECT_FALSE(EditMemoTextProcVz()(text, TRect(), true));
    EXPECT_EQ(text, u"после"_S);
    SetResponder(nullptr);
}

}  // namespace
